#include "DialogoModal.h"
#include "InteracaoJanelas.h"
#include "Janela1252.h"
#include "Texto1252.h"
#include "fMsgdlg.h"

#include <QEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>

using namespace plataforma::literais;

namespace {

QPushButton* Botao(QWidget* d, const char* nome) {
    return d->findChild<QPushButton*>(nome);
}

QColor CorDe(QWidget* d, const char* nome) {
    return Botao(d, nome)->palette().color(QPalette::ButtonText);
}

void Entrar(QWidget* w) {
    QEnterEvent e(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(w, &e);
}

// The visible buttons' captions, left to right.
QStringList Legendas(QWidget* d) {
    QList<QPushButton*> vis;
    for (const char* n : {"bbtSim", "bbtNao", "bbtCanc"})
        if (!Botao(d, n)->isHidden()) vis << Botao(d, n);
    std::sort(vis.begin(), vis.end(), [](auto* a, auto* b) { return a->x() < b->x(); });
    QStringList r;
    for (auto* b : vis)
        r << b->text();
    return r;
}

QString IconeVisivel(QWidget* d) {
    QString r;
    for (const char* n : {"imgConfirm", "imgInform", "imgAviso", "imgErro"})
        if (!d->findChild<QLabel*>(n)->isHidden()) r += n;
    return r;
}

} // namespace

class TestFMsgdlg : public QObject {
    Q_OBJECT
private slots:
    void medeALinhaMaisLargaIgnorandoLF();
    void larguraDaMensagem();
    void botoesPorTipo();
    void geometriaDaCaixaDeValor();
    void janelaSegueAGeometria();
    void botoesEIconesDosTipos_data();
    void botoesEIconesDosTipos();
    void teclasNoTipo7();
    void teclasNoTipo5();
    void escapeEscolheOTerceiroSlot();
    void enterEscolheOBotaoComFoco();
    void formShowLimpaCursorEFoca();
    void solicitarValorCancelado();
    void solicitarValorConfirmado();
    void ampersandLiteral();
    void destaqueDosBotoes();
    void centralizaNaTela();
    void bordaDe1252();
    void respostaRegistraEResponde();
    void interacaoJanelas();
    void mensagemSimplesEmTextoPuro();
};

void TestFMsgdlg::medeALinhaMaisLargaIgnorandoLF() {
    auto dez = [](const QString& l) { return 10 * int(l.size()); };
    QCOMPARE(MedirTexto("", dez), 0);
    QCOMPARE(MedirTexto("abc", dez), 30);
    QCOMPARE(MedirTexto("ab\r\nabcd", dez), 40);
    QCOMPARE(MedirTexto("abcd\r\nab\r\n", dez), 40);
    QCOMPARE(MedirTexto("ab\ncd", dez), 40); // a lone LF does not end a line
    int chamadas = 0;
    MedirTexto("a\rb\rc", [&](const QString&) { return ++chamadas; });
    QCOMPARE(chamadas, 3);
}

void TestFMsgdlg::larguraDaMensagem() {
    QCOMPARE(CalcularGeometria(0, 13, 5).largura, 320);
    QCOMPARE(CalcularGeometria(192, 13, 5).largura, 320);
    QCOMPARE(CalcularGeometria(193, 13, 5).largura, 321);
    QCOMPARE(CalcularGeometria(200, 13, 5).largura, 328);
    QCOMPARE(CalcularGeometria(5000, 13, 5).largura, 5128); // no upper bound
    auto g = CalcularGeometria(0, 26, 7);
    QCOMPARE(g.topoBotoes, 16 + 26 + 30);
    QCOMPARE(g.altura, g.topoBotoes + 66);
}

void TestFMsgdlg::botoesPorTipo() {
    auto tres = CalcularGeometria(0, 13, 0);
    QCOMPARE(tres.x[0], 11);
    QCOMPARE(tres.x[1], 110);
    QCOMPARE(tres.x[2], 209);
    QVERIFY(tres.visivel[0] && tres.visivel[1] && tres.visivel[2]);

    for (int tipo : {2, 3, 7, 8, 9, 10, 11, 12}) {
        auto dois = CalcularGeometria(0, 13, tipo);
        QCOMPARE(dois.x[0], 61);
        QCOMPARE(dois.x[2], 160);
        QCOMPARE(dois.x[1], 61);
        QVERIFY(dois.visivel[0] && !dois.visivel[1] && dois.visivel[2]);
    }
    for (int tipo : {4, 5, 6, 13, -1}) {
        auto um = CalcularGeometria(0, 13, tipo);
        QCOMPARE(um.x[0], 110);
        QVERIFY(um.visivel[0] && !um.visivel[1] && !um.visivel[2]);
    }
    // Odd leftovers truncate: (321 - 297) / 2 = 12, (325 - 198) / 2 = 63.
    QCOMPARE(CalcularGeometria(193, 13, 0).x[0], 12);
    QCOMPARE(CalcularGeometria(197, 13, 7).x[0], 63);
}

void TestFMsgdlg::geometriaDaCaixaDeValor() {
    auto g = CalcularGeometriaValor(200, 13);
    QCOMPARE(g.largura, 320); // 236 is below the minimum
    QCOMPARE(CalcularGeometriaValor(300, 13).largura, 336);
    QCOMPARE(g.labelEsquerda, 16);
    QCOMPARE(g.editTopo, 16 + 13 + 20);
    QCOMPARE(g.editLargura, 284);
    QCOMPARE(g.topoBotoes, g.editTopo + 21 + 20);
    QCOMPARE(g.altura, g.topoBotoes + 66);
    QCOMPARE(g.x[0], 61);
    QCOMPARE(g.x[2], 160);
    QVERIFY(g.visivel[0] && !g.visivel[1] && g.visivel[2]);
}

void TestFMsgdlg::janelaSegueAGeometria() {
    TfrmMsgDlg vazia;
    vazia.PrepararMensagem("Erro", "", 6);
    QCOMPARE(vazia.width() + kMolduraLargura, 320);

    const std::string linha = "Deseja realmente excluir a pasta VENDAS & CIA, de São Paulo ?"_ansi;
    TfrmMsgDlg uma, duas;
    uma.PrepararMensagem("Atenção"_ansi, linha, 7);
    duas.PrepararMensagem("Atenção"_ansi, "curta\r\n"_ansi + linha, 7);
    auto* lbl = uma.findChild<QLabel*>("lblMsg");
    const int w = QFontMetrics(lbl->font()).horizontalAdvance(ParaQString(linha));
    QVERIFY(w > 192);
    QCOMPARE(uma.width() + kMolduraLargura, w + 128);
    QCOMPARE(duas.width(), uma.width()); // the longer line rules
    auto* lbl2 = duas.findChild<QLabel*>("lblMsg");
    QVERIFY(lbl2->height() >= 2 * QFontMetrics(lbl2->font()).height());
    QCOMPARE(duas.height() - uma.height(), lbl2->height() - lbl->height());
    // Nothing of the label is cut off.
    QVERIFY(lbl->geometry().right() < uma.width());
    QVERIFY(lbl->width() >= w);
    QCOMPARE(Botao(&uma, "bbtCanc")->geometry().top(), lbl->geometry().bottom() + 1 + 30);
}

void TestFMsgdlg::botoesEIconesDosTipos_data() {
    QTest::addColumn<int>("tipo");
    QTest::addColumn<QStringList>("legendas");
    QTest::addColumn<QString>("icone");
    QTest::newRow("0") << 0 << QStringList{"&Sim", "&Não", "&Cancelar"} << "imgConfirm";
    QTest::newRow("1") << 1 << QStringList{"&Sim", "&Não", "&Cancelar"} << "imgAviso";
    QTest::newRow("3") << 3 << QStringList{"&Repetir", "&Cancelar"} << "imgErro";
    QTest::newRow("5") << 5 << QStringList{"&OK"} << "imgInform";
    QTest::newRow("6") << 6 << QStringList{"&OK"} << "imgErro";
    QTest::newRow("7") << 7 << QStringList{"&Sim", "&Não"} << "imgConfirm";
    QTest::newRow("10") << 10 << QStringList{"&Sim", "&Não"} << "imgErro";
    QTest::newRow("11") << 11 << QStringList{"&OK", "&Cancelar"} << "imgAviso";
    QTest::newRow("12") << 12 << QStringList{"&OK", "&Cancelar"} << "imgInform";
    QTest::newRow("fora da tabela") << 40 << QStringList{"&OK"} << "";
}

void TestFMsgdlg::botoesEIconesDosTipos() {
    QFETCH(int, tipo);
    QFETCH(QStringList, legendas);
    QFETCH(QString, icone);
    TfrmMsgDlg d;
    d.PrepararMensagem("t", "x", 0); // a reused form must not keep the former kind
    d.PrepararMensagem("t", "x", tipo);
    QCOMPARE(Legendas(&d), legendas);
    QCOMPARE(IconeVisivel(&d), icone);
    QVERIFY(d.findChild<QLineEdit*>("edtValor")->isHidden());
}

void TestFMsgdlg::teclasNoTipo7() {
    auto esc = AoAbrirDialogo<TfrmMsgDlg>([](TfrmMsgDlg* d) { Teclar(d, Qt::Key_Escape); });
    QCOMPARE(ExibirMensagem("Atenção"_ansi, "Deseja sair ?", 7), mrNo);
    QVERIFY(*esc);
    auto enter = AoAbrirDialogo<TfrmMsgDlg>([](TfrmMsgDlg* d) { Teclar(d, Qt::Key_Return); });
    QCOMPARE(ExibirMensagem("Atenção"_ansi, "Deseja sair ?", 7), mrYes);
    QVERIFY(*enter);
}

void TestFMsgdlg::teclasNoTipo5() {
    bool abertoAposEsc = false;
    auto feito = AoAbrirDialogo<TfrmMsgDlg>([&](TfrmMsgDlg* d) {
        Teclar(d, Qt::Key_Escape);
        QTest::keyClick(d, Qt::Key_Escape);
        abertoAposEsc = d->isVisible();
        d->close(); // the close box
    });
    QCOMPARE(ExibirMensagem("Parabéns !!!"_ansi, "Instalado.", 5), mrCancel);
    QVERIFY(*feito);
    QVERIFY(abertoAposEsc);
}

void TestFMsgdlg::escapeEscolheOTerceiroSlot() {
    const std::initializer_list<std::pair<int, int>> casos = {
        {0, mrCancel}, {1, mrCancel}, {2, mrCancel}, {10, mrNo}, {11, mrCancel}};
    for (auto [tipo, esperado] : casos) {
        auto feito = AoAbrirDialogo<TfrmMsgDlg>([](TfrmMsgDlg* d) { Teclar(d, Qt::Key_Escape); });
        QCOMPARE(ExibirMensagem("t", "x", tipo), esperado);
        QVERIFY(*feito);
    }
    auto fechar = AoAbrirDialogo<TfrmMsgDlg>([](TfrmMsgDlg* d) { d->close(); });
    QCOMPARE(ExibirMensagem("t", "x", 7), mrCancel);
    QVERIFY(*fechar);
}

void TestFMsgdlg::enterEscolheOBotaoComFoco() {
    auto nao = AoAbrirDialogo<TfrmMsgDlg>([](TfrmMsgDlg* d) {
        Botao(d, "bbtNao")->setFocus();
        Teclar(d, Qt::Key_Return);
    });
    QCOMPARE(ExibirMensagem("t", "x", 0), mrNo);
    QVERIFY(*nao);
    auto terceiro = AoAbrirDialogo<TfrmMsgDlg>([](TfrmMsgDlg* d) {
        Teclar(d, Qt::Key_Tab);
        Teclar(d, Qt::Key_Return);
    });
    QCOMPARE(ExibirMensagem("t", "x", 11), mrCancel);
    QVERIFY(*terceiro);
}

void TestFMsgdlg::formShowLimpaCursorEFoca() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString focado;
    bool semCursor = false;
    auto feito = AoAbrirDialogo<TfrmMsgDlg>([&](TfrmMsgDlg* d) {
        semCursor = QApplication::overrideCursor() == nullptr;
        focado = d->focusWidget() ? d->focusWidget()->objectName() : QString();
        Teclar(d, Qt::Key_Return);
    });
    ExibirMensagem("t", "x", 7);
    QVERIFY(*feito);
    QVERIFY(semCursor);
    QCOMPARE(focado, "bbtSim");

    auto entrada = AoAbrirDialogo<TfrmMsgDlg>([&](TfrmMsgDlg* d) {
        focado = d->focusWidget() ? d->focusWidget()->objectName() : QString();
        d->reject();
    });
    std::string v = "x";
    bool ok = true;
    SolicitarValor("t", "p", v, ok);
    QVERIFY(*entrada);
    QCOMPARE(focado, "edtValor");
}

void TestFMsgdlg::solicitarValorCancelado() {
    for (bool porEscape : {true, false}) {
        std::string valor = "VENDAS & CIA Ltda. São Paulo"_ansi;
        const std::string antes = valor;
        bool confirmado = true;
        auto feito = AoAbrirDialogo<TfrmMsgDlg>([&](TfrmMsgDlg* d) {
            auto* edt = d->findChild<QLineEdit*>("edtValor");
            QCOMPARE(edt->text(), ParaQString(antes));
            edt->setText("outra coisa");
            if (porEscape)
                Teclar(d, Qt::Key_Escape);
            else
                d->close();
        });
        SolicitarValor("Pasta", "Nome da pasta:", valor, confirmado);
        QVERIFY(*feito);
        QVERIFY(!confirmado);
        QCOMPARE(valor, antes);
    }
}

void TestFMsgdlg::solicitarValorConfirmado() {
    std::string valor = "ANA";
    bool confirmado = false;
    auto vazio = AoAbrirDialogo<TfrmMsgDlg>([](TfrmMsgDlg* d) {
        d->findChild<QLineEdit*>("edtValor")->clear();
        Teclar(d, Qt::Key_Return); // Enter in the field chooses "&OK"
    });
    SolicitarValor("Usuário"_ansi, "Nome:", valor, confirmado);
    QVERIFY(*vazio);
    QVERIFY(confirmado);
    QCOMPARE(valor, std::string());

    auto digitado = AoAbrirDialogo<TfrmMsgDlg>([](TfrmMsgDlg* d) {
        auto* edt = d->findChild<QLineEdit*>("edtValor");
        edt->setText(QStringLiteral("  José € 日 "));
        Botao(d, "bbtSim")->click();
    });
    SolicitarValor("Usuário"_ansi, "Nome:", valor, confirmado);
    QVERIFY(*digitado);
    QVERIFY(confirmado);
    QCOMPARE(valor, "  José € ? "_ansi); // as typed, untrimmed; '?' for what 1252 lacks
}

void TestFMsgdlg::ampersandLiteral() {
    TfrmMsgDlg d;
    d.PrepararMensagem("Atenção"_ansi, "VENDAS & CIA"_ansi, 7);
    auto* lbl = d.findChild<QLabel*>("lblMsg");
    QCOMPARE(lbl->text(), "VENDAS & CIA");
    QCOMPARE(lbl->textFormat(), Qt::PlainText);
    QVERIFY(!lbl->buddy());
    // Drawn, the ampersand takes room: wider than the same text without it.
    QVERIFY(lbl->width() > QFontMetrics(lbl->font()).horizontalAdvance("VENDAS  CIA"));
    QCOMPARE(lbl->text().count('\n'), 0);
    d.PrepararMensagem("t", "um\rdois\r\ntrês"_ansi, 7);
    QCOMPARE(lbl->text(), "um\ndois\ntrês");
}

void TestFMsgdlg::destaqueDosBotoes() {
    TfrmMsgDlg d;
    d.PrepararMensagem("t", "x", 0);
    const QColor verde(0, 255, 0), vermelho(255, 0, 0), preto(Qt::black);
    Entrar(Botao(&d, "bbtSim"));
    QCOMPARE(CorDe(&d, "bbtSim"), verde);
    QCOMPARE(CorDe(&d, "bbtNao"), preto);
    QCOMPARE(CorDe(&d, "bbtCanc"), preto);
    Entrar(Botao(&d, "bbtNao"));
    QCOMPARE(CorDe(&d, "bbtSim"), preto);
    QCOMPARE(CorDe(&d, "bbtNao"), vermelho);
    Entrar(Botao(&d, "bbtCanc"));
    QCOMPARE(CorDe(&d, "bbtNao"), preto);
    QCOMPARE(CorDe(&d, "bbtCanc"), vermelho);
    Entrar(d.findChild<QLabel*>("lblMsg"));
    for (const char* n : {"bbtSim", "bbtNao", "bbtCanc"})
        QCOMPARE(CorDe(&d, n), preto);
    Entrar(Botao(&d, "bbtSim"));
    QMouseEvent mov(QEvent::MouseMove, QPointF(2, 2), QPointF(2, 2), QPointF(2, 2), Qt::NoButton,
                    Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&d, &mov);
    QCOMPARE(CorDe(&d, "bbtSim"), preto);
}

void TestFMsgdlg::centralizaNaTela() {
    TfrmMsgDlg d;
    d.PrepararMensagem("t", "x", 5);
    d.Centralizar();
    const QRect tela = QGuiApplication::primaryScreen()->geometry();
    const int largura = d.width() + kMolduraLargura, altura = d.height() + kMolduraAltura;
    QCOMPARE(d.pos(), QPoint(tela.x() + (tela.width() - largura) / 2,
                             tela.y() + (tela.height() - altura) / 2));
}

void TestFMsgdlg::bordaDe1252() {
    QCOMPARE(ParaQString("Atenção"_ansi), QStringLiteral("Atenção"));
    QCOMPARE(ParaQString("\x80"), QStringLiteral("€"));
    QCOMPARE(Para1252(QStringLiteral("ção € ü")), "\xE7\xE3o \x80 \xFC");
    QCOMPARE(Para1252(QStringLiteral("日本")), "??");
    QCOMPARE(Para1252(ParaQString(std::string("\0\x81\xFF", 3))), std::string("\0\x81\xFF", 3));
}

void TestFMsgdlg::respostaRegistraEResponde() {
    RespostaMensagens r;
    r.Responder({7, 2});
    QCOMPARE(ExibirMensagem("Atenção"_ansi, "Sair ?", 7), mrNo);
    QCOMPARE(ExibirMensagem("Disco", "Insira o disco 2", 11), mrCancel);
    // An empty queue answers as Enter: the first slot.
    QCOMPARE(ExibirMensagem("Disco", "Insira o disco 3", 11), mrOk);
    QCOMPARE(ExibirMensagem("Atenção"_ansi, "Sair ?", 8), mrYes);
    QCOMPARE(ExibirMensagem("Erro", "Falhou", 3), mrRetry);

    std::string v = "A";
    bool ok = false;
    r.ResponderValor("B");
    r.CancelarValor();
    SolicitarValor("t", "p", v, ok);
    QVERIFY(ok);
    QCOMPARE(v, "B");
    SolicitarValor("t", "p", v, ok);
    QVERIFY(!ok);
    QCOMPARE(v, "B");
    SolicitarValor("t", "p", v, ok); // empty queue: confirmed, unchanged
    QVERIFY(ok);
    QCOMPARE(v, "B");
    MensagemSimples("Aviso", "Texto");

    {
        RespostaMensagens interna;
        interna.Responder(6);
        QCOMPARE(ExibirMensagem("x", "y", 10), mrYes);
        QCOMPARE(interna.Chamadas().size(), size_t(1));
    }
    const auto& c = r.Chamadas();
    QCOMPARE(c.size(), size_t(9));
    QCOMPARE(c[0].titulo, "Atenção"_ansi);
    QCOMPARE(c[0].texto, "Sair ?");
    QCOMPARE(c[0].tipo, 7);
    QCOMPARE(c[1].tipo, 11);
    QCOMPARE(c[5].tipo, RespostaMensagens::kEntrada);
    QCOMPARE(c[5].valor, "A");
    QCOMPARE(c[6].valor, "B");
    QCOMPARE(c[8].tipo, RespostaMensagens::kSimples);
    QVERIFY(!QApplication::activeModalWidget());
}

void TestFMsgdlg::interacaoJanelas() {
    InteracaoJanelas ij;
    RespostaMensagens r;
    r.Responder(7);
    r.ResponderValor("novo");
    QCOMPARE(ij.Mensagem("Atenção"_ansi, "Sair ?", 7), mrNo);
    std::string v = "velho";
    QVERIFY(ij.SolicitarValor("t", "p", v));
    QCOMPARE(v, "novo");
    ij.MensagemSimples("t", "x");
    QCOMPARE(r.Chamadas().size(), size_t(3));

    ij.CursorOcupado();
    ij.CursorOcupado();
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    ij.CursorNormal();
    QVERIFY(!QApplication::overrideCursor());

    int chamou = 0;
    QTimer::singleShot(0, [&] { ++chamou; });
    ij.ProcessarEventos();
    QCOMPARE(chamou, 1);
}

void TestFMsgdlg::mensagemSimplesEmTextoPuro() {
    QString texto;
    Qt::TextFormat formato = Qt::AutoText;
    auto feito = AoAbrirDialogo<QMessageBox>([&](QMessageBox* m) {
        texto = m->text();
        formato = m->textFormat();
        m->accept();
    });
    MensagemSimples("Aviso", "<b>não</b> é HTML"_ansi);
    QVERIFY(*feito);
    QCOMPARE(texto, "<b>não</b> é HTML");
    QCOMPARE(formato, Qt::PlainText);
}

QTEST_MAIN(TestFMsgdlg)
#include "test_fMsgdlg.moc"
