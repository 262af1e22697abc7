// Drives a real modal dialog from a Qt test. Arm the watcher, then make the
// call that opens the dialog: as soon as a matching dialog is the active modal
// widget, the action runs on it inside the dialog's own exec() loop.
//
//   auto feito = AoAbrirDialogo<TfrmMsgDlg>([](TfrmMsgDlg* d) { Teclar(d, Qt::Key_Escape); });
//   QCOMPARE(ExibirMensagem(...), 7);
//   QVERIFY(*feito);
//
// A dialog still open some time after the action (a failed check inside it,
// an action that forgot to close it), or one that is not the expected one,
// is rejected so the test fails instead of hanging.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace detalhe_dialogo {
inline void FecharModalRestante(int depoisMs) {
    QTimer::singleShot(depoisMs, qApp, [] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->reject();
    });
}
} // namespace detalhe_dialogo

// D: the dialog's class; nome: its object name, when several could match.
template <class D = QDialog>
std::shared_ptr<bool> AoAbrirDialogo(std::function<void(D*)> acao, const QString& nome = {},
                                     int limiteMs = 5000) {
    auto executou = std::make_shared<bool>(false);
    auto* vigia = new QTimer(qApp);
    auto relogio = std::make_shared<QElapsedTimer>();
    relogio->start();
    vigia->setInterval(5);
    QObject::connect(vigia, &QTimer::timeout, qApp, [=] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* d = qobject_cast<D*>(modal);
        bool confere = d && d->isVisible() && (nome.isEmpty() || d->objectName() == nome);
        if (!confere) {
            if (relogio->elapsed() < limiteMs) return;
            vigia->stop();
            vigia->deleteLater();
            if (auto* outro = qobject_cast<QDialog*>(modal)) outro->reject();
            return;
        }
        vigia->stop();
        vigia->deleteLater();
        *executou = true;
        QPointer<D> guarda(d);
        acao(d);
        if (guarda && guarda->isVisible()) detalhe_dialogo::FecharModalRestante(limiteMs);
    });
    vigia->start();
    return executou;
}

// A key press where the user's keyboard would send it: the dialog's focus widget.
inline void Teclar(QWidget* dialogo, Qt::Key tecla, Qt::KeyboardModifiers mod = Qt::NoModifier) {
    QWidget* alvo = dialogo->focusWidget() ? dialogo->focusWidget() : dialogo;
    QTest::keyClick(alvo, tecla, mod);
}
