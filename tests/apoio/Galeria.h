// The window gallery: pictures of the windows as the user sees them, for a
// person to look at (ctest -L screens). Each picture is the window's client
// area inside a plain Windows-style frame carrying its title, written to
// $FZ_GALERIA/<nome>.png (default ./galeria).
#pragma once

#include <QDir>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QWidget>

inline QString PastaGaleria() {
    QString pasta = qEnvironmentVariable("FZ_GALERIA");
    return pasta.isEmpty() ? QDir::current().filePath("galeria") : pasta;
}

// Returns false when the picture could not be written.
inline bool SalvarJanela(QWidget* janela, const QString& nome) {
    constexpr int borda = 3, barra = 19;
    const QPixmap cliente = janela->grab();
    QImage quadro(cliente.width() + 2 * borda, cliente.height() + barra + 2 * borda,
                  QImage::Format_RGB32);
    quadro.fill(QColor(192, 192, 192));
    QPainter p(&quadro);
    p.fillRect(borda, borda, quadro.width() - 2 * borda, barra - 1, QColor(0, 0, 128));
    QFont f = janela->font();
    f.setPixelSize(11);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    const QRect titulo(borda + 4, borda, quadro.width() - 2 * borda - 24, barra - 1);
    p.drawText(titulo, Qt::AlignVCenter | Qt::AlignLeft, janela->windowTitle());
    p.drawText(QRect(quadro.width() - borda - 18, borda, 16, barra - 1), Qt::AlignCenter,
               QStringLiteral("\u00D7"));
    p.drawPixmap(borda, borda + barra, cliente);
    p.end();
    QDir().mkpath(PastaGaleria());
    return quadro.save(QDir(PastaGaleria()).filePath(nome + ".png"));
}
