#include "Ambiente.h"
#include "GrupoProgramas.h"
#include "PastaTemporaria.h"
#include "Texto1252.h"
#include "ValidarDesktop.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace plataforma;
using namespace plataforma::literais;
namespace fs = std::filesystem;

namespace {

// The user's menu folders inside a temporary drive C:.
struct Menus {
    PastaTemporaria t;
    Ambiente dados{"XDG_DATA_HOME", t.Host() + "/dados"};
    Ambiente config{"XDG_CONFIG_HOME", t.Host() + "/config"};
    std::string aplicacoes = t.Host() + "/dados/applications";
    std::string diretorios = t.Host() + "/dados/desktop-directories";
    std::string menus = t.Host() + "/config/menus/applications-merged";

    // Every file under the three folders, relative to the temporary folder.
    std::vector<std::string> Arquivos() const {
        std::vector<std::string> r;
        std::error_code e;
        for (auto it = fs::recursive_directory_iterator(t.Host(), e); !e && it != fs::end(it);
             it.increment(e))
            if (it->is_regular_file()) r.push_back(fs::relative(it->path(), t.Host()).string());
        std::sort(r.begin(), r.end());
        return r;
    }
};

} // namespace

TEST(GrupoProgramas, PastaProgramasEhAsAplicacoesComoCaminhoDos) {
    Menus m;
    EXPECT_EQ(PastaProgramas(), "C:\\dados\\applications");
    Ambiente relativo("XDG_DATA_HOME", "relativo");
    Ambiente casa("HOME", m.t.Host() + "/casa");
    EXPECT_EQ(PastaProgramas(), "C:\\casa\\.local\\share\\applications");
}

TEST(GrupoProgramas, ArgumentosEntreAspasQuandoPrecisam) {
    EXPECT_EQ(ArgumentoComando("c:\\app\\leiame.txt"), "c:\\app\\leiame.txt");
    EXPECT_EQ(ArgumentoComando("Leia-me"), "Leia-me");
    EXPECT_EQ(ArgumentoComando("Meu Grupo"), "\"Meu Grupo\"");
    EXPECT_EQ(ArgumentoComando("a,b"), "\"a,b\"");
    EXPECT_EQ(ArgumentoComando("x (y)"), "\"x (y)\"");
    EXPECT_EQ(ArgumentoComando("a.sh \"b c\""), "\"a.sh \"\"b c\"\"\"");
}

TEST(GrupoProgramas, GrupoComItensViraSubmenuValido) {
    Menus m;
    m.t.Escrever("App Dois/Programa.bin", "");
    chmod((m.t.Host() + "/App Dois/Programa.bin").c_str(), 0755);
    m.t.Escrever("App Dois/leia me.txt", "texto");
    ServicoGrupos progman;
    const std::string grupo = "Ação, Teste & Cia"_ansi;
    ASSERT_TRUE(progman.Executar("[CreateGroup(" + ArgumentoComando(grupo) + ")]\r"));
    ASSERT_TRUE(progman.Executar("[AddItem(\"c:\\app dois\\programa.bin /a $HOME 50%\",\"Programa, versão 2\")]\r"_ansi));
    ASSERT_TRUE(progman.Executar(" [AddItem(c:\\App Dois\\leia me.txt, Leia-me )]\r\n"));

    const std::string pastaGrupo = m.aplicacoes + "/Ação, Teste & Cia";
    const std::string id = "zentrava-a_C3_A7_C3_A3o_2C_20teste_20_26_20cia";
    EXPECT_EQ(m.Arquivos(),
              (std::vector<std::string>{
                  "App Dois/Programa.bin", "App Dois/leia me.txt",
                  "config/menus/applications-merged/" + id + ".menu",
                  "dados/applications/Ação, Teste & Cia/Leia-me.desktop",
                  "dados/applications/Ação, Teste & Cia/Programa, versão 2.desktop",
                  "dados/desktop-directories/" + id + ".directory"}));

    for (const std::string& f : {pastaGrupo + "/Leia-me.desktop",
                                 pastaGrupo + "/Programa, versão 2.desktop",
                                 m.diretorios + "/" + id + ".directory"})
        EXPECT_EQ(ValidarDesktop(f), "") << f;

    const std::string& h = m.t.Host();
    EXPECT_EQ(m.t.Ler("dados/applications/Ação, Teste & Cia/Programa, versão 2.desktop"),
              "[Desktop Entry]\nType=Application\nName=Programa, versão 2\n"
              "Exec=\"" + h + "/App Dois/Programa.bin\" /a \"\\\\$HOME\" 50%%\n"
              "Path=" + h + "/App Dois\nTerminal=false\n");
    // A document opens with the desktop's program for it.
    EXPECT_EQ(m.t.Ler("dados/applications/Ação, Teste & Cia/Leia-me.desktop"),
              "[Desktop Entry]\nType=Application\nName=Leia-me\n"
              "Exec=xdg-open \"" + h + "/App Dois/leia me.txt\"\nTerminal=false\n");
    EXPECT_EQ(m.t.Ler("dados/desktop-directories/" + id + ".directory"),
              "[Desktop Entry]\nType=Directory\nName=Ação, Teste & Cia\nIcon=folder\n");
    const std::string menu = m.t.Ler("config/menus/applications-merged/" + id + ".menu");
    EXPECT_NE(menu.find("<Directory>" + id + ".directory</Directory>"), std::string::npos);
    EXPECT_NE(menu.find("<Filename>Ação, Teste &amp; Cia-Leia-me.desktop</Filename>"),
              std::string::npos);
    EXPECT_NE(menu.find("<Filename>Ação, Teste &amp; Cia-Programa, versão 2.desktop</Filename>"),
              std::string::npos);

    // The same group again, in other letters, is the same folder.
    ASSERT_TRUE(progman.Executar("[CreateGroup(\"AÇÃO, TESTE & CIA\")]\r"_ansi));
    EXPECT_EQ(m.Arquivos().size(), 6u);

    RemoverMenuGrupo(grupo);
    EXPECT_FALSE(m.t.Existe("dados/desktop-directories/" + id + ".directory"));
    EXPECT_FALSE(m.t.Existe("config/menus/applications-merged/" + id + ".menu"));
}

TEST(GrupoProgramas, ItemSemNomeUsaOProgramaENomesEstranhosViramUmArquivo) {
    Menus m;
    ServicoGrupos progman;
    ASSERT_TRUE(progman.Executar("[CreateGroup(G)][AddItem(c:\\app\\Editor.exe)][AddItem(c:\\x.exe,a/b)][AddItem(c:\\y.exe,.oculto)]"));
    EXPECT_TRUE(m.t.Existe("dados/applications/G/Editor.desktop"));
    EXPECT_TRUE(m.t.Existe("dados/applications/G/a_b.desktop"));
    EXPECT_TRUE(m.t.Existe("dados/applications/G/_oculto.desktop"));
    EXPECT_EQ(ValidarDesktop(m.aplicacoes + "/G/a_b.desktop"), "");
}

TEST(GrupoProgramas, ComandosQueNaoPodemSerEnviados) {
    Menus m;
    // A folder that cannot be written (a file in its place stops root too).
    m.t.Escrever("dados/applications", "arquivo");
    EXPECT_FALSE(ServicoGrupos().Executar("[CreateGroup(Outro)]"));
    fs::remove(m.aplicacoes);

    ServicoGrupos progman;
    for (std::string c : {"", "CreateGroup(x)", "[CreateGroup(x)", "[CreateGroup(\"x)]",
                          "[CreateGroup(x))]", "[CreateGroup(x]", "[(x)]", "[Desconhecido(x)]",
                          "[CreateGroup()]", "[CreateGroup(a\\b)]", "[CreateGroup(a/b)]",
                          "[CreateGroup(..)]", "[CreateGroup(.)]", "[CreateGroup(x..y)]",
                          "[CreateGroup(\"a\"b)]", "[AddItem(c:\\a.exe,a)]",
                          "[CreateGroup(x)]lixo"})
        EXPECT_FALSE(progman.Executar(c)) << c;
    // Over 255 characters with the carriage return.
    std::string longo = "[CreateGroup(" + std::string(240, 'g') + ")]\r";
    EXPECT_EQ(longo.size(), 256u);
    EXPECT_FALSE(progman.Executar(longo));
    EXPECT_EQ(m.Arquivos(), std::vector<std::string>{});
    longo.erase(13, 1);
    EXPECT_TRUE(progman.Executar(longo));

    // An item on a drive no drive maps.
    EXPECT_FALSE(progman.Executar("[AddItem(q:\\x.exe,x)]"));
}

TEST(GrupoProgramas, NomesECaminhosEstranhosDaoEntradasValidas) {
    Menus m;
    const std::vector<std::string> nomes{"Programa; com = e [x] #1 %d"_ansi, "Ênfase ~ <b> & |x|"_ansi,
                                         "=inicio", "#comentario", "[Secao]", "100%"};
    m.t.Escrever("Pasta 'a' ~ #b/%f $x;=.bin", "");
    chmod((m.t.Host() + "/Pasta 'a' ~ #b/%f $x;=.bin").c_str(), 0755);
    ServicoGrupos progman;
    ASSERT_TRUE(progman.Executar("[CreateGroup(\"Grupo; #1 = [x] %%\")]"));
    for (const std::string& nome : nomes) {
        ASSERT_TRUE(progman.Executar("[AddItem(\"c:\\pasta 'a' ~ #b\\%f $x;=.bin a%b c\\d\"," +
                                     ArgumentoComando(nome) + ")]\r"))
            << nome;
    }
    for (const auto& f : m.Arquivos()) {
        if (!f.ends_with(".desktop") && !f.ends_with(".directory")) continue;
        EXPECT_EQ(ValidarDesktop(m.t.Host() + "/" + f), "") << f;
    }
}

// The uninstall item: host arguments quoted as the desktop entry format asks
// (blanks, accents, quotes, a backslash, '$' and '%'), every folder and file
// announced before it is written, the submenu kept while another program's
// items are in the group.
TEST(GrupoProgramas, ItemComArgumentosDoHostEAnunciado) {
    Menus m;
    std::vector<std::pair<std::string, bool>> anunciados;
    DefinirRegistroMenus([&](const std::string& host, bool pasta) {
        anunciados.emplace_back(host, pasta);
        return true;
    });
    const std::string pasta = m.t.Host() + "/Meu App \"ção\" $x\\y 100%";
    auto item = AdicionarItemHost("Vendas", "Desinstalar Sistema"_ansi, {pasta + "/.zentrava/zentrava", "/X" + pasta});
    ASSERT_TRUE(item);
    EXPECT_EQ(*item, m.aplicacoes + "/Vendas/Desinstalar Sistema.desktop");
    EXPECT_EQ(ValidarDesktop(*item), "");
    const std::string citado = m.t.Host() + "/Meu App \\\\\"ção\\\\\" \\\\$x\\\\\\\\y 100%%";
    EXPECT_NE(m.t.Ler("dados/applications/Vendas/Desinstalar Sistema.desktop")
                  .find("Exec=\"" + citado + "/.zentrava/zentrava\" \"/X" + citado + "\"\n"),
              std::string::npos)
        << m.t.Ler("dados/applications/Vendas/Desinstalar Sistema.desktop");
    ASSERT_FALSE(anunciados.empty());
    EXPECT_EQ(anunciados.front(), std::make_pair(m.t.Host() + "/dados", true));
    EXPECT_TRUE(std::count(anunciados.begin(), anunciados.end(), std::make_pair(*item, false)));

    // Without a group: one entry of its own; a refused announcement writes nothing.
    auto sozinho = AdicionarItemHost("", "Desinstalar Sistema", {"/bin/true"});
    ASSERT_TRUE(sozinho);
    EXPECT_EQ(fs::path(*sozinho).parent_path(), m.aplicacoes);
    EXPECT_EQ(ValidarDesktop(*sozinho), "");
    DefinirRegistroMenus([](const std::string&, bool) { return false; });
    EXPECT_FALSE(AdicionarItemHost("Outro", "x", {"/bin/true"}));
    DefinirRegistroMenus({});
    EXPECT_FALSE(fs::exists(m.aplicacoes + "/Outro/x.desktop"));

    // The group's submenu follows what is left in its folder.
    m.t.Escrever("dados/applications/Vendas/Outro.desktop", "[Desktop Entry]\nType=Application\nName=O\nExec=o\n");
    fs::remove(*item);
    AtualizarMenuGrupo("Vendas");
    bool comOutro = false;
    for (const auto& e : fs::directory_iterator(m.menus))
        comOutro |= m.t.Ler(fs::relative(e.path(), m.t.Host()).string()).find("Vendas-Outro.desktop") != std::string::npos;
    EXPECT_TRUE(comOutro);
    fs::remove(m.aplicacoes + "/Vendas/Outro.desktop");
    AtualizarMenuGrupo("Vendas");
    EXPECT_FALSE(fs::exists(m.aplicacoes + "/Vendas"));
    EXPECT_TRUE(fs::is_empty(m.menus));
    EXPECT_TRUE(fs::is_empty(m.diretorios));
}
