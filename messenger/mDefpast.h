// mDefpast: the folder list editor "Pastas de Mensagens". It works on the
// session's folder list and auto-create setting in place: showing it reloads
// the list from the settings file, OK writes the list back, Cancel reloads it,
// and the close box leaves the edits in memory for the save at program end.
#pragma once

#include "InteracaoJanelas.h"
#include "Sessao.h"

#include <QDialog>

#include <string>

class QCheckBox;
class QGroupBox;
class QPushButton;
class QTableWidget;

class TfrmDefPastas : public QDialog {
    Q_OBJECT
public:
    // arquivoIni: the settings file (ArquivoConfiguracao() in the program).
    TfrmDefPastas(Sessao& sessao, std::string arquivoIni, QWidget* pai = nullptr);

public slots:
    void FormShow();
    void AtualizarGrid();
    void cbxCriarPastaClick();
    void btnIncluirClick();
    void btnExcluirClick();
    void btnEditarClick();
    void bbtOkClick();
    void bbtCancelClick();
    void DestacarBotao(QPushButton* botao);
    void FormMouseMove();

protected:
    void showEvent(QShowEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;  // Escape is "&Cancelar"
    bool eventFilter(QObject* alvo, QEvent* e) override;

private:
    // List index of the selected grid row, -1 when it holds no folder.
    int Selecionada() const;
    void Selecionar(int linha);
    // Asks for a name until it is usable and not another entry's; false when
    // the user gave up. `ignorar` is the entry being edited.
    bool PedirNome(const std::string& titulo, const std::string& inicial, int ignorar,
                   std::string& nome);
    // The folder chooser on `caminho`; the chosen folder replaces it when confirmed.
    void EscolherCaminho(std::string& caminho);

    Sessao& sessao_;
    std::string arquivoIni_;
    InteracaoJanelas ui_;

    QGroupBox* gbxPastas;
    QTableWidget* StrGrid1;
    QCheckBox* cbxCriarPasta;
    QPushButton* btnIncluir;
    QPushButton* btnExcluir;
    QPushButton* btnEditar;
    QPushButton* bbtOk;
    QPushButton* bbtCancel;
};
