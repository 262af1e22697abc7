#include "mMain.h"
#include "Anexo.h"
#include "Configuracao.h"
#include "fFilesel.h"
#include "mPrinttx.h"

#include "EstiloJanelas.h"
#include "Janela1252.h"
#include "TextosFalv.h"
#include "Texto1252.h"
#include "fMsgdlg.h"
#include "fSom.h"
#include "fStrlib.h"
#include "mDefpast.h"
#include "mLogon.h"
#include "mSplash.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFrame>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>


using namespace plataforma::literais;

namespace {

constexpr int tipoErro = 6;
constexpr int tipoPergunta = 7;
constexpr int somAviso = 48;   // MessageBeep: exclamation
constexpr int somMensagem = -1; // MessageBeep: the simple beep
constexpr int alturaCabecalho = 25;
constexpr int larguraLista = 157;
constexpr int larguraMinima = 324, larguraAjustada = 323, alturaMinima = 300;
constexpr int larguraLegendas = 395;
// A poll lets the window process its events after a sender when it has
// already run this long: a slow network drive keeps the window responsive,
// while an idle tick on a fast one costs no trip through the event loop.
constexpr int msEntreEventos = 20;

const QString todos = QStringLiteral("< TODOS >");
const QString legendaRecebe = QStringLiteral("Mensagens Recebidas ");
const QString legendaEnvia = QStringLiteral("Mensagens Enviadas ");
const QString prompt = QStringLiteral("Digite sua mensagem nesta área...");

// A hint "short|long": the short part is the tool tip, the long one goes to
// the status bar; without a bar both are the whole hint.
void Dica(QWidget* w, const QString& dica) {
    const int barra = dica.indexOf('|');
    w->setToolTip(barra < 0 ? dica : dica.left(barra));
    w->setStatusTip(barra < 0 ? dica : dica.mid(barra + 1));
}

// The text as it is logged: no trailing blanks or line breaks.
std::string SemFinal(std::string t) {
    while (!t.empty() && static_cast<unsigned char>(t.back()) <= ' ') t.pop_back();
    return t;
}

// The deposit failure message, naming every user the message did not reach.
std::string FalhaDeEnvio(const std::vector<std::string>& nomes) {
    if (nomes.size() == 1)
        return "Erro ao salvar mensagem para o usuário [ "_ansi + nomes[0] + " ].";
    std::string lista;
    for (std::size_t i = 0; i < nomes.size(); ++i)
        lista += (i == 0 ? "" : i + 1 == nomes.size() ? " e " : ", ") + ("[ " + nomes[i] + " ]");
    return "Erro ao salvar mensagem para os usuários "_ansi + lista + ".";
}

// Lines of a text area as the files hold them: CR LF.
std::string TextoDe(const QPlainTextEdit* area) {
    std::string t = Para1252(area->toPlainText());
    std::string r;
    r.reserve(t.size() + 8);
    for (char c : t) {
        if (c == '\n') r += '\r';
        r += c;
    }
    return r;
}

QFrame* Painel(const char* nome, QWidget* pai) {
    auto* p = new QFrame(pai);
    p->setObjectName(nome);
    return p;
}

QLabel* Legenda(const QString& texto, QWidget* pai) {
    auto* l = new QLabel(texto, pai);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // The caption never holds the window wider: FormResize empties it when narrow.
    l->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    return l;
}

QPlainTextEdit* Area(const char* nome, bool somenteLeitura, QWidget* pai) {
    auto* m = new QPlainTextEdit(pai);
    m->setObjectName(nome);
    m->setReadOnly(somenteLeitura);
    m->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    return m;
}

QListWidget* Lista(const char* nome, const QString& dica, QWidget* pai) {
    auto* l = new QListWidget(pai);
    l->setObjectName(nome);
    l->setFixedWidth(larguraLista);
    Dica(l, dica);
    return l;
}

// The two glyphs the style has no picture for, drawn at 16 x 16.
QIcon Glifo(const std::function<void(QPainter&)>& desenho) {
    QPixmap px(16, 16);
    px.fill(Qt::transparent);
    QPainter p(&px);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 1));
    desenho(p);
    p.end();
    return QIcon(px);
}

QIcon GlifoImpressora() {
    return Glifo([](QPainter& p) {
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 1.5, 7, 5));   // paper in
        p.setBrush(QColor(170, 170, 170));
        p.drawRoundedRect(QRectF(1.5, 6.5, 13, 6), 1, 1); // body
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 10.5, 7, 4));  // paper out
        p.setPen(QColor(0, 160, 0));
        p.drawPoint(QPointF(12.5, 8.5));
    });
}

QIcon GlifoSino() {
    return Glifo([](QPainter& p) {
        QPainterPath sino;
        sino.moveTo(3, 12);
        sino.cubicTo(4.5, 10, 4, 3, 8, 2.5);
        sino.cubicTo(12, 3, 11.5, 10, 13, 12);
        sino.closeSubpath();
        p.setBrush(QColor(230, 180, 30));
        p.drawPath(sino);
        p.drawEllipse(QRectF(6.5, 12, 3, 3));
    });
}

// The header strip of a panel: buttons on the left, the caption on the right.
QHBoxLayout* Cabecalho(QFrame* painel) {
    painel->setFixedHeight(alturaCabecalho);
    painel->setFrameShape(QFrame::StyledPanel);
    auto* h = new QHBoxLayout(painel);
    h->setContentsMargins(0, 0, 4, 0);
    h->setSpacing(0);
    return h;
}

// A half of the window: the header on top, the list on the left of the text
// area, and what the bottom holds across the whole width.
void Montar(QFrame* painel, QFrame* cabecalho, QListWidget* lista, QPlainTextEdit* area,
            QWidget* rodape) {
    auto* corpo = new QHBoxLayout;
    corpo->setSpacing(0);
    corpo->addWidget(lista);
    corpo->addWidget(area, 1);
    auto* v = new QVBoxLayout(painel);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    v->addWidget(cabecalho);
    v->addLayout(corpo, 1);
    if (rodape) v->addWidget(rodape);
}

} // namespace

TfrmMain::TfrmMain(std::string arquivoIni, QWidget* pai)
    : QMainWindow(pai), arquivoIni_(std::move(arquivoIni)), pasta_(sessao_, ui_), som_(TocarSom) {
    setObjectName("frmMain");
    setWindowTitle(ParaQString(TituloPrograma()));
    setWindowIcon(IconePrograma());
    CriarMenu();
    CriarPaineis();
    auto* barra = new QStatusBar(this);
    barra->setObjectName("StatusBar1");
    barra->setSizeGripEnabled(true);
    setStatusBar(barra);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &TfrmMain::Timer1Timer);

    for (QWidget* w : findChildren<QWidget*>()) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
    resize(437, 395);
    if (QScreen* tela = QGuiApplication::primaryScreen())
        move(tela->availableGeometry().center() - rect().center());
    FormCreate();
}

TfrmMain::~TfrmMain() = default;

QAction* TfrmMain::Item(QMenu* menu, const char* nome, const QString& legenda,
                        const QString& atalho, const QString& dica) {
    QAction* a = menu->addAction(legenda);
    a->setObjectName(nome);
    if (!atalho.isEmpty()) a->setShortcut(QKeySequence(atalho));
    a->setStatusTip(dica);
    return a;
}

void TfrmMain::CriarMenu() {
    QMenuBar* barra = menuBar();
    barra->setObjectName("MainMenu1");

    QMenu* arquivo = barra->addMenu(QStringLiteral("&Arquivo"));
    arquivo->setObjectName("itmArquivo");
    itmDefinirPasta = Item(arquivo, "itmDefinirPasta", QStringLiteral("&Pastas de Mensagens..."), "Ctrl+P",
                           QStringLiteral("Define as pastas (diretórios) onde serão armazenadas as mensagens..."));
    arquivo->addSeparator();
    itmConectar = Item(arquivo, "itmConectar", QStringLiteral("&Conectar..."), "Ctrl+L",
                       QStringLiteral("Ativa a sessão..."));
    itmDesconectar = Item(arquivo, "itmDesconectar", QStringLiteral("&Desconectar"), "Ctrl+D",
                          QStringLiteral("Desativa a sessão..."));
    arquivo->addSeparator();
    itmSalvarMsg = arquivo->addMenu(QStringLiteral("&Salvar Mensagens"));
    itmSalvarMsg->setObjectName("itmSalvarMsg");
    itmSalvarMsg->menuAction()->setStatusTip(QStringLiteral("Salva todas as mensagens..."));
    itmSalvarMsgRec = Item(itmSalvarMsg, "itmSalvarMsgRec", QStringLiteral("&Recebidas..."), "Ctrl+S",
                           QStringLiteral("Salva todas as mensagens recebidas..."));
    itmSalvarMsgEnv = Item(itmSalvarMsg, "itmSalvarMsgEnv", QStringLiteral("&Enviadas..."), {},
                           QStringLiteral("Salva todas as mensagens enviadas..."));
    itmImprimirMsg = arquivo->addMenu(QStringLiteral("&Imprimir Mensagens"));
    itmImprimirMsg->setObjectName("itmImprimirMsg");
    itmImprimirMsg->menuAction()->setStatusTip(QStringLiteral("Imprime todas as mensagens..."));
    itmImprimirMsgRec = Item(itmImprimirMsg, "itmImprimirMsgRec", QStringLiteral("&Recebidas..."), "Ctrl+I",
                             QStringLiteral("Imprime todas as mensagens recebidas..."));
    itmImprimirMsgEnv = Item(itmImprimirMsg, "itmImprimirMsgEnv", QStringLiteral("&Enviadas..."), {},
                             QStringLiteral("Imprime todas as mensagens enviadas..."));
    arquivo->addSeparator();
    itmAvisar = Item(arquivo, "itmAvisar", QStringLiteral("&Aviso de Nova Mensagem"), "Ctrl+B",
                     QStringLiteral("Permite avisar quando chegar uma nova mensagem..."));
    itmAvisar->setCheckable(true);
    itmAvisar->setChecked(true);
    arquivo->addSeparator();
    itmSair = Item(arquivo, "itmSair", QStringLiteral("&Finalizar"), {},
                   QStringLiteral("Finaliza a execução do programa..."));

    itmEditar = barra->addMenu(QStringLiteral("&Editar"));
    itmEditar->setObjectName("itmEditar");
    const QString clip = QStringLiteral(" na Área de Transferência (Clipboard)...");
    itmRecortar = Item(itmEditar, "itmRecortar", QStringLiteral("&Recortar"), "Ctrl+X",
                       QStringLiteral("Recorta o texto selecionado e coloca") + clip);
    itmCopiar = Item(itmEditar, "itmCopiar", QStringLiteral("&Copiar"), "Ctrl+C",
                     QStringLiteral("Copia o texto selecionado e coloca") + clip);
    itmColar = Item(itmEditar, "itmColar", QStringLiteral("Co&lar"), "Ctrl+V",
                    QStringLiteral("Insere o conteúdo da Área de Transferência (Clipboard)..."));
    itmColarDe = Item(itmEditar, "itmColarDe", QStringLiteral("Colar &De..."), "Ctrl+O",
                      QStringLiteral("Insere o conteúdo de um arquivo texto..."));
    itmExcluir = Item(itmEditar, "itmExcluir", QStringLiteral("E&xcluir"), "Del",
                      QStringLiteral("Apaga o texto selecionado..."));
    itmEditar->addSeparator();
    itmSelecionarTudo = Item(itmEditar, "itmSelecionarTudo", QStringLiteral("Selecionar &Tudo"), "Ctrl+A",
                             QStringLiteral("Seleciona todo o texto..."));

    QMenu* info = barra->addMenu(QStringLiteral("&Info"));
    info->setObjectName("itmInfo");
    itmAutoria = Item(info, "itmAutoria", QStringLiteral("&Sobre o Falavox..."), "Ctrl+F1",
                      QStringLiteral("Mostra a tela de créditos do autor do programa..."));

    connect(itmDefinirPasta, &QAction::triggered, this, &TfrmMain::itmDefinirPastaClick);
    connect(itmConectar, &QAction::triggered, this, &TfrmMain::itmConectarClick);
    connect(itmDesconectar, &QAction::triggered, this, &TfrmMain::itmDesconectarClick);
    connect(itmSalvarMsgRec, &QAction::triggered, this, [this] { SalvarMensagens(true); });
    connect(itmSalvarMsgEnv, &QAction::triggered, this, [this] { SalvarMensagens(false); });
    connect(itmImprimirMsgRec, &QAction::triggered, this, [this] { ImprimirMensagens(true); });
    connect(itmImprimirMsgEnv, &QAction::triggered, this, [this] { ImprimirMensagens(false); });
    // The check mark follows itmAvisarClick, not the click itself.
    connect(itmAvisar, &QAction::triggered, this, [this] {
        itmAvisar->setChecked(!itmAvisar->isChecked());
        itmAvisarClick();
    });
    connect(itmSair, &QAction::triggered, this, &TfrmMain::itmSairClick);
    connect(itmEditar, &QMenu::aboutToShow, this, &TfrmMain::itmEditarClick);
    connect(itmRecortar, &QAction::triggered, this, &TfrmMain::itmRecortarClick);
    connect(itmCopiar, &QAction::triggered, this, &TfrmMain::itmCopiarClick);
    connect(itmColar, &QAction::triggered, this, &TfrmMain::itmColarClick);
    connect(itmColarDe, &QAction::triggered, this, &TfrmMain::itmColarDeClick);
    connect(itmExcluir, &QAction::triggered, this, &TfrmMain::itmExcluirClick);
    connect(itmSelecionarTudo, &QAction::triggered, this, &TfrmMain::itmSelecionarTudoClick);
    connect(itmAutoria, &QAction::triggered, this, &TfrmMain::itmAutoriaClick);
}

QToolButton* TfrmMain::BotaoFerramenta(const char* nome, const QString& dica, const QIcon& glifo) {
    auto* b = new QToolButton(this);
    b->setObjectName(nome);
    b->setAutoRaise(true);
    b->setFixedSize(alturaCabecalho, alturaCabecalho);
    b->setIcon(glifo);
    b->setIconSize(QSize(16, 16));
    b->setFocusPolicy(Qt::NoFocus);
    Dica(b, dica);
    return b;
}

QPushButton* TfrmMain::BotaoTexto(const char* nome, const QString& legenda, int largura,
                                  const QString& dica) {
    auto* b = new QPushButton(legenda, this);
    b->setObjectName(nome);
    b->setFlat(true);
    b->setFixedSize(largura, alturaCabecalho);
    b->setFocusPolicy(Qt::NoFocus);
    Dica(b, dica);
    return b;
}

void TfrmMain::CriarPaineis() {
    QStyle* s = style();
    Splitter1 = new QSplitter(Qt::Vertical, this);
    Splitter1->setObjectName("Splitter1");
    Splitter1->setHandleWidth(8);
    Splitter1->setChildrenCollapsible(false);
    setCentralWidget(Splitter1);

    panRecebe = Painel("panRecebe", Splitter1);
    panArqRecebe = Painel("panArqRecebe", panRecebe);
    sbtDefinirPasta = BotaoFerramenta("sbtDefinirPasta",
        QStringLiteral("Pastas de Mensagens|Define as pastas (diretórios) onde serão armazenadas as mensagens..."),
        s->standardIcon(QStyle::SP_DirIcon));
    sbtConectar = BotaoFerramenta("sbtConectar", QStringLiteral("Conectar|Ativa a sessão..."),
                                  s->standardIcon(QStyle::SP_DialogYesButton));
    sbtDesconectar = BotaoFerramenta("sbtDesconectar", QStringLiteral("Desconectar|Desativa a sessão..."),
                                     s->standardIcon(QStyle::SP_DialogNoButton));
    sbtSalvarMsgRec = BotaoFerramenta("sbtSalvarMsgRec",
        QStringLiteral("Salvar Mensagens Recebidas|Salva todas as mensagens recebidas..."),
        s->standardIcon(QStyle::SP_DialogSaveButton));
    sbtImprimirMsgRec = BotaoFerramenta("sbtImprimirMsgRec",
        QStringLiteral("Imprimir Mensagens Recebidas|Imprime todas as mensagens recebidas..."),
        GlifoImpressora());
    sbtAvisar = BotaoFerramenta("sbtAvisar",
        QStringLiteral("Aviso de Nova Mensagem|Permite avisar quando chegar uma nova mensagem..."),
        GlifoSino());
    sbtAvisar->setCheckable(true);
    sbtAvisar->setChecked(true);
    sbtLimparMsgRecebidas = BotaoTexto("sbtLimparMsgRecebidas", QStringLiteral("Li&mpar"), 69,
                                       QStringLiteral("Clique aqui para apagar as mensagens recebidas"));
    lblRecebe = Legenda(legendaRecebe, panArqRecebe);
    lblRecebe->setObjectName("lblRecebe");
    QHBoxLayout* h = Cabecalho(panArqRecebe);
    for (QWidget* b : std::initializer_list<QWidget*>{sbtDefinirPasta, sbtConectar, sbtDesconectar,
                                                      sbtSalvarMsgRec, sbtImprimirMsgRec, sbtAvisar,
                                                      sbtLimparMsgRecebidas})
        h->addWidget(b);
    h->addWidget(lblRecebe, 1);

    lbxPastas = Lista("lbxPastas", QStringLiteral("Selecione aqui a pasta em que você deseja se conectar"), panRecebe);
    memMsgRec = Area("memMsgRec", true, panRecebe);
    Montar(panRecebe, panArqRecebe, lbxPastas, memMsgRec, nullptr);

    panEnvia = Painel("panEnvia", Splitter1);
    panArqEnvio = Painel("panArqEnvio", panEnvia);
    sbtEnviarMsg = BotaoTexto("sbtEnviarMsg", QStringLiteral("&Enviar"), 172,
                              QStringLiteral("Clique aqui para enviar sua mensagem (Ctrl+Enter)"));
    // Alt+E is the "&Editar" menu's too; two owners make Qt fire neither, so the
    // menu keeps it, as a Windows menu bar's mnemonic does.
    sbtEnviarMsg->setShortcut(QKeySequence());
    sbtLimparMsgEnviadas = BotaoTexto("sbtLimparMsgEnviadas", QStringLiteral("&Limpar"), 69,
                                      QStringLiteral("Clique aqui para apagar as mensagens enviadas"));
    lblEnvia = Legenda(legendaEnvia, panArqEnvio);
    lblEnvia->setObjectName("lblEnvia");
    h = Cabecalho(panArqEnvio);
    h->addWidget(sbtEnviarMsg);
    h->addWidget(sbtLimparMsgEnviadas);
    h->addWidget(lblEnvia, 1);

    lbxUsuarios = Lista("lbxUsuarios",
                        QStringLiteral("Selecione aqui o usuário para qual você desejar enviar a mensagem"), panEnvia);
    memMsgEnv = Area("memMsgEnv", true, panEnvia);
    memMsgEnv_Tmp = Area("memMsgEnv_Tmp", false, panEnvia);
    memMsgEnv_Tmp->setFixedHeight(50);
    Montar(panEnvia, panArqEnvio, lbxUsuarios, memMsgEnv, memMsgEnv_Tmp);

    Splitter1->addWidget(panRecebe);
    Splitter1->addWidget(panEnvia);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({145, 200});

    connect(sbtDefinirPasta, &QToolButton::clicked, this, &TfrmMain::itmDefinirPastaClick);
    connect(sbtConectar, &QToolButton::clicked, this, &TfrmMain::itmConectarClick);
    connect(sbtDesconectar, &QToolButton::clicked, this, &TfrmMain::itmDesconectarClick);
    connect(sbtSalvarMsgRec, &QToolButton::clicked, this, [this] { SalvarMensagens(true); });
    connect(sbtImprimirMsgRec, &QToolButton::clicked, this, [this] { ImprimirMensagens(true); });
    // The down state follows itmAvisarClick, not the click itself.
    connect(sbtAvisar, &QToolButton::clicked, this, [this] {
        sbtAvisar->setChecked(!sbtAvisar->isChecked());
        itmAvisarClick();
    });
    connect(sbtLimparMsgRecebidas, &QPushButton::clicked, this, &TfrmMain::sbtLimparMsgRecebidasClick);
    connect(sbtEnviarMsg, &QPushButton::clicked, this, &TfrmMain::sbtEnviarMsgClick);
    connect(sbtLimparMsgEnviadas, &QPushButton::clicked, this, &TfrmMain::sbtLimparMsgEnviadasClick);
    // After the click has run its course: a handler that answers No and puts
    // the selection back while the press is still being handled would see the
    // press select the clicked row again.
    trocaPasta_ = new QTimer(this);
    trocaPasta_->setSingleShot(true);
    trocaPasta_->setInterval(0);
    connect(trocaPasta_, &QTimer::timeout, this, &TfrmMain::lbxPastasClick);
    connect(lbxPastas, &QListWidget::currentRowChanged, trocaPasta_, qOverload<>(&QTimer::start));
    connect(lbxUsuarios, &QListWidget::currentRowChanged, this, &TfrmMain::lbxUsuariosClick);
}

// ---- Creation, showing, the connection states ----

void TfrmMain::FormCreate() {
    sessao_ = Sessao{};
    sessao_.criarAutomatico = true;
    CarregarConfiguracao(sessao_, arquivoIni_, true, ui_);
}

void TfrmMain::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (mostrada_) return;
    mostrada_ = true;
    // After the window is on the screen, so the logon's questions have it behind them.
    QTimer::singleShot(0, this, &TfrmMain::FormShow);
}

void TfrmMain::FormShow() {
    HabilitarConexao(false);
    if (pasta_.ReconectarUsuario())
        HabilitarConexao(true);
    else
        sessao_.usuario.clear();
}

bool TfrmMain::HabilitarConexao(bool habilitar, bool manterTextos) {
    ++sessaoNumero_;
    for (QPlainTextEdit* m : {memMsgRec, memMsgEnv, memMsgEnv_Tmp}) {
        m->setEnabled(habilitar);
        if (!manterTextos) m->clear();
    }
    for (QAction* a : {itmDefinirPasta, itmConectar}) a->setEnabled(!habilitar);
    for (QWidget* w : {static_cast<QWidget*>(sbtDefinirPasta), static_cast<QWidget*>(sbtConectar)})
        w->setEnabled(!habilitar);
    for (QAction* a : {itmDesconectar, itmSalvarMsg->menuAction(), itmImprimirMsg->menuAction(),
                       itmSalvarMsgRec, itmSalvarMsgEnv, itmImprimirMsgRec, itmImprimirMsgEnv,
                       itmRecortar, itmCopiar, itmColar, itmColarDe, itmExcluir, itmSelecionarTudo})
        a->setEnabled(habilitar);
    for (QWidget* w : std::initializer_list<QWidget*>{sbtDesconectar, sbtSalvarMsgRec, sbtImprimirMsgRec,
                                                      sbtEnviarMsg, sbtLimparMsgEnviadas,
                                                      sbtLimparMsgRecebidas, lbxUsuarios, lbxPastas})
        w->setEnabled(habilitar);
    if (habilitar)
        Timer1->start();
    else
        Timer1->stop();

    QString legenda = ParaQString(TituloPrograma());
    if (habilitar) {
        PreencherPastas();
        areaAtiva_ = 2;
        recipiente_.clear();
        PreencherUsuarios({});
        memMsgEnv_Tmp->setPlainText(prompt);
        memMsgEnv_Tmp->selectAll();
        if (lbxUsuarios->count() == 0) {
            lbxPastas->setFocus();
        } else {
            memMsgEnv_Tmp->setFocus();
            areaAtiva_ = 2;
            itmEditarClick();
        }
        ui_.CursorNormal();
        legenda += " - [ " + ParaQString(sessao_.usuario) + " ]";
    } else {
        if (sessao_.conectado) {
            if (pasta_.DesconectarUsuario(sessao_.usuario) == Desconexao::Abandonada) return false;
            QSignalBlocker b1(lbxPastas), b2(lbxUsuarios);
            lbxPastas->clear();
            lbxUsuarios->clear();
            sessao_.conectado = false;
        }
        legenda += QStringLiteral(" - [ Desconectado ]");
    }
    // The task bar shows this caption: on Linux the window title is the task bar text.
    setWindowTitle(legenda);
    return true;
}

void TfrmMain::PreencherPastas() {
    QSignalBlocker bloqueio(lbxPastas);
    lbxPastas->clear();
    for (const auto& nome : sessao_.nomesPastas)
        lbxPastas->addItem(ParaQString(plataforma::Maiusculas1252(nome)));
    SelecionarPastaAtual();
}

void TfrmMain::SelecionarPastaAtual() {
    QSignalBlocker bloqueio(lbxPastas);
    lbxPastas->setCurrentRow(IndicePasta(sessao_, sessao_.nomePasta));
}

void TfrmMain::PreencherUsuarios(const QString& manter) {
    QSignalBlocker bloqueio(lbxUsuarios);
    lbxUsuarios->clear();
    const bool sozinho = sessao_.usuarios.size() < 2;
    lbxUsuarios->setEnabled(!sozinho);
    sbtEnviarMsg->setEnabled(!sozinho);
    sbtLimparMsgEnviadas->setEnabled(!sozinho);
    if (sozinho) {
        recipiente_.clear();
        return;
    }
    lbxUsuarios->addItem(todos);
    int escolhida = 0;
    for (const auto& nome : sessao_.usuarios) {
        const std::string maiusculo = plataforma::Maiusculas1252(nome);
        if (maiusculo == sessao_.usuario) continue;
        lbxUsuarios->addItem(ParaQString(maiusculo));
        if (!manter.isEmpty() && ParaQString(maiusculo).compare(manter, Qt::CaseInsensitive) == 0)
            escolhida = lbxUsuarios->count() - 1;
    }
    lbxUsuarios->setCurrentRow(escolhida);
    // What is remembered is what the list shows, so a user who comes back is
    // not selected again behind the user's back.
    recipiente_ = Para1252(lbxUsuarios->item(escolhida)->text().toUpper());
}

// ---- Connecting, disconnecting, switching folders ----

void TfrmMain::itmConectarClick() {
    if (sessao_.nomesPastas.empty()) {
        Erro("Não existe(m) Pasta(s) de Mensagem(ns) definida(s)."_ansi);
        itmDefinirPastaClick();
        return;
    }
    // A logoff left undone (the users file was held) is finished before a new logon.
    if (sessao_.conectado && !HabilitarConexao(false)) return;
    ui_.CursorOcupado();
    TfrmLogon dlg(sessao_, pasta_, this);
    ui_.CursorNormal();
    dlg.exec();
    if (sessao_.conectado) HabilitarConexao(true);
}

void TfrmMain::itmDesconectarClick() {
    if (Perguntar("Deseja realmente abandonar essa sessão ??? "_ansi) == mrYes) HabilitarConexao(false);
}

void TfrmMain::itmDefinirPastaClick() {
    ui_.CursorOcupado();
    TfrmDefPastas dlg(sessao_, arquivoIni_, this);
    ui_.CursorNormal();
    dlg.exec();
}

void TfrmMain::lbxPastasClick() {
    const int i = lbxPastas->currentRow();
    if (i < 0 || static_cast<std::size_t>(i) >= sessao_.caminhosPastas.size()) return;
    const std::string nome = Para1252(lbxPastas->item(i)->text());
    const std::string caminho = sessao_.caminhosPastas[i];
    if (nome == sessao_.nomePasta) return;
    Timer1->stop();
    if (Perguntar("Deseja realmente abandonar essa pasta ??? ") != mrYes) {
        SelecionarPastaAtual();
        Timer1->start();
        return;
    }
    // The old folder keeps the name when its logoff could not be done; the
    // next logon or exit repeats it there.
    if (!HabilitarConexao(false)) return;
    sessao_.nomePasta = nome;
    sessao_.caminhoPasta = caminho;
    const int codigo = pasta_.ConectarUsuario(nome, caminho, sessao_.usuario);
    if (codigo == 1) {
        sessao_.conectado = true;
        HabilitarConexao(true);
    } else if (codigo == 0) {
        Erro("Usuário já conectado nesta pasta."_ansi);
        itmConectarClick();
    }
}

void TfrmMain::lbxUsuariosClick() {
    QListWidgetItem* item = lbxUsuarios->currentItem();
    recipiente_ = item ? Para1252(item->text().toUpper()) : std::string();
}

// ---- Sending and the poll ----

void TfrmMain::sbtEnviarMsgClick() {
    Timer1->stop();
    const std::string texto = TextoDe(memMsgEnv_Tmp);
    if (texto.empty() || !sessao_.conectado || lbxUsuarios->count() == 0) {
        memMsgEnv_Tmp->setFocus();
        if (sessao_.conectado) Timer1->start();
        return;
    }
    ui_.CursorOcupado();
    const std::string registro = SemFinal(texto);
    bool guardarTexto = false;
    if (lbxUsuarios->currentRow() <= 0) {
        Adicionar(memMsgEnv, "[ TODOS ] <- " + registro);
        // One user that cannot be reached does not keep the message from the others.
        std::vector<std::string> falhas;
        for (const auto& r : std::vector<std::string>(sessao_.usuarios)) {
            if (plataforma::Maiusculas1252(r) == sessao_.usuario) continue;
            if (!pasta_.GravarMensagem(r, texto)) falhas.push_back(TirarEspacos(r));
        }
        if (!falhas.empty()) Erro(FalhaDeEnvio(falhas));
    } else {
        const std::string escolhido = Para1252(lbxUsuarios->currentItem()->text());
        std::string r = escolhido;
        for (const auto& u : sessao_.usuarios)
            if (plataforma::IguaisSemCaixa(u, escolhido)) r = u;
        if (pasta_.GravarMensagem(r, texto)) {
            Adicionar(memMsgEnv, "[ " + TirarEspacos(r) + " ] <- " + registro);
        } else {
            Erro(FalhaDeEnvio({TirarEspacos(r)}));
            // It reached nobody and stands nowhere else: it stays for another try.
            guardarTexto = true;
        }
    }
    ui_.CursorNormal();
    if (!guardarTexto) memMsgEnv_Tmp->clear();
    memMsgEnv_Tmp->setFocus();
    Timer1->start();
}

void TfrmMain::Timer1Timer() {
    // A tick while a poll waits in its events or in an error dialog is skipped.
    if (emColeta_ || !sessao_.conectado) return;
    emColeta_ = true;
    struct Fim {
        bool& f;
        ~Fim() { f = false; }
    } fim{emColeta_};
    const unsigned sessao = sessaoNumero_;

    const int codigo = pasta_.AtualizarUsuarios();
    if (codigo == atualizacaoAbandonada) return;
    if (codigo == -1) {
        Timer1->stop();
        Restaurar();
        Erro("Erro ao consultar o arquivo de usuários."_ansi);
        // What was shown stays readable; the next logon clears it.
        HabilitarConexao(false, true);
        return;
    }
    if (codigo == 1) {
        ui_.CursorOcupado();
        std::string avisos;
        for (const auto& a : sessao_.avisos) avisos += a + "\r\n";
        Adicionar(memMsgRec, avisos);
        if (itmAvisar->isChecked()) {
            som_(somAviso);
            Restaurar();
        }
        PreencherUsuarios(ParaQString(recipiente_));
        if (lbxUsuarios->count() == 0)
            lbxPastas->setFocus();
        else
            memMsgEnv_Tmp->setFocus();
        ui_.CursorNormal();
    }
    QElapsedTimer desdeEventos;
    desdeEventos.start();
    for (const auto& remetente : std::vector<std::string>(sessao_.usuarios)) {
        const Coleta c = pasta_.LerMensagem(remetente);
        const std::string nome = TirarEspacos(remetente);
        if (c.estado == Coleta::Estado::FalhaLeitura) {
            Erro("Erro ao abrir a mensagem do usuário [ "_ansi + nome + " ].");
            return;
        }
        if (c.estado != Coleta::Estado::Nada) {
            Adicionar(memMsgRec, "[ " + nome + " ] -> " + c.mensagem);
            if (itmAvisar->isChecked()) {
                som_(somMensagem);
                Restaurar();
            }
        }
        if (c.estado == Coleta::Estado::FalhaLimpeza) {
            Erro("Erro ao limpar mensagem do usuário [ "_ansi + nome + " ].");
            return;
        }
        if (c.estado == Coleta::Estado::Nada && desdeEventos.elapsed() < msEntreEventos) continue;
        ui_.ProcessarEventos();
        desdeEventos.restart();
        // The user may have disconnected or switched folders meanwhile.
        if (sessao != sessaoNumero_ || !sessao_.conectado) return;
    }
}

// ---- Notification ----

void TfrmMain::Restaurar() {
    // Only a minimised window comes back; one open behind others stays there.
    if (!isMinimized()) return;
    showNormal();
    raise();
    activateWindow();
}

void TfrmMain::itmAvisarClick() {
    itmAvisar->setChecked(!itmAvisar->isChecked());
    sbtAvisar->setChecked(itmAvisar->isChecked());
}

// ---- The edit menu ----

QPlainTextEdit* TfrmMain::AreaAtiva() const {
    switch (areaAtiva_) {
    case 0: return memMsgRec;
    case 1: return memMsgEnv;
    default: return memMsgEnv_Tmp;
    }
}

void TfrmMain::AtivarJanelaAtual(QPlainTextEdit* area) {
    areaAtiva_ = area == memMsgRec ? 0 : area == memMsgEnv ? 1 : 2;
}

void TfrmMain::itmEditarClick() {
    if (!sessao_.conectado) return;
    const bool composicao = areaAtiva_ == 2;
    const QMimeData* dados = QApplication::clipboard()->mimeData();
    const bool selecao = AreaAtiva()->textCursor().hasSelection();
    itmColar->setEnabled(composicao && dados && dados->hasText());
    itmColarDe->setEnabled(true);
    itmCopiar->setEnabled(selecao);
    itmRecortar->setEnabled(composicao && selecao);
    itmExcluir->setEnabled(composicao && selecao);
}

void TfrmMain::itmRecortarClick() {
    if (areaAtiva_ == 2) memMsgEnv_Tmp->cut();
}

void TfrmMain::itmCopiarClick() { AreaAtiva()->copy(); }

void TfrmMain::itmColarClick() {
    if (areaAtiva_ == 2) memMsgEnv_Tmp->paste();
}

void TfrmMain::itmExcluirClick() {
    if (areaAtiva_ == 2) memMsgEnv_Tmp->clear();
}

void TfrmMain::itmSelecionarTudoClick() { AreaAtiva()->selectAll(); }

void TfrmMain::itmColarDeClick() {
    TimerParado parado(Timer1);
    bool confirmado = false;
    std::string arquivo;
    EscolherArquivo("Colar De (Anexar Arquivo)", modoAbrir, semVisualizacao, 0,
                    "Arquivo Texto (*.txt)|*.txt|Todos os Arquivos (*.*)|*.*", PastaDoPrograma(),
                    confirmado, arquivo);
    if (confirmado) {
        ui_.CursorOcupado();
        if (auto linhas = LerLinhasAnexo(arquivo)) {
            for (const std::string& linha : *linhas)
                memMsgEnv_Tmp->appendPlainText(ParaQString(linha));
            ui_.CursorNormal();
        } else {
            ui_.CursorNormal();
            Erro("Erro ao anexar o arquivo selecionado.");
        }
    }
    memMsgEnv_Tmp->setFocus();
}

void TfrmMain::SalvarMensagens(bool recebidas) {
    ::SalvarMensagens(recebidas ? *memMsgRec : *memMsgEnv, recebidas, ui_, Timer1);
}

void TfrmMain::ImprimirMensagens(bool recebidas) {
    ::ImprimirMensagens(this, recebidas ? *memMsgRec : *memMsgEnv, recebidas, ui_, Timer1);
}

void TfrmMain::itmAutoriaClick() { MostrarSobre(this); }

void TfrmMain::sbtLimparMsgRecebidasClick() {
    memMsgRec->clear();
    memMsgEnv_Tmp->setFocus();
}

void TfrmMain::sbtLimparMsgEnviadasClick() {
    memMsgEnv->clear();
    memMsgEnv_Tmp->setFocus();
}

// ---- Look, size, hints, exit ----

void TfrmMain::DestacarBotao(QPushButton* botao) {
    DestacarBotoes(botao, sbtEnviarMsg, {sbtLimparMsgEnviadas, sbtLimparMsgRecebidas});
}

void TfrmMain::FormMouseMove() { DestacarBotao(nullptr); }

void TfrmMain::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    FormResize();
}

void TfrmMain::FormResize() {
    if (width() < larguraMinima || height() < alturaMinima)
        resize(width() < larguraMinima ? larguraAjustada : width(), std::max(height(), alturaMinima));
    const bool legendas = width() >= larguraLegendas;
    lblRecebe->setText(legendas ? legendaRecebe : QString());
    lblEnvia->setText(legendas ? legendaEnvia : QString());
}

void TfrmMain::ExibirHint(const QString& dica) { statusBar()->showMessage(" " + dica); }

bool TfrmMain::event(QEvent* e) {
    if (e->type() == QEvent::StatusTip) {
        ExibirHint(static_cast<QStatusTipEvent*>(e)->tip());
        return true;
    }
    return QMainWindow::event(e);
}

bool TfrmMain::eventFilter(QObject* alvo, QEvent* e) {
    if (e->type() == QEvent::Enter || e->type() == QEvent::MouseMove) {
        QWidget* sob = WidgetSobMouse(this, alvo, e);
        if (sob == sbtEnviarMsg || sob == sbtLimparMsgEnviadas || sob == sbtLimparMsgRecebidas)
            DestacarBotao(static_cast<QPushButton*>(sob));
        else
            FormMouseMove();
    } else if (e->type() == QEvent::KeyPress && alvo == memMsgEnv_Tmp) {
        // Ctrl+Enter sends, as in every messenger; Alt+E belongs to the Editar menu.
        const auto* tecla = static_cast<QKeyEvent*>(e);
        if ((tecla->key() == Qt::Key_Return || tecla->key() == Qt::Key_Enter) &&
            (tecla->modifiers() & Qt::ControlModifier)) {
            if (sbtEnviarMsg->isEnabled()) sbtEnviarMsg->click();
            return true;
        }
    } else if (e->type() == QEvent::FocusIn) {
        for (QPlainTextEdit* m : {memMsgRec, memMsgEnv, memMsgEnv_Tmp})
            if (alvo == m) AtivarJanelaAtual(m);
    }
    return QMainWindow::eventFilter(alvo, e);
}

void TfrmMain::itmSairClick() { close(); }

void TfrmMain::closeEvent(QCloseEvent* e) {
    if (Perguntar("Deseja realmente sair do programa ??? ") != mrYes) {
        e->ignore();
        return;
    }
    // A logoff that could not read the users file keeps the window open; the
    // next exit tries again.
    if (!Encerrar()) {
        e->ignore();
        return;
    }
    e->accept();
}

bool TfrmMain::Encerrar() {
    SalvarConfiguracao(sessao_, arquivoIni_, ui_);
    return HabilitarConexao(false);
}

// ---- Messages and text areas ----

void TfrmMain::Erro(const std::string& texto) {
    ui_.CursorNormal();
    ui_.Mensagem("Erro", texto, tipoErro);
}

int TfrmMain::Perguntar(const std::string& texto) {
    ui_.CursorNormal();
    return ui_.Mensagem("Atenção"_ansi, texto, tipoPergunta);
}

void TfrmMain::Adicionar(QPlainTextEdit* area, const std::string& texto1252) {
    QString t = ParaQString(texto1252);
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    area->appendPlainText(t);
}
