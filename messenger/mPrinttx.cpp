#include "mPrinttx.h"

#include "EstiloJanelas.h"
#include "Interacao.h"
#include "Janela1252.h"
#include "SalvarLog.h"
#include "Texto1252.h"
#include "fFilesel.h"
#include "fStrlib.h"

#include <QComboBox>
#include <QEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>

using namespace plataforma::literais;

namespace {
constexpr int resultadoOk = 1;
constexpr int resultadoCancelar = 2;
constexpr int copiasMaximas = 999;
} // namespace

// ---- The poll's pause and the logs ----

TimerParado::TimerParado(QTimer* timer) : timer_(timer && timer->isActive() ? timer : nullptr) {
    if (timer_) timer_->stop();
}

TimerParado::~TimerParado() {
    if (timer_) timer_->start();
}

std::vector<std::string> LinhasDoLog(const QPlainTextEdit& log) {
    std::vector<std::string> linhas;
    const QString texto = log.toPlainText();
    if (texto.isEmpty()) return linhas;
    for (const QString& linha : texto.split(QChar('\n'))) linhas.push_back(Para1252(linha));
    return linhas;
}

std::string TextoDoLog(const QPlainTextEdit& log) {
    const std::vector<std::string> linhas = LinhasDoLog(log);
    std::string texto;
    for (std::size_t i = 0; i < linhas.size(); ++i) texto += (i ? "\r\n" : "") + linhas[i];
    return texto;
}

// ---- Saving ----

void SalvarMensagens(const QPlainTextEdit& log, bool recebidas, Interacao& ui, QTimer* timer) {
    TimerParado parado(timer);
    bool confirmado = false;
    std::string arquivo;
    EscolherArquivo(recebidas ? "Salvar Mensagens Recebidas" : "Salvar Mensagens Enviadas",
                    modoSalvar, semVisualizacao, 0, "Arquivo Texto (*.txt)|*.txt", "", confirmado,
                    arquivo);
    if (confirmado) GravarLog(TextoDoLog(log), arquivo, ui);
}

// ---- Printing ----

QPrinter& ImpressoraAtual() {
    static QPrinter* impressora = nullptr;
    if (!impressora) {
        impressora = new QPrinter(QPrinter::HighResolution);
        // Released with the application, while the print system is still there.
        qAddPostRoutine([] {
            delete impressora;
            impressora = nullptr;
        });
    }
    return *impressora;
}

QFont FonteImpressao() {
    QFont f = FonteJanela(11, false);
    f.setPointSize(8);
    return f;
}

class ImpressoraQt::MetricasQt : public MetricasFonte {
public:
    explicit MetricasQt(const QFontMetrics& m) : m_(m) {}
    int Largura(std::string_view texto) const override {
        return m_.horizontalAdvance(ParaQString(std::string(texto)));
    }
    int Altura() const override { return m_.height(); }
    int LarguraMedia() const override { return m_.averageCharWidth(); }
    int Ascendente() const { return m_.ascent(); }

private:
    QFontMetrics m_;
};

ImpressoraQt::ImpressoraQt(QPrinter& impressora, const QFont& fonte)
    : impressora_(impressora), fonte_(fonte) {}

ImpressoraQt::~ImpressoraQt() {
    if (pintor_ && pintor_->isActive()) pintor_->end();
}

bool ImpressoraQt::IniciarTrabalho(const std::string& titulo) {
    impressora_.setDocName(ParaQString(titulo));
    pintor_ = std::make_unique<QPainter>();
    if (!pintor_->begin(&impressora_)) return false;
    pintor_->setFont(fonte_);
    pintor_->setPen(QGuiApplication::palette().color(QPalette::WindowText));
    metricas_ = std::make_unique<MetricasQt>(pintor_->fontMetrics());
    return true;
}

const MetricasFonte& ImpressoraQt::Metricas() const { return *metricas_; }

int ImpressoraQt::LarguraPagina() const { return impressora_.width(); }

int ImpressoraQt::AlturaPagina() const { return impressora_.height(); }

bool ImpressoraQt::Ativa() const {
    return pintor_ && pintor_->isActive() && impressora_.printerState() != QPrinter::Error &&
           impressora_.printerState() != QPrinter::Aborted;
}

bool ImpressoraQt::DesenharTexto(int x, int y, std::string_view texto) {
    if (!Ativa()) return false;
    pintor_->drawText(x, y + metricas_->Ascendente(), ParaQString(std::string(texto)));
    return Ativa();
}

bool ImpressoraQt::NovaPagina() { return Ativa() && impressora_.newPage(); }

bool ImpressoraQt::Terminar() {
    const bool ativa = Ativa();
    const bool encerrada = pintor_ && pintor_->isActive() && pintor_->end();
    return ativa && encerrada && impressora_.printerState() != QPrinter::Error;
}

void ImprimirMensagens(QWidget* pai, const QPlainTextEdit& log, bool recebidas, Interacao& ui,
                       QTimer* timer) {
    TimerParado parado(timer);
    const int copias = SolicitarCopias(
        pai, recebidas ? "Imprimir Mensagens Recebidas" : "Imprimir Mensagens Enviadas", ui);
    if (copias == 0) return;
    ui.CursorOcupado();
    const std::vector<std::string> linhas = LinhasDoLog(log);
    if (RespostaImpressao* r = RespostaImpressao::Atual()) {
        ImprimirCopias(linhas, copias, r->Dispositivo(), ui);
    } else {
        ImpressoraQt impressora(ImpressoraAtual(), FonteImpressao());
        ImprimirCopias(linhas, copias, impressora, ui);
    }
    ui.CursorNormal();
}

int SolicitarCopias(QWidget* pai, const std::string& titulo, Interacao& ui) {
    if (RespostaImpressao* r = RespostaImpressao::Atual()) return r->Copias(titulo);
    const QStringList impressoras = QPrinterInfo::availablePrinterNames();
    if (impressoras.isEmpty()) {
        ErroComunicacaoImpressora(ui);
        return 0;
    }
    // No default printer, or the current one gone: the first one stands in,
    // as Windows makes one printer the default whenever any is installed.
    QPrinter& atual = ImpressoraAtual();
    if (!impressoras.contains(atual.printerName())) {
        const QString padrao = QPrinterInfo::defaultPrinterName();
        atual.setPrinterName(impressoras.contains(padrao) ? padrao : impressoras.first());
    }
    TfrmPrnDlg dlg(atual, impressoras, pai);
    dlg.setWindowTitle(ParaQString(titulo));
    return dlg.exec() == resultadoOk ? dlg.Copias() : 0;
}

// ---- The print dialog ----

namespace {

void Chanfro(const char* nome, const QRect& onde, QWidget* pai) {
    auto* f = new QFrame(pai);
    f->setObjectName(nome);
    f->setFrameStyle(QFrame::Box | QFrame::Sunken);
    f->setGeometry(onde);
}

QLabel* Rotulo(const char* nome, const QString& texto, const QRect& onde, QWidget* pai) {
    auto* l = new QLabel(texto, pai);
    l->setObjectName(nome);
    l->setGeometry(onde);
    return l;
}

} // namespace

TfrmPrnDlg::TfrmPrnDlg(QPrinter& impressora, const QStringList& impressoras, QWidget* pai)
    : QDialog(pai), impressora_(impressora) {
    setObjectName("frmPrnDlg");
    setWindowTitle(QStringLiteral("Imprimir Mensagens"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(FonteJanela(11, false));
    setFixedSize(337, 181);

    Chanfro("bevImpressora", QRect(8, 8, 321, 89), this);
    lblImpressora = Rotulo("lblImpressora", QStringLiteral("&Impressora:"),
                           QRect(18, 16, 120, 16), this);
    cmbImpressora = new QComboBox(this);
    cmbImpressora->setObjectName("cmbImpressora");
    cmbImpressora->setEditable(false);
    cmbImpressora->setGeometry(18, 34, 301, 24);
    cmbImpressora->addItems(impressoras);
    lblImpressora->setBuddy(cmbImpressora);
    lblOrientacao = Rotulo("lblOrientacao", QStringLiteral("Orientação: "),
                           QRect(18, 68, 180, 16), this);
    bbtPropriedades = new QPushButton(style()->standardIcon(QStyle::SP_FileDialogDetailedView),
                                      QStringLiteral("&Propriedades"), this);
    bbtPropriedades->setObjectName("bbtPropriedades");
    bbtPropriedades->setGeometry(206, 63, 113, 26);

    Chanfro("bevNumCopias", QRect(8, 103, 321, 36), this);
    lblNumCopias = Rotulo("lblNumCopias", QStringLiteral("&Número de Cópias: 000"),
                          QRect(18, 113, 140, 16), this);
    scbNumCopias = new QScrollBar(Qt::Horizontal, this);
    scbNumCopias->setObjectName("scbNumCopias");
    scbNumCopias->setGeometry(162, 112, 157, 18);
    scbNumCopias->setRange(1, copiasMaximas);
    scbNumCopias->setSingleStep(1);
    scbNumCopias->setPageStep(10);
    scbNumCopias->setFocusPolicy(Qt::StrongFocus);
    lblNumCopias->setBuddy(scbNumCopias);

    auto botao = [this](const char* nome, const QString& legenda, QStyle::StandardPixmap glifo,
                        int x) {
        auto* b = new QPushButton(style()->standardIcon(glifo), legenda, this);
        b->setObjectName(nome);
        b->setFont(FonteJanela(11, true));
        b->setGeometry(x, 147, 89, 28);
        return b;
    };
    bbtOk = botao("bbtOk", QStringLiteral("&OK"), QStyle::SP_DialogOkButton, 143);
    bbtOk->setDefault(true);
    bbtCancel = botao("bbtCancel", QStringLiteral("&Cancelar"), QStyle::SP_DialogCancelButton, 240);

    setTabOrder(cmbImpressora, bbtPropriedades);
    setTabOrder(bbtPropriedades, scbNumCopias);
    setTabOrder(scbNumCopias, bbtOk);
    setTabOrder(bbtOk, bbtCancel);

    connect(cmbImpressora, &QComboBox::activated, this, &TfrmPrnDlg::cmbImpressoraChange);
    connect(bbtPropriedades, &QPushButton::clicked, this, &TfrmPrnDlg::BitBtnClick);
    connect(scbNumCopias, &QScrollBar::valueChanged, this, &TfrmPrnDlg::scbNumCopiasChange);
    connect(bbtOk, &QPushButton::clicked, this, [this] { done(resultadoOk); });
    connect(bbtCancel, &QPushButton::clicked, this, [this] { done(resultadoCancelar); });
    bbtOk->installEventFilter(this);
    bbtCancel->installEventFilter(this);

    SelecionarAtual();
    scbNumCopias->setValue(1);
    scbNumCopiasChange();
    AjusteAtributos();
}

int TfrmPrnDlg::Copias() const { return scbNumCopias->value(); }

void TfrmPrnDlg::scbNumCopiasChange() {
    const std::string numero = CompletarEsq(std::to_string(scbNumCopias->value()), 3, '0');
    lblNumCopias->setText(ParaQString("&Número de Cópias: "_ansi + numero));
}

void TfrmPrnDlg::BitBtnClick() {
    QPageSetupDialog configurar(&impressora_, this);
    configurar.exec();
    SelecionarAtual();
    AjusteAtributos();
}

void TfrmPrnDlg::AjusteAtributos() {
    const bool paisagem = impressora_.pageLayout().orientation() == QPageLayout::Landscape;
    lblOrientacao->setText(paisagem ? QStringLiteral("Orientação: Paisagem")
                                    : QStringLiteral("Orientação: Retrato"));
}

// Choosing a printer in the list makes it the current one.
void TfrmPrnDlg::cmbImpressoraChange(int indice) {
    const QString nome = cmbImpressora->itemText(indice);
    if (indice < 0 || nome == impressora_.printerName()) return;
    impressora_.setPrinterName(nome);
    AjusteAtributos();
}

void TfrmPrnDlg::SelecionarAtual() {
    const int atual = cmbImpressora->findText(impressora_.printerName());
    cmbImpressora->setCurrentIndex(atual >= 0 ? atual : (cmbImpressora->count() > 0 ? 0 : -1));
}

void TfrmPrnDlg::DestacarBotao(QPushButton* botao) { DestacarBotoes(botao, bbtOk, {bbtCancel}); }

void TfrmPrnDlg::FormMouseMove() { DestacarBotao(nullptr); }

void TfrmPrnDlg::reject() { done(resultadoCancelar); }

void TfrmPrnDlg::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (QScreen* tela = screen())
        move(tela->availableGeometry().center() -
             QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
}

bool TfrmPrnDlg::eventFilter(QObject* alvo, QEvent* e) {
    if (e->type() == QEvent::Enter) DestacarBotao(qobject_cast<QPushButton*>(alvo));
    else if (e->type() == QEvent::Leave) FormMouseMove();
    return QDialog::eventFilter(alvo, e);
}

// ---- Test seam ----

int RespostaImpressao::Copias(const std::string& titulo) {
    titulos_.push_back(titulo);
    return Proxima().value_or(0);
}
