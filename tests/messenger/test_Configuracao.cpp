#include "Configuracao.h"

#include "InteracaoRoteirizada.h"
#include "PastaTemporaria.h"
#include "Perfil.h"
#include "Texto1252.h"
#include "Unidades.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <grp.h>
#include <pwd.h>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

using namespace plataforma::literais;

namespace {

const std::string exemplo =
    "[Pastas de Mensagens]\r\n"
    "VENDAS=f:\\mensagens\\vendas\\\r\n"
    "SUPORTE=f:\\suporte\\\r\n"
    "\r\n"
    "[Logon]\r\n"
    "Usuario=JOAO\r\n"
    "Nome Da Pasta=VENDAS\r\n"
    "Caminho Da Pasta=f:\\mensagens\\vendas\\\r\n"
    "Criar Pasta Automaticamente=1\r\n";

struct Configuracao : ::testing::Test {
    PastaTemporaria tmp;
    InteracaoRoteirizada ui;
    const std::string ini = "c:\\falv.ini";
    Sessao s;

    Sessao Carregar(bool completa = true) {
        Sessao r;
        r.usuario = "ANTIGO";
        r.nomesPastas = {"VELHA"};
        r.caminhosPastas = {"c:\\velha\\"};
        CarregarConfiguracao(r, ini, completa, ui);
        return r;
    }
};

TEST_F(Configuracao, OExemploCarregaAsListasEASessao) {
    tmp.Escrever("falv.ini", exemplo);
    s = Carregar();
    EXPECT_EQ(s.nomesPastas, (std::vector<std::string>{"VENDAS", "SUPORTE"}));
    EXPECT_EQ(s.caminhosPastas,
              (std::vector<std::string>{"f:\\mensagens\\vendas\\", "f:\\suporte\\"}));
    EXPECT_EQ(s.usuario, "JOAO");
    EXPECT_EQ(s.nomePasta, "VENDAS");
    EXPECT_EQ(s.caminhoPasta, "f:\\mensagens\\vendas\\");
    EXPECT_TRUE(s.criarAutomatico);
    EXPECT_TRUE(ui.mensagens.empty());

    // Without the Logon section only the list is replaced.
    Sessao parcial;
    parcial.usuario = "ANA";
    parcial.criarAutomatico = false;
    CarregarConfiguracao(parcial, ini, false, ui);
    EXPECT_EQ(parcial.nomesPastas.size(), 2u);
    EXPECT_EQ(parcial.usuario, "ANA");
    EXPECT_FALSE(parcial.criarAutomatico);
}

TEST_F(Configuracao, CriarPastaLidoComoInteiroComPadraoVerdadeiro) {
    const std::pair<const char*, bool> casos[] = {
        {"1", true},   {"0", false},  {"yes", true}, {"-7", true}, {"000", false},
        {"+0", false}, {"$0", false}, {"0x10", true}, {"42A", true}, {"", true},
    };
    for (auto [valor, esperado] : casos) {
        tmp.Escrever("falv.ini", std::string("[Logon]\r\nCriar Pasta Automaticamente=") + valor +
                                     "\r\n");
        EXPECT_EQ(Carregar().criarAutomatico, esperado) << valor;
    }
    tmp.Escrever("falv.ini", "[Logon]\r\nUsuario=ANA\r\n");
    EXPECT_TRUE(Carregar().criarAutomatico);
}

TEST_F(Configuracao, SalvarTudoGravaChavesLegiveisPeloPerfil) {
    s.nomesPastas = {"VENDAS", "AÇÃO"_ansi};
    s.caminhosPastas = {"f:\\mensagens\\vendas\\", "f:\\ação\\"_ansi};
    s.usuario = "JOAO";
    s.nomePasta = "VENDAS";
    s.caminhoPasta = "f:\\mensagens\\vendas\\";
    s.criarAutomatico = false;
    ASSERT_TRUE(SalvarConfiguracao(s, ini, ui));
    EXPECT_TRUE(ui.mensagens.empty());

    std::string bytes = tmp.Ler("falv.ini");
    EXPECT_NE(bytes.find("[Pastas de Mensagens]\r\nVENDAS=f:\\mensagens\\vendas\\\r\n"
                         "A\xC7\xC3O=f:\\a\xE7\xE3o\\\r\n"),
              std::string::npos)
        << bytes;
    EXPECT_NE(bytes.find("Usuario=JOAO\r\nNome Da Pasta=VENDAS\r\n"
                         "Caminho Da Pasta=f:\\mensagens\\vendas\\\r\n"
                         "Criar Pasta Automaticamente=0\r\n"),
              std::string::npos)
        << bytes;
    EXPECT_EQ(plataforma::LerPerfil(ini, "LOGON", "nome da pasta", "?"), "VENDAS");
    EXPECT_EQ(plataforma::LerPerfil(ini, "pastas de mensagens", "a\xE7\xE3o", "?"),
              "f:\\a\xE7\xE3o\\");

    Sessao lida;
    CarregarConfiguracao(lida, ini, true, ui);
    EXPECT_EQ(lida.nomesPastas, s.nomesPastas);
    EXPECT_EQ(lida.caminhosPastas, s.caminhosPastas);
    EXPECT_EQ(lida.usuario, s.usuario);
    EXPECT_EQ(lida.caminhoPasta, s.caminhoPasta);
    EXPECT_FALSE(lida.criarAutomatico);
}

TEST_F(Configuracao, SalvarPastasTrocaALista_EGuardaOResto) {
    tmp.Escrever("falv.ini", "; notas do suporte\r\n" + exemplo);
    s.nomesPastas = {"SUPORTE", "NOVA"};
    s.caminhosPastas = {"f:\\suporte\\", "c:\\nova\\"};
    s.usuario = "OUTRO"; // not written by this save
    s.criarAutomatico = false;
    ASSERT_TRUE(SalvarPastas(s, ini, ui));

    std::string bytes = tmp.Ler("falv.ini");
    EXPECT_EQ(bytes.rfind("; notas do suporte\r\n", 0), 0u) << bytes;
    EXPECT_EQ(bytes.find("VENDAS="), std::string::npos) << bytes;
    Sessao lida = Carregar();
    EXPECT_EQ(lida.nomesPastas, s.nomesPastas);
    EXPECT_EQ(lida.usuario, "JOAO");
    EXPECT_EQ(lida.nomePasta, "VENDAS");
    EXPECT_FALSE(lida.criarAutomatico);

    // An empty list leaves no folder in the file.
    s.nomesPastas.clear();
    s.caminhosPastas.clear();
    ASSERT_TRUE(SalvarPastas(s, ini, ui));
    EXPECT_TRUE(Carregar().nomesPastas.empty());
}

TEST_F(Configuracao, ArquivoAusenteVazioOuLixoCarregaSemPastasNemSessao) {
    std::mt19937 gerador(1234);
    std::string lixo(8192, '\0');
    for (auto& c : lixo) c = static_cast<char>(gerador());
    const std::string arquivos[] = {
        "",
        lixo,
        std::string("\0\0\0[\0]=\r\r\n", 11),
        "[Pastas de Mensagens]\r\n=sem nome\r\n;VENDAS=f:\\x\\\r\nSEM IGUAL\r\nVAZIA=\r\n"
        "[OUTRA=f:\\x\\\r\n",
    };
    for (const auto& conteudo : arquivos) {
        tmp.Escrever("falv.ini", conteudo);
        Sessao lida = Carregar();
        EXPECT_TRUE(lida.nomesPastas.empty());
        EXPECT_TRUE(lida.caminhosPastas.empty());
        EXPECT_EQ(lida.usuario, "");
        EXPECT_EQ(lida.nomePasta, "");
        EXPECT_EQ(lida.caminhoPasta, "");
        EXPECT_TRUE(lida.criarAutomatico);
    }
    std::filesystem::remove(tmp.Host() + "/falv.ini");
    EXPECT_TRUE(Carregar().nomesPastas.empty());
    EXPECT_TRUE(ui.mensagens.empty()) << ui.mensagens[0].texto;
    EXPECT_FALSE(tmp.Existe("falv.ini"));

    // The first save creates it.
    s.nomesPastas = {"VENDAS"};
    s.caminhosPastas = {"f:\\vendas\\"};
    ASSERT_TRUE(SalvarPastas(s, ini, ui));
    EXPECT_EQ(Carregar().nomesPastas, s.nomesPastas);
}

TEST_F(Configuracao, ArquivoIlegivelAvisaENaoESobrescrito) {
    // Far larger than any settings file: it cannot be read, so it must not be replaced.
    std::string enorme = exemplo + std::string(3 << 20, 'x');
    tmp.Escrever("falv.ini", enorme);
    Sessao lida = Carregar();
    EXPECT_TRUE(lida.nomesPastas.empty());
    ASSERT_EQ(ui.mensagens.size(), 1u);
    EXPECT_EQ(ui.mensagens[0].titulo, "Erro");
    EXPECT_EQ(ui.mensagens[0].texto, "Erro ao abrir o arquivo FALV.INI");
    EXPECT_EQ(ui.mensagens[0].tipo, 6);

    EXPECT_FALSE(SalvarConfiguracao(lida, ini, ui));
    EXPECT_EQ(ui.mensagens.back().texto, "Erro ao atualizar o arquivo FALV.INI");
    EXPECT_EQ(tmp.Ler("falv.ini"), enorme);
}

TEST_F(Configuracao, GravarEmPastaInexistenteFalhaComMensagem) {
    s.nomesPastas = {"VENDAS"};
    s.caminhosPastas = {"f:\\vendas\\"};
    EXPECT_FALSE(SalvarPastas(s, "c:\\nao existe\\falv.ini", ui));
    EXPECT_FALSE(SalvarConfiguracao(s, "", ui));
    ASSERT_EQ(ui.mensagens.size(), 2u);
    for (const auto& m : ui.mensagens) {
        EXPECT_EQ(m.titulo, "Erro");
        EXPECT_EQ(m.texto, "Erro ao atualizar o arquivo FALV.INI");
        EXPECT_EQ(m.tipo, 6);
    }
    EXPECT_FALSE(tmp.Existe("nao existe"));
}

TEST_F(Configuracao, RegrasDeNomeECaminho) {
    EXPECT_EQ(NomeDePasta("Vendas do Setor Financeiro"), "VENDAS DO SETOR");
    EXPECT_EQ(NomeDePasta("  vendas  "), "VENDAS");
    EXPECT_EQ(NomeDePasta("Vendas do Sete x"), "VENDAS DO SETE"); // blank left by the cut
    EXPECT_EQ(NomeDePasta("ação"_ansi), "AÇÃO"_ansi);
    EXPECT_EQ(CaminhoDePasta("F:\\Mensagens\\Vendas"), "f:\\mensagens\\vendas\\");
    EXPECT_EQ(CaminhoDePasta("C:\\"), "c:\\");
    EXPECT_EQ(CaminhoDePasta("F:\\Ação\\"_ansi), "f:\\ação\\"_ansi);
    EXPECT_EQ(CaminhoDePasta(""), "");

    EXPECT_TRUE(NomeDePastaValido("VENDAS DO SETOR"));
    EXPECT_TRUE(NomeDePastaValido("A;B[C]"));
    for (const char* ruim : {"", "A=B", "[A]", ";A", " A", "A\tB"})
        EXPECT_FALSE(NomeDePastaValido(ruim)) << ruim;

    s.nomesPastas = {"VENDAS", "SUPORTE"};
    EXPECT_EQ(IndicePasta(s, "suporte"), 1);
    EXPECT_EQ(IndicePasta(s, "SUPORTE", 1), -1);
    EXPECT_EQ(IndicePasta(s, "OUTRA"), -1);
}

TEST_F(Configuracao, CarregarAplicaAsRegrasDaLista) {
    tmp.Escrever("falv.ini",
                 "[pastas de mensagens]\r\n"
                 "vendas do setor financeiro = F:\\Mensagens\\Vendas\r\n"
                 "Vendas Do Setor=f:\\outra\\\r\n" // the same name once cut: the first stays
                 "RAIZ=G:\\\r\n"
                 "[Logon]\r\nCaminho Da Pasta=F:\\Mensagens\\Vendas\r\n");
    s = Carregar();
    EXPECT_EQ(s.nomesPastas, (std::vector<std::string>{"VENDAS DO SETOR", "RAIZ"}));
    EXPECT_EQ(s.caminhosPastas, (std::vector<std::string>{"f:\\mensagens\\vendas\\", "g:\\"}));
    EXPECT_EQ(s.caminhoPasta, "f:\\mensagens\\vendas\\");
}

TEST_F(Configuracao, ArquivoFicaAoLadoDoExecutavel) {
    std::string pasta = PastaDoPrograma();
    ASSERT_FALSE(pasta.empty());
    EXPECT_EQ(pasta, plataforma::Minusculas1252(pasta));
    EXPECT_EQ(pasta.back(), '\\');
    EXPECT_EQ(ArquivoConfiguracao(), pasta + "falv.ini");
    auto host = plataforma::CaminhoHost(pasta);
    ASSERT_TRUE(host);
    EXPECT_TRUE(std::filesystem::equivalent(
        *host, std::filesystem::read_symlink("/proc/self/exe").parent_path()));
}

// Runs `corpo` in a child process under a user whom folder permissions bind:
// nobody when the tests run as root, who may write in any folder.
void ComoUsuarioComum(const std::function<void()>& corpo) {
    std::fflush(stdout);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (geteuid() == 0) {
            const passwd* p = getpwnam("nobody");
            if (!p || setgroups(0, nullptr) != 0 || setgid(p->pw_gid) != 0 || setuid(p->pw_uid) != 0)
                _exit(77);
        }
        corpo();
        std::fflush(stdout);
        _exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int estado = 0;
    ASSERT_EQ(waitpid(pid, &estado, 0), pid);
    ASSERT_TRUE(WIFEXITED(estado));
    if (WEXITSTATUS(estado) == 77) GTEST_SKIP() << "root sem como passar a nobody";
    EXPECT_EQ(WEXITSTATUS(estado), 0) << "falhas acima, no processo filho";
}

// The program's folder c:\prog\ and the user's configuration folder
// c:\config (not there yet), both reachable by the user of ComoUsuarioComum.
struct LocalDaConfiguracao : Configuracao {
    const std::string prog = "c:\\prog\\";
    std::string config;

    LocalDaConfiguracao() {
        namespace fs = std::filesystem;
        fs::create_directory(tmp.Host() + "/prog");
        fs::permissions(tmp.Host(), fs::perms::all);
        SomenteLeitura(false);
        config = tmp.Host() + "/config";
        s.nomesPastas = {"VENDAS"};
        s.caminhosPastas = {"f:\\vendas\\"};
        s.usuario = "ANA";
    }
    ~LocalDaConfiguracao() override { SomenteLeitura(false); }
    void SomenteLeitura(bool ligar) {
        std::filesystem::permissions(tmp.Host() + "/prog", ligar ? std::filesystem::perms::owner_read |
                                         std::filesystem::perms::owner_exec | std::filesystem::perms::others_read |
                                         std::filesystem::perms::others_exec
                                                                : std::filesystem::perms::all);
    }
};

TEST_F(LocalDaConfiguracao, PastaGravavelGuardaAoLadoDoPrograma) {
    ComoUsuarioComum([&] {
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        EXPECT_EQ(ArquivoConfiguracao(prog), prog + "falv.ini");
        ASSERT_TRUE(SalvarConfiguracao(s, ArquivoConfiguracao(prog), ui));
        EXPECT_TRUE(tmp.Existe("prog/falv.ini"));
    });
    EXPECT_FALSE(tmp.Existe("config"));
}

TEST_F(LocalDaConfiguracao, PastaSomenteLeituraUsaAPastaDeConfiguracao) {
    SomenteLeitura(true);
    ComoUsuarioComum([&] {
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        const std::string ini = ArquivoConfiguracao(prog);
        EXPECT_EQ(ini, PastaConfiguracaoFalv() + "falv.ini");
        auto host = plataforma::CaminhoHost(ini);
        ASSERT_TRUE(host);
        EXPECT_EQ(*host, config + "/falavox/falv.ini");

        // Nothing there yet: an empty list, no message; the first save makes
        // the folder and the file.
        Sessao lida;
        CarregarConfiguracao(lida, ini, true, ui);
        EXPECT_TRUE(lida.nomesPastas.empty());
        ASSERT_TRUE(SalvarConfiguracao(s, ini, ui));
        EXPECT_TRUE(ui.mensagens.empty());
        CarregarConfiguracao(lida, ArquivoConfiguracao(prog), true, ui);
        EXPECT_EQ(lida.nomesPastas, s.nomesPastas);
        EXPECT_EQ(lida.usuario, "ANA");
    });
    EXPECT_TRUE(tmp.Existe("config/falavox/falv.ini"));
    EXPECT_FALSE(tmp.Existe("prog/falv.ini"));
}

TEST_F(LocalDaConfiguracao, FalvIniAoLadoEmPastaSomenteLeituraELidoESalvarAvisa) {
    tmp.Escrever("prog/falv.ini", exemplo);
    SomenteLeitura(true);
    ComoUsuarioComum([&] {
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        const std::string ini = ArquivoConfiguracao(prog);
        EXPECT_EQ(ini, prog + "falv.ini");
        Sessao lida;
        CarregarConfiguracao(lida, ini, true, ui);
        EXPECT_EQ(lida.nomesPastas, (std::vector<std::string>{"VENDAS", "SUPORTE"}));
        EXPECT_EQ(lida.usuario, "JOAO");

        EXPECT_FALSE(SalvarConfiguracao(s, ini, ui));
        ASSERT_EQ(ui.mensagens.size(), 1u);
        EXPECT_EQ(ui.mensagens[0].titulo, "Erro");
        EXPECT_EQ(ui.mensagens[0].texto, "Erro ao atualizar o arquivo FALV.INI");
    });
    EXPECT_EQ(tmp.Ler("prog/falv.ini"), exemplo);
    EXPECT_FALSE(tmp.Existe("config"));
}

TEST_F(LocalDaConfiguracao, PastaDeConfiguracaoSegueXdgOuAPastaPessoal) {
    ComoUsuarioComum([&] {
        setenv("HOME", (tmp.Host() + "/casa").c_str(), 1);
        for (const char* ignorado : {"", "relativo/config"}) {
            setenv("XDG_CONFIG_HOME", ignorado, 1);
            auto host = plataforma::CaminhoHost(PastaConfiguracaoFalv());
            ASSERT_TRUE(host);
            EXPECT_EQ(*host, tmp.Host() + "/casa/.config/falavox") << ignorado;
        }
        unsetenv("XDG_CONFIG_HOME");
        EXPECT_EQ(plataforma::CaminhoHost(PastaConfiguracaoFalv()), tmp.Host() + "/casa/.config/falavox");
    });
}

} // namespace
