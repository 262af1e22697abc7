// fMsgdlg: the one modal message box and the one input box of both programs.
// Texts in and out are Windows-1252 bytes; in a message, lines are separated
// by a carriage return (a line feed beside it is ignored). Call from the
// user-interface thread only.
//
// Tests never open these windows unless they mean to: a RespostaMensagens
// in scope answers every call instead (see below).
#pragma once

#include "RespostaEmPilha.h"

#include <QDialog>
#include <QString>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;

// Results of the buttons; ExibirMensagem returns one of them.
constexpr int mrOk = 1;
constexpr int mrCancel = 2; // also the close box
constexpr int mrRetry = 4;
constexpr int mrYes = 6;
constexpr int mrNo = 7;

// A message of kind 0..12: buttons, icon and sound as the kind says. Returns
// the result of the button that closed it, 2 for the close box.
int ExibirMensagem(const std::string& titulo, const std::string& mensagem, int tipo);

// The input box. confirmado becomes true and valor the field as typed (no
// trimming) only when the user chose "&OK"; otherwise valor is untouched.
void SolicitarValor(const std::string& titulo, const std::string& prompt, std::string& valor,
                    bool& confirmado);

// The platform's plain message box (OK only), for the few places that ask for
// it instead of ExibirMensagem.
void MensagemSimples(const std::string& titulo, const std::string& texto);

// Clears the busy cursor however deep a caller nested it.
void RestaurarCursorNormal();

// ---- Geometry, a pure function of the measured text ----
//
// Sizes are outer sizes of a Windows dialog, frame included, as the layout
// rules are written; the client area is that less the frame.
constexpr int kMolduraLargura = 2 * 3;     // dialog border each side
constexpr int kMolduraAltura = 19 + 2 * 3; // caption bar and borders

struct GeometriaMsg {
    int largura = 0, altura = 0; // outer size
    int labelEsquerda = 0, labelTopo = 0;
    int editTopo = 0, editLargura = 0; // input box only
    int topoBotoes = 0;
    int x[3] = {0, 0, 0}; // left of the first, second, third slot
    bool visivel[3] = {false, false, false};
    bool comEdit = false;
};

// larguraTexto: widest line (MedirTexto); alturaLabel: the label's height
// once it holds the text.
GeometriaMsg CalcularGeometria(int larguraTexto, int alturaLabel, int tipo);
GeometriaMsg CalcularGeometriaValor(int larguraTexto, int alturaLabel);

// Width of the widest line: lines end at a carriage return, line feeds are
// skipped; 0 for an empty text. larguraLinha measures one line.
int MedirTexto(const QString& texto, const std::function<int(const QString&)>& larguraLinha);

// ---- The kinds ----

enum class IconeMensagem { nenhum, confirmacao, informacao, aviso, erro };

struct SlotMensagem {
    const char* legenda; // UTF-8, with its mnemonic
    int resultado;
};

struct TipoMensagem {
    int botoes;           // visible buttons: 1, 2 or 3
    SlotMensagem slot[3]; // first, second, third; a hidden slot keeps a harmless one
    IconeMensagem icone;
    int som; // MessageBeep sound type; 0 = silent
};

// The kind table; a kind outside 0..12 shows "&OK" alone, no icon, no sound.
const TipoMensagem& TipoDeMensagem(int tipo);

// ---- The form ----

class TfrmMsgDlg : public QDialog {
    Q_OBJECT
public:
    explicit TfrmMsgDlg(QWidget* pai = nullptr);

    // Everything ExibirMensagem and SolicitarValor do before showing the
    // window, so a test or the gallery can look at it without exec().
    void PrepararMensagem(const std::string& titulo, const std::string& mensagem, int tipo);
    void PrepararValor(const std::string& titulo, const std::string& prompt,
                       const std::string& valor);
    void Centralizar();
    std::string Valor() const;

    void DestacarBotao(QPushButton* botao);
    void FormMouseMove();

    // Close box, and Escape when the cancel slot is shown.
    void reject() override;

protected:
    void showEvent(QShowEvent* e) override; // FormShow
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* alvo, QEvent* e) override;

private:
    void Aplicar(const GeometriaMsg& g, const SlotMensagem (&vagas)[3]);
    int AlturaLabel() const;
    // Sets the title and the label; returns the text's widest line.
    int Rotular(const std::string& titulo, const std::string& texto1252);

    QLabel* imgConfirm;
    QLabel* imgInform;
    QLabel* imgAviso;
    QLabel* imgErro;
    QLabel* lblMsg;
    QLineEdit* edtValor;
    QPushButton* bbtSim;
    QPushButton* bbtNao;
    QPushButton* bbtCanc;
    QPushButton* botoes_[3];
    int resultados_[3] = {mrYes, mrNo, mrCancel};
    GeometriaMsg geometria_;
    bool modoEntrada_ = false;
};

// ---- Test seam ----
//
// While one of these is alive, ExibirMensagem, SolicitarValor and
// MensagemSimples open no window: they record the call and answer from its
// queues. An empty queue answers as Enter would (the first slot; the input
// box confirmed with its value unchanged). Nested responders stack.
class RespostaMensagens : public RespostaEmPilha<RespostaMensagens, int> {
public:
    struct Chamada {
        std::string titulo, texto;
        int tipo;          // kSimples for MensagemSimples, kEntrada for SolicitarValor
        std::string valor; // SolicitarValor: the value passed in
    };
    static constexpr int kSimples = -1;
    static constexpr int kEntrada = -2;

    void Responder(int resultado) { Enfileirar(resultado); }
    void Responder(std::initializer_list<int> resultados) {
        for (int r : resultados) Enfileirar(r);
    }
    void ResponderValor(std::string valor) { valores_.emplace_back(std::move(valor)); }
    void CancelarValor() { valores_.emplace_back(std::nullopt); }

    const std::vector<Chamada>& Chamadas() const { return chamadas_; }

    int Mensagem(const std::string& titulo, const std::string& texto, int tipo);
    void Simples(const std::string& titulo, const std::string& texto);
    bool Valor(const std::string& titulo, const std::string& prompt, std::string& valor);

private:
    std::vector<Chamada> chamadas_;
    std::deque<std::optional<std::string>> valores_;
};
