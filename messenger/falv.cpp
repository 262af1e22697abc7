// Falavox: the splash for three seconds, then the main window until it closes.
// The command line is ignored.
#include "Janela1252.h"
#include "TextosFalv.h"
#include "mMain.h"
#include "mSplash.h"

#include <QApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int pipeSinal[2] = {-1, -1};

void AoSinal(int) {
    const int erro = errno;
    const char c = 1;
    [[maybe_unused]] auto n = write(pipeSinal[1], &c, 1);
    errno = erro;
}

// The desktop session ending (SIGTERM, SIGHUP) or Ctrl+C in a terminal ends
// the program the way a confirmed exit does: without that, the settings of
// the run would be lost and the user's name would stay in the room. The
// handler only wakes the event loop; *pedido tells main to leave.
void SairAoSinal(bool* pedido) {
    if (pipe2(pipeSinal, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* aviso = new QSocketNotifier(pipeSinal[0], QSocketNotifier::Read, qApp);
    QObject::connect(aviso, &QSocketNotifier::activated, qApp, [pedido] {
        char lixo[16];
        while (read(pipeSinal[0], lixo, sizeof lixo) > 0) {
        }
        *pedido = true;
        // Every event loop returns, a modal dialog's too, and none starts again
        // until the main loop has ended.
        QCoreApplication::exit(0);
    });
    struct sigaction sa = {};
    sa.sa_handler = AoSinal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaction(s, &sa, nullptr);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The task bar's name for the program. Not the display name: Qt would
    // append that to every caption on X11.
    QApplication::setApplicationName(ParaQString(TituloPrograma()));
    QApplication::setWindowIcon(IconePrograma());
    QGuiApplication::setDesktopFileName(QStringLiteral(FALV_ID));
    bool sair = false;
    SairAoSinal(&sair);

    MostrarAbertura();

    TfrmMain frmMain;
    int codigo = 0;
    if (!sair) {
        frmMain.show();
        codigo = QApplication::exec();
    }
    // Out of every handler now, so nothing runs on in the middle of the logoff.
    if (sair) frmMain.Encerrar();
    return codigo;
}
