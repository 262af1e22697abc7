// Falavox: the splash for three seconds, then the main window until it closes.
// The command line is ignored.
#include "mMain.h"
#include "mSplash.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The title "Falavox" is the splash's own window title: an application
    // display name would be appended by Qt to every caption on X11.
    QApplication::setWindowIcon(IconePrograma());

    MostrarAbertura();

    TfrmMain frmMain;
    frmMain.show();
    return QApplication::exec();
}
