// The main window over a real message folder in a temporary drive. Other
// stations are PastaMensagens of their own in this process; the poll is
// driven by calling Timer1Timer, messages are answered through the seam.
#include "Arquivos.h"
#include "DialogoModal.h"
#include "InteracaoRoteirizada.h"
#include "Janela1252.h"
#include "PastaTemporaria.h"
#include "Perfil.h"
#include "Texto1252.h"
#include "Unidades.h"
#include "fMsgdlg.h"
#include "fStrlib.h"
#include "mDefpast.h"
#include "fFilesel.h"
#include "mMain.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <fcntl.h>
#include <filesystem>
#include <linux/fs.h>
#include <memory>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace plataforma::literais;

namespace {

const std::string kSala = "c:\\sala\\";
const QString kTodos = QStringLiteral("< TODOS >");

// Another station of the room, in this process.
struct Estacao {
    Sessao s;
    InteracaoRoteirizada ui;
    PastaMensagens p{s, ui};
    explicit Estacao(const std::string& nome, const std::string& caminho = kSala) {
        s.usuario = nome;
        s.nomePasta = "SALA";
        s.caminhoPasta = caminho;
    }
    int Entrar() { return p.ConectarUsuario("SALA", s.caminhoPasta, s.usuario); }
    void Sair() { p.DesconectarUsuario(s.usuario); }
};

std::string Ini(const std::string& usuario, const std::string& pasta = "SALA") {
    return "[Pastas de Mensagens]\r\nSALA=c:\\sala\\\r\nOUTRA=c:\\outra\\\r\n"
           "[Logon]\r\nUsuario=" + usuario + "\r\nNome Da Pasta=" + pasta +
           "\r\nCaminho Da Pasta=c:\\" + plataforma::Minusculas1252(pasta) + "\\\r\n";
}

QStringList Linhas(const QPlainTextEdit* m) {
    return m->toPlainText().isEmpty() ? QStringList() : m->toPlainText().split('\n');
}

QStringList Itens(const QListWidget* l) {
    QStringList r;
    for (int i = 0; i < l->count(); ++i) r << l->item(i)->text();
    return r;
}

// Makes a file impossible to write through any handle, for as long as it lives.
class SomenteLeitura {
public:
    explicit SomenteLeitura(std::string host) : host_(std::move(host)) {
        std::filesystem::permissions(host_, std::filesystem::perms::owner_read |
                                                std::filesystem::perms::group_read);
        if (geteuid() == 0) Imutavel(true);
    }
    ~SomenteLeitura() {
        if (geteuid() == 0) Imutavel(false);
        std::filesystem::permissions(host_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add);
    }
    bool Efetivo() const {
        int fd = open(host_.c_str(), O_WRONLY);
        if (fd >= 0) close(fd);
        return fd < 0;
    }

private:
    void Imutavel(bool ligar) {
        int fd = open(host_.c_str(), O_RDONLY);
        if (fd < 0) return;
        int flags = 0;
        if (ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags = ligar ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            if (ioctl(fd, FS_IOC_SETFLAGS, &flags) != 0) {}
        }
        close(fd);
    }
    std::string host_;
};

} // namespace

class TesteMain : public QObject {
    Q_OBJECT

    std::unique_ptr<PastaTemporaria> tmp;
    std::unique_ptr<RespostaMensagens> resp;
    std::unique_ptr<TfrmMain> frm;
    std::vector<int> sons;

    template <class W>
    W* C(const char* nome) {
        W* w = frm->findChild<W*>(nome);
        if (!w) qFatal("no control %s", nome);
        return w;
    }
    QPlainTextEdit* Area(const char* nome) { return C<QPlainTextEdit>(nome); }
    QListWidget* Lista(const char* nome) { return C<QListWidget>(nome); }
    QAction* Item(const char* nome) { return C<QAction>(nome); }

    void Abrir(const std::string& ini) {
        tmp->Escrever("falv.ini", ini);
        Abrir();
    }
    void Abrir() {
        frm = std::make_unique<TfrmMain>("c:\\falv.ini");
        frm->DefinirSom([this](int tipo) { sons.push_back(tipo); });
        frm->show();
        QVERIFY(QTest::qWaitForWindowExposed(frm.get()));
        QTRY_VERIFY(frm->windowTitle().contains(" - [ "));
    }
    QStringList Textos() const {
        QStringList r;
        for (const auto& c : resp->Chamadas()) r << ParaQString(c.texto);
        return r;
    }
    std::string Usuarios() const { return tmp->Ler("sala/users.fvx"); }
    std::string Logon(const char* chave) const {
        return plataforma::ValorDoPerfil(tmp->Ler("falv.ini"), "Logon", chave).value_or("?");
    }
    // b enters and the window has seen it: the room as a test starts from.
    void ComOutro(Estacao& b) {
        QCOMPARE(b.Entrar(), 1);
        frm->Timer1Timer();
        Area("memMsgRec")->clear();
        sons.clear();
    }
    void Enviar(const QString& texto) {
        Area("memMsgEnv_Tmp")->setPlainText(texto);
        C<QPushButton>("sbtEnviarMsg")->click();
    }

private slots:
    void init() {
        tmp = std::make_unique<PastaTemporaria>();
        resp = std::make_unique<RespostaMensagens>();
        sons.clear();
    }
    void cleanup() {
        frm.reset();
        resp.reset();
        tmp.reset();
    }

    void InicioComSessaoLembrada() {
        Abrir(Ini("A"));
        QVERIFY(frm->SessaoAtual().conectado);
        QCOMPARE(frm->windowTitle(), QStringLiteral("Falavox - [ A ]"));
        QCOMPARE(Usuarios(), std::string("A\r\n"));
        QVERIFY(tmp->Existe("outra/users.fvx")); // every configured folder is checked
        QCOMPARE(Itens(Lista("lbxPastas")), (QStringList{"SALA", "OUTRA"}));
        QCOMPARE(Lista("lbxPastas")->currentRow(), 0);
        // Alone: nobody to write to.
        QCOMPARE(Lista("lbxUsuarios")->count(), 0);
        QVERIFY(!Lista("lbxUsuarios")->isEnabled());
        QVERIFY(!C<QPushButton>("sbtEnviarMsg")->isEnabled());
        QVERIFY(!C<QPushButton>("sbtLimparMsgEnviadas")->isEnabled());
        QCOMPARE(Area("memMsgEnv_Tmp")->toPlainText(), QStringLiteral("Digite sua mensagem nesta área..."));
        QVERIFY(Area("memMsgEnv_Tmp")->textCursor().hasSelection());
        QVERIFY(!Item("itmConectar")->isEnabled() && !Item("itmDefinirPasta")->isEnabled());
        QVERIFY(Item("itmDesconectar")->isEnabled() && C<QMenu>("itmSalvarMsg")->menuAction()->isEnabled());
        QVERIFY(C<QTimer>("Timer1")->isActive());
        QVERIFY(resp->Chamadas().empty());
    }

    void PastaLembradaForaDaLista() {
        Abrir(Ini("A", "SUMIDA"));
        QCOMPARE(frm->windowTitle(), QStringLiteral("Falavox - [ Desconectado ]"));
        QVERIFY(!frm->SessaoAtual().conectado && !C<QTimer>("Timer1")->isActive());
        QVERIFY(Item("itmConectar")->isEnabled() && !Item("itmDesconectar")->isEnabled());
        QVERIFY(!Area("memMsgEnv_Tmp")->isEnabled() && !Lista("lbxPastas")->isEnabled());
        QVERIFY(frm->close());
        QCOMPARE(Logon("Usuario"), std::string());
        QCOMPARE(Logon("Nome Da Pasta"), std::string("SUMIDA"));
    }

    void ConfiguracaoRuim_data() {
        QTest::addColumn<bool>("existe");
        QTest::addColumn<QByteArray>("conteudo");
        QTest::newRow("ausente") << false << QByteArray();
        QTest::newRow("vazio") << true << QByteArray();
        QTest::newRow("lixo") << true
                              << QByteArray("\xff\xfe[[Pastas de\0Mensagens]\n=\n=x\r[Logon\nUsuario\x01=\x90", 40);
    }
    void ConfiguracaoRuim() {
        QFETCH(bool, existe);
        QFETCH(QByteArray, conteudo);
        if (existe) tmp->Escrever("falv.ini", conteudo.toStdString());
        Abrir();
        QVERIFY(frm->SessaoAtual().nomesPastas.empty());
        QCOMPARE(frm->windowTitle(), QStringLiteral("Falavox - [ Desconectado ]"));
        QVERIFY(resp->Chamadas().empty());
        // "&Conectar..." without folders sends the user to the folder list editor.
        auto editor = AoAbrirDialogo<TfrmDefPastas>([](TfrmDefPastas* d) { d->reject(); });
        Item("itmConectar")->trigger();
        QVERIFY(*editor);
        QCOMPARE(Textos(), QStringList{QStringLiteral("Não existe(m) Pasta(s) de Mensagem(ns) definida(s).")});
    }

    void SozinhoAteOutroEntrarESair() {
        Abrir(Ini("A"));
        Estacao b("B"), c("C");
        QCOMPARE(b.Entrar(), 1);
        frm->Timer1Timer();
        QCOMPARE(Linhas(Area("memMsgRec")), (QStringList{"<<< B >>> entrou na sala...", ""}));
        QCOMPARE(Itens(Lista("lbxUsuarios")), (QStringList{kTodos, "B"}));
        QCOMPARE(Lista("lbxUsuarios")->currentItem()->text(), kTodos);
        QVERIFY(Lista("lbxUsuarios")->isEnabled() && C<QPushButton>("sbtEnviarMsg")->isEnabled());
        QCOMPARE(sons, std::vector<int>{48});

        // The chosen recipient stays chosen while others come, and leaves.
        QCOMPARE(c.Entrar(), 1);
        Lista("lbxUsuarios")->setCurrentRow(1);
        frm->Timer1Timer();
        QCOMPARE(Itens(Lista("lbxUsuarios")), (QStringList{kTodos, "B", "C"}));
        QCOMPARE(Lista("lbxUsuarios")->currentItem()->text(), QStringLiteral("B"));
        b.Sair();
        frm->Timer1Timer();
        QCOMPARE(Itens(Lista("lbxUsuarios")), (QStringList{kTodos, "C"}));
        QCOMPARE(Lista("lbxUsuarios")->currentItem()->text(), kTodos);
        // B back: "< TODOS >", shown selected, is what stays selected.
        QCOMPARE(b.Entrar(), 1);
        frm->Timer1Timer();
        QCOMPARE(Lista("lbxUsuarios")->currentItem()->text(), kTodos);
        c.Sair();
        b.Sair();
        frm->Timer1Timer();
        QVERIFY(!Lista("lbxUsuarios")->isEnabled() && !C<QPushButton>("sbtEnviarMsg")->isEnabled());
        QVERIFY(Linhas(Area("memMsgRec")).contains("<<< C >>> saiu da sala..."));
    }

    void MensagemParaTodos() {
        Estacao a("A"), c("C");
        tmp->Escrever("sala/users.fvx", "");
        QCOMPARE(a.Entrar(), 1);
        Abrir(Ini("B"));
        QCOMPARE(c.Entrar(), 1);
        frm->Timer1Timer();
        QCOMPARE(Itens(Lista("lbxUsuarios")), (QStringList{kTodos, "A", "C"}));

        Enviar(QStringLiteral("Bom dia"));
        const std::string gravado = EmbaralharTexto("Bom dia", embaralhar) + "\r\n";
        QCOMPARE(tmp->Ler("sala/a_b.msg"), gravado);
        QCOMPARE(tmp->Ler("sala/c_b.msg"), gravado);
        QVERIFY(!tmp->Existe("sala/b_b.msg"));
        QCOMPARE(Linhas(Area("memMsgEnv")), QStringList{"[ TODOS ] <- Bom dia"});
        QVERIFY(Area("memMsgEnv_Tmp")->toPlainText().isEmpty());
        QCOMPARE(a.p.LerMensagem("B").mensagem, std::string("Bom dia\r\n"));

        // A user that cannot be reached (its file held past the wait) does not
        // keep the message from the others; the one message names it. Logged once.
        {
            plataforma::ArquivoExclusivo preso;
            QVERIFY(preso.Abrir("c:\\sala\\a_b.msg", plataforma::ArquivoExclusivo::Modo::CriarSeFaltar));
            Enviar(QStringLiteral("segunda"));
        }
        QCOMPARE(Textos(), QStringList{QStringLiteral("Erro ao salvar mensagem para o usuário [ A ].")});
        QCOMPARE(tmp->Ler("sala/c_b.msg"), EmbaralharTexto("Bom dia\r\nsegunda\r\n", embaralhar));
        QCOMPARE(Linhas(Area("memMsgEnv")).size(), 2);
        QVERIFY(C<QTimer>("Timer1")->isActive());

        // Every user it could not reach, in one message.
        Estacao d("D");
        QCOMPARE(d.Entrar(), 1);
        frm->Timer1Timer();
        tmp->Escrever("fora", "");
        for (const char* par : {"/sala/a_b.msg", "/sala/c_b.msg"}) {
            std::filesystem::remove(tmp->Host() + par);
            std::filesystem::create_hard_link(tmp->Host() + "/fora", tmp->Host() + par);
        }
        Enviar(QStringLiteral("terceira"));
        QCOMPARE(Textos().last(), QStringLiteral("Erro ao salvar mensagem para os usuários [ A ] e [ C ]."));
        QCOMPARE(d.p.LerMensagem("B").mensagem, std::string("terceira\r\n"));
        QCOMPARE(Textos().size(), 2);
    }

    void MensagemDeVariasLinhas() {
        Abrir(Ini("A"));
        Estacao b("B");
        ComOutro(b);
        QVERIFY(b.p.GravarMensagem("A", "linha um\r\nlinha dois"));
        frm->Timer1Timer();
        QCOMPARE(Linhas(Area("memMsgRec")), (QStringList{"[ B ] -> linha um", "linha dois", ""}));
        QCOMPARE(sons, std::vector<int>{-1});
        QCOMPARE(tmp->Ler("sala/a_b.msg"), std::string());

        // To one user: the file keeps the text as composed, the log drops the tail.
        Lista("lbxUsuarios")->setCurrentRow(1);
        Enviar(QStringLiteral("oi\n  tudo bem?  \n\n"));
        QCOMPARE(b.p.LerMensagem("A").mensagem, std::string("oi\r\n  tudo bem?  \r\n\r\n\r\n"));
        QCOMPARE(Linhas(Area("memMsgEnv")), (QStringList{"[ B ] <- oi", "  tudo bem?"}));
        // An empty compose area sends nothing.
        Enviar({});
        QCOMPARE(Linhas(Area("memMsgEnv")).size(), 2);
        // A deposit that fails keeps the text for another try.
        {
            plataforma::ArquivoExclusivo preso;
            QVERIFY(preso.Abrir("c:\\sala\\b_a.msg", plataforma::ArquivoExclusivo::Modo::CriarSeFaltar));
            Enviar(QStringLiteral("perdida?"));
        }
        QCOMPARE(Textos(), QStringList{QStringLiteral("Erro ao salvar mensagem para o usuário [ B ].")});
        QCOMPARE(Area("memMsgEnv_Tmp")->toPlainText(), QStringLiteral("perdida?"));
        QCOMPARE(Linhas(Area("memMsgEnv")).size(), 2);
    }

    void ArquivoDeUsuariosApagado() {
        Abrir(Ini("A"));
        Estacao b("B");
        QCOMPARE(b.Entrar(), 1);
        frm->Timer1Timer();
        QVERIFY(b.p.GravarMensagem("A", "ainda aqui"));
        frm->Timer1Timer();
        std::filesystem::remove(tmp->Host() + "/sala/users.fvx");
        frm->Timer1Timer();
        QCOMPARE(Textos(), QStringList{QStringLiteral("Erro ao consultar o arquivo de usuários.")});
        QCOMPARE(frm->windowTitle(), QStringLiteral("Falavox - [ Desconectado ]"));
        QVERIFY(!frm->SessaoAtual().conectado && !C<QTimer>("Timer1")->isActive());
        QCOMPARE(Usuarios(), std::string("B\r\n")); // the logoff rebuilt it from the last list
        // What was shown is still there to read.
        QVERIFY(Linhas(Area("memMsgRec")).contains("[ B ] -> ainda aqui"));
    }

    void UnidadeQueSumiu() {
        // The room on a network drive that goes away while connected.
        plataforma::TabelaUnidades t = plataforma::Unidades();
        t.raizes['F'] = tmp->Host() + "/rede";
        plataforma::DefinirUnidades(t);
        std::filesystem::create_directories(tmp->Host() + "/rede");
        tmp->Escrever("falv.ini", "[Pastas de Mensagens]\r\nREDE=f:\\sala\\\r\n[Logon]\r\nUsuario=A\r\n"
                                  "Nome Da Pasta=REDE\r\nCaminho Da Pasta=f:\\sala\\\r\n");
        Abrir();
        Estacao b("B", "f:\\sala\\");
        QCOMPARE(b.Entrar(), 1);
        QVERIFY(b.p.GravarMensagem("A", "antes"));
        frm->Timer1Timer();
        std::filesystem::remove_all(tmp->Host() + "/rede");
        frm->Timer1Timer();
        QCOMPARE(Textos(), (QStringList{QStringLiteral("Erro ao consultar o arquivo de usuários."),
                                        QStringLiteral("Erro ao atualizar o arquivo de usuários.")}));
        QVERIFY(!frm->SessaoAtual().conectado);
        QVERIFY(Linhas(Area("memMsgRec")).contains("[ B ] -> antes"));
    }

    void UsuariosIlegiveis() {
        Abrir(Ini("A"));
        Estacao b("B");
        QCOMPARE(b.Entrar(), 1);
        QVERIFY(b.p.GravarMensagem("A", "oi"));
        {
            // Held by another station changing the roster: the poll reads it all the same.
            plataforma::ArquivoExclusivo preso;
            QVERIFY(preso.Abrir("c:\\sala\\users.lck", plataforma::ArquivoExclusivo::Modo::Existente));
            frm->Timer1Timer();
        }
        QCOMPARE(Linhas(Area("memMsgRec")),
                 (QStringList{"<<< B >>> entrou na sala...", "", "[ B ] -> oi", ""}));
        Area("memMsgRec")->clear();
        QVERIFY(b.p.GravarMensagem("A", "dois"));
        // A users file that cannot be read: the tick is given up silently; the next one does it all.
        const std::string lista = Usuarios();
        tmp->Escrever("sala/users.fvx", "A\r\n" + std::string(70000, ' '));
        frm->Timer1Timer();
        QVERIFY(resp->Chamadas().empty() && Linhas(Area("memMsgRec")).isEmpty());
        QVERIFY(frm->SessaoAtual().conectado);
        tmp->Escrever("sala/users.fvx", lista);
        frm->Timer1Timer();
        QCOMPARE(Linhas(Area("memMsgRec")), (QStringList{"[ B ] -> dois", ""}));
    }

    void FalhaDeLeitura() {
        Abrir(Ini("A"));
        Estacao b("B");
        ComOutro(b);
        QVERIFY(b.p.GravarMensagem("A", "um"));
        {
            // Its sender writing it right now: passed over quietly, collected at the next tick.
            plataforma::ArquivoExclusivo preso;
            QVERIFY(preso.Abrir("c:\\sala\\a_b.msg", plataforma::ArquivoExclusivo::Modo::CriarSeFaltar));
            frm->Timer1Timer();
        }
        QVERIFY(Textos().isEmpty() && Linhas(Area("memMsgRec")).isEmpty());
        frm->Timer1Timer();
        QCOMPARE(Linhas(Area("memMsgRec")), (QStringList{"[ B ] -> um", ""}));
        // A file too large to read is reported once and set aside, not deleted.
        const std::string danificado(tamanhoMaximoMensagem + 1, 'x');
        tmp->Escrever("sala/a_b.msg", danificado);
        frm->Timer1Timer();
        QCOMPARE(Textos(), QStringList{QStringLiteral("Erro ao abrir a mensagem do usuário [ B ].")});
        QCOMPARE(tmp->Ler("sala/a_b.msg"), std::string());
        frm->Timer1Timer();
        QCOMPARE(Textos().size(), 1);
        QVERIFY(frm->SessaoAtual().conectado);
    }

    void FalhaDeLimpeza() {
        Abrir(Ini("A"));
        Estacao b("B");
        ComOutro(b);
        QVERIFY(b.p.GravarMensagem("A", "dois"));
        const QString erro = QStringLiteral("Erro ao limpar mensagem do usuário [ B ].");
        {
            SomenteLeitura travado(tmp->Host() + "/sala/a_b.msg");
            if (!travado.Efetivo()) QSKIP("this file system lets every file be written");
            frm->Timer1Timer();
            QCOMPARE(Textos(), QStringList{erro});
            QCOMPARE(Linhas(Area("memMsgRec")), (QStringList{"[ B ] -> dois", ""}));
            // Shown again, and reported again, until the file can be emptied.
            frm->Timer1Timer();
            QCOMPARE(Textos(), (QStringList{erro, erro}));
        }
        frm->Timer1Timer();
        QCOMPARE(Linhas(Area("memMsgRec")).count("[ B ] -> dois"), 3);
        QCOMPARE(tmp->Ler("sala/a_b.msg"), std::string());
        QCOMPARE(Textos().size(), 2);
    }

    void PollNaoSeAninhaNosEventos() {
        Abrir(Ini("A"));
        Estacao b("B"), c("C"), d("D");
        QCOMPARE(b.Entrar(), 1);
        QCOMPARE(c.Entrar(), 1);
        frm->Timer1Timer();
        Area("memMsgRec")->clear();
        QVERIFY(b.p.GravarMensagem("A", "de B"));
        QVERIFY(c.p.GravarMensagem("A", "de C"));
        bool rodou = false;
        QTimer::singleShot(0, frm.get(), [&] {
            rodou = true;
            QVERIFY(frm->EmColeta());
            QCOMPARE(d.Entrar(), 1);
            frm->Timer1Timer();
            QVERIFY(!Area("memMsgRec")->toPlainText().contains("D >>>"));
        });
        frm->Timer1Timer();
        QVERIFY(rodou && !frm->EmColeta());
        QCOMPARE(Linhas(Area("memMsgRec")), (QStringList{"[ B ] -> de B", "", "[ C ] -> de C", ""}));
        frm->Timer1Timer();
        QVERIFY(Linhas(Area("memMsgRec")).contains("<<< D >>> entrou na sala..."));
    }

    void PollNaoSeAninhaNoDialogoDeErro() {
        Abrir(Ini("A"));
        Estacao b("B");
        QCOMPARE(b.Entrar(), 1);
        frm->Timer1Timer();
        tmp->Escrever("sala/a_b.msg", std::string(tamanhoMaximoMensagem + 1, 'x')); // cannot be read
        resp.reset(); // the real dialog this time
        int dialogos = 0;
        auto feito = AoAbrirDialogo<TfrmMsgDlg>([&](TfrmMsgDlg* dlg) {
            ++dialogos;
            // A second poll would open a second dialog here and wait in it.
            QTimer::singleShot(2000, dlg, [&] {
                if (auto* outro = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                    outro && outro != dlg) {
                    ++dialogos;
                    outro->reject();
                }
            });
            frm->Timer1Timer();
            QCOMPARE(QApplication::activeModalWidget(), static_cast<QWidget*>(dlg));
            dlg->done(mrOk);
        });
        frm->Timer1Timer();
        QVERIFY(*feito);
        QCOMPARE(dialogos, 1);
        resp = std::make_unique<RespostaMensagens>();
        tmp->Escrever("sala/a_b.msg", "");
        QVERIFY(b.p.GravarMensagem("A", "presa"));
        frm->Timer1Timer();
        QVERIFY(Linhas(Area("memMsgRec")).contains("[ B ] -> presa"));
    }

    void Notificacao() {
        Abrir(Ini("A"));
        Estacao b("B");
        Item("itmAvisar")->trigger();
        QVERIFY(!Item("itmAvisar")->isChecked() && !C<QToolButton>("sbtAvisar")->isChecked());
        QCOMPARE(b.Entrar(), 1);
        QVERIFY(b.p.GravarMensagem("A", "quieto"));
        frm->showMinimized();
        frm->Timer1Timer();
        QVERIFY(sons.empty());
        QVERIFY(frm->isMinimized());
        QVERIFY(Linhas(Area("memMsgRec")).contains("[ B ] -> quieto"));

        C<QToolButton>("sbtAvisar")->click();
        QVERIFY(Item("itmAvisar")->isChecked() && C<QToolButton>("sbtAvisar")->isChecked());
        QVERIFY(b.p.GravarMensagem("A", "acorda"));
        frm->Timer1Timer();
        QCOMPARE(sons, std::vector<int>{-1});
        QTRY_VERIFY(!frm->isMinimized());
    }

    // Switching folders with real clicks on the list.
    void TrocaDePasta() {
        Abrir(Ini("A"));
        auto* lista = Lista("lbxPastas");
        auto clicar = [&](int linha) {
            const QRect r = lista->visualItemRect(lista->item(linha));
            QTest::mouseClick(lista->viewport(), Qt::LeftButton, {}, r.center());
        };
        resp->Responder(mrNo);
        clicar(1);
        QTRY_COMPARE(Textos(), QStringList{QStringLiteral("Deseja realmente abandonar essa pasta ??? ")});
        // The session stayed, and so does the highlight.
        QTRY_COMPARE(lista->currentRow(), 0);
        QCOMPARE(lista->selectedItems(), QList<QListWidgetItem*>{lista->item(0)});
        QVERIFY(C<QTimer>("Timer1")->isActive() && frm->SessaoAtual().nomePasta == "SALA");

        resp->Responder(mrYes);
        clicar(1);
        QTRY_COMPARE(frm->SessaoAtual().nomePasta, std::string("OUTRA"));
        QCOMPARE(frm->SessaoAtual().caminhoPasta, std::string("c:\\outra\\"));
        QCOMPARE(Usuarios(), std::string());
        QCOMPARE(tmp->Ler("outra/users.fvx"), std::string("A\r\n"));
        QCOMPARE(lista->currentRow(), 1);
        QCOMPARE(lista->selectedItems(), QList<QListWidgetItem*>{lista->item(1)});
        QVERIFY(frm->SessaoAtual().conectado && C<QTimer>("Timer1")->isActive());
        // Back with the keyboard.
        resp->Responder(mrNo);
        lista->setFocus();
        QTest::keyClick(lista, Qt::Key_Up);
        QTRY_COMPARE(Textos().size(), 3);
        QTRY_COMPARE(lista->selectedItems(), QList<QListWidgetItem*>{lista->item(1)});
    }

    // Ctrl+Enter in the compose area sends; Enter alone breaks the line.
    void EnviarPeloTeclado() {
        Abrir(Ini("A"));
        Estacao b("B");
        ComOutro(b);
        QVERIFY(C<QPushButton>("sbtEnviarMsg")->toolTip().contains(QStringLiteral("Ctrl+Enter")));
        auto* area = Area("memMsgEnv_Tmp");
        area->setFocus();
        QTest::keyClicks(area, "um");
        QTest::keyClick(area, Qt::Key_Return);
        QTest::keyClicks(area, "dois");
        QCOMPARE(area->toPlainText(), QStringLiteral("um\ndois"));
        QCOMPARE(b.p.LerMensagem("A").estado, Coleta::Estado::Nada);
        QTest::keyClick(area, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(b.p.LerMensagem("A").mensagem, std::string("um\r\ndois\r\n"));
        QVERIFY(area->toPlainText().isEmpty());
        QTest::keyClicks(area, "teclado");
        QTest::keyClick(area, Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
        QCOMPARE(b.p.LerMensagem("A").mensagem, std::string("teclado\r\n"));
        // Alone in the room nothing is sent.
        b.Sair();
        frm->Timer1Timer();
        QTest::keyClicks(area, "ninguem");
        QTest::keyClick(area, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(area->toPlainText(), QStringLiteral("ninguem"));
    }

    // A disabled "&Enviar" or "Li&mpar" does not look like an enabled one,
    // also after the mouse has passed over them.
    void BotoesDesabilitadosParecemDesabilitados() {
        Abrir(Ini("A"));
        auto* enviar = C<QPushButton>("sbtEnviarMsg");
        auto* limpar = C<QPushButton>("sbtLimparMsgEnviadas");
        frm->DestacarBotao(enviar);
        frm->FormMouseMove();
        QVERIFY(!enviar->isEnabled() && !limpar->isEnabled());
        const QImage enviarDesligado = enviar->grab().toImage(), limparDesligado = limpar->grab().toImage();
        Estacao b("B");
        QCOMPARE(b.Entrar(), 1);
        frm->Timer1Timer();
        QVERIFY(enviar->isEnabled() && limpar->isEnabled());
        QVERIFY(enviar->grab().toImage() != enviarDesligado);
        QVERIFY(limpar->grab().toImage() != limparDesligado);
    }

    void Desconectar() {
        Abrir(Ini("A"));
        resp->Responder(mrNo);
        C<QToolButton>("sbtDesconectar")->click();
        QVERIFY(frm->SessaoAtual().conectado);
        Item("itmDesconectar")->trigger();
        QCOMPARE(Textos().last(), QStringLiteral("Deseja realmente abandonar essa sessão ??? "));
        QVERIFY(!frm->SessaoAtual().conectado);
        QCOMPARE(Usuarios(), std::string());
        QCOMPARE(Lista("lbxPastas")->count(), 0);
        QCOMPARE(frm->windowTitle(), QStringLiteral("Falavox - [ Desconectado ]"));
    }

    void Tamanho() {
        Abrir(Ini("A"));
        frm->resize(300, 250);
        QTRY_COMPARE(frm->size(), QSize(323, 300));
        frm->resize(394, 400);
        QTRY_COMPARE(frm->width(), 394);
        QVERIFY(C<QLabel>("lblRecebe")->text().isEmpty() && C<QLabel>("lblEnvia")->text().isEmpty());
        frm->resize(395, 400);
        QTRY_COMPARE(frm->width(), 395);
        QCOMPARE(C<QLabel>("lblRecebe")->text(), QStringLiteral("Mensagens Recebidas "));
        QCOMPARE(C<QLabel>("lblEnvia")->text(), QStringLiteral("Mensagens Enviadas "));
    }

    void Sair() {
        Abrir(Ini("A"));
        resp->Responder(mrNo);
        Item("itmSair")->trigger();
        QVERIFY(frm->isVisible() && frm->SessaoAtual().conectado && C<QTimer>("Timer1")->isActive());
        QCOMPARE(Usuarios(), std::string("A\r\n"));
        QCOMPARE(Textos(), QStringList{QStringLiteral("Deseja realmente sair do programa ??? ")});

        QVERIFY(frm->close());
        QCOMPARE(Usuarios(), std::string());
        QCOMPARE(Logon("Usuario"), std::string("A"));
        QCOMPARE(Logon("Caminho Da Pasta"), kSala);
        QCOMPARE(plataforma::ChavesDoPerfil(tmp->Ler("falv.ini"), "Pastas de Mensagens"),
                 (std::vector<std::string>{"SALA", "OUTRA"}));
    }

    void SaidaComUsuariosIlegiveis() {
        Abrir(Ini("A"));
        tmp->Escrever("sala/users.fvx", "A\r\n" + std::string(70000, ' '));
        QVERIFY(!frm->close());
        tmp->Escrever("sala/users.fvx", "A\r\n");
        // The logoff could not be done: still open, the name still in the room.
        QVERIFY(frm->isVisible() && frm->SessaoAtual().conectado);
        QCOMPARE(Usuarios(), std::string("A\r\n"));
        QVERIFY(frm->close());
        QCOMPARE(Usuarios(), std::string());
    }

    void MenuEDicas() {
        Abrir(Ini("A"));
        QCOMPARE(Item("itmConectar")->text(), QStringLiteral("&Conectar..."));
        QCOMPARE(Item("itmConectar")->shortcut(), QKeySequence("Ctrl+L"));
        QCOMPARE(Item("itmExcluir")->shortcut(), QKeySequence(Qt::Key_Delete));
        QCOMPARE(Item("itmAutoria")->shortcut(), QKeySequence("Ctrl+F1"));
        QCOMPARE(Item("itmAutoria")->text(), QStringLiteral("&Sobre o Falavox..."));
        QCOMPARE(C<QMenu>("itmImprimirMsg")->menuAction()->statusTip(),
                 QStringLiteral("Imprime todas as mensagens..."));
        auto* conectar = C<QToolButton>("sbtConectar");
        QCOMPARE(conectar->toolTip(), QStringLiteral("Conectar"));
        QEnterEvent entrada(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QApplication::sendEvent(conectar, &entrada);
        QCOMPARE(frm->statusBar()->currentMessage(), QStringLiteral(" Ativa a sessão..."));
        auto* limpar = C<QPushButton>("sbtLimparMsgRecebidas");
        QCOMPARE(limpar->toolTip(), limpar->statusTip());

        // Over "&Enviar" green, over a "Limpar" red, elsewhere all black.
        auto cor = [](QPushButton* b) { return b->palette().color(QPalette::Active, QPalette::ButtonText); };
        auto* enviar = C<QPushButton>("sbtEnviarMsg");
        frm->DestacarBotao(limpar);
        QCOMPARE(cor(limpar), QColor(255, 0, 0));
        QCOMPARE(cor(enviar), QColor(Qt::black));
        frm->DestacarBotao(enviar);
        QCOMPARE(cor(enviar), QColor(0, 255, 0));
        frm->FormMouseMove();
        QCOMPARE(cor(enviar), QColor(Qt::black));
        // A real move over the button: the button ignores it and its panel sees it
        // too, which must not take the highlight away.
        QPointF meio = enviar->rect().center();
        QMouseEvent mover(QEvent::MouseMove, meio, enviar->mapToGlobal(meio), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(enviar, &mover);
        QCOMPARE(cor(enviar), QColor(0, 255, 0));
    }

    void MenuEditar() {
        Abrir(Ini("A"));
        auto* rec = Area("memMsgRec");
        auto* tmpArea = Area("memMsgEnv_Tmp");
        Estacao b("B");
        QCOMPARE(b.Entrar(), 1);
        frm->Timer1Timer();
        QApplication::clipboard()->setText(QStringLiteral("colado"));

        // The received log: copy only.
        frm->AtivarJanelaAtual(rec);
        rec->selectAll();
        frm->itmEditarClick();
        QVERIFY(Item("itmCopiar")->isEnabled() && Item("itmColarDe")->isEnabled());
        QVERIFY(!Item("itmColar")->isEnabled() && !Item("itmRecortar")->isEnabled() &&
                !Item("itmExcluir")->isEnabled());
        frm->itmCopiarClick();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("<<< B >>> entrou na sala...\n"));
        frm->itmColarClick(); // refused outside the compose area
        QCOMPARE(Linhas(rec).size(), 2);

        frm->AtivarJanelaAtual(tmpArea);
        tmpArea->setPlainText(QStringLiteral("abc def"));
        frm->itmSelecionarTudoClick();
        frm->itmEditarClick();
        QVERIFY(Item("itmColar")->isEnabled() && Item("itmRecortar")->isEnabled() &&
                Item("itmExcluir")->isEnabled());
        frm->itmRecortarClick();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("abc def"));
        frm->itmColarClick();
        QCOMPARE(tmpArea->toPlainText(), QStringLiteral("abc def"));
        QTextCursor cur = tmpArea->textCursor();
        cur.setPosition(1);
        cur.setPosition(2, QTextCursor::KeepAnchor);
        tmpArea->setTextCursor(cur);
        frm->itmExcluirClick(); // the whole area, not only the selection
        QVERIFY(tmpArea->toPlainText().isEmpty());

        C<QPushButton>("sbtLimparMsgRecebidas")->click();
        QVERIFY(rec->toPlainText().isEmpty());
    }

    // "Colar De...": lines appended, the poll running again on every way out.
    void ColarDeArquivo() {
        Abrir(Ini("A"));
        Estacao b("B");
        ComOutro(b);
        tmp->Escrever("anexo.txt", "linha 1\r\nlinha \xE9 2\nfim");
        tmp->Escrever("binario.dat", std::string("MZ\0\x01", 4));
        tmp->Escrever("grande.txt", std::string(1024 * 1024 + 1, 'x'));
        QTimer* timer = C<QTimer>("Timer1");
        QPlainTextEdit* compor = Area("memMsgEnv_Tmp");
        compor->setPlainText(QStringLiteral("oi"));
        RespostaArquivo arquivos;
        arquivos.Escolher("c:\\anexo.txt");
        Item("itmColarDe")->trigger();
        QCOMPARE(Linhas(compor), (QStringList{"oi", "linha 1", QStringLiteral("linha é 2"), "fim"}));
        QCOMPARE(arquivos.Chamadas().at(0).titulo, std::string("Colar De (Anexar Arquivo)"));
        QCOMPARE(arquivos.Chamadas().at(0).modo, modoAbrir);
        QVERIFY(timer->isActive());
        QVERIFY(resp->Chamadas().empty());

        for (const char* recusado : {"c:\\binario.dat", "c:\\grande.txt", "c:\\sumido.txt"}) {
            arquivos.Escolher(recusado);
            Item("itmColarDe")->trigger();
            QCOMPARE(Textos().last(), QStringLiteral("Erro ao anexar o arquivo selecionado."));
            QCOMPARE(Linhas(compor).size(), 4); // what it held stays
            QVERIFY(timer->isActive());
        }
        arquivos.Cancelar();
        Item("itmColarDe")->trigger();
        QCOMPARE(Linhas(compor).size(), 4);
        QVERIFY(timer->isActive());
    }

    // Saving and printing stop the poll and start it again, whatever happens.
    void SalvarEImprimirOsLogs() {
        Abrir(Ini("A"));
        Estacao b("B");
        ComOutro(b);
        QVERIFY(b.p.GravarMensagem("A", "Bom dia"));
        frm->Timer1Timer();
        QTimer* timer = C<QTimer>("Timer1");
        RespostaArquivo arquivos;
        arquivos.Escolher("c:\\copia");
        Item("itmSalvarMsgRec")->trigger();
        QCOMPARE(tmp->Ler("copia.txt"), std::string("[ B ] -> Bom dia\r\n"));
        QCOMPARE(arquivos.Chamadas().at(0).titulo, std::string("Salvar Mensagens Recebidas"));
        QVERIFY(timer->isActive());
        arquivos.Cancelar();
        C<QToolButton>("sbtSalvarMsgRec")->click();
        QVERIFY(timer->isActive());
        // Without a printer (or with one: the seam below answers Cancel).
        resp->Responder(1);
        Item("itmImprimirMsgEnv")->trigger();
        QVERIFY(timer->isActive());
    }
};

QTEST_MAIN(TesteMain)
#include "test_mMain.moc"
