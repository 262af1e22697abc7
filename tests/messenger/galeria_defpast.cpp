// The folder list editor with three folders, for the gallery.
#include "Galeria.h"
#include "PastaTemporaria.h"
#include "Texto1252.h"
#include "fMsgdlg.h"
#include "mDefpast.h"

#include <QPushButton>
#include <QtTest>

using namespace plataforma::literais;

class GaleriaDefPastas : public QObject {
    Q_OBJECT
private slots:
    void TresPastas() {
        PastaTemporaria tmp;
        // The dialog shows what the settings file holds.
        tmp.Escrever("falv.ini", "[Pastas de Mensagens]\r\n"
                                 "VENDAS=f:\\mensagens\\vendas\\\r\n"
                                 "SUPORTE TÉCNICO=f:\\mensagens\\suporte técnico\\\r\n"_ansi
                                 "DIREÇÃO=g:\\diretoria\\reuniões\\sala de decisão\\\r\n"_ansi
                                 "[Logon]\r\nCriar Pasta Automaticamente=1\r\n");
        RespostaMensagens mensagens;
        Sessao sessao;
        TfrmDefPastas dlg(sessao, "c:\\falv.ini");
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCOMPARE(sessao.nomesPastas.size(), std::size_t(3));
        dlg.DestacarBotao(dlg.findChild<QPushButton*>("bbtOk"));
        QVERIFY(SalvarJanela(&dlg, "TfrmDefPastas"));
    }
};

QTEST_MAIN(GaleriaDefPastas)
#include "galeria_defpast.moc"
