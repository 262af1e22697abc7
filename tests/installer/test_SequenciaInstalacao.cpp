// The installation sequence without windows: what it records, what a run
// that ends early leaves (nothing), and an uninstall that removes only what
// the installation made, checked on snapshots of the whole sandbox.
#include "ApoioSequencia.h"
#include "ValidarDesktop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fcntl.h>
#include <functional>
#include <stdio.h>
#include <thread>

using namespace plataforma;
using namespace plataforma::literais;

namespace {

// Answers as the script says and, on the uninstall's question, lets the test
// act while the question is open; may cancel after some events.
class Roteiro : public InteracaoRoteirizada {
public:
    std::function<void()> naPergunta;
    int cancelarApos = -1;
    int Mensagem(const std::string& t, const std::string& x, int tipo) override {
        if (tipo == 8 && naPergunta) naPergunta();
        return InteracaoRoteirizada::Mensagem(t, x, tipo);
    }
    void ProcessarEventos() override {
        if (cancelarApos >= 0 && ++eventosProcessados > cancelarApos) InstalacaoCancelada = true;
    }
};

std::vector<std::string> Temporarios(const std::string& raiz) {
    std::vector<std::string> r;
    for (const auto& [p, d] : Retrato(raiz))
        if (p.find("/.zentrava-") != std::string::npos) r.push_back(p);
    return r;
}

class TesteSequencia : public ::testing::Test, public Sequencia {
protected:
    Roteiro rot;
    bool Desinstalar(bool sim = true) {
        RestaurarConfiguracao();
        PastaDesinstalacaoHost = App();
        rot.respostas = {sim ? 6 : 7};
        return ::Desinstalar(rot);
    }
    // A one-disk set of one file, and no lists.
    void UmDisco(const std::string& nome, const std::string& bytes) {
        std::error_code e;
        fs::remove_all(t.Host() + "/INST", e);
        ConjuntoDiscos d(t, 1);
        d.Arquivo(1, 1, nome, bytes, {static_cast<int32_t>(bytes.size())});
        LerDiretoriosWindows();
        Titulo = "Teste";
        DirOrigem = DirDisco;
    }
    std::string Ultima() const {
        return rot.mensagens.empty() ? "" : Cp1252ParaUtf8(rot.mensagens.back().texto);
    }
};

} // namespace

TEST(Registro, CamposVoltamIguaisELinhaIncompletaNaoConta) {
    std::string todos;
    for (int c = 0; c < 256; ++c) todos += static_cast<char>(c);
    for (std::string campo : {todos, std::string("日本語 \\x41\t"), std::string("\xC3(\xF0\x9F\x98\x80")}) {
        const std::string cod = CodificarCampo(campo);
        EXPECT_EQ(cod.find_first_of("\t\n\r"), std::string::npos);
        EXPECT_EQ(DecodificarCampo(cod), campo);
    }
    EXPECT_EQ(CodificarCampo("ação/日本語.txt"), "ação/日本語.txt");
    auto linhas = AnalisarRegistro("# x\ninicio\ta\tb\narquivo\tA.TXT\t3\t00000000\nmembro\tpela met");
    ASSERT_EQ(linhas.size(), 2u);
    EXPECT_EQ(linhas[1].tipo, "arquivo");
    EXPECT_EQ(linhas[1].campos, (std::vector<std::string>{"A.TXT", "3", "00000000"}));
}

// A menu file is kept and replaced several times in one run; a run killed
// after its last copy was made, before the replacement landed, goes back to
// the first bytes with no copy left beside the file.
TEST(Registro, MortaAntesDaTrocaVoltaSemDeixarCopia) {
    PastaTemporaria t;
    t.Escrever("config/grupo.menu", "antes");
    t.Escrever("APLIC/leia.txt", "x");
    const std::string app = t.Host() + "/APLIC", menu = t.Host() + "/config/grupo.menu";
    ASSERT_TRUE(AbrirRegistro(app));
    ASSERT_TRUE(Registrar("inicio", {"hoje", "1", "C:\\APLIC", app, "ocupada"}));
    for (std::string bytes : {"um", "dois"}) {
        ArquivoNovo novo;
        ASSERT_EQ(novo.Criar(t.Host() + "/config"), 0);
        ASSERT_EQ(write(novo.fd(), bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        ASSERT_EQ(novo.Instalar(menu, "menu"), 0);
    }
    ASSERT_TRUE(GuardarAntigo(menu));
    FecharRegistro();
    const auto d = DesfazerRegistro(app, [&](const std::string& h) { return h.starts_with(t.Host() + "/config/"); });
    EXPECT_TRUE(d.havia);
    EXPECT_TRUE(d.r.Completo());
    EXPECT_EQ(t.Ler("config/grupo.menu"), "antes");
    EXPECT_EQ(Temporarios(t.Host()), std::vector<std::string>{});
    EXPECT_FALSE(t.Existe("APLIC/" + std::string(nomeRegistroInstalacao)));
}

TEST_F(TesteSequencia, InstalaRegistrandoTudoEDesinstalaAPastaCriada) {
    Montar();
    const auto antes = Tudo();
    ASSERT_TRUE(EspelharRegistro(t.Host() + "/espelho/instalacao.txt") == false);
    fs::create_directories(t.Host() + "/espelho");
    ASSERT_TRUE(EspelharRegistro(t.Host() + "/espelho/instalacao.txt"));
    ASSERT_EQ(ExecutarInstalacao(rot, nullptr), FimInstalacao::Concluida) << Ultima();
    RegistrarMensagem("Instalação completada\rcom sucesso.");
    EspelharRegistro("");
    EXPECT_EQ(Ultima(), "Instalação completada com sucesso.");
    // The mirror got every line of the record, and the message.
    const std::string registro = t.Ler("APLIC/zentrava-instalacao.log");
    EXPECT_EQ(t.Ler("espelho/instalacao.txt"),
              registro.substr(registro.find('\n') + 1) + "mensagem\tInstalação completada com sucesso.\n");
    fs::remove_all(t.Host() + "/espelho");
    EXPECT_EQ(t.Ler("APLIC/dados/clientes.txt"), "Ana;Rua A\r\n1");
    EXPECT_FALSE(t.Existe("APLIC/DADOS.ZIP"));
    EXPECT_NE(t.Ler("windows/win.ini").find("pasta="), std::string::npos);
    EXPECT_TRUE(Temporarios(t.Host()).empty());

    // The record: the folder was created, every change is listed, it ended.
    const auto linhas = AnalisarRegistro(t.Ler("APLIC/zentrava-instalacao.log"));
    std::map<std::string, int> tipos;
    for (const auto& l : linhas) ++tipos[l.tipo];
    ASSERT_FALSE(linhas.empty());
    EXPECT_EQ(linhas.front().tipo, "inicio");
    EXPECT_EQ(linhas.front().campos.at(3), App());
    EXPECT_EQ(linhas.front().campos.at(4), "criada");
    EXPECT_EQ(linhas.back().tipo, "fim");
    EXPECT_EQ(tipos["arquivo"], 4 + 1 + 2); // the disks' files, the log, the copies
    EXPECT_EQ(tipos["membro"], 3);
    EXPECT_EQ(tipos["ini"], 2);
    EXPECT_EQ(tipos["programa"], 1);
    EXPECT_GE(tipos["menu"], 4);
    EXPECT_EQ(tipos["zip"], 1);
    EXPECT_EQ(tipos["removido"], 1);

    // The installer kept with the application, and its menu item.
    EXPECT_EQ(t.Ler("APLIC/.zentrava/zentrava"), t.Ler("prog/zentrava"));
    EXPECT_EQ(fs::status(App() + "/.zentrava/zentrava").permissions() & fs::perms::owner_exec, fs::perms::owner_exec);
    const std::string item = t.Host() + "/dados/applications/Vendas/Desinstalar Sistema de Vendas.desktop";
    EXPECT_EQ(ValidarDesktop(item), "");
    EXPECT_NE(conjunto::Ler(item).find("Exec=" + App() + "/.zentrava/zentrava /X" + App() + "\n"), std::string::npos);

    // The application's own file goes with its folder; another program's
    // entry in the same group stays, with a submenu that shows it.
    t.Escrever("APLIC/criado pelo aplicativo.dat", "x");
    t.Escrever("dados/applications/Vendas/Outro.desktop", "[Desktop Entry]\nType=Application\nName=Outro\nExec=outro\n");
    const auto comOutro = Tudo();
    ASSERT_TRUE(Desinstalar());
    EXPECT_EQ(Ultima(), "A desinstalação foi bem sucedida.");
    const std::string pergunta = Cp1252ParaUtf8(rot.mensagens[rot.mensagens.size() - 2].texto);
    EXPECT_NE(pergunta.find("A pasta " + App() + " será apagada, com 11 arquivos."), std::string::npos) << pergunta;
    EXPECT_FALSE(fs::exists(App()));
    EXPECT_TRUE(t.Existe("dados/applications/Vendas/Outro.desktop"));
    // The INI entries stay, as they always did.
    for (const auto& p : Diferencas(antes, Tudo()))
        EXPECT_TRUE(p.starts_with("/dados") || p.starts_with("/config") || p == "/windows/win.ini") << p;
    const auto depois = Tudo();
    for (const auto& p : Diferencas(comOutro, depois)) EXPECT_TRUE(DaAplicacao(p)) << p;
    bool menuComOutro = false;
    for (const auto& [p, d] : depois) menuComOutro |= p.ends_with(".menu") && d.find("Vendas-Outro.desktop") != std::string::npos;
    EXPECT_TRUE(menuComOutro);

    // Nothing left to uninstall: a failure, nothing deleted.
    EXPECT_FALSE(Desinstalar());
    EXPECT_EQ(Tudo(), depois);
}

TEST_F(TesteSequencia, SobrePastaOcupadaADesinstalacaoSoApagaOQueCriou) {
    t.Escrever("APLIC/tese.odt", "minha tese");
    t.Escrever("APLIC/ARQUIVOS/antigo.txt", "meu");
    t.Escrever("APLIC/.local/share/applications/outro.desktop", "[Desktop Entry]\n");
    Montar();
    const auto antes = Tudo();
    ASSERT_EQ(ExecutarInstalacao(rot, nullptr), FimInstalacao::Concluida) << Ultima();
    ASSERT_TRUE(Desinstalar());
    const std::string pergunta = Cp1252ParaUtf8(rot.mensagens[rot.mensagens.size() - 2].texto);
    EXPECT_NE(pergunta.find("Serão apagados 10 arquivos que a instalação criou na pasta " + App()), std::string::npos)
        << pergunta;
    // Only empty menu folders the menus needed are left of it.
    for (const auto& p : Diferencas(antes, Tudo())) {
        if (p == "/windows/win.ini") continue;
        EXPECT_TRUE(p.starts_with("/dados") || p.starts_with("/config")) << p;
        EXPECT_TRUE(fs::is_directory(t.Host() + p)) << p;
    }
}

TEST_F(TesteSequencia, InterrompidaSobreInstalacaoAntigaVoltaAoQueEra) {
    // The cancel points count events, so they come at every block here.
    const auto ritmo = intervaloEventos;
    intervaloEventos = {};
    Montar(1);
    ASSERT_EQ(ExecutarInstalacao(rot, nullptr), FimInstalacao::Concluida) << Ultima();
    t.Escrever("APLIC/dados/do usuario.txt", "u");
    const auto antes = Tudo();
    // Cancelled during the copy, during the extraction, and failed after the
    // INI entries were written.
    for (int apos : {0, 3, 8, 12, 1000}) {
        Montar(2);
        if (apos == 1000) ArquivosExecutar = {"item1=@DIRBASE\\APP.INI,um,/s"};
        rot.mensagens.clear();
        rot.cancelarApos = apos == 1000 ? -1 : apos;
        EXPECT_EQ(ExecutarInstalacao(rot, nullptr), FimInstalacao::Desfeita) << apos;
        EXPECT_EQ(Ultima(), "O aplicativo não foi instalado corretamente.") << apos;
        const auto d = Diferencas(antes, Tudo());
        EXPECT_TRUE(d.empty()) << apos << ": " << (d.empty() ? "" : d[0]);
    }
    EXPECT_EQ(Cp1252ParaUtf8(rot.mensagens[0].texto), "'um' não é um número inteiro válido.");
    EXPECT_EQ(rot.mensagens[0].tipo, 6);
    intervaloEventos = ritmo;
}

TEST_F(TesteSequencia, SoEscreveEApagaOQueEhDaInstalacao) {
    // "Nome" outside the application, Windows and system folders.
    t.Escrever("casa/.bashrc", "meu bashrc");
    UmDisco("C:\\CASA\\.BASHRC", "sobrescrito");
    auto antes = Tudo();
    EXPECT_EQ(ExecutarInstalacao(rot, nullptr), FimInstalacao::Desfeita);
    EXPECT_NE(Cp1252ParaUtf8(rot.mensagens.at(0).texto).find("fica fora da pasta do aplicativo"), std::string::npos);
    EXPECT_EQ(Diferencas(antes, Tudo()), std::vector<std::string>{});

    // An archive of the user's, and one in the folder the run did not restore.
    t.Escrever("APLIC/velho.txt", "v");
    CriarZip(t.Host() + "/casa/docs.odt", {{"content.xml", "<x/>"}});
    CriarZip(t.Host() + "/APLIC/ANTIGO.ZIP", {{"antigo.txt", "a"}});
    UmDisco("@DIRBASE\\LEIAME.TXT", "leia");
    ArquivosDescompactar = {"item1=C:\\CASA\\DOCS.ODT", "item2=@DIRBASE\\ANTIGO.ZIP"};
    rot.mensagens.clear();
    antes = Tudo();
    ASSERT_EQ(ExecutarInstalacao(rot, nullptr), FimInstalacao::Concluida) << Ultima();
    for (const auto& p : Diferencas(antes, Tudo())) EXPECT_TRUE(DaAplicacao(p)) << p;
    EXPECT_TRUE(t.Existe("APLIC/ANTIGO.ZIP"));
    EXPECT_FALSE(t.Existe("APLIC/antigo.txt"));
    EXPECT_FALSE(t.Existe("APLIC/content.xml"));
}

TEST_F(TesteSequencia, PecaQueEhFifoNaoTravaENadaFica) {
    Montar();
    const std::string peca = t.Host() + "/INST/DISCO.002/GRANDE.DAT";
    fs::remove(peca);
    ASSERT_EQ(mkfifo(peca.c_str(), 0644), 0);
    const auto antes = Tudo();
    EXPECT_EQ(ExecutarInstalacao(rot, nullptr), FimInstalacao::Desfeita);
    ASSERT_GE(rot.mensagens.size(), 2u);
    EXPECT_NE(Cp1252ParaUtf8(rot.mensagens[0].texto).find("O arquivo não é um arquivo comum."), std::string::npos);
    EXPECT_EQ(Diferencas(antes, Tudo()), std::vector<std::string>{});

    // A failure after the menus were written: the menu folders the run made
    // in the home folder go too.
    Ambiente casa("HOME", t.Host());
    Montar();
    DefinirCopiaInstalador(t.Host() + "/prog/falta", t.Host() + "/prog/libzentunz.so");
    rot.mensagens.clear();
    EXPECT_EQ(ExecutarInstalacao(rot, nullptr), FimInstalacao::Desfeita);
    EXPECT_NE(Ultima().find("Não foi possível copiar o instalador"), std::string::npos) << Ultima();
    EXPECT_EQ(Diferencas(antes, Tudo()), std::vector<std::string>{});
}

TEST_F(TesteSequencia, DesinstalacaoNaoELevadaParaOutraPasta) {
    Montar();
    ASSERT_EQ(ExecutarInstalacao(rot, nullptr), FimInstalacao::Concluida) << Ultima();
    // A hard link to an outside read-only file, names no code page holds.
    t.Escrever("fora/somente leitura.txt", "fica");
    chmod((t.Host() + "/fora/somente leitura.txt").c_str(), 0444);
    ASSERT_EQ(link((t.Host() + "/fora/somente leitura.txt").c_str(), (App() + "/vinculo").c_str()), 0);
    for (const char* n : {"日本語.txt", "\xF0\x9F\x98\x80", "a\\b", "\xFF\xFE"}) t.Escrever(std::string("APLIC/dados/") + n, "x");
    fs::create_directory_symlink(t.Host() + "/fora", App() + "/atalho");

    // The parent swapped for a link while the question is open: refused.
    t.Escrever("casa/APLIC/canario.txt", "vivo");
    t.Escrever("casa/APLIC/zentrava.log", t.Ler("APLIC/zentrava.log"));
    rot.naPergunta = [&] {
        fs::rename(t.Host(), t.Host() + ".velho");
        fs::create_directory_symlink(t.Host() + ".velho/casa", t.Host());
    };
    const auto fora = Retrato(t.Host());
    EXPECT_FALSE(Desinstalar());
    rot.naPergunta = {};
    fs::remove(t.Host());
    fs::rename(t.Host() + ".velho", t.Host());
    EXPECT_NE(Ultima().find("mudou enquanto a pergunta estava aberta"), std::string::npos) << Ultima();
    EXPECT_EQ(Retrato(t.Host()), fora);

    // A subfolder swapped for a link to outside while the walk runs.
    for (int i = 0; i < 3000; ++i) t.Escrever("APLIC/troca/f" + std::to_string(i), "x");
    fs::create_directory_symlink(t.Host() + "/fora", App() + "/troca-link");
    std::atomic<bool> fim{false};
    std::thread observador([&] {
        const std::string a = App() + "/troca", b = App() + "/troca-link";
        while (!fim) renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE);
    });
    const auto foraAntes = Retrato(t.Host() + "/fora");
    Desinstalar();
    fim = true;
    observador.join();
    EXPECT_EQ(Retrato(t.Host() + "/fora"), foraAntes);
    EXPECT_EQ(fs::status(t.Host() + "/fora/somente leitura.txt").permissions() & fs::perms(0777), fs::perms(0444));
    // What the swaps kept from being deleted is named; the rest is gone.
    if (fs::exists(App())) {
        EXPECT_NE(Ultima().find("Ficaram:"), std::string::npos) << Ultima();
    }
    EXPECT_FALSE(fs::exists(App() + "/dados"));
}

TEST_F(TesteSequencia, DuasPastasQueSoDiferemNaCaixa) {
    Montar();
    ASSERT_EQ(ExecutarInstalacao(rot, nullptr), FimInstalacao::Concluida) << Ultima();
    t.Escrever("aplic/zentrava.log", t.Ler("APLIC/zentrava.log"));
    t.Escrever("aplic/meu.txt", "meu");
    // A DOS path fits both: refused, nothing deleted.
    RestaurarConfiguracao();
    DirDisco = "C:\\APLIC\\";
    const auto antes = Tudo();
    EXPECT_FALSE(::Desinstalar(rot));
    EXPECT_NE(Ultima().find("Há mais de uma pasta"), std::string::npos) << Ultima();
    EXPECT_EQ(Tudo(), antes);
    // The host path names one of them.
    EXPECT_TRUE(Desinstalar()) << Ultima();
    EXPECT_FALSE(fs::exists(App()));
    EXPECT_EQ(t.Ler("aplic/meu.txt"), "meu");
}

TEST_F(TesteSequencia, RegistroAdulteradoNaoLevaParaFora) {
    t.Escrever("APLIC/meu.txt", "meu");
    Montar();
    ASSERT_EQ(ExecutarInstalacao(rot, nullptr), FimInstalacao::Concluida) << Ultima();
    t.Escrever("fora/alvo.txt", "alvo");
    std::string registro = t.Ler("APLIC/zentrava-instalacao.log");
    registro += "inicio\tx\t1\tc:\\\t/\tcriada\n";
    for (const std::string& p : std::vector<std::string>{"../fora/alvo.txt", t.Host() + "/fora/alvo.txt",
                                                          "meu.txt/../../fora/alvo.txt"})
        registro += "arquivo\t" + p + "\t4\t0\ncopia\t" + p + "\tmeu.txt\n";
    registro += "ini\t" + t.Host() + "/fora/alvo.txt\ta\tb\tausente\npasta\t" + t.Host() + "/fora\n";
    t.Escrever("APLIC/zentrava-instalacao.log", registro + "arquivo\tmeia linha");
    // The next run rolls that "run" back: nothing outside changes.
    const auto fora = Retrato(t.Host() + "/fora");
    EXPECT_EQ(ExecutarInstalacao(rot, nullptr), FimInstalacao::Concluida) << Ultima();
    EXPECT_EQ(Retrato(t.Host() + "/fora"), fora);
    EXPECT_EQ(t.Ler("APLIC/meu.txt"), "meu");
    const std::string falso = registro.substr(registro.find("arquivo\t../"));
    t.Escrever("APLIC/zentrava-instalacao.log", t.Ler("APLIC/zentrava-instalacao.log") +
                                                    "inicio\tx\t1\tc:\\\t/\tocupada\n" + falso + "fim\tconcluida\n");
    EXPECT_TRUE(Desinstalar());
    EXPECT_EQ(Retrato(t.Host() + "/fora"), fora);
    EXPECT_EQ(t.Ler("APLIC/meu.txt"), "meu");
}
