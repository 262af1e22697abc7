// The profile module over any file content: what a write stores reads back,
// the other keys of the section keep their values, what is deleted is gone,
// and the parsed table reads as the functions over the text.
#include "Perfil.h"
#include "Texto1252.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

std::string_view Aparar(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// What reading a stored value gives: trimmed, one pair of outer quotes off, cut at the limit.
std::string Lido(std::string_view v) {
    v = Aparar(v);
    if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0]) v = v.substr(1, v.size() - 2);
    return std::string(v.substr(0, plataforma::maxValorPerfil));
}

void Exigir(bool condicao) {
    if (!condicao) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dados, std::size_t n) {
    using namespace plataforma;
    FuzzedDataProvider f(dados, n);
    const int operacao = f.ConsumeIntegralInRange(0, 2);
    const std::string secao = f.ConsumeRandomLengthString(40);
    const std::string chave = f.ConsumeRandomLengthString(40);
    const std::string valor = f.ConsumeRandomLengthString(1100);
    const std::string conteudo = f.ConsumeRemainingBytesAsString();

    auto chaves = ChavesDoPerfil(conteudo, secao);
    const TabelaPerfil tabela(conteudo);
    Exigir(tabela.Chaves(secao) == chaves);
    Exigir(tabela.Valor(secao, chave) == ValorDoPerfil(conteudo, secao, chave));
    for (const auto& [nome, lido] : tabela.Linhas(secao))
        Exigir(tabela.Valor(secao, nome) == ValorDoPerfil(conteudo, secao, nome));
    InteiroDoTexto(valor, 7, false);

    switch (operacao) {
    case 0: { // write
        std::string depois = AlterarPerfil(conteudo, secao, chave, valor);
        if (depois == conteudo) break; // refused (or unchanged)
        auto lido = ValorDoPerfil(depois, secao, chave);
        Exigir(lido && *lido == Lido(valor));
        for (const auto& outra : chaves)
            if (!IguaisSemCaixa(Aparar(outra), Aparar(chave)))
                Exigir(ValorDoPerfil(depois, secao, outra) == ValorDoPerfil(conteudo, secao, outra));
        break;
    }
    case 1: { // delete a key
        std::string depois = AlterarPerfil(conteudo, secao, chave, std::nullopt);
        if (depois != conteudo) Exigir(!ValorDoPerfil(depois, secao, chave));
        break;
    }
    default: { // delete a section
        std::string depois = AlterarPerfil(conteudo, secao, std::nullopt, std::nullopt);
        if (depois != conteudo) Exigir(ChavesDoPerfil(depois, secao).empty());
    }
    }
    return 0;
}
