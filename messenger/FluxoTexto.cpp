#include "FluxoTexto.h"

#include "Interacao.h"
#include "Texto1252.h"

#include <algorithm>

using namespace plataforma::literais;

namespace {
constexpr int tipoErro = 6;
constexpr int colunasTab = 8;
} // namespace

FluxoTexto::FluxoTexto(FluxoImpressao& dispositivo)
    : dispositivo_(dispositivo), metricas_(dispositivo.Metricas()) {}

bool FluxoTexto::EscreverLinha(std::string_view linha) {
    if (!Escrever(linha)) return false;
    NovaLinha();
    return true;
}

bool FluxoTexto::QuebrarPagina() {
    // A page already waiting because the text asked for one is a real blank
    // page; one waiting only because the last line filled its page is not.
    if (paginaPendente_ && quebraPedida_ && !dispositivo_.NovaPagina()) return false;
    x_ = y_ = 0;
    alturaLinha_ = 0;
    paginaPendente_ = quebraPedida_ = true;
    return true;
}

bool FluxoTexto::Escrever(std::string_view texto) {
    while (!texto.empty()) {
        const std::size_t controle = texto.find_first_of("\t\f\r\n");
        std::string_view corrida = texto.substr(0, controle);
        while (!corrida.empty()) {
            const int disponivel = dispositivo_.LarguraPagina() - x_;
            // The longest start of the run that fits: widths grow with the length.
            std::size_t cabe = 0, alem = corrida.size() + 1;
            if (metricas_.Largura(corrida) <= disponivel) cabe = corrida.size();
            else
                while (alem - cabe > 1) {
                    const std::size_t meio = cabe + (alem - cabe) / 2;
                    (metricas_.Largura(corrida.substr(0, meio)) <= disponivel ? cabe : alem) = meio;
                }
            if (cabe == 0) {
                if (x_ > 0) {
                    NovaLinha();
                    continue;
                }
                cabe = 1; // wider than the page by itself: drawn alone rather than never
            }
            const std::string_view pedaco = corrida.substr(0, cabe);
            if (!Desenhar(pedaco, metricas_.Largura(pedaco))) return false;
            corrida.remove_prefix(cabe);
            if (!corrida.empty()) NovaLinha();
        }
        if (controle == std::string_view::npos) break;
        switch (texto[controle]) {
        case '\t': {
            const int passo = std::max(1, colunasTab * metricas_.LarguraMedia());
            x_ = (x_ / passo + 1) * passo;
            break;
        }
        case '\f':
            if (!QuebrarPagina()) return false;
            break;
        case '\n':
            NovaLinha();
            break;
        default: // a carriage return only ever comes before its line feed
            break;
        }
        texto.remove_prefix(controle + 1);
    }
    return true;
}

void FluxoTexto::NovaLinha() {
    const int altura = dispositivo_.AlturaPagina();
    bool cheia;
    if (alturaLinha_ > 0) {
        const int avanco = alturaLinha_ + 2;
        y_ += avanco;
        cheia = y_ > altura - 2 * avanco;
    } else {
        y_ += metricas_.Altura();
        cheia = y_ > altura;
    }
    x_ = 0;
    alturaLinha_ = 0;
    if (cheia) {
        y_ = 0;
        paginaPendente_ = true;
        quebraPedida_ = false;
    }
}

bool FluxoTexto::Desenhar(std::string_view pedaco, int largura) {
    const int altura = metricas_.Altura();
    // Empty lines may bring y to the very bottom; text there would be cut off.
    if (y_ > 0 && y_ + altura > dispositivo_.AlturaPagina()) {
        y_ = 0;
        paginaPendente_ = true;
    }
    if (paginaPendente_) {
        if (!dispositivo_.NovaPagina()) return false;
        paginaPendente_ = false;
    }
    if (!dispositivo_.DesenharTexto(x_, y_, pedaco)) return false;
    x_ += largura;
    alturaLinha_ = std::max(alturaLinha_, altura);
    return true;
}

void ErroComunicacaoImpressora(Interacao& ui) {
    ui.CursorNormal();
    ui.Mensagem("Erro", "Ocorreu um erro durante a tentativa de comunicação com a impressora."_ansi,
                tipoErro);
}

bool ImprimirCopias(const std::vector<std::string>& linhas, int copias, FluxoImpressao& dispositivo,
                    Interacao& ui) {
    for (int copia = 0; copia < copias; ++copia) {
        if (!dispositivo.IniciarTrabalho(kTituloTrabalho)) {
            ErroComunicacaoImpressora(ui);
            return false;
        }
        FluxoTexto fluxo(dispositivo);
        const bool escrito =
            std::all_of(linhas.begin(), linhas.end(),
                        [&](const std::string& l) { return fluxo.EscreverLinha(l); }) &&
            fluxo.QuebrarPagina();
        // Closing is what sends the job: a failure there is a failed print too.
        const bool fechado = dispositivo.Terminar();
        if (!escrito || !fechado) {
            ui.CursorNormal();
            ui.Mensagem("Erro", "Ocorreu um erro durante a impressão do arquivo de mensagens."_ansi,
                        tipoErro);
            return false;
        }
    }
    return true;
}
