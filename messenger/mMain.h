// mMain: the messenger's main window and the owner of the session. It loads
// the settings at creation, logs on at its first showing, polls the message
// folder once a second while connected (notices, recipients, collection),
// sends, and writes the settings and logs off when the user confirms leaving.
//
// All file work in the message folder goes through PastaMensagens; every
// message to the user through the message dialog. One thread: a poll lets
// pending events run after each sender, and a tick that falls due meanwhile
// (or while one of its error dialogs is open) does not start a second poll.
#pragma once

#include "Configuracao.h"
#include "InteracaoJanelas.h"
#include "PastaMensagens.h"
#include "Sessao.h"

#include <QMainWindow>

#include <functional>
#include <string>

class QAction;
class QFrame;
class QLabel;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QTimer;
class QToolButton;

class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    // arquivoIni: the settings file, read here and written at exit.
    explicit TfrmMain(std::string arquivoIni = ArquivoConfiguracao(), QWidget* pai = nullptr);
    ~TfrmMain() override;

    Sessao& SessaoAtual() { return sessao_; }
    // Every beep of the window goes through here (type 48 notices, -1 messages);
    // TocarSom unless replaced.
    void DefinirSom(std::function<void(int)> som) { som_ = std::move(som); }
    bool EmColeta() const { return emColeta_; }

    // false when the logoff was abandoned (the users file could not be read):
    // the window looks disconnected, the session is still marked connected.
    // manterTextos: the logs and the compose area keep what they show.
    bool HabilitarConexao(bool habilitar, bool manterTextos = false);
    void ExibirHint(const QString& dica);
    // What a confirmed exit does: writes the settings and logs off; false when
    // the logoff was abandoned. Also for leaving unasked (the session ends).
    bool Encerrar();

public slots:
    void FormShow();
    void Timer1Timer();
    void itmDefinirPastaClick();
    void itmConectarClick();
    void itmDesconectarClick();
    void lbxPastasClick();
    void lbxUsuariosClick();
    void sbtEnviarMsgClick();
    void itmAvisarClick();
    void itmSairClick();
    void itmEditarClick();
    void itmRecortarClick();
    void itmCopiarClick();
    void itmColarClick();
    void itmColarDeClick();
    void itmExcluirClick();
    void itmSelecionarTudoClick();
    void itmAutoriaClick();
    void SalvarMensagens(bool recebidas);
    void ImprimirMensagens(bool recebidas);
    void sbtLimparMsgRecebidasClick();
    void sbtLimparMsgEnviadasClick();
    void AtivarJanelaAtual(QPlainTextEdit* area);
    void DestacarBotao(QPushButton* botao);
    void FormMouseMove();
    void FormResize();

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void closeEvent(QCloseEvent* e) override; // FormClose
    bool eventFilter(QObject* alvo, QEvent* e) override;

private:
    void FormCreate();
    void CriarMenu();
    void CriarPaineis();
    QToolButton* BotaoFerramenta(const char* nome, const QString& dica, const QIcon& glifo);
    QPushButton* BotaoTexto(const char* nome, const QString& legenda, int largura,
                            const QString& dica);
    QAction* Item(QMenu* menu, const char* nome, const QString& legenda, const QString& atalho,
                  const QString& dica);

    // The recipients: "< TODOS >" and the other users; keeps `manter` selected
    // when it is still there, else "< TODOS >". Fewer than 2 users: empty.
    void PreencherUsuarios(const QString& manter);
    void PreencherPastas();
    void SelecionarPastaAtual();
    void Avisar();
    void Restaurar();
    void Erro(const std::string& texto);
    int Perguntar(const std::string& texto);
    void Adicionar(QPlainTextEdit* area, const std::string& texto1252);
    QPlainTextEdit* AreaAtiva() const;

    std::string arquivoIni_;
    Sessao sessao_;
    InteracaoJanelas ui_;
    PastaMensagens pasta_;
    std::function<void(int)> som_;
    std::string recipiente_; // selected recipient, upper case
    int areaAtiva_ = 2;      // 0 received, 1 sent, 2 compose
    bool mostrada_ = false;
    bool emColeta_ = false;
    unsigned sessaoNumero_ = 0; // changes whenever the connection state is rebuilt

    QAction* itmDefinirPasta;
    QAction* itmConectar;
    QAction* itmDesconectar;
    QMenu* itmSalvarMsg;
    QAction* itmSalvarMsgRec;
    QAction* itmSalvarMsgEnv;
    QMenu* itmImprimirMsg;
    QAction* itmImprimirMsgRec;
    QAction* itmImprimirMsgEnv;
    QAction* itmAvisar;
    QAction* itmSair;
    QMenu* itmEditar;
    QAction* itmRecortar;
    QAction* itmCopiar;
    QAction* itmColar;
    QAction* itmColarDe;
    QAction* itmExcluir;
    QAction* itmSelecionarTudo;
    QAction* itmAutoria;

    QSplitter* Splitter1;
    QFrame* panRecebe;
    QFrame* panArqRecebe;
    QLabel* lblRecebe;
    QToolButton* sbtDefinirPasta;
    QToolButton* sbtConectar;
    QToolButton* sbtDesconectar;
    QToolButton* sbtSalvarMsgRec;
    QToolButton* sbtImprimirMsgRec;
    QToolButton* sbtAvisar;
    QPushButton* sbtLimparMsgRecebidas;
    QListWidget* lbxPastas;
    QPlainTextEdit* memMsgRec;
    QFrame* panEnvia;
    QFrame* panArqEnvio;
    QLabel* lblEnvia;
    QPushButton* sbtEnviarMsg;
    QPushButton* sbtLimparMsgEnviadas;
    QListWidget* lbxUsuarios;
    QPlainTextEdit* memMsgEnv;
    QPlainTextEdit* memMsgEnv_Tmp;
    QTimer* Timer1;
    QTimer* trocaPasta_; // runs lbxPastasClick once the click that moved the row is over
};
