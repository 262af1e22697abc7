#include "Anexo.h"

#include "Arquivos.h"

std::optional<std::vector<std::string>> LerLinhasAnexo(std::string_view arquivoDos) {
    auto conteudo = plataforma::LerArquivoExclusivo(arquivoDos, tamanhoMaximoAnexo);
    if (!conteudo || conteudo->find('\0') != std::string::npos) return std::nullopt;
    std::vector<std::string> linhas;
    std::string_view resto = *conteudo;
    while (!resto.empty()) {
        std::size_t fim = resto.find_first_of("\r\n");
        linhas.emplace_back(resto.substr(0, fim));
        if (fim == std::string_view::npos) break;
        std::size_t salto = resto.compare(fim, 2, "\r\n") == 0 ? 2 : 1;
        resto.remove_prefix(fim + salto);
    }
    return linhas;
}
