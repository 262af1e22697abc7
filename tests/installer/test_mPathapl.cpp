// The presentation and destination folder screens, driven through their
// controls with real key and mouse events; messages and the folder chooser
// answer from scripts.
#include "Janela1252.h"
#include "PastaTemporaria.h"
#include "Texto1252.h"
#include "Unidades.h"
#include "fDirsel.h"
#include "fMsgdlg.h"
#include "mApresnt.h"
#include "mPathapl.h"
#include "mSetuplb.h"

#include <QClipboard>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

using namespace plataforma::literais;

class TestePathApl : public QObject {
    Q_OBJECT

    std::unique_ptr<PastaTemporaria> tmp;
    std::unique_ptr<TfrmPathApl> dlg;
    QComboBox* DriveCombo1 = nullptr;
    QLineEdit* edtDirAplic = nullptr;
    QPushButton* btnProcurar = nullptr;
    QPushButton* bbtOk = nullptr;
    QPushButton* bbtCancel = nullptr;

    // C: and D: are folders; E: has no free space at all; F: cannot be queried.
    void Unidades() {
        const QString raiz = QString::fromStdString(tmp->Host());
        QDir(raiz).mkpath("c");
        QDir(raiz).mkpath("d");
        plataforma::TabelaUnidades t;
        t.raizes['C'] = tmp->Host() + "/c";
        t.raizes['D'] = tmp->Host() + "/d";
        t.raizes['E'] = "/proc";
        t.raizes['F'] = tmp->Host() + "/sumiu";
        plataforma::DefinirUnidades(t);
    }
    void Abrir(const char* codigo) {
        Instalacao = codigo;
        dlg = std::make_unique<TfrmPathApl>();
        DriveCombo1 = dlg->findChild<QComboBox*>("DriveCombo1");
        edtDirAplic = dlg->findChild<QLineEdit*>("edtDirAplic");
        btnProcurar = dlg->findChild<QPushButton*>("btnProcurar");
        bbtOk = dlg->findChild<QPushButton*>("bbtOk");
        bbtCancel = dlg->findChild<QPushButton*>("bbtCancel");
        QVERIFY(DriveCombo1 && edtDirAplic && btnProcurar && bbtOk && bbtCancel);
        dlg->show();
        // Without a window manager (Xvfb) nothing activates it, and focus
        // stays nowhere.
        dlg->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dlg.get()));
    }
    void Digitar(const QString& texto) {
        QTest::keyClick(edtDirAplic, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edtDirAplic, texto);
    }
    void EscolherDrive(char letra) {
        DriveCombo1->setFocus();
        const int i = DriveCombo1->findData(QChar(letra).toUpper());
        QVERIFY(i >= 0);
        QTest::keyClick(DriveCombo1, Qt::Key_Home);
        for (int n = 0; n < i; ++n) QTest::keyClick(DriveCombo1, Qt::Key_Down);
        QCOMPARE(DriveCombo1->currentData().toChar(), QChar(letra).toUpper());
    }
    static void Clicar(QPushButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
    static void Mover(QWidget* w) {
        const QPointF centro = w->rect().center();
        QMouseEvent e(QEvent::MouseMove, centro, w->mapToGlobal(centro), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    static QColor Cor(QPushButton* b) { return b->palette().color(QPalette::ButtonText); }

private slots:
    void init() {
        tmp = std::make_unique<PastaTemporaria>();
        RestaurarConfiguracao();
        Unidades();
        DirBase = "\\SISTEMA";
        TotalBytes = 1000;
    }
    void cleanup() {
        dlg.reset();
        RestaurarConfiguracao();
        tmp.reset();
    }

    void PastaFixa() {
        Abrir("000000");
        QCOMPARE(dlg->windowTitle(), QStringLiteral("Drive/Diretório do Aplicativo"));
        QCOMPARE(DriveCombo1->currentData().toChar(), QChar('C'));
        QCOMPARE(edtDirAplic->text(), QStringLiteral("\\SISTEMA"));
        QVERIFY(!edtDirAplic->isEnabled());
        QVERIFY(!btnProcurar->isEnabled());
        RespostaMensagens respostas;
        Clicar(bbtOk);
        QVERIFY(!dlg->isVisible());
        QCOMPARE(dlg->result(), mrOk);
        QCOMPARE(DirBase, std::string("c:\\SISTEMA\\"));
        QVERIFY(respostas.Chamadas().empty());
        QVERIFY(!InstalacaoCancelada);
    }

    void CodigoCurtoTambemFixa() {
        Abrir("00");
        QVERIFY(!edtDirAplic->isEnabled());
    }

    void PastaDigitadaNoDriveD() {
        Abrir("001000");
        QVERIFY(edtDirAplic->isEnabled() && btnProcurar->isEnabled());
        EscolherDrive('d');
        Digitar("VENDAS");
        Clicar(bbtOk);
        QCOMPARE(DirBase, std::string("d:\\VENDAS\\"));
    }

    void PastaCurtaVoltaASugerida() {
        Abrir("001000");
        Digitar("ABC");
        Clicar(bbtOk);
        QCOMPARE(DirBase, std::string("c:\\SISTEMA\\"));
    }

    void CaracteresProibidosDescartados() {
        Abrir("001000");
        Digitar("\\a.b:c*d<e>f?g");
        QCOMPARE(edtDirAplic->text(), QStringLiteral("\\abcdefg"));
    }

    void ProcurarEscolheDriveEPasta() {
        Abrir("001000");
        RespostaPasta pastas;
        pastas.Escolher("d:\\programas\\vendas");
        Clicar(btnProcurar);
        QCOMPARE(pastas.Chamadas().size(), std::size_t(1));
        QCOMPARE(pastas.Chamadas()[0].titulo, "Selecione o Diretório/Pasta"_ansi);
        QCOMPARE(pastas.Chamadas()[0].pastaInicial, std::string("c:\\sistema"));
        QCOMPARE(DriveCombo1->currentData().toChar(), QChar('D'));
        QCOMPARE(edtDirAplic->text(), QStringLiteral("\\programas\\vendas"));
        QCOMPARE(QApplication::focusWidget(), bbtOk);
        // Cancelled: nothing changes.
        pastas.Cancelar();
        Clicar(btnProcurar);
        QCOMPARE(edtDirAplic->text(), QStringLiteral("\\programas\\vendas"));
        QTest::keyClick(bbtOk, Qt::Key_Return);
        QCOMPARE(DirBase, std::string("d:\\programas\\vendas\\"));
    }

    void SemEspacoNadaMuda() {
        Abrir("001000");
        RespostaMensagens respostas;
        for (char letra : {'e', 'f'}) { // no room; cannot be queried
            EscolherDrive(letra);
            Clicar(bbtOk);
            QVERIFY(dlg->isVisible());
            QCOMPARE(DirBase, std::string("\\SISTEMA"));
            QCOMPARE(QApplication::focusWidget(), DriveCombo1);
        }
        QCOMPARE(respostas.Chamadas().size(), std::size_t(2));
        QCOMPARE(respostas.Chamadas()[0].titulo, std::string("Erro"));
        QCOMPARE(respostas.Chamadas()[0].texto,
                 std::string("Espaco insuficiente no drive selecionado."));
        QCOMPARE(respostas.Chamadas()[0].tipo, 6);
        EscolherDrive('c');
        Clicar(bbtOk);
        QVERIFY(!dlg->isVisible());
        QCOMPARE(DirBase, std::string("c:\\SISTEMA\\"));
    }

    // A total the command file gives as negative does not let a drive that
    // cannot be queried, nor one no drive maps, through.
    void UnidadeSemConsultaComTotalNegativo() {
        TotalBytes = -100;
        Abrir("001000");
        RespostaMensagens respostas;
        EscolherDrive('f');
        Clicar(bbtOk);
        QVERIFY(dlg->isVisible());
        EscolherDrive('c');
        QGuiApplication::clipboard()->setText(QStringLiteral("q:\\vendas"));
        QTest::keyClick(edtDirAplic, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edtDirAplic, Qt::Key_V, Qt::ControlModifier);
        Clicar(bbtOk);
        QVERIFY(dlg->isVisible());
        QCOMPARE(DirBase, std::string("\\SISTEMA"));
        QCOMPARE(respostas.Chamadas().size(), std::size_t(2));
    }

    void CancelarPergunta() {
        Abrir("001000");
        RespostaMensagens respostas;
        respostas.Responder({mrNo, mrNo, mrNo, mrYes});
        Clicar(bbtCancel);
        QVERIFY(dlg->isVisible());
        QVERIFY(dlg->close() == false); // the close box, answered No
        QTest::keyClick(edtDirAplic, Qt::Key_Escape);
        QVERIFY(dlg->isVisible());
        QVERIFY(!InstalacaoCancelada);
        Clicar(bbtCancel);
        QVERIFY(!dlg->isVisible());
        QCOMPARE(dlg->result(), mrCancel);
        QVERIFY(InstalacaoCancelada);
        QCOMPARE(DirBase, std::string("\\SISTEMA")); // interrupting leaves it
        QCOMPARE(respostas.Chamadas().size(), std::size_t(4));
        QCOMPARE(respostas.Chamadas()[0].titulo, "Atenção"_ansi);
        QCOMPARE(respostas.Chamadas()[0].texto, "Deseja interromper a instalação ???"_ansi);
        QCOMPARE(respostas.Chamadas()[0].tipo, 7);
    }

    void PastaComOutroDrive() {
        Abrir("001000");
        QGuiApplication::clipboard()->setText(QStringLiteral("d:\\x"));
        QTest::keyClick(edtDirAplic, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edtDirAplic, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(edtDirAplic->text(), QStringLiteral("d:\\x"));
        // The chooser opens on that drive, not on "c:d:\x".
        RespostaPasta pastas;
        Clicar(btnProcurar);
        QCOMPARE(pastas.Chamadas().at(0).pastaInicial, std::string("d:\\x"));
        Clicar(bbtOk);
        QCOMPARE(DirBase, std::string("d:\\x\\"));
    }

    // Below the folder: the host folder the choice means and the space
    // needed beside the space free, as drive and text change; a folder text
    // holding '/' refused at once, typed or pasted, and again at "OK", so the
    // restore never starts with it.
    void PastaDoSistemaEEspaco() {
        plataforma::TabelaUnidades t = plataforma::Unidades();
        t.raizes['Z'] = "/";
        plataforma::DefinirUnidades(t);
        TotalBytes = 3 * 1048576 + 104857;
        Abrir("001000");
        auto* host = dlg->findChild<QLabel*>("lblPastaHost");
        auto* espaco = dlg->findChild<QLabel*>("lblEspaco");
        QVERIFY(host && espaco && host->isVisible() && espaco->isVisible());
        const QString c = QString::fromStdString(tmp->Host()) + "/c";
        QCOMPARE(host->text(), "Pasta no sistema: " + c + "/SISTEMA");
        QVERIFY2(espaco->text().startsWith(QStringLiteral("Espaço necessário: 3,1 MB   Livre em C: ")),
                 qPrintable(espaco->text()));
        QVERIFY(espaco->text().endsWith(QStringLiteral(" MB")));
        Digitar(QStringLiteral("\\Agenda Nova"));
        QCOMPARE(host->text(), "Pasta no sistema: " + c + "/Agenda Nova");
        EscolherDrive('z');
        QCOMPARE(host->text(), QStringLiteral("Pasta no sistema: /Agenda Nova"));
        QVERIFY(espaco->text().contains(QStringLiteral("Livre em Z: ")));
        EscolherDrive('f');
        QVERIFY(espaco->text().endsWith(QStringLiteral("Livre em F: indisponível")));
        EscolherDrive('z');

        RespostaMensagens respostas;
        Digitar(QStringLiteral("/opt/x"));
        QCOMPARE(edtDirAplic->text(), QStringLiteral("optx"));
        QCOMPARE(respostas.Chamadas().size(), std::size_t(2));
        QCOMPARE(respostas.Chamadas()[0].titulo, std::string("Erro"));
        QVERIFY(respostas.Chamadas()[0].texto.find("drive Z: (a raiz /)") != std::string::npos);
        QGuiApplication::clipboard()->setText(QStringLiteral("/opt/estoque"));
        QTest::keyClick(edtDirAplic, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edtDirAplic, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(edtDirAplic->text(), QStringLiteral("optx"));
        QCOMPARE(respostas.Chamadas().at(2).texto,
                 "A pasta \"/opt/estoque\" tem \"/\": aqui a pasta é escrita como no DOS, com "
                 "\"\\\" e um drive.\rPara instalar em /opt/estoque, escolha o drive Z: e informe "
                 "a pasta \\opt\\estoque."_ansi);
        QCOMPARE(host->text(), QStringLiteral("Pasta no sistema: /optx"));
        dlg.reset();

        DirBase = "/opt/x";
        Abrir("000000");
        respostas.Responder(mrOk);
        Clicar(bbtOk);
        QVERIFY(dlg->isVisible());
        QCOMPARE(DirBase, std::string("/opt/x"));
        QCOMPARE(respostas.Chamadas().size(), std::size_t(4));
        QCOMPARE(TextoMB(1536LL * 1048576 * 1000), std::string("1.536.000,0 MB"));
        QCOMPARE(TextoMB(1), std::string("0,1 MB"));
    }

    void RegrasDaPasta() {
        const std::string s = "\\SISTEMA";
        QCOMPARE(DestinoInstalacao("", 'C', s), std::string("c:\\SISTEMA\\"));
        QCOMPARE(DestinoInstalacao("\\ab", 'c', s), std::string("c:\\SISTEMA\\"));
        QCOMPARE(DestinoInstalacao("\\abc", 'c', s), std::string("c:\\abc\\"));
        QCOMPARE(DestinoInstalacao("app\\", 'd', s), std::string("d:\\app\\"));
        QCOMPARE(DestinoInstalacao("a:\\vendas", 'c', s), std::string("c:\\SISTEMA\\"));
        QCOMPARE(DestinoInstalacao("B:\\vendas", 'c', s), std::string("c:\\SISTEMA\\"));
        QCOMPARE(DestinoInstalacao("D:vendas", 'c', s), std::string("d:\\vendas\\"));
        QCOMPARE(DestinoInstalacao("xy", 'c', "e:\\base"), std::string("e:\\base\\"));
        QCOMPARE(DestinoInstalacao("", 'c', ""), std::string("c:\\"));
    }

    void OrdemEAtalhos() {
        Abrir("001000");
        QCOMPARE(QApplication::focusWidget(), DriveCombo1);
        const QList<QWidget*> ordem{edtDirAplic, btnProcurar, bbtOk, bbtCancel, DriveCombo1};
        for (QWidget* proximo : ordem) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), proximo);
        }
        QTest::keyClick(dlg.get(), Qt::Key_D, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), edtDirAplic);
        QTest::keyClick(dlg.get(), Qt::Key_R, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), DriveCombo1);
        QVERIFY(bbtOk->isDefault());
        QVERIFY(bbtOk->font().bold() && bbtCancel->font().bold());
        QCOMPARE(bbtCancel->text(), QStringLiteral("&Cancelar"));
        QCOMPARE(btnProcurar->text(), QStringLiteral("&Procurar..."));
        QVERIFY(dlg->findChild<QFrame*>("bevDrive") && dlg->findChild<QFrame*>("bevDirAplic"));
        QCOMPARE(dlg->findChild<QLabel*>("lblDrive")->text(),
                 QStringLiteral("Selecione o D&rive onde você quer instalar o produto:"));
        QCOMPARE(dlg->findChild<QLabel*>("lblDirAplic")->text(),
                 QStringLiteral("Informe nome do &Diretório/Pasta do produto:"));
    }

    void Destaque() {
        Abrir("001000");
        Mover(bbtOk);
        QCOMPARE(Cor(bbtOk), QColor(0, 255, 0));
        QCOMPARE(Cor(bbtCancel), QColor(Qt::black));
        Mover(bbtCancel);
        QCOMPARE(Cor(bbtCancel), QColor(255, 0, 0));
        QCOMPARE(Cor(bbtOk), QColor(Qt::black));
        Mover(edtDirAplic);
        QCOMPARE(Cor(bbtCancel), QColor(Qt::black));
        Mover(bbtOk);
        Mover(dlg->findChild<QLabel*>("lblDrive"));
        QCOMPARE(Cor(bbtOk), QColor(Qt::black));
    }

    // ---- The presentation screen ----

    void Apresentacao() {
        Titulo = "Sistema de Vendas";
        TfrmApresnt a;
        a.show();
        QVERIFY(QTest::qWaitForWindowExposed(&a));
        QCOMPARE(a.windowTitle(), QStringLiteral("Zentrava 8 - Programa de Instalação"));
        auto* lbl = a.findChild<QLabel*>("lblApresnt");
        auto* ok = a.findChild<QPushButton*>("bbtOk");
        QVERIFY(lbl && ok);
        QCOMPARE(lbl->text(), QStringLiteral("Este programa irá instalar e configurar em seu "
                                             "sistema o aplicativo\nSistema de Vendas"));
        QVERIFY(ok->isDefault() && ok->font().bold());
        Mover(ok);
        QCOMPARE(Cor(ok), QColor(0, 255, 0));
        Mover(lbl);
        QCOMPARE(Cor(ok), QColor(Qt::black));
        Clicar(ok);
        QVERIFY(!a.isVisible());
        QCOMPARE(a.result(), mrOk);
        // The close box only closes: no question, nothing recorded.
        RespostaMensagens respostas;
        a.show();
        QVERIFY(a.close());
        QVERIFY(respostas.Chamadas().empty());
        QVERIFY(!InstalacaoCancelada);
    }

    void ApresentacaoCorta103() {
        QCOMPARE(TextoApresentacao("").size(), std::size_t(68));
        const std::string longo(60, 'x');
        const std::string t = TextoApresentacao(longo);
        QCOMPARE(t.size(), std::size_t(103));
        QCOMPARE(t.substr(68), std::string(35, 'x'));
        QCOMPARE(t[67], '\r');
    }
};

QTEST_MAIN(TestePathApl)
#include "test_mPathapl.moc"
