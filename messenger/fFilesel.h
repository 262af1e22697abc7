// fFilesel: the messenger's modal file chooser (saving a log, pasting a text
// file into a message). Besides the files of the current folder it browses
// drives and folders, creates, renames and deletes folders, and can preview a
// picture or play a media file. It browses by changing the process's current
// directory and, whichever way it closes, makes the program's folder current
// again. Paths are DOS paths in Windows-1252 bytes; user-interface thread only.
//
// Tests of callers never open the window: a RespostaArquivo in scope answers
// EscolherArquivo instead (see below).
#pragma once

#include "RespostaEmPilha.h"

#include <QDialog>

#include <cstdint>
#include <string>
#include <vector>

class QAudioOutput;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QMediaPlayer;
class QPushButton;
class QToolButton;
class QVideoWidget;

inline constexpr uint8_t modoAbrir = 0;  // the file must exist
inline constexpr uint8_t modoSalvar = 1; // the file need not exist
inline constexpr uint8_t semVisualizacao = 0;
inline constexpr uint8_t visualizarImagem = 1;
inline constexpr uint8_t visualizarMidia = 2; // and any kind above it

// Shows the chooser. filtro holds description and mask pairs separated by
// vertical bars ("Arquivo Texto (*.txt)|*.txt"); indiceFiltro picks the entry
// in use (0 = first). caminhoInicial gives the folder to open (up to its last
// backslash or colon) and the name to propose. confirmado tells whether a file
// was accepted; arquivo is then its full path in lower case, empty otherwise.
void EscolherArquivo(const std::string& titulo, uint8_t modo, uint8_t visualizacao,
                     uint8_t indiceFiltro, const std::string& filtro,
                     const std::string& caminhoInicial, bool& confirmado, std::string& arquivo);

class TfrmFileSel : public QDialog {
    Q_OBJECT
public:
    enum class BotaoMidia { Play, Pause, Stop };

    explicit TfrmFileSel(QWidget* pai = nullptr);
    ~TfrmFileSel() override;

    // What EscolherArquivo does before showing the window.
    void Iniciar(const std::string& titulo, uint8_t modo, uint8_t visualizacao,
                 uint8_t indiceFiltro, const std::string& filtro,
                 const std::string& caminhoInicial);

    // The folder the lists show (the current directory), as a DOS path.
    const std::string& PastaMostrada() const { return pasta_; }
    bool Confirmado() const { return confirmado_; }
    const std::string& ArquivoEscolhido() const { return escolhido_; }
    bool MidiaAberta() const { return !midiaAberta_.empty(); }

public slots:
    void dcbDriveChange();
    void dlsDiretoriosChange();
    void flsArquivosChange();
    void fcbTiposArqChange();
    void sbtCriarPastaClick();
    void sbtRenPastaClick();
    void sbtDelPastaClick();
    void SelecionarArquivo();
    void MPlayer1Click(TfrmFileSel::BotaoMidia botao);
    void DestacarBotao(QPushButton* botao);
    void FormMouseMove();

    // FormCloseQuery: every way out passes here.
    void done(int resultado) override;

protected:
    void showEvent(QShowEvent* e) override; // FormShow
    bool eventFilter(QObject* alvo, QEvent* e) override;

private:
    bool edtNomeArqKeyPress(const QString& tecla);
    void edtNomeArqChange();
    void AbrirItem(QListWidgetItem* item);
    bool Entrar(const std::string& dos);
    void MostrarPastaAtual();
    void LerArquivos();
    std::string MascaraEmUso() const;
    std::string ArquivoSelecionado() const; // full DOS path; empty when none
    void ArrumarVisualizacao();
    void MostrarImagem(const std::string& arquivo);
    bool AbrirMidia(const std::string& arquivo);
    void FecharMidia();
    void HabilitarMidia(bool sim);

    QLineEdit* edtNomeArq;
    QListWidget* flsArquivos;
    QComboBox* fcbTiposArq;
    QComboBox* dcbDrive;
    QListWidget* dlsDiretorios;
    QToolButton* sbtCriarPasta;
    QToolButton* sbtRenPasta;
    QToolButton* sbtDelPasta;
    QFrame* bevInform;
    QFrame* bevPreview;
    QLabel* Img1;
    QFrame* bevDimensaoArq;
    QLabel* lblDimensaoArq;
    QWidget* MPlayer1;
    QToolButton* btPlay;
    QToolButton* btPause;
    QToolButton* btStop;
    QPushButton* bbtOk;
    QPushButton* bbtCancel;
    QLabel* panPastaAtual;

    // Made on the first Play only, so a dialog without media touches no device.
    QMediaPlayer* player_ = nullptr;
    QAudioOutput* audio_ = nullptr;
    QVideoWidget* video_ = nullptr;
    std::string midiaAberta_; // the file open in the player; empty when none

    std::string pasta_;
    std::string pastaInicial_, nomeInicial_;
    bool mostrado_ = false; // FormShow has run: once per dialog
    uint8_t modo_ = modoAbrir;
    uint8_t visualizacao_ = semVisualizacao;
    bool confirmado_ = false;
    std::string escolhido_;
};

// ---- Test seam ----
//
// While one of these is alive, EscolherArquivo opens no window: it records
// the call and answers from the queue; an empty queue answers as "&Cancelar"
// would. Nested responders stack.
class RespostaArquivo : public RespostaEmPilha<RespostaArquivo, std::string> {
public:
    struct Chamada {
        std::string titulo;
        uint8_t modo, visualizacao, indiceFiltro;
        std::string filtro, caminhoInicial;
    };

    void Escolher(std::string arquivo) { Enfileirar(std::move(arquivo)); }
    void Cancelar() { Enfileirar(std::nullopt); }
    const std::vector<Chamada>& Chamadas() const { return chamadas_; }

    void Responder(const Chamada& chamada, bool& confirmado, std::string& arquivo);

private:
    std::vector<Chamada> chamadas_;
};
