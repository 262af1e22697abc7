// The destination folder screen: the user chooses the drive and, when the
// installation code allows it, the folder the application goes into. "&OK"
// refuses a drive without room for the installation, then stores the full
// destination (drive, colon, folder, final backslash) in DirBase; leaving any
// other way asks whether to interrupt the installation.
#pragma once

#include "Destino.h"

#include <QDialog>

#include <cstdint>
#include <string>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

class TfrmPathApl : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPathApl(QWidget* pai = nullptr);

    void FormCreate();
    // True when the screen may close: a confirmed screen, or the user chose to
    // interrupt the installation.
    bool FormClose();
    void BitBtnClick(QPushButton* botao);
    void btnProcurarClick();
    void DestacarBotao(QPushButton* botao);
    void FormMouseMove();

    // The close box, Escape and "&Cancelar".
    void reject() override;

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* alvo, QEvent* e) override;

private:
    // edtDirAplicKeyPress: true when the typed character is discarded.
    bool edtDirAplicKeyPress(QKeyEvent* tecla);
    char LetraEscolhida() const;
    // The host folder the choice means and the space needed and free, as
    // the drive or the text changes.
    void AtualizarDestino();
    // A text holding '/' is refused with its message; true when refused.
    bool RecusarBarra(const std::string& pasta);

    QFrame* bevDrive;
    QLabel* lblDrive;
    QComboBox* DriveCombo1;
    QFrame* bevDirAplic;
    QLabel* lblDirAplic;
    QPushButton* btnProcurar;
    QLineEdit* edtDirAplic;
    QLabel* lblPastaHost;
    QLabel* lblEspaco;
    QPushButton* bbtOk;
    QPushButton* bbtCancel;

    bool confirmado_ = false;
    QString aceito_; // the folder text before an edit that was refused
};
