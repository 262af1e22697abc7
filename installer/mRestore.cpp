#include "mRestore.h"

#include "EstiloJanelas.h"
#include "GlifosBotoes.h"
#include "Janela1252.h"
#include "TelasInstalador.h"
#include "Texto1252.h"
#include "mSetuplb.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

using namespace plataforma::literais;

namespace {

constexpr int tipoAviso = 5;
constexpr int tipoConfirmar = 7;
constexpr int respostaSim = 6;
// Wide enough for the largest counters: 255 disks, 32767 files, 2 GB.
constexpr int largura = 500, altura = 168;

QFrame* Chanfro(const char* nome, const QRect& onde, QWidget* pai) {
    auto* f = new QFrame(pai);
    f->setObjectName(nome);
    f->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    f->setGeometry(onde);
    return f;
}

// A bold, centred counter inside its small box.
QLabel* Contador(const char* nome, const QString& texto, QFrame* caixa) {
    auto* l = new QLabel(texto, caixa->parentWidget());
    l->setObjectName(nome);
    l->setFont(FonteJanela(11, true));
    l->setAlignment(Qt::AlignCenter);
    l->setGeometry(caixa->geometry().adjusted(2, 2, -2, -2));
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, Qt::black);
    l->setPalette(p);
    return l;
}

} // namespace

TfrmRestore::TfrmRestore(QWidget* pai) : QDialog(pai) {
    PrepararTela(this, "frmRestore");
    setWindowTitle(QStringLiteral("Restaurar Arquivos"));
    setFixedSize(largura, altura);
    setAttribute(Qt::WA_DeleteOnClose, false);

    bevArqAtual = new QFrame(this);
    bevArqAtual->setObjectName("bevArqAtual");
    bevArqAtual->setFrameStyle(QFrame::Box | QFrame::Sunken);
    bevArqAtual->setGeometry(8, 8, largura - 16, 116);
    lblArqAtual = new QLabel(
        QStringLiteral("O Zentrava iniciará agora o processo de restauração dos arquivos em seu sistema ..."),
        this);
    lblArqAtual->setObjectName("lblArqAtual");
    lblArqAtual->setWordWrap(true);
    lblArqAtual->setGeometry(20, 16, largura - 40, 32);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setGeometry(20, 54, largura - 40, 18);
    bevInfoDisco = Chanfro("bevInfoDisco", QRect(20, 84, 110, 28), this);
    bevInfoArq = Chanfro("bevInfoArq", QRect(140, 84, 150, 28), this);
    bevInfoBytes = Chanfro("bevInfoBytes", QRect(300, 84, largura - 320, 28), this);
    lblInfoDisco = Contador("lblInfoDisco", QStringLiteral("Disco"), bevInfoDisco);
    lblInfoArq = Contador("lblInfoArq", QStringLiteral("Arquivo"), bevInfoArq);
    lblInfoBytes = Contador("lblInfoBytes", QStringLiteral("Espaço Requerido"), bevInfoBytes);

    bbtInstalar = BotaoComGlifo("bbtInstalar", QStringLiteral("&Instalar"), GlifoInstalar(), this);
    bbtCancel = BotaoComGlifo("bbtCancel", QStringLiteral("&Cancelar"), GlifoCancelar(), this);
    bbtInstalar->setGeometry(largura - 216, altura - 36, 100, 28);
    bbtCancel->setGeometry(largura - 108, altura - 36, 100, 28);
    bbtInstalar->setDefault(true);
    bbtCancel->setAutoDefault(false);
    bbtCancel->setProperty("Tag", 0);
    connect(bbtInstalar, &QPushButton::clicked, this, [this] { BitBtnClick(bbtInstalar); });
    connect(bbtCancel, &QPushButton::clicked, this, [this] { BitBtnClick(bbtCancel); });

    Extrator1.Detalhado = false;
    Extrator1.Rastrear = false;
    Extrator1.OpcoesExtracao = {extrNomesPastas, extrSobrescrever};
    Extrator1.AoProgredir = [this](TExtratorZip& z, TTipoProgresso t, const std::string& f,
                                   int32_t s) { Extrator1Progresso(z, t, f, s); };

    for (QWidget* w : {static_cast<QWidget*>(this), static_cast<QWidget*>(lblArqAtual),
                       static_cast<QWidget*>(ProgressBar1), static_cast<QWidget*>(lblInfoDisco),
                       static_cast<QWidget*>(lblInfoArq), static_cast<QWidget*>(lblInfoBytes),
                       static_cast<QWidget*>(bevArqAtual), static_cast<QWidget*>(bbtInstalar),
                       static_cast<QWidget*>(bbtCancel)}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
    FormCreate();
}

void TfrmRestore::FormCreate() {
    restauracaoEncerrada_ = false;
    lblInfoDisco->setText(QStringLiteral("Discos: %1").arg(TotalDiscos));
    lblInfoArq->setText(QStringLiteral("Arquivos: %1").arg(TotalArquivos));
    lblInfoBytes->setText(QStringLiteral("Espaço Requerido: %1 KB").arg(TotalBytes / 1024));
}

int TfrmRestore::TagCancel() const { return bbtCancel->property("Tag").toInt(); }

void TfrmRestore::BitBtnClick(QPushButton* botao) {
    if (botao == bbtInstalar) {
        resultado_ = Accepted;
        bbtInstalar->hide();
        bbtCancel->setProperty("Tag", 1);
        bbtCancel->move((width() - bbtCancel->width()) / 2, bbtCancel->y());
        lblArqAtual->clear();
        executando_ = true;
        ultimoErro_ = false;
        RestoreArqs();
        if (!InstalacaoCancelada) DescompactarArquivos();
        executando_ = false;
        // After an error the close asks whether to interrupt.
        if (!ultimoErro_) restauracaoEncerrada_ = true;
        close();
        return;
    }
    resultado_ = Rejected;
    if (TagCancel() > 0) {
        bbtCancel->setProperty("Tag", 0);
        InstalacaoCancelada = true;
        restauracaoEncerrada_ = true;
        if (Extrator1.Ocupado()) Extrator1.Cancelar();
        interacao_.Mensagem("Atenção"_ansi, "A instalação foi interrompida pelo usuário."_ansi, tipoAviso);
        interacao_.CursorNormal();
    }
    close();
}

void TfrmRestore::RestoreArqs() {
    ProgressBar1->setRange(0, 100);
    ultimoErro_ = RestaurarArquivos(interacao_, this) == FimRestauracao::Erro;
}

void TfrmRestore::DescompactarArquivos() {
    ultimoErro_ = ::DescompactarArquivos(interacao_, Extrator1) == FimRestauracao::Erro;
}

void TfrmRestore::Extrator1Progresso(TExtratorZip&, TTipoProgresso TipoProgr,
                                     const std::string& Filename, int32_t FileSize) {
    if (TipoProgr == tpMembro)
        lblArqAtual->setText(ParaQString("Descompactando " + plataforma::Minusculas1252(Filename) + " ..."));
    if (TipoProgr == tpFim) lblArqAtual->clear();
    barra_.Progresso(TipoProgr, FileSize);
    if (ProgressBar1->minimum() != barra_.minimo || ProgressBar1->maximum() != barra_.maximo)
        ProgressBar1->setRange(barra_.minimo, barra_.maximo);
    Posicao(barra_.posicao);
    ritmo_.Talvez();
}

bool TfrmRestore::FormClose() {
    if (restauracaoEncerrada_) return true;
    if (perguntando_) return false;
    perguntando_ = true;
    const int resposta =
        interacao_.Mensagem("Atenção"_ansi, "Deseja interromper a instalação ???"_ansi, tipoConfirmar);
    perguntando_ = false;
    if (resposta != respostaSim) return false;
    InstalacaoCancelada = true;
    if (Extrator1.Ocupado()) Extrator1.Cancelar();
    // While the restore runs it sees the flag and ends; the window closes then.
    return !executando_;
}

void TfrmRestore::closeEvent(QCloseEvent* e) {
    if (!isVisible() || !FormClose()) {
        e->ignore();
        return;
    }
    e->accept();
    QDialog::done(resultado_);
}

void TfrmRestore::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    CentralizarTela(this);
}

void TfrmRestore::reject() { bbtCancel->click(); }

// The labels are painted with the next events, never here: a piece costs
// only the texts that changed.
void TfrmRestore::Rotulos(const std::string& disco, const std::string& arquivo,
                          const std::string& bytes, const std::string& atual) {
    const std::pair<QLabel*, const std::string*> rotulos[] = {
        {lblInfoDisco, &disco}, {lblInfoArq, &arquivo}, {lblInfoBytes, &bytes}, {lblArqAtual, &atual}};
    for (auto [l, texto] : rotulos)
        if (QString t = ParaQString(*texto); t != l->text()) l->setText(t);
}

// The bar is set only when its position moves, and painted with the next
// events: setValue alone would paint it at once, on every new value.
void TfrmRestore::Posicao(int posicao) {
    if (posicao == ProgressBar1->value()) return;
    ProgressBar1->setUpdatesEnabled(false);
    ProgressBar1->setValue(posicao);
    ProgressBar1->setUpdatesEnabled(true); // an update(), not a repaint
}

void TfrmRestore::DestacarBotao(QPushButton* botao) {
    DestacarBotoes(botao, bbtInstalar, {bbtCancel});
}

void TfrmRestore::FormMouseMove() { DestacarBotao(nullptr); }

bool TfrmRestore::eventFilter(QObject* alvo, QEvent* e) {
    if (QPushButton* sob; MovimentoSobreBotoes(this, alvo, e, {bbtInstalar, bbtCancel}, sob))
        DestacarBotao(sob);
    return QDialog::eventFilter(alvo, e);
}
