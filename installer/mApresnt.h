// The presentation screen: greets the user and names the application about to
// be installed. It only informs; "&OK" and the close box both let the
// installation go on.
#pragma once

#include <QDialog>

#include <string>

class QLabel;
class QPushButton;

// The label's text: the fixed sentence, a carriage return and the title, the
// whole cut at 103 characters (Windows-1252).
std::string TextoApresentacao(const std::string& titulo);

class TfrmApresnt : public QDialog {
    Q_OBJECT
public:
    explicit TfrmApresnt(QWidget* pai = nullptr);

    void FormCreate();
    void DestacarBotao(QPushButton* botao);
    void FormMouseMove();

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* alvo, QEvent* e) override;

private:
    QLabel* lblApresnt;
    QPushButton* bbtOk;
};
