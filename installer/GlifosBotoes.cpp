#include "GlifosBotoes.h"

#include "EstiloJanelas.h"

#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

#include <functional>

namespace {

constexpr int lado = 18;

// Drawn at one and at two pixels per point, so the glyph stays crisp on a
// scaled screen.
QIcon Desenhar(const std::function<void(QPainter&)>& desenho) {
    QIcon icone;
    for (int escala : {1, 2}) {
        QPixmap px(lado * escala, lado * escala);
        px.fill(Qt::transparent);
        QPainter p(&px);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(escala, escala);
        desenho(p);
        p.end();
        px.setDevicePixelRatio(escala);
        icone.addPixmap(px);
    }
    return icone;
}

// A thick stroke with a darker edge, the way the old glyphs were shaded.
void Tracar(QPainter& p, const QPainterPath& caminho, const QColor& cor) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(cor.darker(170), 4.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(caminho);
    p.setPen(QPen(cor, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(caminho);
}

} // namespace

QIcon GlifoConfirmar() {
    return Desenhar([](QPainter& p) {
        QPainterPath visto;
        visto.moveTo(3.5, 9.5);
        visto.lineTo(7.5, 13.5);
        visto.lineTo(14.5, 4.5);
        Tracar(p, visto, QColor(0, 150, 0));
    });
}

QIcon GlifoCancelar() {
    return Desenhar([](QPainter& p) {
        QPainterPath xis;
        xis.moveTo(4.5, 4.5);
        xis.lineTo(13.5, 13.5);
        xis.moveTo(13.5, 4.5);
        xis.lineTo(4.5, 13.5);
        Tracar(p, xis, QColor(210, 0, 0));
    });
}

QIcon GlifoInstalar() {
    return Desenhar([](QPainter& p) {
        p.setPen(QPen(QColor(64, 64, 64), 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF({{2, 11}, {2, 16}, {16, 16}, {16, 11}}));
        QPainterPath seta;
        seta.addPolygon(
            QPolygonF({{7, 1.5}, {11, 1.5}, {11, 7}, {14.5, 7}, {9, 13.5}, {3.5, 7}, {7, 7}, {7, 1.5}}));
        p.setPen(QPen(QColor(0, 96, 0), 1));
        p.setBrush(QColor(0, 170, 0));
        p.drawPath(seta);
    });
}

QPushButton* BotaoComGlifo(const char* nome, const QString& legenda, const QIcon& glifo,
                           QWidget* pai) {
    auto* b = new QPushButton(glifo, legenda, pai);
    b->setObjectName(nome);
    b->setFont(FonteJanela(11, true));
    b->setIconSize(QSize(lado, lado));
    b->setMinimumSize(90, 27);
    return b;
}
