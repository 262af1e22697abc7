// The print dialog, for the gallery: two printers standing in for installed
// ones (the machine that draws it has none), "&OK" under the mouse.
#include "Galeria.h"
#include "mPrinttx.h"

#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

class GaleriaPrnDlg : public QObject {
    Q_OBJECT
private slots:
    void DuasImpressoras() {
        QPrinter impressora(QPrinter::HighResolution);
        impressora.setOutputFormat(QPrinter::PdfFormat);
        TfrmPrnDlg dlg(impressora, {QStringLiteral("HP LaserJet da Recepção"),
                                    QStringLiteral("Epson do Financeiro")});
        dlg.setWindowTitle(QStringLiteral("Imprimir Mensagens Recebidas"));
        dlg.findChild<QScrollBar*>("scbNumCopias")->setValue(2);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        dlg.DestacarBotao(dlg.findChild<QPushButton*>("bbtOk"));
        QVERIFY(SalvarJanela(&dlg, "TfrmPrnDlg"));
    }
};

QTEST_MAIN(GaleriaPrnDlg)
#include "galeria_prndlg.moc"
