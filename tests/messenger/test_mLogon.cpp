// The logon dialog, driven through its controls.
#include "DialogoModal.h"
#include "InteracaoRoteirizada.h"
#include "Janela1252.h"
#include "PastaMensagens.h"
#include "PastaTemporaria.h"
#include "Texto1252.h"
#include "mLogon.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

using namespace plataforma::literais;

class TesteLogon : public QObject {
    Q_OBJECT

    std::unique_ptr<PastaTemporaria> tmp;
    Sessao sessao;
    InteracaoRoteirizada ui;
    std::unique_ptr<PastaMensagens> pasta;
    std::unique_ptr<TfrmLogon> dlg;
    QLineEdit* edtNome = nullptr;
    QComboBox* cbxPastas = nullptr;
    QPushButton* bbtOk = nullptr;
    QPushButton* bbtCancel = nullptr;

    void Abrir(bool mostrar = true) {
        dlg = std::make_unique<TfrmLogon>(sessao, *pasta);
        edtNome = dlg->findChild<QLineEdit*>("edtNome");
        cbxPastas = dlg->findChild<QComboBox*>("cbxPastas");
        bbtOk = dlg->findChild<QPushButton*>("bbtOk");
        bbtCancel = dlg->findChild<QPushButton*>("bbtCancel");
        QVERIFY(edtNome && cbxPastas && bbtOk && bbtCancel);
        if (!mostrar) return;
        dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
    }
    void Digitar(const QString& texto) {
        edtNome->clear();
        // QTest types ASCII only; other characters arrive as the keyboard sends them.
        for (QChar c : texto) {
            QKeyEvent tecla(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(edtNome, &tecla);
        }
    }
    QString UltimaMensagem() const {
        return ui.mensagens.empty() ? QString() : ParaQString(ui.mensagens.back().texto);
    }
    // The mouse passing over a widget, as the window system reports it.
    static void Mover(QWidget* w) {
        const QPointF centro = w->rect().center();
        QMouseEvent e(QEvent::MouseMove, centro, w->mapToGlobal(centro), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    static QColor Cor(QPushButton* b) { return b->palette().color(QPalette::ButtonText); }

private slots:
    void init() {
        tmp = std::make_unique<PastaTemporaria>();
        QDir(QString::fromStdString(tmp->Host())).mkpath("um");
        sessao = Sessao{};
        sessao.nomesPastas = {"Sala Um"_ansi, "dois"};
        sessao.caminhosPastas = {"c:\\um\\", "c:\\dois\\"};
        sessao.nomePasta = "DOIS";
        sessao.caminhoPasta = "c:\\dois\\";
        sessao.usuario = "VELHO";
        ui = InteracaoRoteirizada{};
        pasta = std::make_unique<PastaMensagens>(sessao, ui);
    }
    void cleanup() {
        dlg.reset();
        pasta.reset();
        tmp.reset();
    }

    void Controles() {
        Abrir();
        QCOMPARE(dlg->windowTitle(), QStringLiteral("Conectar"));
        QCOMPARE(dlg->findChild<QGroupBox*>("gbxNome")->title(), QStringLiteral(" Nome do Usuário "));
        QCOMPARE(dlg->findChild<QGroupBox*>("gbxPasta")->title(), QStringLiteral(" Pasta Inicial "));
        QCOMPARE(bbtOk->text(), QStringLiteral("&OK"));
        QCOMPARE(bbtCancel->text(), QStringLiteral("&Cancelar"));
        QVERIFY(bbtOk->font().bold() && bbtCancel->font().bold());
        QVERIFY(bbtOk->isDefault());
        QVERIFY(!bbtOk->icon().isNull() && !bbtCancel->icon().isNull());
        QVERIFY(!cbxPastas->isEditable());
        QCOMPARE(edtNome->maxLength(), 10);
        QVERIFY(edtNome->text().isEmpty());
        QCOMPARE(dlg->minimumSize(), dlg->maximumSize());

        // FormShow: names in upper case, the current folder chosen, focus in the name.
        QCOMPARE(cbxPastas->count(), 2);
        QCOMPARE(cbxPastas->itemText(0), QStringLiteral("SALA UM"));
        QCOMPARE(cbxPastas->currentIndex(), 1);
        QCOMPARE(dlg->focusWidget(), static_cast<QWidget*>(edtNome));
        QTest::keyClick(edtNome, Qt::Key_Tab);
        QCOMPARE(dlg->focusWidget(), static_cast<QWidget*>(cbxPastas));
        QTest::keyClick(cbxPastas, Qt::Key_Tab);
        QCOMPARE(dlg->focusWidget(), static_cast<QWidget*>(bbtOk));
        sessao.nomePasta = "nenhuma";
        dlg->FormShow();
        QCOMPARE(cbxPastas->currentIndex(), 0);

        Digitar(QStringLiteral("joão da silva"));
        QCOMPARE(edtNome->text(), QStringLiteral("JOÃO DA SI"));
    }

    void OkConecta() {
        Abrir();
        cbxPastas->setCurrentIndex(0);
        Digitar(QStringLiteral("  ana "));
        QTest::keyClick(edtNome, Qt::Key_Return);
        QCOMPARE(dlg->result(), 1);
        QVERIFY(!dlg->isVisible());
        QCOMPARE(edtNome->text(), QStringLiteral("ANA"));
        QCOMPARE(sessao.usuario, std::string("ANA"));
        QCOMPARE(sessao.nomePasta, "Sala Um"_ansi);
        QCOMPARE(sessao.caminhoPasta, std::string("c:\\um\\"));
        QVERIFY(sessao.conectado);
        QCOMPARE(tmp->Ler("um/users.fvx"), std::string("ANA\r\n"));
        QVERIFY(ui.mensagens.empty());
    }

    void OkRecusa() {
        Abrir();
        // The selected folder is missing: never offered for creation.
        Digitar(QStringLiteral("ana"));
        bbtOk->click();
        QVERIFY(dlg->isVisible());
        QCOMPARE(UltimaMensagem(), QStringLiteral("O caminho da Pasta de Mensagens dois não foi encontrado."));
        QCOMPARE(ui.mensagens.back().tipo, 6);
        QVERIFY(!tmp->Existe("dois"));
        QCOMPARE(sessao.usuario, std::string("VELHO"));

        cbxPastas->setCurrentIndex(0);
        tmp->Escrever("um/users.fvx", "Ana\r\n");
        ui.mensagens.clear();
        bbtOk->click();
        QCOMPARE(UltimaMensagem(), QStringLiteral("Usuário já conectado nesta pasta."));
        QCOMPARE(edtNome->selectedText(), QStringLiteral("ANA"));
        QVERIFY(!sessao.conectado);

        ui.mensagens.clear();
        Digitar(QStringLiteral("os todos"));
        bbtOk->click();
        QVERIFY(ui.mensagens.empty());
        QCOMPARE(edtNome->selectedText(), QStringLiteral("OS TODOS"));

        for (const QString& nome : {QStringLiteral("..\\x"), QStringLiteral("a/b"), QStringLiteral("c:x")}) {
            ui.mensagens.clear();
            Digitar(nome);
            bbtOk->click();
            QCOMPARE(ui.mensagens.size(), size_t(1));
            QVERIFY(UltimaMensagem().startsWith(QStringLiteral("Este nome de usuário não pode ser usado.")));
            QCOMPARE(edtNome->selectedText(), nome.toUpper());
        }
        QVERIFY(dlg->isVisible());
        QCOMPARE(tmp->Ler("um/users.fvx"), std::string("Ana\r\n"));
    }

    void CancelarEsquece() {
        sessao.conectado = true;
        Abrir(false);
        auto feito = AoAbrirDialogo<TfrmLogon>([](TfrmLogon* d) { Teclar(d, Qt::Key_Escape); });
        QCOMPARE(dlg->exec(), 2);
        QVERIFY(*feito);
        QVERIFY(sessao.usuario.empty() && sessao.nomePasta.empty() && sessao.caminhoPasta.empty());
        QVERIFY(!sessao.conectado);
    }

    void CaixaDeFecharNaoMudaNada() {
        Abrir(false);
        auto feito = AoAbrirDialogo<TfrmLogon>([](TfrmLogon* d) { d->close(); });
        QCOMPARE(dlg->exec(), 2);
        QVERIFY(*feito);
        QCOMPARE(sessao.usuario, std::string("VELHO"));
        QCOMPARE(sessao.caminhoPasta, std::string("c:\\dois\\"));
    }

    void Destaque() {
        Abrir();
        const QColor verde(0, 255, 0), vermelho(255, 0, 0), preto(Qt::black);
        Mover(bbtOk);
        QCOMPARE(Cor(bbtOk), verde);
        QCOMPARE(Cor(bbtCancel), preto);
        Mover(bbtCancel);
        QCOMPARE(Cor(bbtCancel), vermelho);
        QCOMPARE(Cor(bbtOk), preto);
        Mover(edtNome);
        QCOMPARE(Cor(bbtCancel), preto);
        dlg->DestacarBotao(bbtOk);
        QCOMPARE(Cor(bbtOk), verde);
        dlg->FormMouseMove();
        QCOMPARE(Cor(bbtOk), preto);
    }
};

QTEST_MAIN(TesteLogon)
#include "test_mLogon.moc"
