// The seven gradient layouts, blue to red, as the windows would paint them on
// a grey canvas (what shows in layout 5's border is the canvas).
#include "fGradfil.h"

#include <QDir>
#include <QPainter>
#include <QtTest>

#include "Galeria.h"

class GaleriaGradfil : public QObject {
    Q_OBJECT

private slots:
    void layouts_data() {
        QTest::addColumn<int>("layout");
        for (int layout = 0; layout <= 6; ++layout)
            QTest::addRow("layout %d", layout) << layout;
    }
    void layouts() {
        QFETCH(int, layout);
        QImage tela(320, 200, QImage::Format_RGB32);
        tela.fill(QColor(128, 128, 128));
        QPainter p(&tela);
        TelaQPainter alvo(p);
        PintarDegrade(alvo, uint8_t(layout), 320, 200, 0x00FF0000, 0x000000FF, 128);
        p.end();
        QVERIFY(QDir().mkpath(PastaGaleria()));
        const QString nome = QStringLiteral("fGradfil_layout%1.png").arg(layout);
        QVERIFY(tela.save(QDir(PastaGaleria()).filePath(nome)));
    }
};

QTEST_MAIN(GaleriaGradfil)
#include "galeria_fGradfil.moc"
