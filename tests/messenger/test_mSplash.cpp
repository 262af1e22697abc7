// The splash at start and as the about box: what closes it, and where its
// title, shadow, texts and background land.
#include "DialogoModal.h"
#include "Janela1252.h"
#include "TextosFalv.h"
#include "mSplash.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <memory>

class TesteSplash : public QObject {
    Q_OBJECT

    static QLabel* Rotulo(QWidget* janela, const char* nome) {
        return janela->findChild<QLabel*>(nome);
    }
    static QColor Cor(QWidget* w, QPalette::ColorRole papel) { return w->palette().color(papel); }
    static int Centrado(int largura) { return (455 - largura) / 2; }

private slots:
    // Start: no button, no title bar; Enter and Escape do nothing; the timer
    // ends it after 3000 ms.
    void AberturaFechaSoPeloTimer() {
        auto forcado = std::make_shared<bool>(false);
        auto visto = AoAbrirDialogo<TfrmSplash>([forcado](TfrmSplash* d) {
            QVERIFY(d->windowFlags() & Qt::FramelessWindowHint);
            QCOMPARE(d->size(), QSize(455, 306));
            QVERIFY(!d->findChild<QPushButton*>("bbtOk")->isVisible());
            auto* tmr = d->findChild<QTimer*>("tmrSplash");
            QVERIFY(tmr->isActive());
            QCOMPARE(tmr->interval(), 3000);
            Teclar(d, Qt::Key_Escape);
            Teclar(d, Qt::Key_Return);
            QVERIFY(d->isVisible());
            // Should the timer fail, end the modal loop so the test fails instead of hanging.
            QTimer::singleShot(8000, d, [d, forcado] {
                *forcado = true;
                d->done(0);
            });
        });
        QElapsedTimer relogio;
        relogio.start();
        MostrarAbertura();
        QVERIFY(*visto);
        QVERIFY(!*forcado);
        QVERIFY(relogio.elapsed() >= 3000);
    }

    // About box: timer stopped, button shown, normal cursor; OK, Enter and
    // Escape each close it.
    void SobreFechaSoPeloBotao() {
        const std::function<void(TfrmSplash*)> fechar[] = {
            [](TfrmSplash* d) { QTest::mouseClick(d->findChild<QPushButton*>("bbtOk"), Qt::LeftButton); },
            [](TfrmSplash* d) { Teclar(d, Qt::Key_Return); },
            [](TfrmSplash* d) { Teclar(d, Qt::Key_Escape); },
        };
        QWidget pai;
        for (const auto& acao : fechar) {
            auto visto = AoAbrirDialogo<TfrmSplash>([&pai, &acao](TfrmSplash* d) {
                QCOMPARE(d->parentWidget(), &pai);
                QVERIFY(!d->findChild<QTimer*>("tmrSplash")->isActive());
                QVERIFY(d->findChild<QPushButton*>("bbtOk")->isVisible());
                QVERIFY(QApplication::overrideCursor() == nullptr);
                QVERIFY(d->windowFlags() & Qt::FramelessWindowHint);
                QPointer<TfrmSplash> guarda(d);
                acao(d);
                QTRY_VERIFY(!guarda || !guarda->isVisible());
            });
            MostrarSobre(&pai);
            QVERIFY(*visto);
        }
    }

    void TextosDesembaralhados() {
        TfrmSplash d(TfrmSplash::Modo::Sobre);
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));

        QLabel* titulo = Rotulo(&d, "lblNomePrg1");
        QCOMPARE(titulo->text(), ParaQString(TituloPrograma()));
        QCOMPARE(titulo->text(), QStringLiteral("Falavox"));
        QCOMPARE(titulo->font().pointSize(), 42);
        QVERIFY(titulo->font().bold());
        QCOMPARE(Cor(titulo, QPalette::WindowText), QColor(0, 128, 128));
        QCOMPARE(titulo->x(), Centrado(titulo->width()));

        QLabel* versao = Rotulo(&d, "lblVersaoPrg");
        QCOMPARE(versao->text(), QStringLiteral("Versão 1.0"));
        QCOMPARE(versao->pos(), QPoint(Centrado(versao->width()), 90));

        // The first credit line stands apart from the other four.
        const QStringList linhas = Rotulo(&d, "lblAutorPrg")->text().split('\n');
        QCOMPARE(linhas.size(), 6);
        QCOMPARE(linhas[0], QStringLiteral("Desenvolvido pela equipe Falavox e Zentrava"));
        QVERIFY(linhas[1].isEmpty());
        for (int i = 2; i < 6; ++i) QVERIFY(!linhas[i].isEmpty());
        QVERIFY(linhas.join(' ').contains(QStringLiteral("Programação")));
        QCOMPARE(Rotulo(&d, "lblAutorPrg")->pos(), QPoint(32, 120));
    }

    // A title wider than the window gets the halved difference, truncated
    // toward zero; the shadow follows it wherever it lands.
    void TituloLargoESombra() {
        TfrmSplash d(TfrmSplash::Modo::Sobre);
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QLabel* titulo = Rotulo(&d, "lblNomePrg1");
        QLabel* sombra = Rotulo(&d, "lblNomePrg2");
        QString texto = QStringLiteral("Falavox & Zentrava");
        d.ExibirTitulo(texto);
        while ((455 - titulo->width()) % 2 == 0) d.ExibirTitulo(texto += 'i');
        QVERIFY(titulo->width() > 455);
        QCOMPARE(titulo->x(), -((titulo->width() - 455) / 2));
        QCOMPARE(titulo->text(), texto); // the ampersand shows as it stands
        QCOMPARE(sombra->text(), texto);
        QCOMPARE(sombra->pos(), titulo->pos() + QPoint(2, 2));
        QCOMPARE(sombra->size(), titulo->size());
        QCOMPARE(Cor(sombra, QPalette::WindowText), QColor(128, 128, 128));
        // Behind the title: where both cover the window, the title is on top.
        const QPoint meio = titulo->geometry().center();
        QCOMPARE(titulo->parentWidget()->childAt(meio), titulo);

        d.ExibirTitulo(QStringLiteral("F"));
        QCOMPARE(titulo->x(), Centrado(titulo->width()));
        QCOMPARE(sombra->pos(), titulo->pos() + QPoint(2, 2));
    }

    // The tile repeats from the image's own origin, inside the bevel.
    void FundoLadrilhado() {
        TfrmSplash d(TfrmSplash::Modo::Sobre);
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QLabel* img = Rotulo(&d, "imgSplash");
        QCOMPARE(img->geometry(), QRect(10, 10, 436, 286));
        QCOMPARE(d.findChild<QWidget*>("bevAutorPrg")->geometry(), QRect(9, 112, 437, 93));
        const QImage ladrilho = Rotulo(&d, "imgFundo")->pixmap().toImage();
        QCOMPARE(ladrilho.size(), QSize(127, 127));
        QVERIFY(Rotulo(&d, "imgFundo")->isHidden());
        const QImage fundo = img->pixmap().toImage();
        QCOMPARE(fundo.size(), img->size());
        for (int y = 0; y < fundo.height(); y += 7)
            for (int x = 0; x < fundo.width(); x += 5)
                QCOMPARE(fundo.pixel(x, y), ladrilho.pixel(x % 127, y % 127));
        QCOMPARE(fundo.pixel(435, 285), ladrilho.pixel(435 % 127, 285 % 127));
    }

    void DestaqueDoBotao() {
        TfrmSplash d(TfrmSplash::Modo::Sobre);
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        auto* ok = d.findChild<QPushButton*>("bbtOk");
        QEvent entrar(QEvent::Enter);
        QCoreApplication::sendEvent(ok, &entrar);
        QCOMPARE(Cor(ok, QPalette::ButtonText), QColor(0, 255, 0));
        QCoreApplication::sendEvent(Rotulo(&d, "lblAutorPrg"), &entrar);
        QCOMPARE(Cor(ok, QPalette::ButtonText), QColor(Qt::black));
        QCoreApplication::sendEvent(ok, &entrar);
        QCoreApplication::sendEvent(Rotulo(&d, "imgIcone"), &entrar);
        QCOMPARE(Cor(ok, QPalette::ButtonText), QColor(Qt::black));
    }
};

QTEST_MAIN(TesteSplash)
#include "test_mSplash.moc"
