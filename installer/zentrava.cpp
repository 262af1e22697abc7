// Zentrava 8: the start-up in the main window's creation; with the command
// file and the first disk found, the window runs the installation and the
// program ends with it. A fatal start message or "/X" ends it before any
// window shows. The command line is read before any display is needed:
// "--help" prints the usage, a bad line is refused on the terminal, and
// "--silencioso" runs the whole installation without any window.
#include "CopiaPrivada.h"
#include "ModoSilencioso.h"
#include "OpcoesLinha.h"
#include "Unidades.h"
#include "mMain.h"

#include <QApplication>

#include <cstdio>
#include <optional>
#include <string>

int main(int argc, char** argv) {
    OpcoesLinha opcoes = LerOpcoes(argc, argv);
    if (opcoes.ajuda && opcoes.erro.empty()) {
        std::fputs(TextoAjuda().c_str(), stdout);
        return saidaConcluida;
    }
    if (!opcoes.erro.empty()) {
        std::fprintf(stderr, "zentrava: %s\n%s", opcoes.erro.c_str(), LinhaUso().c_str());
        return saidaUso;
    }
    if (opcoes.silencioso) {
        // No QApplication: nothing may reach for a display.
        return ExecutarSilencioso(opcoes,
                                  plataforma::CaminhoDos(PastaDoPrograma()).value_or(""));
    }
    ContinuarDeCopiaPrivada(argv, opcoes.argumento);

    QApplication app(argc, argv);
    // The task bar's name for the program. Not the display name: Qt would
    // append that to every caption on X11.
    QApplication::setApplicationName(QStringLiteral("Zentrava 8"));

    std::string pasta = plataforma::CaminhoDos(PastaDoPrograma()).value_or("");
    TfrmMain frmMain(std::move(pasta), opcoes.argumento);
    if (frmMain.Inicio() != Partida::Instalar) return frmMain.CodigoSaida();
    frmMain.show();
    QApplication::exec();
    return frmMain.CodigoSaida();
}
