// Pictures of the messenger's windows for the gallery.
#include "Galeria.h"
#include "InteracaoRoteirizada.h"
#include "PastaMensagens.h"
#include "Texto1252.h"
#include "mLogon.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace plataforma::literais;

class GaleriaFalv : public QObject {
    Q_OBJECT
private slots:
    void Logon() {
        Sessao sessao;
        sessao.nomesPastas = {"Geral", "Suporte Técnico"_ansi};
        sessao.caminhosPastas = {"f:\\geral\\", "f:\\suporte\\"};
        sessao.nomePasta = "GERAL";
        InteracaoRoteirizada ui;
        PastaMensagens pasta(sessao, ui);
        TfrmLogon dlg(sessao, pasta);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QTest::keyClicks(dlg.findChild<QLineEdit*>("edtNome"), QStringLiteral("jose"));
        dlg.DestacarBotao(dlg.findChild<QPushButton*>("bbtOk"));
        QVERIFY(SalvarJanela(&dlg, "TfrmLogon"));
    }
};

QTEST_MAIN(GaleriaFalv)
#include "galeria_falv.moc"
