// Window backgrounds: a two-colour gradient in one of seven layouts, and a
// picture centred, stretched or tiled into a canvas's visible area.
//
// Both routines reach the target only through a Tela, so tests record what is
// drawn; TelaQPainter is the one the windows use. A gradient is painted into
// an off-screen image first and handed to the canvas in a single Desenhar at
// (0, 0), so the target never shows half a gradient. Pixels no layout paints
// (layout 5's border, steps 0) stay transparent: the canvas shows through.
#pragma once

#include <cstdint>

#include <QColor>
#include <QImage>

class QPainter;

// A colour as the programs store it: 0x00BBGGRR, red in the lowest byte.
// 0x80000000 + index 0..24 names a system colour (clBtnFace and the like).
using TCor = uint32_t;

// Edges as the drawing routines take them: left and top inside, right and
// bottom outside.
struct Retangulo {
    int32_t esquerda = 0;
    int32_t topo = 0;
    int32_t direita = 0;
    int32_t base = 0;
    friend bool operator==(const Retangulo&, const Retangulo&) = default;
};

class Tela {
public:
    virtual ~Tela() = default;
    // The visible area; pictures are fitted to it.
    virtual Retangulo Recorte() const = 0;
    virtual void Desenhar(int32_t x, int32_t y, const QImage& figura) = 0;
    virtual void Esticar(const Retangulo& destino, const QImage& figura) = 0;
};

// Draws through a painter the caller keeps active. The visible area is the
// painter's clip when it has one, else its whole device; coordinates are the
// painter's own.
class TelaQPainter final : public Tela {
public:
    explicit TelaQPainter(QPainter& painter) : painter_(painter) {}
    TelaQPainter(const TelaQPainter&) = delete;
    TelaQPainter& operator=(const TelaQPainter&) = delete;

    Retangulo Recorte() const override;
    void Desenhar(int32_t x, int32_t y, const QImage& figura) override;
    void Esticar(const Retangulo& destino, const QImage& figura) override;

private:
    QPainter& painter_;
};

// a * b / c with a 64-bit intermediate, rounded to the nearest integer with
// halves away from zero. -1 when c is 0 or the result leaves 32 bits, as the
// Windows function answers.
int32_t MulDiv(int32_t a, int32_t b, int32_t c);

// Step i of n from `de` to `para`, component by component on the low three
// bytes (a system colour's bytes are taken as they stand). n <= 0 gives `de`.
TCor CorDoPasso(TCor de, TCor para, int32_t i, int32_t n);

// System colours come from the application's palette; any other value is
// read from its low three bytes.
QColor CorParaQColor(TCor cor);

// layout: 0, 1 and 7..255 vertical bands left to right; 2 horizontal bands
// top to bottom; 3 columns and 4 rows from both edges to the centre line;
// 5 concentric rectangles; 6 concentric ellipses (51, whatever passos).
// passos counts the bands of layouts 0, 1, 2, 5 and 7..255. A size of 0 or
// below paints nothing.
void PintarDegrade(Tela& tela, uint8_t layout, int16_t largura, int16_t altura, TCor de, TCor para,
                   uint8_t passos);

// The off-screen image PintarDegrade hands to the canvas; null when the size
// is 0 or below.
QImage ImagemDegrade(uint8_t layout, int16_t largura, int16_t altura, TCor de, TCor para,
                     uint8_t passos);

// modo 0 centres the picture in the visible area, 1 stretches it over that
// area, 2 and above tiles it from the canvas's origin until the area is
// covered. A picture without pixels draws nothing.
void PreencherComFigura(Tela& tela, const QImage& figura, uint8_t modo);
