// The glyph buttons of the installer's screens: a bold caption beside a
// drawn picture that means confirm or cancel.
#pragma once

#include <QString>

class QIcon;
class QPushButton;
class QWidget;

QIcon GlifoConfirmar(); // a green tick
QIcon GlifoCancelar();  // a red cross
QIcon GlifoInstalar();  // a green arrow going down into a tray

// A glyph button named nome, with the screens' bold font.
QPushButton* BotaoComGlifo(const char* nome, const QString& legenda, const QIcon& glifo,
                           QWidget* pai);
