// mPrinttx: saving and printing the main window's message logs, and the print
// dialog TfrmPrnDlg that asks for the number of copies. The printer is the
// program's current printer, one for the whole run: what the printer setup
// dialog changes stays for later prints. Call from the user-interface thread.
//
// The poll must not run while a log is saved or printed: the entry points
// stop the timer they are given and start it again on every way out.
//
// Tests never open the print dialog or reach a printer unless they mean to:
// a RespostaImpressao in scope answers instead (see below).
#pragma once

#include "FluxoTexto.h"
#include "RespostaEmPilha.h"

#include <QDialog>
#include <QFont>
#include <QStringList>

#include <deque>
#include <memory>
#include <string>
#include <vector>

class Interacao;
class QLabel;
class QComboBox;
class QPainter;
class QPlainTextEdit;
class QPrinter;
class QPushButton;
class QScrollBar;
class QTimer;

// Stops a running timer for its own lifetime; a stopped one stays stopped.
class TimerParado {
public:
    explicit TimerParado(QTimer* timer);
    ~TimerParado();
    TimerParado(const TimerParado&) = delete;
    TimerParado& operator=(const TimerParado&) = delete;

private:
    QTimer* timer_;
};

// The log as shown: its lines in Windows-1252, and joined by CR LF.
std::vector<std::string> LinhasDoLog(const QPlainTextEdit& log);
std::string TextoDoLog(const QPlainTextEdit& log);

// recebidas: the received log (memMsgRec) or the sent one (memMsgEnv); only
// the captions depend on it. timer: the poll, or null.
void SalvarMensagens(const QPlainTextEdit& log, bool recebidas, Interacao& ui, QTimer* timer);
void ImprimirMensagens(QWidget* pai, const QPlainTextEdit& log, bool recebidas, Interacao& ui,
                       QTimer* timer);

// The print dialog with titulo as its caption: the number of copies (1 to
// 999), or 0 when the user cancelled or no printer can be reached (the error
// is shown through ui).
int SolicitarCopias(QWidget* pai, const std::string& titulo, Interacao& ui);

// The program's current printer: the system's default at first.
QPrinter& ImpressoraAtual();

// The font of the printed logs: the windows' face at 8 points.
QFont FonteImpressao();

// The text print stream's device on a QPrinter: each job is one QPainter
// session on it, in the given font and the window-text colour.
class ImpressoraQt : public FluxoImpressao {
public:
    ImpressoraQt(QPrinter& impressora, const QFont& fonte);
    ~ImpressoraQt() override;

    bool IniciarTrabalho(const std::string& titulo) override;
    const MetricasFonte& Metricas() const override;
    int LarguraPagina() const override;
    int AlturaPagina() const override;
    bool DesenharTexto(int x, int y, std::string_view texto) override;
    bool NovaPagina() override;
    bool Terminar() override;

private:
    class MetricasQt;
    bool Ativa() const;

    QPrinter& impressora_;
    QFont fonte_;
    std::unique_ptr<QPainter> pintor_;
    std::unique_ptr<MetricasQt> metricas_;
};

class TfrmPrnDlg : public QDialog {
    Q_OBJECT
public:
    // impressoras: the installed printers, in the system's order; the entry
    // naming impressora is selected (the first when none does).
    TfrmPrnDlg(QPrinter& impressora, const QStringList& impressoras, QWidget* pai = nullptr);

    int Copias() const;

public slots:
    void scbNumCopiasChange();
    void BitBtnClick(); // "&Propriedades"
    void AjusteAtributos();
    void DestacarBotao(QPushButton* botao);
    void FormMouseMove();

public:
    // The close box and Escape.
    void reject() override;

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* alvo, QEvent* e) override;

private:
    void cmbImpressoraChange(int indice);
    void SelecionarAtual();

    QPrinter& impressora_;
    QLabel* lblImpressora;
    QComboBox* cmbImpressora;
    QLabel* lblOrientacao;
    QPushButton* bbtPropriedades;
    QLabel* lblNumCopias;
    QScrollBar* scbNumCopias;
    QPushButton* bbtOk;
    QPushButton* bbtCancel;
};

// ---- Test seam ----
//
// While one of these is alive, SolicitarCopias opens no window: it records
// the caption and answers from the queue (an empty queue cancels, 0); and
// ImprimirMensagens prints to the given device instead of the printer.
// Nested responders stack.
class RespostaImpressao : public RespostaEmPilha<RespostaImpressao, int> {
public:
    explicit RespostaImpressao(FluxoImpressao& dispositivo) : dispositivo_(dispositivo) {}

    void Responder(int copias) { Enfileirar(copias); }
    const std::vector<std::string>& Titulos() const { return titulos_; }
    FluxoImpressao& Dispositivo() { return dispositivo_; }

    int Copias(const std::string& titulo);

private:
    FluxoImpressao& dispositivo_;
    std::vector<std::string> titulos_;
};
