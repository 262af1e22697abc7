#include "fIOlib.h"

#include "Arquivos.h"
#include "InteracaoRoteirizada.h"
#include "PastaTemporaria.h"
#include "Unidades.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <initializer_list>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

void Modo(const PastaTemporaria& t, const std::string& relativo, fs::perms p) {
    fs::permissions(fs::path(t.Host()) / relativo, p);
}

fs::perms ModoDe(const PastaTemporaria& t, const std::string& relativo) {
    return fs::status(fs::path(t.Host()) / relativo).permissions();
}

void Arvore(const PastaTemporaria& t, std::initializer_list<const char*> arquivos) {
    for (const char* a : arquivos)
        t.Escrever(a, "x");
}

// The host folder of the temporary drive, seen through Z: = /.
std::string PelaUnidadeZ(const PastaTemporaria& t) {
    std::string dos = "Z:" + t.Host();
    std::replace(dos.begin(), dos.end(), '/', '\\');
    return dos;
}

} // namespace

TEST(fIOlib, ExtrairPastaENome) {
    struct Caso {
        std::string caminho, pasta, nome;
    };
    const std::string longo = "c:\\" + std::string(300, 'p') + "\\" + std::string(260, 'n');
    const Caso casos[] = {
        {"c:\\dados\\carta.txt", "c:\\dados\\", "carta.txt"},
        {"c:\\dados\\cartas\\", "c:\\dados\\cartas\\", "cartas"},
        {"c:\\dados\\", "c:\\dados\\", "dados"},
        {"carta.txt", "carta.txt\\", "carta.txt"},
        {"", "\\", ""},
        {"c:\\", "c:\\", ""},
        {"c:/dados/carta.txt", "c:/dados/carta.txt\\", "c:/dados/carta.txt"},
        {longo, "c:\\" + std::string(300, 'p') + "\\", std::string(260, 'n')},
    };
    for (const Caso& c : casos) {
        EXPECT_EQ(ExtrairPasta(c.caminho), c.pasta) << c.caminho;
        EXPECT_EQ(ExtrairNome(c.caminho), c.nome) << c.caminho;
    }
}

TEST(fIOlib, ListarPastasPaisAntesDosFilhos) {
    PastaTemporaria t;
    Arvore(t, {"arv/B/c/d/f.txt", "arv/a/f.txt", "arv/.oculta/f.txt", "arv/arquivo"});
    ListaDePastas().clear();
    ListarPastas("C:\\arv");
    const auto& lista = ListaDePastas();
    auto posicao = [&](const std::string& p) {
        return std::find(lista.begin(), lista.end(), p) - lista.begin();
    };
    ASSERT_EQ(lista.size(), 5u);
    for (const char* p : {"C:\\arv\\a", "C:\\arv\\B", "C:\\arv\\.oculta"})
        EXPECT_LT(posicao(p), 5) << p;
    EXPECT_LT(posicao("C:\\arv\\B"), posicao("C:\\arv\\B\\c"));
    EXPECT_LT(posicao("C:\\arv\\B\\c"), posicao("C:\\arv\\B\\c\\d"));
    EXPECT_EQ(plataforma::PastaAtual(), "C:\\");
    ListaDePastas().clear();
}

TEST(fIOlib, ApagarPastaRemoveArquivosProtegidosEOcultos) {
    PastaTemporaria t;
    t.Escrever("outra/fica.txt", "x");
    t.Escrever("arv/.a", "oculto listado primeiro");
    Arvore(t, {"arv/leitura.txt", "arv/sub/.oculta/fundo.txt", "arv/sub/Dup/um",
               "arv/sub/dup/outro", "arv/protegida/dentro.txt"});
    Modo(t, "arv/leitura.txt", fs::perms::owner_read);
    Modo(t, "arv/protegida/dentro.txt", fs::perms::owner_read);
    Modo(t, "arv/protegida", fs::perms::owner_read | fs::perms::owner_exec);
    ASSERT_TRUE(plataforma::DefinirPastaAtual("C:\\outra"));

    InteracaoRoteirizada ui;
    ApagarPasta("c:\\ARV\\", &ui);

    EXPECT_FALSE(t.Existe("arv"));
    EXPECT_TRUE(t.Existe("outra/fica.txt"));
    EXPECT_EQ(plataforma::PastaAtual(), "C:\\outra");
    EXPECT_EQ(ui.vezesOcupado, 1);
    EXPECT_EQ(ui.cursorOcupado, 0);
    EXPECT_TRUE(ListaDePastas().empty());
}

TEST(fIOlib, ApagarPastaNaoSegueLigacoesSimbolicas) {
    PastaTemporaria t;
    t.Escrever("fora/guardado.txt", "intacto");
    t.Escrever("fora/sub/mais.txt", "intacto");
    Modo(t, "fora/guardado.txt", fs::perms::owner_read);
    t.Escrever("arv/normal.txt", "x");
    fs::create_directory_symlink(fs::path(t.Host()) / "fora", fs::path(t.Host()) / "arv/pasta");
    fs::create_symlink(fs::path(t.Host()) / "fora/guardado.txt", fs::path(t.Host()) / "arv/arq");
    fs::create_directory_symlink(fs::path(t.Host()) / "fora", fs::path(t.Host()) / "atalho");

    ApagarPasta("C:\\arv");
    // The links go as links; what they point to stays as it was.
    EXPECT_FALSE(t.Existe("arv"));
    EXPECT_EQ(t.Ler("fora/guardado.txt"), "intacto");
    EXPECT_EQ(t.Ler("fora/sub/mais.txt"), "intacto");
    EXPECT_EQ(ModoDe(t, "fora/guardado.txt"), fs::perms::owner_read);

    // A link named as the directory to delete is left alone.
    ApagarPasta("C:\\atalho");
    EXPECT_TRUE(t.Existe("atalho"));
    EXPECT_EQ(t.Ler("fora/guardado.txt"), "intacto");
    EXPECT_TRUE(t.Existe("fora/sub/mais.txt"));
}

TEST(fIOlib, ApagarPastaNaoEntraNaRaizDeOutraUnidade) {
    PastaTemporaria t;
    Arvore(t, {"arv/montada/alheio.txt", "arv/montada/sub/fundo.txt", "arv/proprio.txt"});
    auto tabela = plataforma::Unidades();
    tabela.raizes['F'] = t.Host() + "/arv/montada";
    plataforma::DefinirUnidades(tabela);
    ApagarPasta("C:\\arv");
    EXPECT_TRUE(t.Existe("arv/montada/alheio.txt"));
    EXPECT_TRUE(t.Existe("arv/montada/sub/fundo.txt"));
    EXPECT_FALSE(t.Existe("arv/proprio.txt"));
}

TEST(fIOlib, ApagarPastaRecusaRaizDeUnidade) {
    PastaTemporaria t;
    Arvore(t, {"raiz.txt", "sub/b.txt"});
    ASSERT_TRUE(plataforma::DefinirPastaAtual("C:\\sub"));
    InteracaoRoteirizada ui;
    for (const std::string& raiz :
         {std::string("C:\\"), std::string("c:\\sub\\..\\.."), std::string("C:\\."),
          std::string("C:\\sub\\.."), PelaUnidadeZ(t)}) {
        ApagarPasta(raiz, &ui);
        EXPECT_TRUE(t.Existe("raiz.txt")) << raiz;
        EXPECT_TRUE(t.Existe("sub/b.txt")) << raiz;
        EXPECT_EQ(plataforma::PastaAtual(), "C:\\sub") << raiz;
        EXPECT_EQ(ui.cursorOcupado, 0) << raiz;
    }
}

TEST(fIOlib, ApagarPastaInexistenteNaoMudaNada) {
    PastaTemporaria t;
    t.Escrever("sub/b.txt", "x");
    ASSERT_TRUE(plataforma::DefinirPastaAtual("C:\\sub"));
    InteracaoRoteirizada ui;
    ApagarPasta("C:\\nao\\existe", &ui);
    ApagarPasta("C:\\sub\\b.txt", &ui); // a file is not a directory
    ApagarPasta("", &ui);
    EXPECT_EQ(ui.vezesOcupado, 0);
    EXPECT_EQ(plataforma::PastaAtual(), "C:\\sub");
    EXPECT_TRUE(t.Existe("sub/b.txt"));
}

TEST(fIOlib, ApagarPastaPulaPastaQueNaoPodeSerAberta) {
    if (geteuid() == 0) GTEST_SKIP() << "root enters any directory";
    PastaTemporaria t;
    Arvore(t, {"arv/livre/f.txt", "arv/fechada/segredo.txt", "arv/solto.txt"});
    Modo(t, "arv/fechada", fs::perms::none);
    ASSERT_TRUE(plataforma::DefinirPastaAtual("C:\\"));

    ApagarPasta("C:\\arv");
    Modo(t, "arv/fechada", fs::perms::owner_all);
    EXPECT_FALSE(t.Existe("arv/livre"));
    EXPECT_FALSE(t.Existe("arv/solto.txt"));
    EXPECT_TRUE(t.Existe("arv/fechada/segredo.txt"));
    EXPECT_EQ(plataforma::PastaAtual(), "C:\\");
}
