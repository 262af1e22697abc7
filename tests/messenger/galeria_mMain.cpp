// The main window for the gallery: disconnected, and connected in a room
// with others after a few messages.
#include "Galeria.h"
#include "InteracaoRoteirizada.h"
#include "PastaMensagens.h"
#include "PastaTemporaria.h"
#include "Texto1252.h"
#include "fMsgdlg.h"
#include "mMain.h"

#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

using namespace plataforma::literais;

namespace {
const std::string kIni = "[Pastas de Mensagens]\r\nVENDAS=c:\\vendas\\\r\nSUPORTE=c:\\suporte\\\r\n"
                         "DIREÇÃO=c:\\diretoria\\\r\n"_ansi;
} // namespace


class GaleriaMain : public QObject {
    Q_OBJECT
    std::unique_ptr<TfrmMain> frm;

    // The window as the program shows it after its start-up logon.
    void Abrir() {
        frm = std::make_unique<TfrmMain>("c:\\falv.ini");
        frm->DefinirSom([](int) {});
        frm->show();
        QVERIFY(QTest::qWaitForWindowExposed(frm.get()));
        QTRY_VERIFY(frm->windowTitle().contains(" - [ "));
    }

private slots:
    void cleanup() { frm.reset(); }

    void Desconectado() {
        PastaTemporaria tmp;
        tmp.Escrever("falv.ini", kIni);
        RespostaMensagens mensagens;
        Abrir();
        QVERIFY(SalvarJanela(frm.get(), "TfrmMain_desconectado"));
    }

    void ConectadoComOutros() {
        PastaTemporaria tmp;
        tmp.Escrever("falv.ini", kIni + "[Logon]\r\nUsuario=ANA\r\nNome Da Pasta=VENDAS\r\n"
                                        "Caminho Da Pasta=c:\\vendas\\\r\n");
        tmp.Escrever("vendas/users.fvx", "JOSE\r\nMARIA\r\n");
        RespostaMensagens mensagens;
        Abrir();

        Sessao s;
        s.usuario = "JOSE";
        s.caminhoPasta = "c:\\vendas\\";
        InteracaoRoteirizada ui;
        PastaMensagens jose(s, ui);
        QVERIFY(jose.GravarMensagem("ANA", "Bom dia! A reunião começa às 10h."_ansi));
        frm->Timer1Timer();
        frm->findChild<QPlainTextEdit*>("memMsgEnv_Tmp")->setPlainText(QStringLiteral("Obrigada, estarei lá."));
        frm->findChild<QListWidget*>("lbxUsuarios")->setCurrentRow(1);
        frm->findChild<QPushButton*>("sbtEnviarMsg")->click();
        s.usuario = "MARIA";
        QVERIFY(jose.GravarMensagem("ANA", "Alguém viu o relatório de vendas?"_ansi));
        frm->Timer1Timer();
        frm->findChild<QListWidget*>("lbxUsuarios")->setCurrentRow(2);
        frm->findChild<QPlainTextEdit*>("memMsgEnv_Tmp")->setPlainText(QStringLiteral("Está na pasta do setor."));
        frm->findChild<QPushButton*>("sbtEnviarMsg")->click();
        frm->findChild<QPlainTextEdit*>("memMsgEnv_Tmp")->setPlainText(QStringLiteral("Até já"));
        frm->DestacarBotao(frm->findChild<QPushButton*>("sbtEnviarMsg"));
        QVERIFY(SalvarJanela(frm.get(), "TfrmMain_conectado"));
    }
};

QTEST_MAIN(GaleriaMain)
#include "galeria_mMain.moc"
