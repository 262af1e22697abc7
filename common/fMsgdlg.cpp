#include "fMsgdlg.h"

#include "EstiloJanelas.h"
#include "Janela1252.h"
#include "fSom.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include <algorithm>

namespace {

constexpr int kLarguraMinima = 320;
constexpr int kLabelEsquerda = 64, kLabelTopo = 16;
constexpr int kEditEsquerda = 16, kEditAltura = 21;
constexpr int kBotaoLargura = 89, kBotaoAltura = 28;
constexpr int kPasso = kBotaoLargura + 10;

constexpr SlotMensagem kSim{"&Sim", mrYes};
constexpr SlotMensagem kNao{"&Não", mrNo};
constexpr SlotMensagem kCanc{"&Cancelar", mrCancel};
constexpr SlotMensagem kRepetir{"&Repetir", mrRetry};
constexpr SlotMensagem kOk{"&OK", mrOk};

// MessageBeep sound types.
constexpr int kSomMao = 16, kSomPergunta = 32, kSomExclamacao = 48, kSomAsterisco = 64;

const TipoMensagem kTipos[13] = {
    {3, {kSim, kNao, kCanc}, IconeMensagem::confirmacao, kSomPergunta},
    {3, {kSim, kNao, kCanc}, IconeMensagem::aviso, kSomExclamacao},
    {2, {kRepetir, kNao, kCanc}, IconeMensagem::aviso, kSomExclamacao},
    {2, {kRepetir, kNao, kCanc}, IconeMensagem::erro, kSomMao},
    {1, {kOk, kNao, kCanc}, IconeMensagem::aviso, kSomExclamacao},
    {1, {kOk, kNao, kCanc}, IconeMensagem::informacao, kSomAsterisco},
    {1, {kOk, kNao, kCanc}, IconeMensagem::erro, kSomMao},
    {2, {kSim, kNao, kNao}, IconeMensagem::confirmacao, kSomPergunta},
    {2, {kSim, kNao, kNao}, IconeMensagem::aviso, kSomExclamacao},
    {2, {kSim, kNao, kNao}, IconeMensagem::informacao, kSomAsterisco},
    {2, {kSim, kNao, kNao}, IconeMensagem::erro, kSomMao},
    {2, {kOk, kNao, kCanc}, IconeMensagem::aviso, kSomExclamacao},
    {2, {kOk, kNao, kCanc}, IconeMensagem::informacao, kSomAsterisco},
};
const TipoMensagem kTipoDesconhecido{1, {kOk, kNao, kCanc}, IconeMensagem::nenhum, 0};
// The input box's slots: "&OK", a hidden "&Não", "&Cancelar".
constexpr SlotMensagem kSlotsValor[3] = {kOk, kNao, kCanc};

// The label breaks lines where Windows would draw them: CR, LF or both.
QString TextoExibido(QString texto) {
    return texto.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace('\r', '\n');
}

QIcon Glifo(const QStyle* estilo, int resultado) {
    switch (resultado) {
    case mrOk:
        return estilo->standardIcon(QStyle::SP_DialogOkButton);
    case mrYes:
        return estilo->standardIcon(QStyle::SP_DialogYesButton);
    case mrNo:
        return estilo->standardIcon(QStyle::SP_DialogNoButton);
    case mrRetry:
        return estilo->standardIcon(QStyle::SP_BrowserReload);
    default:
        return estilo->standardIcon(QStyle::SP_DialogCancelButton);
    }
}

} // namespace

// ---- Geometry ----

int MedirTexto(const QString& texto, const std::function<int(const QString&)>& larguraLinha) {
    int maior = 0;
    QString linha;
    for (QChar c : texto) {
        if (c == '\r') {
            maior = std::max(maior, larguraLinha(linha));
            linha.clear();
        } else if (c != '\n') {
            linha += c;
        }
    }
    return std::max(maior, larguraLinha(linha));
}

namespace {
void PosicionarBotoes(GeometriaMsg& g, int n) {
    int x0 = (g.largura - n * kPasso) / 2;
    if (n == 3) {
        g.x[0] = x0, g.x[1] = x0 + kPasso, g.x[2] = x0 + 2 * kPasso;
        g.visivel[0] = g.visivel[1] = g.visivel[2] = true;
    } else if (n == 2) {
        // The second slot hides under the first; the third is the right one.
        g.x[0] = x0, g.x[1] = x0, g.x[2] = x0 + kPasso;
        g.visivel[0] = g.visivel[2] = true;
    } else {
        g.x[0] = g.x[1] = g.x[2] = x0;
        g.visivel[0] = true;
    }
    g.altura = g.topoBotoes + 2 * kBotaoAltura + 10;
}
} // namespace

GeometriaMsg CalcularGeometria(int larguraTexto, int alturaLabel, int tipo) {
    GeometriaMsg g;
    g.largura = std::max(kLarguraMinima, larguraTexto + 2 * kLabelEsquerda);
    g.labelEsquerda = kLabelEsquerda;
    g.labelTopo = kLabelTopo;
    g.topoBotoes = kLabelTopo + alturaLabel + 30;
    PosicionarBotoes(g, TipoDeMensagem(tipo).botoes);
    return g;
}

GeometriaMsg CalcularGeometriaValor(int larguraTexto, int alturaLabel) {
    GeometriaMsg g;
    g.largura = std::max(kLarguraMinima, larguraTexto + 2 * kEditEsquerda + 4);
    g.labelEsquerda = kEditEsquerda;
    g.labelTopo = kLabelTopo;
    g.comEdit = true;
    g.editTopo = kLabelTopo + alturaLabel + 20;
    g.editLargura = g.largura - 36;
    g.topoBotoes = g.editTopo + kEditAltura + 20;
    PosicionarBotoes(g, 2);
    return g;
}

const TipoMensagem& TipoDeMensagem(int tipo) {
    return tipo >= 0 && tipo <= 12 ? kTipos[tipo] : kTipoDesconhecido;
}

// ---- The form ----

TfrmMsgDlg::TfrmMsgDlg(QWidget* pai) : QDialog(pai) {
    setObjectName("frmMsgDlg");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(FonteJanela(11, false));
    QPalette p = palette();
    p.setColor(QPalette::WindowText, Qt::black);
    setPalette(p);

    auto imagem = [this](const char* nome, QStyle::StandardPixmap icone) {
        auto* img = new QLabel(this);
        img->setObjectName(nome);
        img->setGeometry(16, 16, 32, 32);
        img->setPixmap(style()->standardIcon(icone).pixmap(32, 32));
        img->hide();
        return img;
    };
    imgConfirm = imagem("imgConfirm", QStyle::SP_MessageBoxQuestion);
    imgInform = imagem("imgInform", QStyle::SP_MessageBoxInformation);
    imgAviso = imagem("imgAviso", QStyle::SP_MessageBoxWarning);
    imgErro = imagem("imgErro", QStyle::SP_MessageBoxCritical);

    lblMsg = new QLabel(QStringLiteral("Mensagem"), this);
    lblMsg->setObjectName("lblMsg");
    lblMsg->setTextFormat(Qt::PlainText); // no buddy either: '&' stays an ampersand
    lblMsg->setFont(FonteJanela(12, true));
    lblMsg->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    edtValor = new QLineEdit(QStringLiteral("edtValor"), this);
    edtValor->setObjectName("edtValor");
    edtValor->setFont(FonteJanela(12, true));

    const char* nomes[3] = {"bbtSim", "bbtNao", "bbtCanc"};
    for (int i = 0; i < 3; ++i) {
        auto* b = new QPushButton(this);
        b->setObjectName(nomes[i]);
        b->setFont(FonteJanela(11, true));
        b->setIconSize(QSize(16, 16));
        b->resize(kBotaoLargura, kBotaoAltura);
        connect(b, &QPushButton::clicked, this, [this, i] { done(resultados_[i]); });
        botoes_[i] = b;
    }
    bbtSim = botoes_[0];
    bbtNao = botoes_[1];
    bbtCanc = botoes_[2];
    bbtSim->setDefault(true);
    setTabOrder(edtValor, bbtSim);
    setTabOrder(bbtSim, bbtNao);
    setTabOrder(bbtNao, bbtCanc);
    FormMouseMove();  // every caption starts black

    for (QWidget* w :
         std::initializer_list<QWidget*>{this, imgConfirm, imgInform, imgAviso, imgErro, lblMsg,
                                         edtValor, bbtSim, bbtNao, bbtCanc}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
}

int TfrmMsgDlg::AlturaLabel() const {
    return std::max(lblMsg->sizeHint().height(), QFontMetrics(lblMsg->font()).height());
}

void TfrmMsgDlg::Aplicar(const GeometriaMsg& g, const SlotMensagem (&vagas)[3]) {
    geometria_ = g;
    for (QLabel* img : {imgConfirm, imgInform, imgAviso, imgErro})
        img->hide();
    setFixedSize(g.largura - kMolduraLargura, g.altura - kMolduraAltura);
    lblMsg->setGeometry(g.labelEsquerda, g.labelTopo, lblMsg->sizeHint().width(), AlturaLabel());
    edtValor->setVisible(g.comEdit);
    if (g.comEdit) edtValor->setGeometry(kEditEsquerda, g.editTopo, g.editLargura, kEditAltura);
    for (int i = 0; i < 3; ++i) {
        QPushButton* b = botoes_[i];
        b->setText(QString::fromUtf8(vagas[i].legenda));
        b->setIcon(Glifo(style(), vagas[i].resultado));
        resultados_[i] = vagas[i].resultado;
        b->move(g.x[i], g.topoBotoes);
        b->setVisible(g.visivel[i]);
    }
}

int TfrmMsgDlg::Rotular(const std::string& titulo, const std::string& texto1252) {
    setWindowTitle(ParaQString(titulo));
    const QString texto = ParaQString(texto1252);
    lblMsg->setText(TextoExibido(texto));
    const QFontMetrics fm(lblMsg->font());
    return MedirTexto(texto, [&fm](const QString& l) { return fm.horizontalAdvance(l); });
}

void TfrmMsgDlg::PrepararMensagem(const std::string& titulo, const std::string& mensagem,
                                  int tipo) {
    modoEntrada_ = false;
    const int w = Rotular(titulo, mensagem);
    const TipoMensagem& t = TipoDeMensagem(tipo);
    Aplicar(CalcularGeometria(w, AlturaLabel(), tipo), t.slot);
    switch (t.icone) {
    case IconeMensagem::confirmacao:
        imgConfirm->show();
        break;
    case IconeMensagem::informacao:
        imgInform->show();
        break;
    case IconeMensagem::aviso:
        imgAviso->show();
        break;
    case IconeMensagem::erro:
        imgErro->show();
        break;
    case IconeMensagem::nenhum:
        break;
    }
}

void TfrmMsgDlg::PrepararValor(const std::string& titulo, const std::string& prompt,
                               const std::string& valor) {
    modoEntrada_ = true;
    const int w = Rotular(titulo, prompt);
    edtValor->setText(ParaQString(valor));
    Aplicar(CalcularGeometriaValor(w, AlturaLabel()), kSlotsValor);
}

void TfrmMsgDlg::Centralizar() {
    QScreen* tela = QGuiApplication::primaryScreen();
    if (!tela) return;
    const QRect r = tela->geometry();
    // move() places the frame, whose size is the outer size.
    move(r.x() + (r.width() - geometria_.largura) / 2,
         r.y() + (r.height() - geometria_.altura) / 2);
}

std::string TfrmMsgDlg::Valor() const {
    return Para1252(edtValor->text());
}

void TfrmMsgDlg::DestacarBotao(QPushButton* botao) {
    DestacarBotoes(botao, bbtSim, {bbtNao, bbtCanc});
}

void TfrmMsgDlg::FormMouseMove() {
    DestacarBotao(nullptr);
}

void TfrmMsgDlg::reject() {
    done(mrCancel);
}

void TfrmMsgDlg::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    RestaurarCursorNormal();
    if (modoEntrada_) {
        edtValor->setFocus();
        edtValor->selectAll();
    } else {
        bbtSim->setFocus();
    }
}

void TfrmMsgDlg::keyPressEvent(QKeyEvent* e) {
    if (e->matches(QKeySequence::Cancel)) {
        if (geometria_.visivel[2]) bbtCanc->click();
        return;
    }
    QDialog::keyPressEvent(e);
}

bool TfrmMsgDlg::eventFilter(QObject* alvo, QEvent* e) {
    if (e->type() == QEvent::Enter || e->type() == QEvent::MouseMove) {
        auto* b = qobject_cast<QPushButton*>(WidgetSobMouse(this, alvo, e));
        if (b && std::find(std::begin(botoes_), std::end(botoes_), b) != std::end(botoes_))
            DestacarBotao(b);
        else
            FormMouseMove();
    }
    return QDialog::eventFilter(alvo, e);
}

// ---- Entry points ----

int ExibirMensagem(const std::string& titulo, const std::string& mensagem, int tipo) {
    if (auto* r = RespostaMensagens::Atual()) return r->Mensagem(titulo, mensagem, tipo);
    TfrmMsgDlg dlg;
    dlg.PrepararMensagem(titulo, mensagem, tipo);
    if (int som = TipoDeMensagem(tipo).som) TocarSom(som);
    dlg.Centralizar();
    return dlg.exec();
}

void SolicitarValor(const std::string& titulo, const std::string& prompt, std::string& valor,
                    bool& confirmado) {
    confirmado = false;
    if (auto* r = RespostaMensagens::Atual()) {
        confirmado = r->Valor(titulo, prompt, valor);
        return;
    }
    TfrmMsgDlg dlg;
    dlg.PrepararValor(titulo, prompt, valor);
    dlg.Centralizar();
    if (dlg.exec() == mrOk) {
        confirmado = true;
        valor = dlg.Valor();
    }
}

void MensagemSimples(const std::string& titulo, const std::string& texto) {
    if (auto* r = RespostaMensagens::Atual()) return r->Simples(titulo, texto);
    QMessageBox caixa(QMessageBox::Information, ParaQString(titulo),
                      TextoExibido(ParaQString(texto)), QMessageBox::Ok,
                      QApplication::activeWindow());
    caixa.setTextFormat(Qt::PlainText); // a text that looks like HTML is still just text
    caixa.exec();
}

void RestaurarCursorNormal() {
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

// ---- Test seam ----

int RespostaMensagens::Mensagem(const std::string& titulo, const std::string& texto, int tipo) {
    chamadas_.push_back({titulo, texto, tipo, {}});
    return Proxima().value_or(TipoDeMensagem(tipo).slot[0].resultado);
}

void RespostaMensagens::Simples(const std::string& titulo, const std::string& texto) {
    chamadas_.push_back({titulo, texto, kSimples, {}});
}

bool RespostaMensagens::Valor(const std::string& titulo, const std::string& prompt,
                              std::string& valor) {
    chamadas_.push_back({titulo, prompt, kEntrada, valor});
    if (valores_.empty()) return true;
    std::optional<std::string> v = std::move(valores_.front());
    valores_.pop_front();
    if (!v) return false;
    valor = std::move(*v);
    return true;
}
