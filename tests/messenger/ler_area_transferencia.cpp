// Prints the clipboard's text as UTF-8, so the two-station test can read what
// a window copied. Exit status 1 when the clipboard holds no text.
#include <QClipboard>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QByteArray texto = QGuiApplication::clipboard()->text().toUtf8();
    std::fwrite(texto.data(), 1, static_cast<std::size_t>(texto.size()), stdout);
    return texto.isEmpty() ? 1 : 0;
}
