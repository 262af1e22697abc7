#include "ArgumentosGravados.h"
#include "Arquivos.h"
#include "PastaTemporaria.h"
#include "Programas.h"
#include "Texto1252.h"
#include "Unidades.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <sys/wait.h>

using namespace plataforma;
using namespace plataforma::literais;

namespace {

using Args = std::vector<std::string>;

// The test process has no child left, running or ended unreaped.
bool SemFilhos() {
    int estado;
    return waitpid(-1, &estado, WNOHANG) == -1 && errno == ECHILD;
}

} // namespace

TEST(Programas, DivideALinhaComoWinExec) {
    PastaTemporaria t;
    t.Escrever("App/SETUPDB.EXE", "");
    t.Escrever("Meus Programas/Instalar.exe", "");
    const std::string& h = t.Host();

    auto c = ResolverLinhaComando("c:\\app\\setupdb.exe /s");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->programa, h + "/App/SETUPDB.EXE");
    EXPECT_EQ(c->argumentos, Args{"/s"});
    // The line a missing parameter leaves, ending in a blank: no argument.
    EXPECT_EQ(ResolverLinhaComando("c:\\app\\SETUPDB.EXE ")->argumentos, Args{});
    // Blanks inside a path: quoted, or the shortest prefix that exists.
    c = ResolverLinhaComando("\"c:\\meus programas\\instalar.exe\" a  \"b c\"");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->programa, h + "/Meus Programas/Instalar.exe");
    EXPECT_EQ(c->argumentos, (Args{"a", "b c"}));
    c = ResolverLinhaComando("c:\\meus programas\\instalar.exe /q");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->programa, h + "/Meus Programas/Instalar.exe");
    EXPECT_EQ(c->argumentos, Args{"/q"});
    // A bare name: the current folder first, then PATH.
    ASSERT_TRUE(DefinirPastaAtual("c:\\app"));
    EXPECT_EQ(ResolverLinhaComando("setupdb.exe")->programa, h + "/App/SETUPDB.EXE");
    EXPECT_EQ(ResolverLinhaComando("xdg-open x")->programa, "xdg-open");
    // Texts reach the program in the host's encoding.
    EXPECT_EQ(ResolverLinhaComando("x "_ansi + "ação"_ansi)->argumentos, Args{"ação"});

    EXPECT_FALSE(ResolverLinhaComando(""));
    EXPECT_FALSE(ResolverLinhaComando("   "));
    EXPECT_FALSE(ResolverLinhaComando("q:\\sem\\unidade.exe"));
    EXPECT_FALSE(ResolverLinhaComando("\"\" x"));
}

TEST(Programas, IniciaSemEsperarNemDeixarFilho) {
    PastaTemporaria t;
    CopiarGravador(t.Host() + "/app/SETUPDB.EXE");
    // Shell characters are plain text to a program started directly.
    ASSERT_TRUE(IniciarPrograma("C:\\APP\\setupdb.exe /s \"dois termos\" $(touch c:\\x);x|y", 1));
    EXPECT_TRUE(SemFilhos());
    EXPECT_EQ(ArgumentosGravados(t.Host() + "/app"), "/s\ndois termos\n$(touch\nc:\\x);x|y\n");
    EXPECT_FALSE(t.Existe("x"));

    EXPECT_FALSE(IniciarPrograma("c:\\app\\falta.exe /s", 1));
    EXPECT_FALSE(IniciarPrograma("programa-que-nao-existe-em-lugar-algum", 1));
    // A file that is no program.
    t.Escrever("app/leiame.txt", "texto");
    EXPECT_FALSE(IniciarPrograma("c:\\app\\leiame.txt", 1));
    EXPECT_TRUE(SemFilhos());
}
