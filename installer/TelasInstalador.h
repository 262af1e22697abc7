// What the installer's small screens share: their window frame, font and
// placement in the middle of the screen.
#pragma once

class QDialog;

// A fixed-size dialog border with only the system menu and the close box.
void PrepararTela(QDialog* tela, const char* nome);
// Centred on the screen the dialog is on.
void CentralizarTela(QDialog* tela);
