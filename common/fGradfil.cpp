#include "fGradfil.h"

#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <utility>

#include <QGuiApplication>
#include <QPaintDevice>
#include <QPainter>
#include <QPalette>

int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
    if (c == 0) return -1;
    const int64_t produto = int64_t{a} * b;
    int64_t quociente = produto / c;
    const int64_t resto = produto % c;
    if (2 * std::llabs(resto) >= std::llabs(int64_t{c}))
        quociente += ((produto < 0) == (c < 0)) ? 1 : -1;
    if (quociente < std::numeric_limits<int32_t>::min() ||
        quociente > std::numeric_limits<int32_t>::max())
        return -1;
    return static_cast<int32_t>(quociente);
}

TCor CorDoPasso(TCor de, TCor para, int32_t i, int32_t n) {
    if (n <= 0) return de & 0x00FFFFFF;
    TCor cor = 0;
    for (int deslocamento = 0; deslocamento <= 16; deslocamento += 8) {
        const int32_t origem = static_cast<int32_t>((de >> deslocamento) & 0xFF);
        const int32_t destino = static_cast<int32_t>((para >> deslocamento) & 0xFF);
        const int32_t valor = origem + MulDiv(i, destino - origem, n);
        cor |= (static_cast<TCor>(valor) & 0xFF) << deslocamento;
    }
    return cor;
}

namespace {

constexpr TCor corDoSistema = 0x80000000;

struct PapelDoSistema {
    QPalette::ColorGroup grupo;
    QPalette::ColorRole papel;
};

// The Windows system colours by index, matched to the palette's roles.
constexpr std::array<PapelDoSistema, 25> papeisDoSistema{{
    {QPalette::Active, QPalette::Button},          // clScrollBar
    {QPalette::Active, QPalette::Dark},            // clBackground
    {QPalette::Active, QPalette::Highlight},       // clActiveCaption
    {QPalette::Inactive, QPalette::Mid},           // clInactiveCaption
    {QPalette::Active, QPalette::Window},          // clMenu
    {QPalette::Active, QPalette::Base},            // clWindow
    {QPalette::Active, QPalette::Shadow},          // clWindowFrame
    {QPalette::Active, QPalette::WindowText},      // clMenuText
    {QPalette::Active, QPalette::Text},            // clWindowText
    {QPalette::Active, QPalette::HighlightedText}, // clCaptionText
    {QPalette::Active, QPalette::Window},          // clActiveBorder
    {QPalette::Inactive, QPalette::Window},        // clInactiveBorder
    {QPalette::Active, QPalette::Dark},            // clAppWorkSpace
    {QPalette::Active, QPalette::Highlight},       // clHighlight
    {QPalette::Active, QPalette::HighlightedText}, // clHighlightText
    {QPalette::Active, QPalette::Button},          // clBtnFace
    {QPalette::Active, QPalette::Dark},            // clBtnShadow
    {QPalette::Disabled, QPalette::Text},          // clGrayText
    {QPalette::Active, QPalette::ButtonText},      // clBtnText
    {QPalette::Disabled, QPalette::WindowText},    // clInactiveCaptionText
    {QPalette::Active, QPalette::Light},           // clBtnHighlight
    {QPalette::Active, QPalette::Shadow},          // cl3DDkShadow
    {QPalette::Active, QPalette::Midlight},        // cl3DLight
    {QPalette::Active, QPalette::ToolTipText},     // clInfoText
    {QPalette::Active, QPalette::ToolTipBase},     // clInfoBk
}};

// A shape whose edges arrive crossed (the last rectangles and ellipse, which
// pass the centre) covers the pixels between its edges, so the centre still
// receives the last colour.
QRect Normalizado(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    return QRect(x1, y1, x2 - x1, y2 - y1);
}

void Preencher(QPainter& p, const QRect& r, TCor cor) {
    if (!r.isEmpty()) p.fillRect(r, CorParaQColor(cor));
}

void Elipse(QPainter& p, const QRect& r, TCor cor) {
    if (r.isEmpty()) return;
    p.setBrush(CorParaQColor(cor));
    p.drawEllipse(r);
}

// Layouts 5 and 6: the four edges move inwards before each shape is drawn.
struct Moldura {
    double x1, y1, x2, y2;
    double dx, dy;
    QRect Avancar() {
        x1 += dx;
        y1 += dy;
        x2 -= dx;
        y2 -= dy;
        const auto t = [](double v) { return static_cast<int32_t>(std::trunc(v)); };
        return Normalizado(t(x1), t(y1), t(x2), t(y2));
    }
};

void PintarCamadas(QPainter& p, uint8_t layout, int32_t w, int32_t h, TCor de, TCor para,
                   int32_t passos) {
    switch (layout) {
    case 2:
        for (int32_t i = 0; i < passos; ++i)
            Preencher(p, Normalizado(0, MulDiv(i, h, passos), w, MulDiv(i + 1, h, passos)),
                      CorDoPasso(de, para, i, passos - 1));
        break;
    case 3:
    case 4: {
        // One-pixel lines from both edges; each line's mirror follows it.
        const bool colunas = layout == 3;
        const auto linha = [&](int32_t a) {
            return colunas ? Normalizado(a, 0, a + 1, h) : Normalizado(0, a, w, a + 1);
        };
        const int32_t extensao = colunas ? w : h;
        const int32_t metade = extensao / 2;
        for (int32_t i = 0; i <= metade; ++i) {
            const TCor cor = CorDoPasso(de, para, i, metade);
            Preencher(p, linha(i), cor);
            Preencher(p, linha(extensao - i - 1), cor);
        }
        break;
    }
    case 5: {
        // One step has no increment to divide: its single rectangle covers the area.
        const double divisor = passos > 1 ? passos - 1 : 0;
        const double dx = divisor > 0 ? w * 0.5 / divisor : 0;
        const double dy = divisor > 0 ? h * 0.5 / divisor : 0;
        Moldura m{0, 0, double(w), double(h), dx, dy};
        for (int32_t i = 0; i < passos; ++i)
            Preencher(p, m.Avancar(), CorDoPasso(de, para, i, passos - 1));
        break;
    }
    case 6: {
        p.setPen(Qt::NoPen);
        const double dx = (w * 0.25 + w * 0.5) * 0.02;
        const double dy = (h * 0.25 + h * 0.5) * 0.02;
        Moldura m{-w * 0.25, -h * 0.25, w + w * 0.25, h + h * 0.25, dx, dy};
        for (int32_t i = 0; i <= 50; ++i)
            Elipse(p, m.Avancar(), CorDoPasso(de, para, i, 50));
        break;
    }
    default:
        for (int32_t i = 0; i < passos; ++i)
            Preencher(p, Normalizado(MulDiv(i, w, passos), 0, MulDiv(i + 1, w, passos), h),
                      CorDoPasso(de, para, i, passos - 1));
        break;
    }
}

} // namespace

QColor CorParaQColor(TCor cor) {
    const TCor indice = cor & ~corDoSistema;
    if ((cor & corDoSistema) && indice < papeisDoSistema.size()) {
        const PapelDoSistema& s = papeisDoSistema[indice];
        return QGuiApplication::palette().color(s.grupo, s.papel);
    }
    return QColor(int(cor & 0xFF), int((cor >> 8) & 0xFF), int((cor >> 16) & 0xFF));
}

QImage ImagemDegrade(uint8_t layout, int16_t largura, int16_t altura, TCor de, TCor para,
                     uint8_t passos) {
    if (largura <= 0 || altura <= 0) return {};
    QImage imagem(largura, altura, QImage::Format_ARGB32_Premultiplied);
    if (imagem.isNull()) return {};
    imagem.fill(Qt::transparent);
    QPainter p(&imagem);
    if (de == para)
        p.fillRect(imagem.rect(), CorParaQColor(de));
    else
        PintarCamadas(p, layout, largura, altura, de, para, passos);
    return imagem;
}

void PintarDegrade(Tela& tela, uint8_t layout, int16_t largura, int16_t altura, TCor de, TCor para,
                   uint8_t passos) {
    const QImage imagem = ImagemDegrade(layout, largura, altura, de, para, passos);
    if (!imagem.isNull()) tela.Desenhar(0, 0, imagem);
}

void PreencherComFigura(Tela& tela, const QImage& figura, uint8_t modo) {
    const int32_t gw = figura.width();
    const int32_t gh = figura.height();
    if (gw <= 0 || gh <= 0) return;
    const Retangulo r = tela.Recorte();
    if (modo == 0) {
        // Centred in the area itself, wherever its left and top edges lie.
        const int16_t meioX = static_cast<int16_t>((int64_t{r.direita} - r.esquerda - gw) / 2);
        const int16_t meioY = static_cast<int16_t>((int64_t{r.base} - r.topo - gh) / 2);
        tela.Desenhar(r.esquerda + meioX, r.topo + meioY, figura);
    } else if (modo == 1) {
        tela.Esticar(r, figura);
    } else {
        const int16_t colunas = static_cast<int16_t>(r.direita / gw);
        const int16_t linhas = static_cast<int16_t>(r.base / gh);
        if (colunas < 0 || linhas < 0) return;
        for (int32_t a = 0; a <= colunas; ++a)
            for (int32_t c = 0; c <= linhas; ++c)
                tela.Desenhar(gw * a, gh * c, figura);
    }
}

Retangulo TelaQPainter::Recorte() const {
    QRect area;
    if (painter_.hasClipping())
        area = painter_.clipBoundingRect().toAlignedRect();
    else if (const QPaintDevice* dispositivo = painter_.device())
        area = QRect(0, 0, dispositivo->width(), dispositivo->height());
    return {area.left(), area.top(), area.left() + area.width(), area.top() + area.height()};
}

void TelaQPainter::Desenhar(int32_t x, int32_t y, const QImage& figura) {
    painter_.drawImage(x, y, figura);
}

void TelaQPainter::Esticar(const Retangulo& destino, const QImage& figura) {
    if (destino.direita <= destino.esquerda || destino.base <= destino.topo) return;
    painter_.drawImage(QRect(destino.esquerda, destino.topo, destino.direita - destino.esquerda,
                             destino.base - destino.topo),
                       figura);
}
