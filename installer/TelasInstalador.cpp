#include "TelasInstalador.h"

#include "EstiloJanelas.h"

#include <QDialog>
#include <QLayout>
#include <QScreen>

void PrepararTela(QDialog* tela, const char* nome) {
    tela->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    tela->setObjectName(nome);
    tela->setFont(FonteJanela(11, false));
}

void CentralizarTela(QDialog* tela) {
    if (QScreen* s = tela->screen()) {
        const QRect r = s->availableGeometry();
        const QRect moldura = tela->frameGeometry();
        tela->move(r.center() - QPoint(moldura.width() / 2, moldura.height() / 2));
    }
}
