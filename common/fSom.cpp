#include "fSom.h"

#include <QApplication>

void TocarSom(int /*tipo*/) {
    QApplication::beep();
}
