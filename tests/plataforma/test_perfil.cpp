#include "EmOutroProcesso.h"
#include "PastaTemporaria.h"
#include "Perfil.h"
#include "Texto1252.h"

#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

using namespace plataforma;
using namespace plataforma::literais;

namespace {

const std::string amostra = "antes=ignorado\r\n"
                            "[Pastas de Mensagens]\r\n"
                            "  Nome Da Pasta \t=  \\\\servidor\\sala = 1 \t\r\n"
                            "; comentario=x\r\n"
                            "  ;recuado=x\r\n"
                            "chave=v ;x\r\n"
                            "#k=cerquilha\r"
                            "aspas=\"  com espacos  \"\n"
                            "simples='a'\n"
                            "mista=\"abc'\n"
                            "vazio=\n"
                            "dup=1\r\n"
                            "semigual\r\n"
                            "DUP=2\r\n"
                            "[ Logon ] texto depois\r\n"
                            "Usuario=ANA\r\n"
                            "[PASTAS DE MENSAGENS]\r\n"
                            "extra=1";

std::optional<std::string> V(std::string_view secao, std::string_view chave) {
    return ValorDoPerfil(amostra, secao, chave);
}

// The parsed table reads every name as the functions over the text do.
void MesmaLeitura(const std::string& conteudo, const std::vector<std::string>& nomes) {
    const TabelaPerfil tabela(conteudo);
    for (const auto& s : nomes) {
        ASSERT_EQ(tabela.Chaves(s), ChavesDoPerfil(conteudo, s)) << s;
        ASSERT_EQ(tabela.TemChaves(s), !ChavesDoPerfil(conteudo, s).empty()) << s;
        for (const auto& [chave, valor] : tabela.Linhas(s))
            ASSERT_EQ(ValorDoPerfil(conteudo, s, chave), tabela.Valor(s, chave));
        for (const auto& c : nomes) ASSERT_EQ(tabela.Valor(s, c), ValorDoPerfil(conteudo, s, c)) << s << "/" << c;
    }
}

} // namespace

TEST(Perfil, LeituraComAsRegrasDoWindows) {
    EXPECT_EQ(V("pastas de mensagens", "NOME DA PASTA"), "\\\\servidor\\sala = 1");
    EXPECT_EQ(V("Pastas de Mensagens", "chave"), "v ;x"); // no comment at the end of a line
    EXPECT_EQ(V("Pastas de Mensagens", "#k"), "cerquilha");
    EXPECT_EQ(V("Pastas de Mensagens", "aspas"), "  com espacos  ");
    EXPECT_EQ(V("Pastas de Mensagens", "simples"), "a");
    EXPECT_EQ(V("Pastas de Mensagens", "mista"), "\"abc'");
    EXPECT_EQ(V("Pastas de Mensagens", "vazio"), "");
    EXPECT_EQ(V("Pastas de Mensagens", "dup"), "1");            // first occurrence wins
    EXPECT_EQ(V("Pastas de Mensagens", "extra"), std::nullopt); // second section not searched
    EXPECT_EQ(V("Pastas de Mensagens", "; comentario"), std::nullopt);
    EXPECT_EQ(V("Pastas de Mensagens", "semigual"), std::nullopt);
    EXPECT_EQ(V("", "antes"), std::nullopt);
    EXPECT_EQ(V("logon", "usuario"), "ANA");
    EXPECT_EQ(V("Falta", "x"), std::nullopt);
    EXPECT_EQ(ChavesDoPerfil(amostra, "PASTAS de mensagens"),
              (std::vector<std::string>{"Nome Da Pasta", "chave", "#k", "aspas", "simples", "mista",
                                        "vazio", "dup", "DUP"}));
    EXPECT_TRUE(ChavesDoPerfil(amostra, "Falta").empty());

    std::string longo = "[S]\r\nk=" + std::string(2000, 'a') + "\r\n";
    EXPECT_EQ(ValorDoPerfil(longo, "s", "k")->size(), maxValorPerfil);
    EXPECT_EQ(ValorDoPerfil("[Seção]\r\nAção=é"_ansi, "SEÇÃO"_ansi, "AÇÃO"_ansi), "é"_ansi);

    MesmaLeitura(amostra, {"pastas de mensagens", " LOGON\t", "", "Falta", "NOME DA PASTA", "chave",
                           "#k", "aspas", "dup", "Dup ", "extra", "; comentario", "semigual",
                           "antes", "usuario", "vazio"});
    MesmaLeitura(longo, {"s", "k"});
    MesmaLeitura("[Seção]\r\nAção=é\r\n[]\r\n=x\r\n[a=1\r\n[seÇÃo]\r\nb=2"_ansi,
                 {"SEÇÃO"_ansi, "AÇÃO"_ansi, "", "[a", "b"});
    const TabelaPerfil tabela(amostra);
    EXPECT_EQ(tabela.Linhas("Pastas de Mensagens")[7], (std::pair<std::string, std::string>{"dup", "1"}));
    EXPECT_EQ(tabela.Linhas("Pastas de Mensagens")[8], (std::pair<std::string, std::string>{"DUP", "2"}));
}

TEST(Perfil, Inteiros) {
    EXPECT_EQ(InteiroDoTexto("  -42x", 7, false), -42);
    EXPECT_EQ(InteiroDoTexto("42A", 7, false), 42);
    EXPECT_EQ(InteiroDoTexto("+8", 7, false), 8);
    EXPECT_EQ(InteiroDoTexto("B", 7, false), 0);
    EXPECT_EQ(InteiroDoTexto("", 7, false), 0);
    EXPECT_EQ(InteiroDoTexto("-", 7, false), 0);
    EXPECT_EQ(InteiroDoTexto("\t$1F", 7, false), 31);
    EXPECT_EQ(InteiroDoTexto("0x1fG", 7, false), 31);
    EXPECT_EQ(InteiroDoTexto("0x", 7, false), 0);
    EXPECT_EQ(InteiroDoTexto("99999999999", 7, false),
              static_cast<int>(99999999999LL & 0xFFFFFFFF));
    EXPECT_EQ(InteiroDoTexto("12", 7, true), 7);
}

TEST(Perfil, EscritaSubstituiNoLugarEGuardaOResto) {
    const std::string antes = "; topo\n[S]\nA = 1\n\n; fim de S\n[T]\r\nb=2\r\n";
    // The key keeps its spelling and its line end; the other lines stay byte for byte.
    EXPECT_EQ(AlterarPerfil(antes, "s", "a", "novo=x"),
              "; topo\n[S]\nA=novo=x\n\n; fim de S\n[T]\r\nb=2\r\n");
    // A new key goes after the last key of its section, before blank lines and comments.
    EXPECT_EQ(AlterarPerfil(antes, "S", "Nome Da Pasta", "c:\\x"),
              "; topo\n[S]\nA = 1\nNome Da Pasta=c:\\x\r\n\n; fim de S\n[T]\r\nb=2\r\n");
    EXPECT_EQ(AlterarPerfil("[S]\r\n; so comentario\r\n", "S", "k", "v"),
              "[S]\r\nk=v\r\n; so comentario\r\n");
    // A new section goes at the end with no blank line, a last line gets its end.
    EXPECT_EQ(AlterarPerfil("[T]\r\nb=2", "Nova", "k", "v"), "[T]\r\nb=2\r\n[Nova]\r\nk=v\r\n");
    EXPECT_EQ(AlterarPerfil("", "Nova", "k", "v"), "[Nova]\r\nk=v\r\n");
    EXPECT_EQ(AlterarPerfil("[S]\r\nk=1", "S", "j", "2"), "[S]\r\nk=1\r\nj=2\r\n");
}

TEST(Perfil, ApagarChaveESecao) {
    const std::string antes = "[S]\r\nk=1\r\nx=0\r\nK=2\r\n[T]\r\nk=3\r\n[s]\r\nz=9\r\n";
    EXPECT_EQ(AlterarPerfil(antes, "S", "k", std::nullopt),
              "[S]\r\nx=0\r\n[T]\r\nk=3\r\n[s]\r\nz=9\r\n");
    EXPECT_EQ(AlterarPerfil(antes, "S", "falta", std::nullopt), antes);
    EXPECT_EQ(AlterarPerfil(antes, "Falta", "k", std::nullopt), antes);
    // Every section of the name goes, or the later one would surface instead.
    std::string semS = AlterarPerfil(antes, "s", std::nullopt, std::nullopt);
    EXPECT_EQ(semS, "[T]\r\nk=3\r\n");
    EXPECT_EQ(AlterarPerfil(semS, "S", "novo", "1"), "[T]\r\nk=3\r\n[S]\r\nnovo=1\r\n");
}

TEST(Perfil, EntradaQueNaoSeLeriaDeVoltaERecusada) {
    const std::string antes = "[Logon]\r\nUsuario=ANA\r\n";
    EXPECT_EQ(AlterarPerfil(antes, "Logon", "Usuario", "X\r\n[Logon]\r\nUsuario=ROOT"), antes);
    EXPECT_EQ(AlterarPerfil(antes, "Logon", "a=b", "1"), antes);
    EXPECT_EQ(AlterarPerfil(antes, "Lo]gon", "a", "1"), antes);
    EXPECT_EQ(AlterarPerfil(antes, "Logon", "", "1"), antes);
    EXPECT_EQ(AlterarPerfil(antes, "Logon", "[x", "1"), antes);
}

TEST(Perfil, ConteudoBinarioNaoDerruba) {
    std::mt19937 g(42);
    const std::string alfabeto = std::string("[]=;\"' \t\r\nab\0\xff", 15);
    for (int rodada = 0; rodada < 200; ++rodada) {
        std::string lixo;
        for (int i = 0; i < 300; ++i)
            lixo += g() % 4 ? alfabeto[g() % alfabeto.size()] : static_cast<char>(g());
        MesmaLeitura("[a]\n" + lixo, {"a", "b", "", "ab", "A B"});
        std::string novo = AlterarPerfil(lixo, "a", "b", "v");
        ASSERT_EQ(ValorDoPerfil(novo, "a", "b"), "v");
        (void)AlterarPerfil(lixo, "a", std::nullopt, std::nullopt);
    }
}

TEST(PerfilEmArquivo, LerGravarEListar) {
    PastaTemporaria t;
    EXPECT_EQ(LerPerfil("C:\\falta.ini", "S", "k", "padrao"), "padrao");
    EXPECT_EQ(LerPerfilInteiro("C:\\falta.ini", "S", "k", 5), 5);
    EXPECT_TRUE(ListarChavesPerfil("C:\\falta.ini", "S").empty());

    ASSERT_TRUE(
        GravarPerfil("C:\\falv.ini", "Pastas de Mensagens", "Nome Da Pasta", "f:\\salas\\geral"));
    EXPECT_EQ(t.Ler("falv.ini"), "[Pastas de Mensagens]\r\nNome Da Pasta=f:\\salas\\geral\r\n");
    ASSERT_TRUE(GravarPerfil("C:\\FALV.INI", "Logon", "Tentativas", "  $10 "));
    EXPECT_EQ(LerPerfilInteiro("c:\\falv.ini", "logon", "tentativas", 0), 16);
    EXPECT_EQ(LerPerfil("c:\\falv.ini", "pastas de mensagens", "nome da pasta", ""),
              "f:\\salas\\geral");
    EXPECT_EQ(LerPerfil("c:\\falv.ini", "Logon", "falta", std::string(2000, 'p')).size(),
              maxValorPerfil);
    EXPECT_EQ(ListarChavesPerfil("c:\\falv.ini", "LOGON"),
              (std::vector<std::string>{"Tentativas"}));
    ASSERT_TRUE(ApagarChavePerfil("c:\\falv.ini", "Logon", "Tentativas"));
    ASSERT_TRUE(ApagarSecaoPerfil("c:\\falv.ini", "Pastas de Mensagens"));
    EXPECT_EQ(t.Ler("falv.ini"), "[Logon]\r\n");
    EXPECT_TRUE(ApagarSecaoPerfil("c:\\nada.ini", "S"));
    EXPECT_FALSE(t.Existe("nada.ini"));

    EXPECT_FALSE(GravarPerfil("C:\\falta\\a.ini", "S", "k", "v")); // the folder is not created
    EXPECT_FALSE(t.Existe("falta"));
    EXPECT_FALSE(GravarPerfil("Q:\\a.ini", "S", "k", "v"));
    EXPECT_FALSE(GravarPerfil("C:\\falv.ini", "Logon", "k", "a\nb"));
}

TEST(PerfilEmArquivo, EscritaInterrompidaDeixaOArquivoAntigoInteiro) {
    PastaTemporaria t;
    std::string antigo = "; configuracao\r\n[S]\r\nk=1\r\n" + std::string(5000, ';') + "\r\n";
    t.Escrever("a.ini", antigo);
    EXPECT_FALSE(EmOutroProcesso([] {
        LimitarGravacao(100);
        return GravarPerfil("C:\\a.ini", "S", "k", "2");
    }));
    EXPECT_EQ(t.Ler("a.ini"), antigo);
    ASSERT_TRUE(GravarPerfil("C:\\a.ini", "S", "k", "2"));
    EXPECT_EQ(LerPerfil("C:\\a.ini", "S", "k", ""), "2");
}

TEST(PerfilEmArquivo, ArquivoIlegivelNaoESubstituido) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads any file";
    PastaTemporaria t;
    t.Escrever("a.ini", "[S]\r\nk=1\r\n");
    chmod((t.Host() + "/a.ini").c_str(), 0200);
    EXPECT_FALSE(GravarPerfil("C:\\a.ini", "S", "j", "2"));
    chmod((t.Host() + "/a.ini").c_str(), 0600);
    EXPECT_EQ(t.Ler("a.ini"), "[S]\r\nk=1\r\n");
}
