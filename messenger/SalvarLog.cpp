#include "SalvarLog.h"

#include "Arquivos.h"
#include "Interacao.h"
#include "Texto1252.h"
#include "fIOlib.h"

using namespace plataforma::literais;

namespace {
constexpr int tipoSimNaoCancelar = 1;
constexpr int tipoErro = 6;
constexpr int resultadoSim = 6;
} // namespace

std::string CompletarExtensao(std::string_view caminho) {
    std::string completo(caminho);
    if (!ExtrairNome(caminho).empty() && ExtrairNome(caminho).find('.') == std::string::npos)
        completo += ".txt";
    return completo;
}

bool GravarLog(std::string_view texto, std::string_view escolhido, Interacao& ui) {
    const std::string caminho = CompletarExtensao(escolhido);
    if (plataforma::ArquivoExiste(caminho) &&
        ui.Mensagem("Aviso", "O arquivo atual já existe. Deseja substituí-lo ???"_ansi,
                    tipoSimNaoCancelar) != resultadoSim)
        return false;
    ui.CursorOcupado();
    const bool gravado = plataforma::GravarArquivoAtomico(caminho, texto);
    ui.CursorNormal();
    if (!gravado) ui.Mensagem("Erro", "Erro ao salvar o arquivo de mensagens.", tipoErro);
    return gravado;
}
