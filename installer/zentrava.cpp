// Zentrava 8: the start-up in the main window's creation; with the command
// file and the first disk found, the window runs the installation and the
// program ends with it. A fatal start message or "/X" ends it before any
// window shows. Exit status 0 when the installation completed (or the
// uninstall ran), 1 otherwise.
#include "Unidades.h"
#include "mMain.h"

#include <QApplication>

#include <optional>
#include <string>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The task bar's name for the program. Not the display name: Qt would
    // append that to every caption on X11.
    QApplication::setApplicationName(QStringLiteral("Zentrava 8"));

    // Only the first argument counts, as the host gave it (Qt took its own out).
    std::optional<std::string> argumento;
    if (argc > 1) argumento = argv[1];
    std::string pasta =
        plataforma::CaminhoDos(QCoreApplication::applicationDirPath().toStdString()).value_or("");

    TfrmMain frmMain(std::move(pasta), std::move(argumento));
    if (frmMain.Inicio() != Partida::Instalar) return frmMain.CodigoSaida();
    frmMain.show();
    QApplication::exec();
    return frmMain.CodigoSaida();
}
