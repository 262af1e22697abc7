// fDirsel: the modal folder chooser of both programs, which can also create,
// rename and delete folders. It browses by changing the process's current
// directory and leaves it wherever the user last went; callers that rely on
// the current directory set it themselves. Paths are DOS paths in
// Windows-1252 bytes. Call from the user-interface thread only.
//
// Tests of callers never open the window: a RespostaPasta in scope answers
// EscolherPasta instead (see below).
#pragma once

#include "RespostaEmPilha.h"

#include <QDialog>

#include <deque>
#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QToolButton;

// Shows the chooser with titulo as its caption, opened on pastaInicial when
// that folder exists (else on the current directory). confirmado tells
// whether "&OK" closed it; pasta is then the folder in lower case, without a
// final backslash except for a drive root ("c:\"), and empty otherwise.
void EscolherPasta(const std::string& titulo, const std::string& pastaInicial, bool& confirmado,
                   std::string& pasta);

class TfrmDirSel : public QDialog {
    Q_OBJECT
public:
    explicit TfrmDirSel(QWidget* pai = nullptr);

    // What EscolherPasta does before showing the window: open the initial
    // folder when it exists, and clear the outcome.
    void Iniciar(const std::string& pastaInicial);

    // The folder the list shows (the current directory), as a DOS path.
    const std::string& PastaMostrada() const { return pasta_; }
    bool Confirmado() const { return confirmado_; }
    const std::string& PastaEscolhida() const { return escolhida_; }

public slots:
    void dcbDriveChange();
    void dlsPastasChange();
    void sbtCriarPastaClick();
    void sbtRenPastaClick();
    void sbtDelPastaClick();
    void bbtOkClick();
    void DestacarBotao(QPushButton* botao);
    void FormMouseMove();

protected:
    void showEvent(QShowEvent* e) override; // FormShow
    bool eventFilter(QObject* alvo, QEvent* e) override;

private:
    void dlsPastasEnter();
    void dlsPastasExit();
    void AbrirItem(QListWidgetItem* item);
    // Makes dos the current directory and shows it; false when it cannot be entered.
    bool Entrar(const std::string& dos);
    // Shows the current directory (the first ready drive's root when it lies on no drive).
    void MostrarPastaAtual();
    void LerPastas();
    void SelecionarUnidade(char letra);

    QLabel* lblDriveDir;
    QComboBox* dcbDrive;
    QListWidget* dlsPastas;
    QToolButton* sbtCriarPasta;
    QToolButton* sbtRenPasta;
    QToolButton* sbtDelPasta;
    QPushButton* bbtOk;
    QPushButton* bbtCancel;
    QLabel* panPastaAtual;

    std::string pasta_;
    bool confirmado_ = false;
    std::string escolhida_;
};

// ---- Test seam ----
//
// While one of these is alive, EscolherPasta opens no window: it records the
// call and answers from the queue; an empty queue answers as "&Cancelar"
// would. Nested responders stack.
class RespostaPasta : public RespostaEmPilha<RespostaPasta, std::string> {
public:
    struct Chamada {
        std::string titulo, pastaInicial;
    };

    void Escolher(std::string pasta) { Enfileirar(std::move(pasta)); }
    void Cancelar() { Enfileirar(std::nullopt); }
    const std::vector<Chamada>& Chamadas() const { return chamadas_; }

    void Responder(const std::string& titulo, const std::string& pastaInicial, bool& confirmado,
                   std::string& pasta);

private:
    std::vector<Chamada> chamadas_;
};

