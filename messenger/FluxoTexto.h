// FluxoTexto: the text print stream of the message logs. Lines go onto pages
// with no margins: a line too wide for the page is cut at the character that
// no longer fits and goes on below; pages break when the next line would not
// fit; tabs stop every 8 average character widths; a form feed ends the page.
// The layout is pure arithmetic over a font-metrics interface; the device it
// draws on (a printer, or a recorder in tests) is a FluxoImpressao.
// Texts are Windows-1252 bytes; sizes are device units.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class Interacao;

class MetricasFonte {
public:
    virtual ~MetricasFonte() = default;
    virtual int Largura(std::string_view texto) const = 0;
    virtual int Altura() const = 0; // of one line of text
    virtual int LarguraMedia() const = 0;
};

// One print job at a time: IniciarTrabalho opens it (its first page),
// Terminar closes it. The drawing calls return false when the device failed.
class FluxoImpressao {
public:
    virtual ~FluxoImpressao() = default;
    virtual bool IniciarTrabalho(const std::string& titulo) = 0;
    // Valid from IniciarTrabalho on.
    virtual const MetricasFonte& Metricas() const = 0;
    virtual int LarguraPagina() const = 0; // the printable area
    virtual int AlturaPagina() const = 0;
    // (x, y) is the top left of the text.
    virtual bool DesenharTexto(int x, int y, std::string_view texto) = 0;
    virtual bool NovaPagina() = 0;
    // Ends the job; false when it could not be sent.
    virtual bool Terminar() = 0;
};

// The stream over one open job. A page is only started on the device when
// something is drawn on it, so a final page break costs no blank sheet.
class FluxoTexto {
public:
    explicit FluxoTexto(FluxoImpressao& dispositivo);

    // Writes the text and ends the line. False when the device failed.
    bool EscreverLinha(std::string_view linha);
    // The form feed: the next text starts a new page. False when the device failed.
    bool QuebrarPagina();

private:
    bool Escrever(std::string_view texto);
    void NovaLinha();
    bool Desenhar(std::string_view pedaco, int largura);

    FluxoImpressao& dispositivo_;
    const MetricasFonte& metricas_;
    int x_ = 0, y_ = 0;
    int alturaLinha_ = 0; // tallest piece drawn on the current line; 0 for none
    bool paginaPendente_ = false;
    bool quebraPedida_ = false; // the page waiting was asked for by a form feed
};

inline constexpr const char* kTituloTrabalho = "Falavox";

// The printer cannot be reached: normal cursor, then the error message.
void ErroComunicacaoImpressora(Interacao& ui);

// Prints the lines n times, one job per copy, titled "Falavox", each ending
// with a page break. A job that cannot start or a line that cannot be printed
// shows its error through ui and skips the remaining copies; false then.
bool ImprimirCopias(const std::vector<std::string>& linhas, int copias, FluxoImpressao& dispositivo,
                    Interacao& ui);
