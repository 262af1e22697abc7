#include "EstiloJanelas.h"

#include <QMouseEvent>
#include <QPushButton>

QFont FonteJanela(int pixels, bool negrito) {
    QFont f;
    f.setFamilies({"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "Nimbus Sans",
                   "DejaVu Sans"});
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixels);
    f.setBold(negrito);
    return f;
}

QFont FonteArial(int pixels, bool negrito) {
    QFont f;
    f.setFamilies({"Arial", "Liberation Sans", "Arimo", "Helvetica", "DejaVu Sans"});
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixels);
    f.setBold(negrito);
    return f;
}

namespace {
void Colorir(QPushButton* botao, const QColor& cor) {
    QPalette p = botao->palette();
    if (p.color(QPalette::Active, QPalette::ButtonText) == cor) return;  // mouse moves come often
    // The disabled colour stays the style's, so a disabled button looks disabled.
    for (auto grupo : {QPalette::Active, QPalette::Inactive}) p.setColor(grupo, QPalette::ButtonText, cor);
    botao->setPalette(p);
}
} // namespace

void DestacarBotoes(QPushButton* sob, QPushButton* confirmar,
                    std::initializer_list<QPushButton*> recusar) {
    Colorir(confirmar, sob == confirmar ? QColor(0, 255, 0) : QColor(Qt::black));
    for (QPushButton* b : recusar) Colorir(b, sob == b ? QColor(255, 0, 0) : QColor(Qt::black));
}

QWidget* WidgetSobMouse(QWidget* janela, QObject* alvo, QEvent* e) {
    if (e->type() == QEvent::MouseMove) {
        QPoint ponto = janela->mapFromGlobal(static_cast<QMouseEvent*>(e)->globalPosition().toPoint());
        if (QWidget* w = janela->childAt(ponto)) return w;
    }
    return qobject_cast<QWidget*>(alvo);
}

bool MovimentoSobreBotoes(QWidget* janela, QObject* alvo, QEvent* e,
                          std::initializer_list<QPushButton*> botoes, QPushButton*& sob) {
    if (e->type() != QEvent::Enter && e->type() != QEvent::MouseMove) return false;
    QWidget* w = WidgetSobMouse(janela, alvo, e);
    sob = nullptr;
    for (QPushButton* b : botoes)
        if (w == b) sob = b;
    return true;
}
