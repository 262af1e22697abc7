#include "mSplash.h"

#include "EstiloJanelas.h"
#include "InteracaoJanelas.h"
#include "Janela1252.h"
#include "TextosFalv.h"
#include "fGradfil.h"
#include "fStrlib.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>

#include <array>
#include <string_view>

// Outside any namespace, as Qt's resource initialisation requires; the
// resources live in a static library, so nothing else would pull them in.
static void CarregarRecursos() {
    static const bool carregados = [] {
        Q_INIT_RESOURCE(falv);
        return true;
    }();
    (void)carregados;
}

namespace {

constexpr int resultadoOk = 1;
constexpr int resultadoCancelar = 2;
constexpr int intervaloSplash = 3000;
constexpr uint8_t modoLadrilho = 2;

// Scrambled (EmbaralharTexto, direction 0), like the title in TextosFalv.h.
constexpr std::string_view versaoEmbaralhada = "J/gM\xE3| 8BR"; // "Versão 1.0"
constexpr std::array<std::string_view, 5> creditosEmbaralhados{
    "p/M/.q|hq<N| \\VK~ /R#<Z/ p~K~!J[ / MV{]3~!~",      // Desenvolvido pela equipe ...
    ")||gN/.T\xE7\xE3|= V^Yq\\V sThTq|W",                 // Coordenação: ...
    "vg|9gT}T\xE7\xE3|= vUU}R / %] _ NJO3V ]<.#W",        // Programação: ...
    "K<Dh<|:/xT uJ5Y5 x|}ZTg:<h%TNT uJ5 | MV{]3~!~ ^",    // Biblioteca comum ...
    "\xCDx|./M V H#.N|= u3q~rJN Z/hT V^Yq\\V",            // Ícones e fundo: ...
};

QString Desembaralhado(std::string_view texto) {
    return ParaQString(EmbaralharTexto(texto, desembaralhar));
}

// An auto-sized, transparent label that shows '&' as it stands.
QLabel* Rotulo(const char* nome, const QFont& fonte, QPoint lugar, QWidget* pai) {
    auto* l = new QLabel(pai);
    l->setObjectName(nome);
    l->setTextFormat(Qt::PlainText);
    l->setFont(fonte);
    l->move(lugar);
    return l;
}

void Colorir(QLabel* rotulo, const QColor& cor) {
    QPalette p = rotulo->palette();
    p.setColor(QPalette::WindowText, cor);
    rotulo->setPalette(p);
}

// A bevel that shows only its top line, lowered.
class LinhaTopo : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setPen(palette().color(QPalette::Dark));
        p.drawLine(0, 0, width() - 1, 0);
        p.setPen(palette().color(QPalette::Light));
        p.drawLine(0, 1, width() - 1, 1);
    }
};

QPixmap Figura(const char* recurso) {
    CarregarRecursos();
    return QPixmap(QString::fromLatin1(recurso));
}

} // namespace

QIcon IconePrograma() { return QIcon(Figura(":/falv/icone.png")); }

TfrmSplash::TfrmSplash(Modo modo, QWidget* pai)
    : QDialog(pai, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName("frmSplash");
    setWindowTitle(ParaQString(TituloPrograma()));
    setFixedSize(455, 306);

    panSplash = new QFrame(this);
    panSplash->setObjectName("panSplash");
    panSplash->setGeometry(rect());
    panSplash->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panSplash->setLineWidth(3);
    QPalette fundo = panSplash->palette();
    fundo.setColor(QPalette::Window, fundo.color(QPalette::Dark)); // clBtnShadow
    panSplash->setPalette(fundo);
    panSplash->setAutoFillBackground(true);

    bevSplash = new QFrame(panSplash);
    bevSplash->setObjectName("bevSplash");
    bevSplash->setFrameStyle(QFrame::Box | QFrame::Sunken);
    bevSplash->setGeometry(8, 8, 439, 289);

    imgSplash = new QLabel(panSplash);
    imgSplash->setObjectName("imgSplash");

    imgFundo = new QLabel(panSplash);
    imgFundo->setObjectName("imgFundo");
    imgFundo->setPixmap(Figura(":/falv/fundo.png"));
    imgFundo->adjustSize();
    imgFundo->hide();

    bevAutorPrg = new LinhaTopo(panSplash);
    bevAutorPrg->setObjectName("bevAutorPrg");
    bevAutorPrg->setAttribute(Qt::WA_TransparentForMouseEvents);
    bevAutorPrg->setGeometry(8, 112, 439, 93);

    lblNomePrg2 = Rotulo("lblNomePrg2", FonteArial(56, true), {20, 16}, panSplash);
    lblNomePrg1 = Rotulo("lblNomePrg1", FonteArial(56, true), {18, 14}, panSplash);
    lblVersaoPrg = Rotulo("lblVersaoPrg", FonteArial(16, true), {0, 90}, panSplash);
    lblAutorPrg = Rotulo("lblAutorPrg", FonteJanela(12, true), {32, 120}, panSplash);
    lblObsPrg = Rotulo("lblObsPrg", FonteJanela(12, false), {20, 264}, panSplash);
    lblObsPrg->setText(QStringLiteral("Uso livre nas estações da rede local."));
    lblObsPrg->adjustSize();

    panIcone = new QFrame(panSplash);
    panIcone->setObjectName("panIcone");
    panIcone->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panIcone->setLineWidth(3);
    panIcone->setGeometry(380, 140, 44, 44);
    imgIcone = new QLabel(panIcone);
    imgIcone->setObjectName("imgIcone");
    imgIcone->setPixmap(Figura(":/falv/icone.png"));
    imgIcone->setScaledContents(true);
    imgIcone->setGeometry(panIcone->contentsRect());

    bbtOk = new QPushButton(QStringLiteral("&OK"), panSplash);
    bbtOk->setObjectName("bbtOk");
    bbtOk->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    QFont negrito = bbtOk->font();
    negrito.setBold(true);
    bbtOk->setFont(negrito);
    bbtOk->setGeometry(372, 260, 65, 28);
    bbtOk->setDefault(true);
    connect(bbtOk, &QPushButton::clicked, this, [this] { done(resultadoOk); });

    tmrSplash = new QTimer(this);
    tmrSplash->setObjectName("tmrSplash");
    tmrSplash->setInterval(intervaloSplash);
    tmrSplash->setSingleShot(true);
    tmrSplash->setTimerType(Qt::PreciseTimer); // a coarse timer may end it up to 5% early
    connect(tmrSplash, &QTimer::timeout, this, &TfrmSplash::tmrSplashTimer);
    if (modo == Modo::Abertura) {
        bbtOk->hide();
        tmrSplash->start();
    }

    lblNomePrg2->stackUnder(lblNomePrg1);
    for (QWidget* w : {static_cast<QWidget*>(this), static_cast<QWidget*>(panSplash),
                       static_cast<QWidget*>(imgSplash), static_cast<QWidget*>(lblNomePrg1),
                       static_cast<QWidget*>(lblNomePrg2), static_cast<QWidget*>(lblVersaoPrg),
                       static_cast<QWidget*>(lblAutorPrg), static_cast<QWidget*>(lblObsPrg),
                       static_cast<QWidget*>(imgIcone), static_cast<QWidget*>(bbtOk)}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
}

void TfrmSplash::FormShow() {
    const QRect bev = bevSplash->geometry();
    imgSplash->setGeometry(bev.left() + 2, bev.top() + 2, bev.width() - 3, bev.height() - 3);
    bevAutorPrg->setGeometry(bev.left() + 1, bevAutorPrg->y(), bev.width() - 2,
                             bevAutorPrg->height());

    ExibirTitulo(ParaQString(TituloPrograma()));

    Colorir(lblVersaoPrg, Qt::black);
    lblVersaoPrg->setText(Desembaralhado(versaoEmbaralhada));
    lblVersaoPrg->adjustSize();
    lblVersaoPrg->move((width() - lblVersaoPrg->width()) / 2, lblVersaoPrg->y());

    // The first line stands apart from the other four.
    Colorir(lblAutorPrg, Qt::black);
    QString creditos = Desembaralhado(creditosEmbaralhados[0]) + '\n';
    for (std::size_t i = 1; i < creditosEmbaralhados.size(); ++i)
        creditos += '\n' + Desembaralhado(creditosEmbaralhados[i]);
    lblAutorPrg->setText(creditos);
    lblAutorPrg->adjustSize();

    QImage fundo(imgSplash->size(), QImage::Format_RGB32);
    fundo.fill(palette().color(QPalette::Window));
    {
        QPainter p(&fundo);
        TelaQPainter tela(p);
        PreencherComFigura(tela, imgFundo->pixmap().toImage(), modoLadrilho);
    }
    imgSplash->setPixmap(QPixmap::fromImage(fundo));
}

void TfrmSplash::ExibirTitulo(const QString& titulo) {
    QFont fonte = lblNomePrg1->font();
    fonte.setPointSize(42);
    lblNomePrg1->setFont(fonte);
    lblNomePrg2->setFont(fonte);
    Colorir(lblNomePrg1, QColor(0, 128, 128));
    Colorir(lblNomePrg2, QColor(128, 128, 128));
    lblNomePrg1->setText(titulo);
    lblNomePrg1->adjustSize();
    // Integer division truncates toward zero, also for a title wider than the window.
    lblNomePrg1->move((width() - lblNomePrg1->width()) / 2, lblNomePrg1->y());

    lblNomePrg2->setText(lblNomePrg1->text());
    lblNomePrg2->resize(lblNomePrg1->size());
    lblNomePrg2->move(lblNomePrg1->pos() + QPoint(2, 2));
}

void TfrmSplash::tmrSplashTimer() { done(resultadoCancelar); }

void TfrmSplash::DestacarBotao(QPushButton* botao) { DestacarBotoes(botao, bbtOk, {}); }

void TfrmSplash::FormMouseMove() { DestacarBotao(nullptr); }

void TfrmSplash::reject() {
    if (!bbtOk->isHidden()) bbtOk->click();
}

void TfrmSplash::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (QScreen* tela = screen()) move(tela->availableGeometry().center() - rect().center());
    FormShow();
}

bool TfrmSplash::eventFilter(QObject* alvo, QEvent* e) {
    if (e->type() == QEvent::Enter || e->type() == QEvent::MouseMove) {
        if (WidgetSobMouse(this, alvo, e) == bbtOk)
            DestacarBotao(bbtOk);
        else
            FormMouseMove();
    }
    return QDialog::eventFilter(alvo, e);
}

void MostrarAbertura() {
    TfrmSplash splash(TfrmSplash::Modo::Abertura);
    splash.exec();
}

void MostrarSobre(QWidget* pai) {
    InteracaoJanelas ui;
    ui.CursorOcupado();
    TfrmSplash sobre(TfrmSplash::Modo::Sobre, pai);
    ui.CursorNormal();
    sobre.exec();
}
