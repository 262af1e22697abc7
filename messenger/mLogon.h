// The logon dialog: the user types a name and chooses the message folder;
// OK logs on through the folder store and fills the session, Cancel forgets
// the last session. Created for one call and released when it returns.
#pragma once

#include <QDialog>

#include <string>

class PastaMensagens;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
struct Sessao;

class TfrmLogon : public QDialog {
    Q_OBJECT
public:
    // exec() returns 1 after a logon (OK), 2 otherwise.
    TfrmLogon(Sessao& sessao, PastaMensagens& pasta, QWidget* pai = nullptr);

    void FormShow();
    void bbtOkClick();
    void bbtCancelClick();
    void DestacarBotao(QPushButton* botao);
    void FormMouseMove();

    // The close box: the session stays as it was.
    void reject() override;

protected:
    void showEvent(QShowEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* alvo, QEvent* e) override;

private:
    void Erro(const std::string& texto);
    void SelecionarNome();

    Sessao& sessao_;
    PastaMensagens& pasta_;
    QGroupBox* gbxNome;
    QLineEdit* edtNome;
    QGroupBox* gbxPasta;
    QComboBox* cbxPastas;
    QPushButton* bbtOk;
    QPushButton* bbtCancel;
};
