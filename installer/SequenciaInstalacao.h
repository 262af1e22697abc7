// SequenciaInstalacao: the whole installation once DirBase is chosen, without
// windows: the restore (files from the disks, archives extracted), the INI
// entries, the programs, the 1133-byte uninstall log, the program group, the
// copy of the installer kept in the application folder with its "Desinstalar"
// menu item, and the record of every change (RegistroInstalacao) from which a
// run that ends early is rolled back. Also the uninstall ("/X").
//
// The windowed program runs the same steps split around its restore window:
// IniciarInstalacao before it, ConcluirInstalacao (or DesfazerInstalacao when
// the window ended early) after it. Everything reaches the user through the
// Interacao given; the settings are those of mSetuplb.
#pragma once

#include "Interacao.h"
#include "Restauracao.h"

#include <string>
#include <string_view>

enum class FimInstalacao {
    Concluida, // installed; "Instalação completada com sucesso." was shown
    Cancelada, // stopped before anything was changed; nothing to undo
    Desfeita,  // ended early: what it changed was rolled back and the user told so
};

// From the record's opening to the completion message: the one window-free run.
FimInstalacao ExecutarInstalacao(Interacao& ui, ObservadorRestauracao* observador);

// Before the restore: rolls back what a killed run left in DirBase, then opens
// the record there (DirBase created when missing). False after its message:
// nothing was changed and the installation cannot go on.
bool IniciarInstalacao(Interacao& ui);
// After a complete restore: INI entries, programs, log, group, the installer's
// copy and its menu item, the completion message. A failure there rolls back.
FimInstalacao ConcluirInstalacao(Interacao& ui);
// The restore ended early (cancelled or failed, its message shown): rolls back
// and shows "O aplicativo não foi instalado corretamente.".
FimInstalacao DesfazerInstalacao(Interacao& ui);

// "/X": DirDisco (or the host folder given) names the application folder.
// Asks first unless `perguntar` is false. True only after a successful
// uninstall; false when nothing was deleted or something was left.
bool Desinstalar(Interacao& ui, bool perguntar = true);

// A second file, host path, that receives every record line from now on too,
// and the messages given to RegistrarMensagem (the unattended mode's --log).
// An empty path stops the mirror. False when it cannot be opened.
bool EspelharRegistro(std::string caminhoHost);
void RegistrarMensagem(std::string_view texto);

// Test seam: the files copied into the application folder as the installer
// and its engine (host paths); empty texts put back the running ones.
void DefinirCopiaInstalador(std::string programa, std::string motor);
