#include "Arquivos.h"
#include "EmOutroProcesso.h"
#include "PastaTemporaria.h"
#include "Unidades.h"

#include <chrono>
#include <csignal>
#include <dirent.h>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace plataforma;

namespace {

std::map<std::string, int> Buscar(const std::string& padrao, int mascara) {
    std::map<std::string, int> r;
    BuscaArquivos b;
    EntradaBusca e;
    for (bool ok = b.Primeiro(padrao, mascara, e); ok; ok = b.Proximo(e))
        r[e.nome] = e.atributos;
    return r;
}

mode_t Modo(const std::string& host) {
    struct stat st;
    return lstat(host.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

int Temporarios(const std::string& pasta) {
    int n = 0;
    if (DIR* d = opendir(pasta.c_str())) {
        while (const dirent* e = readdir(d))
            n += std::string(e->d_name).find(".tmp") != std::string::npos;
        closedir(d);
    }
    return n;
}

bool SobrouTemporario(const std::string& pasta) { return Temporarios(pasta) > 0; }

// The tree most tests list: one entry of each kind.
struct Arvore : PastaTemporaria {
    Arvore() {
        Escrever("b.txt", "12345");
        Escrever(".oculto", "");
        Escrever("semponto", "");
        Escrever("ro.txt", "");
        Escrever("Pasta/dentro.txt", "");
        Escrever(".cfg/x", "");
        chmod((Host() + "/ro.txt").c_str(), 0444);
        symlink("Pasta", (Host() + "/elo").c_str());
        symlink("b.txt", (Host() + "/eloarq").c_str());
    }
};

} // namespace

TEST(BuscaArquivos, AtributosEMascaras) {
    Arvore t;
    auto tudo = Buscar("C:\\*.*", 0x37);
    EXPECT_EQ(tudo, (std::map<std::string, int>{{".cfg", 18},
                                                {".oculto", 34},
                                                {"b.txt", 32},
                                                {"elo", 1024},
                                                {"eloarq", 1024},
                                                {"Pasta", 16},
                                                {"ro.txt", 33},
                                                {"semponto", 32}}));
    // Without the directory or hidden bit those entries are left out; read-only,
    // archive and links always pass.
    EXPECT_EQ(
        Buscar("C:\\*.*", 0),
        (std::map<std::string, int>{
            {"b.txt", 32}, {"elo", 1024}, {"eloarq", 1024}, {"ro.txt", 33}, {"semponto", 32}}));
    EXPECT_EQ(Buscar("C:\\*.*", 16).count("Pasta"), 1u);
    EXPECT_EQ(Buscar("C:\\*.*", 16).count(".cfg"), 0u); // a hidden folder needs both bits
    EXPECT_EQ(Buscar("C:\\*.*", 2).count(".oculto"), 1u);
    EXPECT_EQ(Atributos("C:\\ELO"), 1024); // the link itself, never its target
    EXPECT_EQ(Atributos("C:\\nada"), -1);
}

TEST(BuscaArquivos, PontoEPontoPontoPrimeiroForaDaRaiz) {
    Arvore t;
    BuscaArquivos b;
    EntradaBusca e;
    ASSERT_TRUE(b.Primeiro("C:\\pasta\\*.*", 55, e));
    EXPECT_EQ(e.nome, ".");
    EXPECT_EQ(e.atributos, 16);
    ASSERT_TRUE(b.Proximo(e));
    EXPECT_EQ(e.nome, "..");
    EXPECT_EQ(e.atributos, 16);
    ASSERT_TRUE(b.Proximo(e));
    EXPECT_EQ(e.nome, "dentro.txt");
    EXPECT_FALSE(b.Proximo(e));
    EXPECT_FALSE(b.Proximo(e));
    // Relative to the current directory, and with a mask that refuses folders.
    ASSERT_TRUE(DefinirPastaAtual("C:\\Pasta"));
    EXPECT_EQ(Buscar("*.*", 0), (std::map<std::string, int>{{"dentro.txt", 32}}));
}

TEST(CoincideCuringa, EstrelaDoPadraoNuncaLiteral) {
    EXPECT_TRUE(CoincideCuringa("*", "*ab"));
    EXPECT_TRUE(CoincideCuringa("a*", "a*b"));
    EXPECT_TRUE(CoincideCuringa("*.txt", "*x.txt"));
    EXPECT_TRUE(CoincideCuringa("*b", "**b"));
    EXPECT_TRUE(CoincideCuringa("?", "*"));
    EXPECT_TRUE(CoincideCuringa("A*C", "abbbc"));
    EXPECT_FALSE(CoincideCuringa("*.txt", "*x.tx"));
    EXPECT_FALSE(CoincideCuringa("a*b", "a*"));
    EXPECT_TRUE(CoincideCuringa("", ""));
    EXPECT_FALSE(CoincideCuringa("", "a"));
}

TEST(BuscaArquivos, CuringasSemCaixa) {
    Arvore t;
    using M = std::map<std::string, int>;
    EXPECT_EQ(Buscar("C:\\*.TXT", 0), (M{{"b.txt", 32}, {"ro.txt", 33}}));
    EXPECT_EQ(Buscar("C:\\?.txt", 0), (M{{"b.txt", 32}}));
    EXPECT_EQ(Buscar("C:\\S*O", 0), (M{{"semponto", 32}}));
    EXPECT_EQ(Buscar("C:\\*.", 16),
              (M{{"elo", 1024}, {"eloarq", 1024}, {"Pasta", 16}, {"semponto", 32}}));
    EXPECT_EQ(Buscar("C:\\B.TXT", 0), (M{{"b.txt", 32}}));
    EXPECT_EQ(Buscar("C:\\elo*.*", 0), (M{{"elo", 1024}, {"eloarq", 1024}}));
    EXPECT_TRUE(Buscar("C:\\*.doc", 55).empty());
    EXPECT_TRUE(Buscar("C:\\falta\\*.*", 55).empty());
    EXPECT_TRUE(Buscar("C:\\Pasta\\", 55).empty());
}

TEST(Arquivos, ExistenciaTamanhoEPastas) {
    Arvore t;
    EXPECT_TRUE(ArquivoExiste("c:\\B.TXT"));
    EXPECT_FALSE(ArquivoExiste("c:\\pasta"));
    EXPECT_TRUE(PastaExiste("c:\\PASTA"));
    EXPECT_TRUE(PastaExiste("c:\\elo")); // a link to a folder counts
    EXPECT_EQ(TamanhoArquivo("C:\\b.txt"), 5);
    EXPECT_EQ(TamanhoArquivo("C:\\falta.txt"), -1);
    EXPECT_EQ(TamanhoArquivo("C:\\eloarq"), 0); // the link, not the file it names
    EXPECT_EQ(TamanhoArquivo("C:\\Pasta"), 0);

    EXPECT_TRUE(CriarPasta("C:\\pasta\\Nova\\Sub"));
    EXPECT_TRUE(t.Existe("Pasta/Nova/Sub"));
    EXPECT_TRUE(CriarPasta("C:\\PASTA\\nova"));
    EXPECT_FALSE(CriarPasta("C:\\b.txt\\x"));
    EXPECT_FALSE(CriarPasta("Q:\\x"));
    EXPECT_FALSE(RemoverPasta("C:\\Pasta")); // not empty
    EXPECT_TRUE(RemoverPasta("C:\\Pasta\\nova\\sub"));
    EXPECT_FALSE(t.Existe("Pasta/Nova/Sub"));

    EXPECT_FALSE(ApagarArquivo("C:\\Pasta"));
    EXPECT_TRUE(ApagarArquivo("C:\\elo")); // the link goes, the folder stays
    EXPECT_TRUE(t.Existe("Pasta/dentro.txt"));

    EXPECT_FALSE(RenomearArquivo("C:\\b.txt", "C:\\semponto"));
    EXPECT_EQ(t.Ler("b.txt"), "12345");
    EXPECT_TRUE(RenomearArquivo("C:\\B.txt", "C:\\Pasta\\Novo.txt"));
    EXPECT_EQ(t.Ler("Pasta/Novo.txt"), "12345");

    EXPECT_TRUE(DefinirPastaAtual("c:\\pasta"));
    EXPECT_EQ(PastaAtual(), "C:\\Pasta");
    EXPECT_FALSE(DefinirPastaAtual("c:\\falta"));
    EXPECT_EQ(PastaAtual(), "C:\\Pasta");
}

TEST(Arquivos, SomenteLeituraPelosBitsDoModo) {
    Arvore t;
    const std::string ro = t.Host() + "/ro.txt", b = t.Host() + "/b.txt";
    EXPECT_EQ(Atributos("C:\\ro.txt") & atrSomenteLeitura, atrSomenteLeitura);
    EXPECT_FALSE(ApagarArquivo("C:\\ro.txt")); // as Windows, even for root
    ASSERT_TRUE(DefinirAtributos("C:\\ro.txt", atrArquivo));
    EXPECT_TRUE(Modo(ro) & S_IWUSR);
    EXPECT_EQ(Atributos("C:\\ro.txt"), atrArquivo);
    EXPECT_TRUE(ApagarArquivo("C:\\ro.txt"));

    ASSERT_TRUE(DefinirAtributos("C:\\b.txt", atrArquivo | atrSomenteLeitura));
    EXPECT_EQ(Modo(b) & 0222, 0u);
    EXPECT_EQ(Atributos("C:\\b.txt"), atrArquivo | atrSomenteLeitura);
    EXPECT_FALSE(GravarArquivoAtomico("C:\\b.txt", "novo"));
    EXPECT_EQ(t.Ler("b.txt"), "12345");
    EXPECT_TRUE(DefinirAtributos("C:\\eloarq", atrSomenteLeitura)); // links have no mode
    EXPECT_FALSE(DefinirAtributos("C:\\falta", 0));
}

TEST(ArquivoExclusivo, SegundoAbridorFalhaNoMesmoProcesso) {
    PastaTemporaria t;
    t.Escrever("users.fvx", "ANA\r\n");
    ArquivoExclusivo a, b;
    ASSERT_TRUE(a.Abrir("C:\\USERS.FVX", ArquivoExclusivo::Modo::Existente));
    EXPECT_FALSE(b.Abrir("C:\\users.fvx", ArquivoExclusivo::Modo::Existente));
    EXPECT_EQ(LerArquivoExclusivo("C:\\users.fvx", 100), std::nullopt);
    EXPECT_FALSE(GravarArquivoExclusivo("C:\\users.fvx", "x"));
    ASSERT_TRUE(a.Substituir("ANA\r\nJOSE\r\n"));
    ASSERT_TRUE(a.Substituir("JOSE\r\n")); // shorter: the rest is truncated
    EXPECT_EQ(a.Ler(100), "JOSE\r\n");
    a.Fechar();
    ASSERT_TRUE(b.Abrir("C:\\users.fvx", ArquivoExclusivo::Modo::Existente));
    EXPECT_EQ(b.Ler(100), "JOSE\r\n");
}

TEST(ArquivoExclusivo, EsperaLimitadaPeloArquivoPreso) {
    PastaTemporaria t;
    t.Escrever("jose_ana.msg", "oi");
    ArquivoExclusivo a, b;
    ASSERT_TRUE(a.Abrir("C:\\jose_ana.msg", ArquivoExclusivo::Modo::Existente));
    EXPECT_FALSE(b.Abrir("C:\\jose_ana.msg", ArquivoExclusivo::Modo::Existente,
                         std::chrono::milliseconds(30)));
    EXPECT_TRUE(b.Ocupado());
    // Held by another station for one operation: the second opener gets it when it ends.
    int canal[2];
    ASSERT_EQ(pipe(canal), 0);
    a.Fechar();
    pid_t outra = fork();
    if (outra == 0) {
        ArquivoExclusivo x;
        char c = x.Abrir("C:\\jose_ana.msg", ArquivoExclusivo::Modo::Existente) ? 1 : 0;
        if (write(canal[1], &c, 1) != 1) _exit(1);
        usleep(50000);
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(canal[0], &c, 1), 1);
    ASSERT_EQ(c, 1);
    EXPECT_TRUE(b.Abrir("C:\\jose_ana.msg", ArquivoExclusivo::Modo::Existente,
                        std::chrono::milliseconds(2000)));
    ASSERT_TRUE(b.Acrescentar("!"));
    EXPECT_EQ(b.Ler(10), "oi!");
    waitpid(outra, nullptr, 0);
    close(canal[0]);
    close(canal[1]);
}

TEST(ArquivoExclusivo, OutraEstacaoFalhaEnquantoOPrimeiroSegura) {
    PastaTemporaria t;
    t.Escrever("jose_ana.msg", "oi");
    auto outraEstacaoAbre = [] {
        return EmOutroProcesso([] {
            ArquivoExclusivo x;
            return x.Abrir("C:\\jose_ana.msg", ArquivoExclusivo::Modo::Existente);
        });
    };
    {
        ArquivoExclusivo a;
        ASSERT_TRUE(a.Abrir("C:\\jose_ana.msg", ArquivoExclusivo::Modo::Existente));
        EXPECT_FALSE(outraEstacaoAbre());
    }
    EXPECT_TRUE(outraEstacaoAbre());
}

TEST(ArquivoExclusivo, LimiteCriacaoENaoSegueElos) {
    PastaTemporaria t;
    t.Escrever("dez", "0123456789");
    EXPECT_EQ(LerArquivoExclusivo("C:\\dez", 9), std::nullopt);
    EXPECT_EQ(LerArquivoExclusivo("C:\\dez", 10), "0123456789");
    EXPECT_EQ(LerArquivoExclusivo("C:\\falta", 10), std::nullopt);
    ArquivoExclusivo a;
    EXPECT_FALSE(a.Abrir("C:\\falta", ArquivoExclusivo::Modo::Existente));
    EXPECT_FALSE(t.Existe("falta"));
    EXPECT_TRUE(GravarArquivoExclusivo("C:\\Novo.msg", "abc"));
    EXPECT_EQ(t.Ler("Novo.msg"), "abc");

    // A link or a FIFO planted in a shared folder is neither written through nor waited on.
    ASSERT_EQ(symlink((t.Host() + "/dez").c_str(), (t.Host() + "/elo").c_str()), 0);
    ASSERT_EQ(mkfifo((t.Host() + "/fila").c_str(), 0666), 0);
    EXPECT_FALSE(GravarArquivoExclusivo("C:\\elo", "x"));
    EXPECT_FALSE(CriarArquivoVazio("C:\\elo"));
    EXPECT_EQ(LerArquivoExclusivo("C:\\fila", 10), std::nullopt);
    EXPECT_EQ(t.Ler("dez"), "0123456789");

    // Nor a hard link to a file outside the folder.
    t.Escrever("fora/segredo", "guardado");
    ASSERT_EQ(link((t.Host() + "/fora/segredo").c_str(), (t.Host() + "/ana_jose.msg").c_str()), 0);
    EXPECT_FALSE(a.Abrir("C:\\ana_jose.msg", ArquivoExclusivo::Modo::Existente));
    EXPECT_FALSE(a.Ocupado());
    EXPECT_FALSE(GravarArquivoExclusivo("C:\\ana_jose.msg", ""));
    EXPECT_FALSE(CriarArquivoVazio("C:\\ana_jose.msg"));
    EXPECT_EQ(t.Ler("fora/segredo"), "guardado");

    EXPECT_TRUE(CriarArquivoVazio("C:\\DEZ"));
    EXPECT_EQ(TamanhoArquivo("C:\\dez"), 0);
    // CriarArquivoVazio takes no lock: it works while a peer holds the file.
    ASSERT_TRUE(a.Abrir("C:\\Novo.msg", ArquivoExclusivo::Modo::Existente));
    EXPECT_TRUE(CriarArquivoVazio("C:\\Novo.msg"));
}

TEST(GravarArquivoAtomico, SubstituiInteiroOuNada) {
    PastaTemporaria t;
    EXPECT_TRUE(GravarArquivoAtomico("C:\\falv.ini", "primeiro"));
    EXPECT_EQ(t.Ler("falv.ini"), "primeiro");
    chmod((t.Host() + "/falv.ini").c_str(), 0640);
    EXPECT_TRUE(GravarArquivoAtomico("C:\\FALV.INI", "segundo"));
    EXPECT_EQ(t.Ler("falv.ini"), "segundo");
    EXPECT_EQ(Modo(t.Host() + "/falv.ini"), 0640u); // the mode survives the rename
    EXPECT_FALSE(GravarArquivoAtomico("C:\\falta\\x.ini", "x"));
    EXPECT_FALSE(t.Existe("falta"));

    // A write that fails half-way (the disk filled up) leaves the old file whole.
    std::string grande(100000, 'x');
    EXPECT_FALSE(EmOutroProcesso([&] {
        LimitarGravacao(1000);
        return GravarArquivoAtomico("C:\\falv.ini", grande);
    }));
    EXPECT_EQ(t.Ler("falv.ini"), "segundo");
    EXPECT_FALSE(SobrouTemporario(t.Host()));
}

// A writer killed at any instant leaves the old content or the new one, never
// a mixture; the temporary files the killed writers leave are deleted by the
// next write, and a temporary file still being written is not.
TEST(GravarArquivoAtomico, EscritorMortoDeixaUmOuOutroESemRestos) {
    PastaTemporaria t;
    const std::string a(6000, 'a'), b = "[Logon]\r\n" + std::string(3000, 'b');
    ASSERT_TRUE(GravarArquivoAtomico("C:\\falv.ini", a));
    std::mt19937 sorteio(12345);
    int mortes = 0, comResto = 0;
    for (; mortes < 300; ++mortes) {
        pid_t pid = fork();
        if (pid == 0) {
            for (int i = 0;; ++i) GravarArquivoAtomico("C:\\falv.ini", i % 2 ? a : b);
        }
        ASSERT_GT(pid, 0);
        usleep(sorteio() % 3000);
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        const std::string agora = t.Ler("falv.ini");
        ASSERT_TRUE(agora == a || agora == b) << "tamanho " << agora.size() << " na morte " << mortes;
        comResto += Temporarios(t.Host()) > 0;
        // The next writer cleans up what the killed one left.
        if (mortes % 3 == 0) {
            ASSERT_TRUE(GravarArquivoAtomico("C:\\falv.ini", a));
            ASSERT_EQ(Temporarios(t.Host()), 0) << "na morte " << mortes;
        }
    }
    EXPECT_GT(comResto, 0) << "no kill fell inside a write";
    ASSERT_TRUE(GravarArquivoAtomico("C:\\falv.ini", b));
    EXPECT_EQ(Temporarios(t.Host()), 0);
    std::printf("%d mortes, %d deixaram um temporário\n", mortes, comResto);

    // A temporary file another writer still holds is left alone.
    int canal[2];
    ASSERT_EQ(pipe(canal), 0);
    pid_t escritor = fork();
    if (escritor == 0) {
        int fd = open((t.Host() + "/.falv.ini.tmp0a0b0c").c_str(), O_WRONLY | O_CREAT, 0600);
        flock(fd, LOCK_EX);
        char c = 1;
        if (write(canal[1], &c, 1) != 1) _exit(1);
        pause();
        _exit(0);
    }
    char c;
    ASSERT_EQ(read(canal[0], &c, 1), 1);
    t.Escrever(".falv.ini.tmp0d0e0f", "resto");
    t.Escrever(".outro.ini.tmp0a0b0c", "de outro arquivo");
    ASSERT_TRUE(GravarArquivoAtomico("C:\\falv.ini", a));
    EXPECT_TRUE(t.Existe(".falv.ini.tmp0a0b0c"));
    EXPECT_FALSE(t.Existe(".falv.ini.tmp0d0e0f"));
    EXPECT_TRUE(t.Existe(".outro.ini.tmp0a0b0c"));
    kill(escritor, SIGKILL);
    waitpid(escritor, nullptr, 0);
    close(canal[0]);
    close(canal[1]);
}

TEST(GravarArquivoAtomico, PastaSemPermissaoDeEscrita) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes in any folder";
    PastaTemporaria t;
    t.Escrever("p/a.ini", "velho");
    chmod((t.Host() + "/p").c_str(), 0555);
    EXPECT_FALSE(GravarArquivoAtomico("C:\\p\\a.ini", "novo"));
    chmod((t.Host() + "/p").c_str(), 0755);
    EXPECT_EQ(t.Ler("p/a.ini"), "velho");
}
