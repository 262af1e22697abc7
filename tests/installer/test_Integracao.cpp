#include "Ambiente.h"
#include "ArgumentosGravados.h"
#include "Arquivos.h"
#include "GrupoProgramas.h"
#include "Integracao.h"
#include "SequenciaInstalacao.h"
#include "InteracaoRoteirizada.h"
#include "PastaTemporaria.h"
#include "Texto1252.h"
#include "ValidarDesktop.h"
#include "fStrlib.h"
#include "mSetuplb.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace plataforma;
using namespace plataforma::literais;
namespace fs = std::filesystem;

namespace {

// An installation into C:\app\ of a temporary drive, with the user's menu
// folders inside it too.
class Integracao : public ::testing::Test {
protected:
    PastaTemporaria t;
    Ambiente dados{"XDG_DATA_HOME", t.Host() + "/dados"};
    Ambiente config{"XDG_CONFIG_HOME", t.Host() + "/config"};
    InteracaoRoteirizada ui;
    std::vector<std::pair<std::string, int>> iniciados;
    std::vector<std::string> comandos;

    void SetUp() override {
        RestaurarConfiguracao();
        LerDiretoriosWindows();
        Titulo = "Aplicação Teste"_ansi;
        GrupoPrograma = "Aplicação Teste"_ansi;
        DirBase = "C:\\App\\";
        DirOrigem = "C:\\DISCOS\\";
        fs::create_directories(t.Host() + "/app");
        DefinirIniciadorProgramas([this](std::string_view l, int m) {
            iniciados.emplace_back(std::string(l), m);
            return true;
        });
        DefinirEnviadorComandos([this](std::string_view c) {
            comandos.emplace_back(c);
            return progman.Executar(c);
        });
    }
    void TearDown() override {
        DefinirIniciadorProgramas({});
        DefinirEnviadorComandos({});
        RestaurarConfiguracao();
    }

    ServicoGrupos progman;
};

std::string Log() {
    return RegistroLogDesinstalacao();
}

} // namespace

// ---- The uninstall log ----

TEST_F(Integracao, LogTemOsCamposNasPosicoesEVoltaIgual) {
    ASSERT_TRUE(GravarLogDesinstalacao(ui, "c:\\app\\zentrava.log"));
    const std::string r = t.Ler("app/zentrava.log");
    ASSERT_EQ(r.size(), 1133u);
    std::string esperado(1133, '\0');
    esperado[0] = 26;
    const std::string titulo = EmbaralharTexto("Aplicação Teste"_ansi, embaralhar);
    esperado[3] = static_cast<char>(titulo.size());
    esperado.replace(4, titulo.size(), titulo);
    esperado[365] = static_cast<char>(GrupoPrograma.size());
    esperado.replace(366, GrupoPrograma.size(), GrupoPrograma);
    esperado[621] = 7;
    esperado.replace(622, 7, "c:\\app\\");
    esperado[877] = 10;
    esperado.replace(878, 10, "c:\\discos\\");
    EXPECT_EQ(r, esperado);
    EXPECT_NE(titulo, Titulo);

    LogDesinstalacao log;
    ASSERT_TRUE(LerLogDesinstalacao(ui, "C:\\APP\\ZENTRAVA.LOG", log));
    EXPECT_EQ(log.titulo, Titulo);
    EXPECT_EQ(log.grupo, GrupoPrograma);
    EXPECT_EQ(log.dirBase, "c:\\app\\");
    EXPECT_EQ(log.dirOrigem, "c:\\discos\\");
    EXPECT_EQ(ui.cursorOcupado, 0);
}

TEST_F(Integracao, LogDeTamanhoOuConteudoErradoNaoEhLido) {
    const std::string bom = Log();
    auto lido = [&](const std::string& bytes) {
        t.Escrever("app/zentrava.log", bytes);
        LogDesinstalacao log;
        log.titulo = "intocado";
        bool r = LerLogDesinstalacao(ui, "c:\\app\\zentrava.log", log);
        EXPECT_TRUE(r || log.titulo == "intocado");
        return r;
    };
    EXPECT_TRUE(lido(bom));
    EXPECT_FALSE(lido(bom.substr(0, 1132)));
    EXPECT_FALSE(lido(bom + "x"));
    EXPECT_FALSE(lido(""));
    std::string semMarca = bom;
    semMarca[0] = 27;
    EXPECT_FALSE(lido(semMarca));
    std::string longo = bom;
    longo[3] = 36; // a title longer than its field
    EXPECT_FALSE(lido(longo));
    LogDesinstalacao log;
    EXPECT_FALSE(LerLogDesinstalacao(ui, "c:\\app\\falta.log", log));
    // A folder where the log should be cannot be written over.
    fs::create_directories(t.Host() + "/app/pasta.log");
    EXPECT_FALSE(GravarLogDesinstalacao(ui, "c:\\app\\pasta.log"));
}

// ---- INI entries ----

TEST_F(Integracao, IniSoEmArquivosExistentesGuardandoAsOutrasLinhas) {
    const std::string antes = "; comentário\r\n[Outra]\r\n  x = 1 \n\n[GERAL]\r\nPasta=velha\r\nfim=1\r\n"_ansi;
    t.Escrever("app/app.ini", antes);
    ArquivosINI = {"item1=c:\\app\\app.ini,Geral,Pasta,@DIRBASE\\DADOS",
                   "item2=c:\\app\\falta.ini,Geral,Pasta,x",
                   "item3=c:\\app\\app.ini,Nova Seção,Chave,Valor Com Espaço"_ansi,
                   "item4=c:\\app\\app.ini", "item5=c:\\app\\app.ini,,k,v"};
    EXPECT_TRUE(AlterarArquivosINI(ui));
    EXPECT_EQ(t.Ler("app/app.ini"), "; comentário\r\n[Outra]\r\n  x = 1 \n\n[GERAL]\r\nPasta=c:\\app\\dados\r\n"
                                    "fim=1\r\n[nova seção]\r\nchave=valor com espaço\r\n"_ansi);
    EXPECT_FALSE(t.Existe("app/falta.ini"));
    EXPECT_TRUE(ui.mensagens.empty());

    // An INI that cannot be written stops the walk there.
    t.Escrever("app/ro.ini", "[a]\r\n");
    t.Escrever("app/depois.ini", "[a]\r\n");
    chmod((t.Host() + "/app/ro.ini").c_str(), 0444);
    ArquivosINI = {"item1=c:\\app\\RO.INI,a,b,c", "item2=c:\\app\\depois.ini,a,b,c"};
    EXPECT_FALSE(AlterarArquivosINI(ui));
    ASSERT_EQ(ui.mensagens.size(), 1u);
    EXPECT_EQ(ui.mensagens[0].titulo, "Erro");
    EXPECT_EQ(ui.mensagens[0].texto, "Não foi possível gravar no arquivo c:\\app\\RO.INI ("_ansi + t.Host() + "/app/ro.ini).");
    EXPECT_EQ(ui.mensagens[0].tipo, 6);
    EXPECT_EQ(t.Ler("app/ro.ini"), "[a]\r\n");
    EXPECT_EQ(t.Ler("app/depois.ini"), "[a]\r\n");
}

// ---- Programs ----

TEST_F(Integracao, ProgramasExistentesComALinhaDeComando) {
    t.Escrever("app/SETUPDB.EXE", "");
    ArquivosExecutar = {"item1=@DIRBASE\\SETUPDB.EXE,1,/S", "item2=@DIRBASE\\setupdb.exe,3",
                        "item3=@DIRBASE\\FALTA.EXE,nada,/x", "item4=,1,/y",
                        "item5=@DIRBASE\\SETUPDB.EXE, $10,/Z", "item6=@DIRBASE\\SETUPDB.EXE,-0x2"};
    EXPECT_TRUE(ExecutarArquivos(ui));
    EXPECT_EQ(iniciados, (std::vector<std::pair<std::string, int>>{
                             {"C:\\App\\SETUPDB.EXE /s", 1},
                             {"C:\\App\\setupdb.exe ", 3},
                             {"C:\\App\\SETUPDB.EXE /z", 16},
                             {"C:\\App\\SETUPDB.EXE ", -2}}));
    EXPECT_TRUE(ui.mensagens.empty());
}

TEST_F(Integracao, CodigoQueNaoEhInteiroParaASequencia) {
    t.Escrever("app/SETUPDB.EXE", "");
    for (std::string codigo : {"um", "", "1a", "2 ", "99999999999", "$"}) {
        ui.mensagens.clear();
        iniciados.clear();
        ArquivosExecutar = {"item1=@DIRBASE\\SETUPDB.EXE," + codigo + ",/a",
                            "item2=@DIRBASE\\SETUPDB.EXE,1,/b"};
        EXPECT_FALSE(ExecutarArquivos(ui)) << codigo;
        EXPECT_TRUE(iniciados.empty());
        ASSERT_EQ(ui.mensagens.size(), 1u);
        EXPECT_EQ(ui.mensagens[0].titulo, "Erro");
        EXPECT_EQ(ui.mensagens[0].texto, "'" + codigo + "' não é um número inteiro válido."_ansi);
        EXPECT_EQ(ui.mensagens[0].tipo, 6);
    }
}

TEST_F(Integracao, ProgramaIniciadoDeVerdadeSemFilhoDeixado) {
    DefinirIniciadorProgramas({});
    CopiarGravador(t.Host() + "/app/SETUPDB.EXE");
    ArquivosExecutar = {"item1=@DIRBASE\\SETUPDB.EXE,1,/S"};
    EXPECT_TRUE(ExecutarArquivos(ui));
    int estado;
    EXPECT_EQ(waitpid(-1, &estado, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
    EXPECT_EQ(ArgumentosGravados(t.Host() + "/app"), "/s\n");
}

// ---- The program group ----

TEST_F(Integracao, GrupoVazioNaoEnviaNada) {
    GrupoPrograma.clear();
    ItensGrupo = {"item1=Leia-me,@DIRBASE\\LEIAME.TXT"};
    EXPECT_TRUE(CriarGrupodePrograma(ui));
    EXPECT_TRUE(comandos.empty());
    EXPECT_FALSE(t.Existe("dados"));
}

TEST_F(Integracao, GrupoEItensComoComandos) {
    t.Escrever("app/LEIAME.TXT", "leia");
    ItensGrupo = {"item1=Leia-me,@DIRBASE\\LEIAME.TXT", "item2=Manual (PDF),@DIRBASE\\MANUAL.PDF,x"};
    EXPECT_TRUE(CriarGrupodePrograma(ui));
    EXPECT_EQ(comandos, (std::vector<std::string>{
                            "[CreateGroup(\"Aplicação Teste\")]\r"_ansi,
                            "[AddItem(c:\\app\\leiame.txt,Leia-me)]\r",
                            "[AddItem(c:\\app\\manual.pdf,\"Manual (PDF)\")]\r"}));
    const std::string entrada = t.Host() + "/dados/applications/Aplicação Teste/Leia-me.desktop";
    EXPECT_EQ(ValidarDesktop(entrada), "");
    EXPECT_NE(t.Ler("dados/applications/Aplicação Teste/Leia-me.desktop")
                  .find("Exec=xdg-open " + t.Host() + "/app/LEIAME.TXT\n"),
              std::string::npos);
    EXPECT_TRUE(ui.mensagens.empty());
}

TEST_F(Integracao, ComandoQueNaoPodeSerEnviado) {
    GrupoPrograma = "a\\b";
    EXPECT_FALSE(CriarGrupodePrograma(ui));
    ASSERT_EQ(ui.mensagens.size(), 1u);
    EXPECT_EQ(ui.mensagens[0].texto, "Não posso criar o grupo.\rO aplicativo não foi instalado corretamente."_ansi);
    EXPECT_EQ(ui.mensagens[0].tipo, 6);

    ui.mensagens.clear();
    GrupoPrograma = "Grupo";
    ItensGrupo = {"item1=Um,c:\\app\\um.exe", "item2=" + std::string(250, 'x') + ",c:\\a.exe",
                  "item3=Tres,c:\\app\\tres.exe"};
    EXPECT_FALSE(CriarGrupodePrograma(ui));
    ASSERT_EQ(ui.mensagens.size(), 1u);
    EXPECT_EQ(ui.mensagens[0].titulo, "Erro");
    EXPECT_EQ(ui.mensagens[0].texto, "Não posso criar o item.\rO aplicativo não foi instalado corretamente."_ansi);
    // Items sent before stay; none after.
    EXPECT_TRUE(t.Existe("dados/applications/Grupo/Um.desktop"));
    EXPECT_FALSE(t.Existe("dados/applications/Grupo/Tres.desktop"));
}

// ---- The uninstall ----

class Desinstalacao : public Integracao {
protected:
    void SetUp() override {
        Integracao::SetUp();
        t.Escrever("app/bin/programa", "x");
        t.Escrever("app/LEIAME.TXT", "leia");
        t.Escrever("fora/guardado.txt", "fica");
        fs::create_directory_symlink(t.Host() + "/fora", t.Host() + "/app/atalho");
        ItensGrupo = {"item1=Leia-me,@DIRBASE\\LEIAME.TXT"};
        ASSERT_TRUE(CriarGrupodePrograma(ui));
        t.Escrever("dados/applications/Outro/Outro.desktop", "[Desktop Entry]\n");
        ASSERT_TRUE(GravarLogDesinstalacao(ui, "c:\\app\\zentrava.log"));
        RestaurarConfiguracao();
        DirDisco = "C:\\APP\\";
    }

    std::vector<std::string> Menus() const {
        std::vector<std::string> r;
        std::error_code e;
        for (const char* p : {"/dados", "/config"})
            for (auto it = fs::recursive_directory_iterator(t.Host() + p, e); !e && it != fs::end(it);
                 it.increment(e))
                r.push_back(fs::relative(it->path(), t.Host()).string());
        std::sort(r.begin(), r.end());
        return r;
    }
    // Writes a log into `pasta` recording `dirBase` as the application's folder.
    void LogEm(const std::string& pastaDos, const std::string& dirBase) {
        DirBase = dirBase;
        GrupoPrograma = "Aplicação Teste"_ansi;
        ASSERT_TRUE(GravarLogDesinstalacao(ui, pastaDos + "zentrava.log"));
        DirDisco = pastaDos;
    }
    void NadaApagado() {
        EXPECT_TRUE(t.Existe("app/bin/programa"));
        EXPECT_TRUE(t.Existe("dados/applications/Aplicação Teste/Leia-me.desktop"));
        EXPECT_EQ(t.Ler("fora/guardado.txt"), "fica");
    }
};

TEST_F(Desinstalacao, RespondidaComNaoNaoApagaNada) {
    const auto antes = Menus();
    ui.respostas = {7};
    Desinstalar(ui);
    ASSERT_EQ(ui.mensagens.size(), 1u);
    EXPECT_EQ(ui.mensagens[0].titulo, "Desinstalação do aplicativo Aplicação Teste"_ansi);
    EXPECT_EQ(ui.mensagens[0].texto, "A pasta "_ansi + t.Host() +
                                         "/app será apagada, com 4 arquivos.\rDeseja realmente desinstalar o aplicativo ???"_ansi);
    EXPECT_EQ(ui.mensagens[0].tipo, 8);
    NadaApagado();
    EXPECT_TRUE(t.Existe("app/zentrava.log"));
    EXPECT_EQ(Menus(), antes);
}

TEST_F(Desinstalacao, ApagaAPastaEOGrupoSemSeguirLigacoes) {
    ui.respostas = {6};
    Desinstalar(ui);
    ASSERT_EQ(ui.mensagens.size(), 2u);
    EXPECT_EQ(ui.mensagens[1].titulo, "Parabéns !!!"_ansi);
    EXPECT_EQ(ui.mensagens[1].texto, "A desinstalação foi bem sucedida."_ansi);
    EXPECT_EQ(ui.mensagens[1].tipo, 5);
    EXPECT_FALSE(t.Existe("app"));
    EXPECT_EQ(t.Ler("fora/guardado.txt"), "fica");
    // Nothing of the group is left; another group is untouched.
    EXPECT_EQ(Menus(), (std::vector<std::string>{
                           "config/menus", "config/menus/applications-merged",
                           "dados/applications", "dados/applications/Outro",
                           "dados/applications/Outro/Outro.desktop", "dados/desktop-directories"}));
}

TEST_F(Desinstalacao, LogOuPastaAusentes) {
    DirDisco = "C:\\NENHUMA\\";
    Desinstalar(ui);
    DirDisco = "";
    Desinstalar(ui);
    // A log whose folder is gone.
    LogEm("C:\\FORA\\", "c:\\sumiu\\");
    Desinstalar(ui);
    ASSERT_EQ(ui.mensagens.size(), 3u);
    EXPECT_EQ(ui.mensagens[0].texto, "Não foi encontrado o arquivo de desinstalação ZENTRAVA.LOG"_ansi);
    EXPECT_EQ(ui.mensagens[1].texto, ui.mensagens[0].texto);
    EXPECT_EQ(ui.mensagens[2].texto, "Não foi encontrado o diretório do aplicativo."_ansi);
    for (const auto& m : ui.mensagens) EXPECT_EQ(m.tipo, 6);
    NadaApagado();
}

TEST_F(Desinstalacao, LogQueApontaParaOutraPastaNaoApagaNada) {
    Ambiente casa("HOME", t.Host() + "/casa");
    fs::create_directories(t.Host() + "/casa");
    struct Caso {
        std::string pastaDoLog, dirBase;
    };
    for (const Caso& c : {Caso{"C:\\FORA\\", "c:\\app\\"}, // moved or edited
                          Caso{"C:\\APP\\", "z:\\"},       // the host's root
                          Caso{"C:\\", "c:\\"},            // a drive root
                          Caso{"C:\\CASA\\", "c:\\casa\\"}, // the home folder
                          Caso{"C:\\APP\\", "c:\\app\\..\\"}}) {
        ui.mensagens.clear();
        ui.respostas = {6, 6};
        LogEm(c.pastaDoLog, c.dirBase);
        Desinstalar(ui);
        ASSERT_EQ(ui.mensagens.size(), 1u) << c.dirBase;
        EXPECT_EQ(ui.mensagens[0].titulo, "Erro");
        EXPECT_NE(ui.mensagens[0].texto.find("Nada foi apagado."), std::string::npos);
        NadaApagado();
        EXPECT_TRUE(t.Existe(c.pastaDoLog == "C:\\" ? "zentrava.log" : "fora/guardado.txt"));
    }
}

TEST_F(Desinstalacao, GrupoComNomeQueSaiDaPastaEhIgnorado) {
    GrupoPrograma = "..\\Outro";
    DirBase = "c:\\app\\";
    ASSERT_TRUE(GravarLogDesinstalacao(ui, "c:\\app\\zentrava.log"));
    ui.respostas = {6};
    Desinstalar(ui);
    EXPECT_FALSE(t.Existe("app"));
    EXPECT_TRUE(t.Existe("dados/applications/Outro/Outro.desktop"));
    EXPECT_TRUE(t.Existe("dados/applications/Aplicação Teste/Leia-me.desktop"));
}
