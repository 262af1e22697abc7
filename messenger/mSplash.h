// mSplash: the splash window TfrmSplash, the program's title with its shadow,
// version and credits over a tiled background. At start it shows for three
// seconds with its button hidden, before the main window exists; later the
// same window is the about box of "&Sobre o Falavox...", which only its button
// (Enter, Escape) closes. Created for one showing and released afterwards.
#pragma once

#include <QDialog>
#include <QIcon>

class QFrame;
class QLabel;
class QPushButton;
class QTimer;

class TfrmSplash : public QDialog {
    Q_OBJECT
public:
    // Abertura: button hidden, tmrSplash running; Sobre: button shown, timer stopped.
    enum class Modo { Abertura, Sobre };
    explicit TfrmSplash(Modo modo, QWidget* pai = nullptr);

    void FormShow();
    // Steps 2 and 3 of FormShow: the title centred (cut at both sides when it
    // is wider than the window), its shadow 2 pixels right and below.
    void ExibirTitulo(const QString& titulo);
    void tmrSplashTimer();
    void DestacarBotao(QPushButton* botao);
    void FormMouseMove();

    // Escape belongs to the button, as Enter does: nothing while it is hidden.
    void reject() override;

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* alvo, QEvent* e) override;

private:
    QFrame* panSplash;
    QFrame* bevSplash;
    QLabel* imgSplash;
    QLabel* imgFundo;
    QLabel* lblNomePrg2;
    QLabel* lblNomePrg1;
    QLabel* lblVersaoPrg;
    QWidget* bevAutorPrg;
    QLabel* lblAutorPrg;
    QLabel* lblObsPrg;
    QFrame* panIcone;
    QLabel* imgIcone;
    QPushButton* bbtOk;
    QTimer* tmrSplash;
};

// Program start: the splash without its button, modal until its timer closes
// it after 3000 milliseconds.
void MostrarAbertura();
// itmAutoriaClick: the about box, busy cursor while it is created, timer
// stopped, button visible; modal until the user closes it.
void MostrarSobre(QWidget* pai);
// The picture of panIcone, also the windows' icon.
QIcon IconePrograma();
