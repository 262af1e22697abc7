// Pictures of the installer's presentation and destination folder screens.
#include "Galeria.h"
#include "PastaTemporaria.h"
#include "Texto1252.h"
#include "Unidades.h"
#include "mApresnt.h"
#include "mPathapl.h"
#include "mSetuplb.h"

#include <QComboBox>
#include <QPushButton>
#include <QtTest>

using namespace plataforma::literais;

class GaleriaTelas : public QObject {
    Q_OBJECT

    PastaTemporaria pasta;

    // The drives a user of the installer would see.
    void Unidades() {
        QDir(QString::fromStdString(pasta.Host())).mkpath("usb");
        QDir(QString::fromStdString(pasta.Host())).mkpath("usuario");
        plataforma::TabelaUnidades t;
        t.raizes['A'] = pasta.Host() + "/usb";
        t.raizes['C'] = pasta.Host() + "/usuario";
        t.raizes['Z'] = "/";
        plataforma::DefinirUnidades(t);
    }

private slots:
    void initTestCase() {
        RestaurarConfiguracao();
        Unidades();
        Titulo = "Sistema de Vendas e Estoque";
        DirBase = "\\VENDAS";
    }

    void Apresentacao() {
        TfrmApresnt a;
        a.show();
        QVERIFY(QTest::qWaitForWindowExposed(&a));
        a.DestacarBotao(a.findChild<QPushButton*>("bbtOk"));
        QVERIFY(SalvarJanela(&a, "TfrmApresnt"));
    }

    void DestinoFixo() {
        Instalacao = "000000";
        TfrmPathApl d;
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QVERIFY(SalvarJanela(&d, "TfrmPathApl_fixo"));
    }

    void DestinoEditavel() {
        Instalacao = "001000";
        TfrmPathApl d;
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        d.DestacarBotao(d.findChild<QPushButton*>("bbtCancel"));
        QVERIFY(SalvarJanela(&d, "TfrmPathApl_editavel"));
    }
};

QTEST_MAIN(GaleriaTelas)
#include "galeria_telas.moc"
