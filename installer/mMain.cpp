#include "mMain.h"

#include "EstiloJanelas.h"
#include "Integracao.h"
#include "SequenciaInstalacao.h"
#include "Janela1252.h"
#include "Texto1252.h"
#include "fGradfil.h"
#include "fMsgdlg.h"
#include "mApresnt.h"
#include "mPathapl.h"
#include "mRestore.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QToolTip>

#include <algorithm>

using namespace plataforma::literais;

namespace {

constexpr uint8_t layoutFaixasHorizontais = 2;
constexpr uint8_t passosFundo = 128;
// Arial 30 and 10 points at the 96 dots per inch the layout was drawn for.
constexpr int pixelsTitulo = 40;
constexpr int pixelsSubTitulo = 13;

// The text's cell has its top left corner at (x, y), as the layout places it.
void Escrever(QPainter& p, int x, int y, const std::string& texto, TCor cor) {
    p.setPen(CorParaQColor(cor));
    p.drawText(x, y + p.fontMetrics().ascent(), ParaQString(texto));
}

int16_t Medida16(int pixels) {
    return static_cast<int16_t>(std::clamp(pixels, 0, 32767));
}

} // namespace

TfrmMain::TfrmMain(std::string dirInstalador, std::optional<std::string> argumento,
                   QWidget* pai)
    : QWidget(pai, Qt::Window | Qt::FramelessWindowHint) {
    setObjectName("frmMain");
    setFont(FonteJanela(11, false));
    QPalette paleta = palette();
    paleta.setColor(QPalette::WindowText, Qt::black);
    setPalette(paleta);
    FormCreate(dirInstalador, argumento);
    // The task bar's entry: the application's title, as the backdrop paints it.
    setWindowTitle(Titulo.empty() ? QApplication::applicationName() : ParaQString(Titulo));
}

TfrmMain::~TfrmMain() {
    LiberarListas();
}

void TfrmMain::FormCreate(const std::string& dirInstalador,
                          const std::optional<std::string>& argumento) {
    if (dirInstalador.empty()) {
        // No drive reaches the program's folder, so neither can its command file.
        ui_.Mensagem("Erro", "Não foi encontrado o arquivo de comandos ZENTRAVA.CMD"_ansi, 6);
        partida_ = Partida::Encerrar;
        return;
    }
    std::optional<std::string_view> arg;
    if (argumento) arg = *argumento;
    partida_ = IniciarInstalador(ui_, dirInstalador, arg);
    if (partida_ == Partida::Desinstalar) codigoSaida_ = ::Desinstalar(ui_) ? 0 : 1;
}

void TfrmMain::Maximizar() {
    if (QScreen* tela = screen()) setGeometry(tela->availableGeometry());
    setWindowState(windowState() | Qt::WindowMaximized);
}

void TfrmMain::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (mostrada_) return;
    mostrada_ = true;
    Maximizar(); // before it first reaches the screen, so it never shows small
    // Once the backdrop is on the screen, so the screens open over it.
    QTimer::singleShot(0, this, &TfrmMain::FormShow);
}

template <class Tela> void TfrmMain::ExibirTela() {
    ui_.CursorOcupado();
    QPointer<Tela> tela = new Tela(this);
    ui_.CursorNormal();
    tela->exec();
    delete tela; // a screen that deleted itself on closing has cleared the pointer
}

void TfrmMain::FormShow() {
    emInstalacao_ = true;
    QPalette dica = QToolTip::palette();
    dica.setColor(QPalette::ToolTipBase, CorParaQColor(clAqua));
    QToolTip::setPalette(dica);
    InstalacaoCancelada = false;
    Maximizar();

    ExibirTela<TfrmApresnt>();
    if (!InstalacaoCancelada) ExibirTela<TfrmPathApl>();
    if (InstalacaoCancelada) {
        ui_.Mensagem("Atenção"_ansi, "O aplicativo não foi instalado corretamente."_ansi, 5);
        return Encerrar(1);
    }
    if (!IniciarInstalacao(ui_)) return Encerrar(1);
    ExibirTela<TfrmRestore>();
    // Every way out ends the program: a failure has shown its last message.
    const FimInstalacao fim = InstalacaoCancelada ? DesfazerInstalacao(ui_) : ConcluirInstalacao(ui_);
    Encerrar(fim == FimInstalacao::Concluida ? 0 : 1);
}

bool TfrmMain::AlterarArquivosINI() {
    return ::AlterarArquivosINI(ui_);
}

bool TfrmMain::ExecutarArquivos() {
    return ::ExecutarArquivos(ui_);
}

bool TfrmMain::CriarGrupodePrograma() {
    return ::CriarGrupodePrograma(ui_);
}

void TfrmMain::Encerrar(int codigo) {
    LiberarListas();
    codigoSaida_ = codigo;
    emInstalacao_ = false;
    close();
}

void TfrmMain::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QSize tela = screen() ? screen()->geometry().size() : size();
    TelaQPainter canvas(p);
    PintarDegrade(canvas, layoutFaixasHorizontais, Medida16(tela.width()),
                  Medida16(tela.height()), CorFundo1, CorFundo2, passosFundo);

    const int h = height();
    p.setBackgroundMode(Qt::TransparentMode);
    p.setFont(FonteArial(pixelsTitulo, true));
    Escrever(p, 30, 20, Titulo, CorSombra);
    Escrever(p, 32, 22, Titulo, CorTitulo);
    p.setFont(FonteArial(pixelsSubTitulo, true));
    Escrever(p, 30, 70, SubTitulo, CorSubTitulo);
    Escrever(p, 30, h - 40, Rodape, CorSubTitulo);
    p.fillRect(QRect(0, h - 63, tela.width(), 3), CorParaQColor(CorTitulo));
}

void TfrmMain::closeEvent(QCloseEvent* e) {
    // While the sequence runs, it alone ends the program.
    if (emInstalacao_)
        e->ignore();
    else
        e->accept();
}

void TfrmMain::keyPressEvent(QKeyEvent* e) {
    // The window has no close box: after a failure the user leaves with
    // Escape, or Alt+F4 where no window manager takes it.
    const bool altF4 = e->key() == Qt::Key_F4 && (e->modifiers() & Qt::AltModifier);
    if (!emInstalacao_ && (e->key() == Qt::Key_Escape || altF4)) {
        close();
        return;
    }
    QWidget::keyPressEvent(e);
}
