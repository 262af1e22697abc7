#include "fGradfil.h"

#include <climits>
#include <set>
#include <utility>
#include <vector>

#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QtTest>

namespace {

constexpr TCor azul = 0x00FF0000;
constexpr TCor vermelho = 0x000000FF;
constexpr TCor verde = 0x0000FF00;
constexpr TCor transparente = 0xFF000000; // no TCor has this: marks an unpainted pixel

class Gravador final : public Tela {
public:
    struct Desenho {
        int32_t x, y;
        QImage figura;
    };
    Retangulo recorte{0, 0, 100, 50};
    std::vector<Desenho> desenhos;
    std::vector<Retangulo> esticados;

    Retangulo Recorte() const override { return recorte; }
    void Desenhar(int32_t x, int32_t y, const QImage& figura) override {
        desenhos.push_back({x, y, figura});
    }
    void Esticar(const Retangulo& destino, const QImage&) override { esticados.push_back(destino); }

    std::vector<std::pair<int32_t, int32_t>> Posicoes() const {
        std::vector<std::pair<int32_t, int32_t>> p;
        for (const Desenho& d : desenhos)
            p.emplace_back(d.x, d.y);
        return p;
    }
};

TCor Pixel(const QImage& imagem, int x, int y) {
    const QRgb p = imagem.pixel(x, y);
    if (qAlpha(p) == 0) return transparente;
    return TCor(qRed(p)) | TCor(qGreen(p)) << 8 | TCor(qBlue(p)) << 16;
}

// What PintarDegrade hands to the canvas; null unless it is exactly one copy
// of the full size at the origin.
QImage Degrade(uint8_t layout, int16_t w, int16_t h, TCor de, TCor para, uint8_t passos) {
    Gravador g;
    PintarDegrade(g, layout, w, h, de, para, passos);
    if (g.desenhos.size() != 1 || !g.esticados.empty() || g.desenhos[0].x != 0 ||
        g.desenhos[0].y != 0 || g.desenhos[0].figura.size() != QSize(w, h))
        return {};
    return g.desenhos[0].figura;
}

struct PixelEsperado {
    int x, y;
    TCor cor;
};

// The pixels that differ from the table, one line each; empty when all match.
QString Divergencias(const QImage& imagem, std::initializer_list<PixelEsperado> tabela) {
    QString relatorio;
    for (const PixelEsperado& e : tabela) {
        const TCor real = Pixel(imagem, e.x, e.y);
        if (real != e.cor)
            relatorio += QStringLiteral("(%1, %2) = %3, esperado %4\n")
                             .arg(e.x)
                             .arg(e.y)
                             .arg(real, 8, 16, QChar('0'))
                             .arg(e.cor, 8, 16, QChar('0'));
    }
    return relatorio;
}

std::set<TCor> Cores(const QImage& imagem) {
    std::set<TCor> cores;
    for (int y = 0; y < imagem.height(); ++y)
        for (int x = 0; x < imagem.width(); ++x)
            cores.insert(Pixel(imagem, x, y));
    return cores;
}

QImage Lisa(int w, int h, QColor cor) {
    QImage imagem(w, h, QImage::Format_ARGB32_Premultiplied);
    imagem.fill(cor);
    return imagem;
}

} // namespace

class TesteGradfil : public QObject {
    Q_OBJECT

private slots:
    void mulDiv_data() {
        QTest::addColumn<int>("a");
        QTest::addColumn<int>("b");
        QTest::addColumn<int>("c");
        QTest::addColumn<int>("esperado");
        QTest::newRow("4,69 -> 5") << 1 << 600 << 128 << 5;
        QTest::newRow("9,38 -> 9") << 2 << 600 << 128 << 9;
        QTest::newRow("14,06 -> 14") << 3 << 600 << 128 << 14;
        QTest::newRow("2,01 -> 2") << 1 << 255 << 127 << 2;
        QTest::newRow("-2,01 -> -2") << 1 << -255 << 127 << -2;
        QTest::newRow("0,5 -> 1") << 1 << 1 << 2 << 1;
        QTest::newRow("1,5 -> 2") << 3 << 1 << 2 << 2;
        QTest::newRow("-0,5 -> -1") << -1 << 1 << 2 << -1;
        QTest::newRow("divisor negativo") << 1 << 1 << -2 << -1;
        QTest::newRow("tudo negativo") << -1 << -1 << -2 << -1;
        QTest::newRow("-1,75 -> -2") << -7 << 1 << 4 << -2;
        QTest::newRow("divisor zero") << 5 << 7 << 0 << -1;
        QTest::newRow("produto de 64 bits") << INT_MAX << INT_MAX << INT_MAX << INT_MAX;
        QTest::newRow("extremos") << INT_MIN << INT_MIN << INT_MIN << INT_MIN;
        QTest::newRow("excede 32 bits") << INT_MAX << 2 << 1 << -1;
        QTest::newRow("2^31") << INT_MIN << 1 << -1 << -1;
    }
    void mulDiv() {
        QFETCH(int, a);
        QFETCH(int, b);
        QFETCH(int, c);
        QFETCH(int, esperado);
        QCOMPARE(MulDiv(a, b, c), esperado);
    }

    void corDoPasso() {
        QCOMPARE(CorDoPasso(azul, vermelho, 0, 127), azul);
        QCOMPARE(CorDoPasso(azul, vermelho, 1, 127), TCor(0x00FD0002));
        QCOMPARE(CorDoPasso(azul, vermelho, 127, 127), vermelho);
        // The highest byte takes no part, in the operands or the result.
        QCOMPARE(CorDoPasso(0x12FF0000, 0x800000FF, 1, 127), TCor(0x00FD0002));
        // No step to divide by: the first colour.
        QCOMPARE(CorDoPasso(0x80123456, vermelho, 0, 0), TCor(0x00123456));
        QCOMPARE(CorDoPasso(azul, vermelho, 3, -1), azul);
    }

    void corParaQColor() {
        QCOMPARE(CorParaQColor(0x00336699), QColor(0x99, 0x66, 0x33));
        QCOMPARE(CorParaQColor(0xAB336699), QColor(0x99, 0x66, 0x33));
        const QPalette paleta = QGuiApplication::palette();
        QCOMPARE(CorParaQColor(0x8000000F), paleta.color(QPalette::Active, QPalette::Button));
        QCOMPARE(CorParaQColor(0x80000018), paleta.color(QPalette::Active, QPalette::ToolTipBase));
    }

    void layout2FaixasHorizontais() {
        const QImage img = Degrade(2, 3, 600, azul, vermelho, 128);
        QVERIFY(!img.isNull());
        const TCor faixa1 = 0x00FD0002;
        const TCor faixa2 = CorDoPasso(azul, vermelho, 2, 127);
        QCOMPARE(Divergencias(img, {{0, 0, azul},
                                    {2, 4, azul},
                                    {0, 5, faixa1},
                                    {2, 8, faixa1},
                                    {0, 9, faixa2},
                                    {2, 13, faixa2},
                                    {0, 595, vermelho},
                                    {2, 599, vermelho}}),
                 QString());
        QVERIFY(Pixel(img, 0, 594) != vermelho);
        QCOMPARE(Cores(img).size(), size_t(128));
    }

    void faixasVerticais_data() {
        QTest::addColumn<int>("layout");
        for (int layout : {0, 1, 7, 9, 255})
            QTest::addRow("layout %d", layout) << layout;
    }
    void faixasVerticais() {
        QFETCH(int, layout);
        const QImage img = Degrade(uint8_t(layout), 600, 2, azul, vermelho, 128);
        QVERIFY(!img.isNull());
        QCOMPARE(Divergencias(img, {{4, 1, azul}, {5, 1, 0x00FD0002}, {599, 0, vermelho}}),
                 QString());
        QCOMPARE(img, Degrade(0, 600, 2, azul, vermelho, 128));
    }

    // Areas of one colour: one step (nothing to divide by, so the first
    // colour), no steps (nothing painted), equal colours (one flat fill).
    void umaSoCor_data() {
        QTest::addColumn<int>("layout");
        QTest::addColumn<TCor>("de");
        QTest::addColumn<TCor>("para");
        QTest::addColumn<int>("passos");
        QTest::addColumn<TCor>("esperada");
        for (int layout : {0, 2, 5, 9})
            QTest::addRow("layout %d, 1 passo", layout) << layout << azul << vermelho << 1 << azul;
        for (int layout : {0, 1, 2, 5, 9})
            QTest::addRow("layout %d, 0 passos", layout)
                << layout << azul << vermelho << 0 << transparente;
        for (int layout : {0, 2, 3, 4, 5, 6, 9})
            for (int passos : {0, 128})
                QTest::addRow("layout %d, %d passos, cores iguais", layout, passos)
                    << layout << verde << verde << passos << verde;
    }
    void umaSoCor() {
        QFETCH(int, layout);
        QFETCH(TCor, de);
        QFETCH(TCor, para);
        QFETCH(int, passos);
        QFETCH(TCor, esperada);
        const QImage img = Degrade(uint8_t(layout), 37, 23, de, para, uint8_t(passos));
        QVERIFY(!img.isNull());
        QCOMPARE(Cores(img), std::set<TCor>{esperada});
    }

    void layout3ColunasDasBordasAoCentro() {
        // W = 9: the centre column is the last step, drawn twice.
        QImage img = Degrade(3, 9, 4, azul, vermelho, 0);
        QVERIFY(!img.isNull());
        for (int x = 0; x < 9; ++x) {
            const TCor esperado = CorDoPasso(azul, vermelho, x <= 4 ? x : 8 - x, 4);
            for (int y = 0; y < 4; ++y)
                QCOMPARE(Pixel(img, x, y), esperado);
        }
        QCOMPARE(Divergencias(img, {{0, 0, azul}, {8, 0, azul}, {4, 0, vermelho}}), QString());

        // W = 10: column 4 ends with the mirror pass of step 5.
        img = Degrade(3, 10, 4, azul, vermelho, 0);
        QVERIFY(!img.isNull());
        const TCor passo3 = CorDoPasso(azul, vermelho, 3, 5);
        QCOMPARE(Divergencias(img, {{0, 3, azul},
                                    {9, 3, azul},
                                    {3, 0, passo3},
                                    {6, 0, passo3},
                                    {4, 0, vermelho},
                                    {5, 0, vermelho}}),
                 QString());

        // One column: half is 0, nothing to divide.
        QCOMPARE(Cores(Degrade(3, 1, 4, azul, vermelho, 0)), std::set<TCor>{azul});
    }

    void layout4LinhasDasBordasAoCentro() {
        const QImage img = Degrade(4, 3, 9, azul, vermelho, 0);
        QVERIFY(!img.isNull());
        const TCor passo3 = CorDoPasso(azul, vermelho, 3, 4);
        QCOMPARE(
            Divergencias(
                img,
                {{0, 0, azul}, {2, 8, azul}, {1, 3, passo3}, {1, 5, passo3}, {1, 4, vermelho}}),
            QString());
    }

    void layout5RetangulosConcentricos() {
        // dx = 50 / 9 = 5.56 and dy = 30 / 9 = 3.33: the first rectangle
        // starts at (5, 3) and ends before (94, 56).
        const QImage img = Degrade(5, 100, 60, azul, vermelho, 10);
        QVERIFY(!img.isNull());
        // The last rectangle arrives with crossed edges and still paints the centre.
        QCOMPARE(Divergencias(img, {{4, 30, transparente},
                                    {5, 30, azul},
                                    {93, 30, azul},
                                    {94, 30, transparente},
                                    {50, 2, transparente},
                                    {50, 3, azul},
                                    {50, 55, azul},
                                    {50, 56, transparente},
                                    {50, 30, vermelho}}),
                 QString());
    }

    void layout6Elipses() {
        const QImage img = Degrade(6, 400, 300, azul, vermelho, 3);
        QVERIFY(!img.isNull());
        // Steps over 50. The first two ellipses both cover the corners; the
        // last, crossed at the centre, covers the 49th and the empty 50th.
        std::set<TCor> esperadas{vermelho};
        for (int i = 1; i <= 47; ++i)
            esperadas.insert(CorDoPasso(azul, vermelho, i, 50));
        QCOMPARE(Cores(img), esperadas);
        const std::set<TCor> primeiras{CorDoPasso(azul, vermelho, 1, 50),
                                       CorDoPasso(azul, vermelho, 2, 50)};
        for (const auto& [x, y] : {std::pair{0, 0}, {399, 0}, {0, 299}, {399, 299}})
            QVERIFY(primeiras.count(Pixel(img, x, y)));
        QCOMPARE(Pixel(img, 200, 150), vermelho);
        QCOMPARE(img, Degrade(6, 400, 300, azul, vermelho, 0));
        QCOMPARE(img, Degrade(6, 400, 300, azul, vermelho, 255));
    }

    void tamanhoNuloNaoDesenha() {
        for (const auto& [w, h] :
             {std::pair<int16_t, int16_t>{0, 10}, {10, 0}, {-5, 10}, {10, -1}}) {
            Gravador g;
            PintarDegrade(g, 2, w, h, azul, vermelho, 128);
            QVERIFY(g.desenhos.empty());
            QVERIFY(ImagemDegrade(2, w, h, azul, vermelho, 128).isNull());
        }
    }

    void degradeNumPainterReal() {
        QImage alvo = Lisa(50, 30, Qt::green);
        QPainter p(&alvo);
        p.setBrush(Qt::yellow);
        p.setPen(Qt::magenta);
        TelaQPainter tela(p);
        PintarDegrade(tela, 5, 50, 30, azul, vermelho, 10);
        // The caller's brush and pen stay; the unpainted border shows the canvas.
        QCOMPARE(p.brush().color(), QColor(Qt::yellow));
        QCOMPARE(p.pen().color(), QColor(Qt::magenta));
        p.end();
        QCOMPARE(Divergencias(alvo, {{0, 0, verde}, {25, 15, vermelho}}), QString());

        QImage intacto = Lisa(50, 30, Qt::green);
        QPainter q(&intacto);
        TelaQPainter telaIntacta(q);
        PintarDegrade(telaIntacta, 0, 50, 30, azul, vermelho, 0);
        q.end();
        QCOMPARE(intacto, Lisa(50, 30, Qt::green));
    }

    void recorteDoPainter() {
        QImage alvo = Lisa(100, 50, Qt::white);
        QPainter p(&alvo);
        TelaQPainter tela(p);
        QCOMPARE(tela.Recorte(), (Retangulo{0, 0, 100, 50}));
        p.setClipRect(QRect(10, 5, 40, 20));
        QCOMPARE(tela.Recorte(), (Retangulo{10, 5, 50, 25}));
    }

    void ladrilhosCobremORecorte() {
        Gravador g;
        g.recorte = {0, 0, 100, 50};
        PreencherComFigura(g, Lisa(30, 20, Qt::red), 2);
        std::vector<std::pair<int32_t, int32_t>> esperadas;
        for (int x : {0, 30, 60, 90})
            for (int y : {0, 20, 40})
                esperadas.emplace_back(x, y);
        QCOMPARE(g.Posicoes(), esperadas);

        // The tiles start at the origin whatever the area's left and top.
        Gravador deslocado;
        deslocado.recorte = {45, 25, 100, 50};
        PreencherComFigura(deslocado, Lisa(30, 20, Qt::red), 255);
        QCOMPARE(deslocado.Posicoes(), esperadas);
    }

    void ladrilhosSemArea() {
        Gravador negativo;
        negativo.recorte = {-100, -100, -30, 50};
        PreencherComFigura(negativo, Lisa(30, 20, Qt::red), 2);
        QVERIFY(negativo.desenhos.empty());

        for (uint8_t modo : {0, 1, 2}) {
            Gravador vazio;
            PreencherComFigura(vazio, QImage(0, 20, QImage::Format_RGB32), modo);
            PreencherComFigura(vazio, QImage(30, 0, QImage::Format_RGB32), modo);
            PreencherComFigura(vazio, QImage(), modo);
            QVERIFY(vazio.desenhos.empty());
            QVERIFY(vazio.esticados.empty());
        }
    }

    void centradaEEsticada() {
        Gravador g;
        g.recorte = {0, 0, 200, 100};
        PreencherComFigura(g, Lisa(50, 30, Qt::red), 0);
        QCOMPARE(g.Posicoes(), (std::vector<std::pair<int32_t, int32_t>>{{75, 35}}));

        Gravador deslocado;
        deslocado.recorte = {100, 40, 300, 140};
        PreencherComFigura(deslocado, Lisa(50, 30, Qt::red), 0);
        QCOMPARE(deslocado.Posicoes(), (std::vector<std::pair<int32_t, int32_t>>{{175, 75}}));

        Gravador esticado;
        esticado.recorte = {5, 6, 70, 80};
        PreencherComFigura(esticado, Lisa(50, 30, Qt::red), 1);
        QVERIFY(esticado.desenhos.empty());
        QCOMPARE(esticado.esticados, (std::vector<Retangulo>{{5, 6, 70, 80}}));
    }

    void figuraNumPainterReal() {
        QImage figura = Lisa(30, 20, Qt::blue);
        figura.setPixelColor(0, 0, Qt::red);
        QImage alvo = Lisa(100, 50, Qt::white);
        QPainter p(&alvo);
        TelaQPainter tela(p);
        PreencherComFigura(tela, figura, 2);
        p.end();
        QCOMPARE(Divergencias(alvo, {{90, 40, vermelho}, {99, 49, azul}}), QString());

        QImage meias(2, 1, QImage::Format_RGB32);
        meias.setPixelColor(0, 0, Qt::red);
        meias.setPixelColor(1, 0, Qt::blue);
        QImage esticado = Lisa(100, 50, Qt::white);
        QPainter q(&esticado);
        TelaQPainter telaEsticada(q);
        PreencherComFigura(telaEsticada, meias, 1);
        q.end();
        QCOMPARE(Divergencias(esticado, {{10, 10, vermelho}, {90, 40, azul}}), QString());
    }
};

QTEST_MAIN(TesteGradfil)
#include "test_fGradfil.moc"
