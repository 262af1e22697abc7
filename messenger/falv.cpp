// Falavox: the splash for three seconds, then the main window until it closes.
// The command line is ignored.
#include "Janela1252.h"
#include "TextosFalv.h"
#include "mMain.h"
#include "mSplash.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The task bar's name for the program. Not the display name: Qt would
    // append that to every caption on X11.
    QApplication::setApplicationName(ParaQString(TituloPrograma()));
    QApplication::setWindowIcon(IconePrograma());

    MostrarAbertura();

    TfrmMain frmMain;
    frmMain.show();
    return QApplication::exec();
}
