// The restore window: the last screen of an installation. One press of
// "&Instalar" copies the files from the disks and extracts the listed
// archives (Restauracao), showing the file in hand, a bar and three counters;
// "&Cancelar" interrupts at any time. Shown modally once per installation;
// the sequence reads InstalacaoCancelada after it is gone.
#pragma once

#include "InteracaoJanelas.h"
#include "Restauracao.h"
#include "mExtrZip.h"

#include <QDialog>

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;

class TfrmRestore : public QDialog, public ObservadorRestauracao {
    Q_OBJECT
public:
    explicit TfrmRestore(QWidget* pai = nullptr);

    void FormCreate();
    // Both buttons: "&Instalar" runs the restore, "&Cancelar" interrupts it.
    void BitBtnClick(QPushButton* botao);
    void RestoreArqs();
    void DescompactarArquivos();
    void Extrator1Progresso(TExtratorZip& Sender, TTipoProgresso TipoProgr,
                            const std::string& Filename, int32_t FileSize);
    // False keeps the window open.
    bool FormClose();
    void DestacarBotao(QPushButton* botao);
    void FormMouseMove();

    bool RestauracaoEncerrada() const { return restauracaoEncerrada_; }

    // What the restore shows.
    void Rotulos(const std::string& disco, const std::string& arquivo, const std::string& bytes,
                 const std::string& atual) override;
    void Posicao(int posicao) override;

    // Esc is the cancel button.
    void reject() override;

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* alvo, QEvent* e) override;

private:
    int TagCancel() const;

    InteracaoJanelas interacao_;
    TExtratorZip Extrator1{interacao_};
    RitmoEventos ritmo_{interacao_};
    BarraExtracao barra_;
    QFrame* bevArqAtual;
    QLabel* lblArqAtual;
    QProgressBar* ProgressBar1;
    QFrame* bevInfoDisco;
    QLabel* lblInfoDisco;
    QFrame* bevInfoArq;
    QLabel* lblInfoArq;
    QFrame* bevInfoBytes;
    QLabel* lblInfoBytes;
    QPushButton* bbtInstalar;
    QPushButton* bbtCancel;
    bool restauracaoEncerrada_ = false;
    bool executando_ = false;  // inside the "&Instalar" press
    bool perguntando_ = false; // the close question is on screen
    bool ultimoErro_ = false;  // the run ended with an error message
    int resultado_ = Rejected;
};
