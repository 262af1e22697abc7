#include "OpcoesLinha.h"

#include <string_view>

namespace {

bool Ajuda(std::string_view a) {
    return a == "--help" || a == "-h" || a == "/?";
}

} // namespace

OpcoesLinha LerOpcoes(int argc, const char* const* argv) {
    OpcoesLinha o;
    auto falha = [&o](std::string texto) {
        if (o.erro.empty()) o.erro = std::move(texto);
    };
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (Ajuda(a)) {
            o.ajuda = true;
        } else if (a == "--silencioso") {
            if (o.silencioso) falha("a opção --silencioso foi dada duas vezes");
            o.silencioso = true;
        } else if (a == "--destino" || a == "--log") {
            auto& valor = a == "--destino" ? o.destino : o.log;
            if (valor) falha("a opção " + std::string(a) + " foi dada duas vezes");
            const std::string_view v = i + 1 < argc ? std::string_view(argv[i + 1]) : "";
            if (v.empty() || v.starts_with("--")) {
                falha("falta o valor da opção " + std::string(a));
                continue;
            }
            valor = std::string(v);
            ++i;
        } else if (a.starts_with('-')) {
            falha("opção desconhecida: " + std::string(a));
        } else if (i == 1) {
            o.argumento = std::string(a);
        }
        // Any other argument is ignored: only the first one ever counted.
    }
    if (o.erro.empty() && !o.silencioso && (o.destino || o.log))
        falha("as opções --destino e --log só valem com --silencioso");
    if (o.erro.empty() && o.destino && o.argumento && o.argumento->size() >= 2 &&
        (*o.argumento)[0] == '/' && ((*o.argumento)[1] | 0x20) == 'x')
        falha("a opção --destino não vale com /X");
    return o;
}

std::string LinhaUso() {
    return "Uso: zentrava [/Dpasta | /Xpasta] [--silencioso [--destino PASTA] [--log ARQUIVO]]\n"
           "Veja: zentrava --help\n";
}

std::string TextoAjuda() {
    return "Uso: zentrava [/Dpasta | /Xpasta] [--silencioso [--destino PASTA] [--log ARQUIVO]]\n"
           "Instala o aplicativo descrito pelo arquivo zentrava.cmd que está ao lado do programa.\n"
           "\n"
           "  /Dpasta          os discos de instalação estão nessa pasta: um caminho DOS\n"
           "                   (/DA:) ou do sistema (/D/media/usb/DISCO.001)\n"
           "  /Xpasta          desinstala o aplicativo da pasta indicada (DOS ou do sistema),\n"
           "                   conforme o zentrava.log dela\n"
           "  --silencioso     instala (ou, com /X, desinstala) sem janelas e sem perguntas;\n"
           "                   não precisa de tela; as mensagens vão para a saída de erros\n"
           "  --destino PASTA  a pasta da instalação silenciosa (do sistema ou DOS); sem ela,\n"
           "                   o \"Diretorio Base\" do zentrava.cmd no drive C:\n"
           "  --log ARQUIVO    grava nesse arquivo cada mudança feita e cada mensagem\n"
           "  --help, -h, /?   mostra este texto\n"
           "\n"
           "Saída: 0 concluída; 1 interrompida ou com falha; 2 linha de comando inválida;\n"
           "3 recusada antes de gravar qualquer coisa; 4 falhou e o que foi feito foi desfeito.\n";
}
