// The look every window of both programs shares: the stand-in for the
// "MS Sans Serif" font and the caption colours of DestacarBotao.
#pragma once

#include <QFont>

#include <initializer_list>

class QEvent;
class QObject;
class QPushButton;
class QWidget;

// "MS Sans Serif" is not on Linux; the nearest sans faces stand in for it.
QFont FonteJanela(int pixels, bool negrito);
// "Arial" is rarely there either; metric-compatible faces first.
QFont FonteArial(int pixels, bool negrito);

// DestacarBotao of every window: the button under the mouse (sob) turns lime
// green when it confirms, red when it cancels or refuses; all the others
// black. sob null (the mouse over anything else) turns them all black.
void DestacarBotoes(QPushButton* sob, QPushButton* confirmar,
                    std::initializer_list<QPushButton*> recusar);

// What a mouse event of an event filter is really over: a move that a button
// ignores reaches its parents too, and they must not take its highlight away.
QWidget* WidgetSobMouse(QWidget* janela, QObject* alvo, QEvent* e);

// The event filter of a dialog whose DestacarBotao knows botoes: true for a
// mouse move or enter, with sob the one of botoes under the mouse, or null.
bool MovimentoSobreBotoes(QWidget* janela, QObject* alvo, QEvent* e,
                          std::initializer_list<QPushButton*> botoes, QPushButton*& sob);
