#include "Janela1252.h"

#include "Texto1252.h"

// One codec for cores and windows alike: the platform's table, reached
// through UTF-8.
QString ParaQString(const std::string& texto1252) {
    return QString::fromStdString(plataforma::Cp1252ParaUtf8(texto1252));
}

std::string Para1252(const QString& texto) {
    return plataforma::Utf8Para1252(texto.toStdString());
}
