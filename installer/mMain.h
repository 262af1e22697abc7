// mMain: the installer's main window. Borderless and over the whole screen,
// it paints the backdrop (a gradient, the title with its shadow, subtitle,
// footer and a bar) and, once shown, runs the installation a single time: the
// presentation, destination and restore screens, then the INI entries, the
// programs, the uninstall log and the program group. Its creation is the
// start-up (command line, command file, first disk); after a fatal start
// message, or with "/X" (the uninstall runs there), it must not be shown.
//
// The program ends when the window closes: at the end of the sequence, which
// ends after its last message whether the installation completed or not.
#pragma once

#include "InteracaoJanelas.h"
#include "mSetuplb.h"

#include <QWidget>

#include <optional>
#include <string>

class TfrmMain : public QWidget {
    Q_OBJECT
public:
    // dirInstalador: the executable's folder as a DOS path (empty when no
    // drive maps it); argumento: the first command-line argument as given.
    TfrmMain(std::string dirInstalador, std::optional<std::string> argumento,
             QWidget* pai = nullptr);
    ~TfrmMain() override;

    // What the start-up decided; only Instalar shows the window.
    Partida Inicio() const { return partida_; }
    // The process's exit status: 0 once the installation or the uninstall
    // completed, 1 otherwise.
    int CodigoSaida() const { return codigoSaida_; }
    // True while the sequence runs; false before it and once it has stopped.
    bool EmInstalacao() const { return emInstalacao_; }

    bool AlterarArquivosINI();
    bool ExecutarArquivos();
    bool CriarGrupodePrograma();

public slots:
    void FormShow();

protected:
    void showEvent(QShowEvent* e) override;
    void paintEvent(QPaintEvent* e) override; // FormPaint
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void FormCreate(const std::string& dirInstalador, const std::optional<std::string>& argumento);
    template <class Tela> void ExibirTela();
    void Maximizar();
    // Lists freed, the window closed: the program ends with `codigo`.
    void Encerrar(int codigo);

    InteracaoJanelas ui_;
    Partida partida_ = Partida::Encerrar;
    int codigoSaida_ = 1;
    bool mostrada_ = false;
    bool emInstalacao_ = false;
};
