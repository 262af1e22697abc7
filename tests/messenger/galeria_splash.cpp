// Pictures of the splash at start and as the about box. The window has no
// title bar, so it is pictured as it stands, without the gallery's frame.
#include "Galeria.h"
#include "mSplash.h"

#include <QPushButton>
#include <QtTest>

class GaleriaSplash : public QObject {
    Q_OBJECT

    static void Fotografar(TfrmSplash::Modo modo, const QString& nome) {
        TfrmSplash d(modo);
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        if (modo == TfrmSplash::Modo::Sobre) d.DestacarBotao(d.findChild<QPushButton*>("bbtOk"));
        QDir().mkpath(PastaGaleria());
        QVERIFY(d.grab().save(QDir(PastaGaleria()).filePath(nome + ".png")));
    }

private slots:
    void Abertura() { Fotografar(TfrmSplash::Modo::Abertura, "TfrmSplash_abertura"); }
    void Sobre() { Fotografar(TfrmSplash::Modo::Sobre, "TfrmSplash_sobre"); }
};

QTEST_MAIN(GaleriaSplash)
#include "galeria_splash.moc"
