#include "Perfil.h"

#include "Arquivos.h"
#include "Interno.h"
#include "Texto1252.h"
#include "Unidades.h"

#include <cstdint>

namespace plataforma {

namespace {

// Larger files are not profiles; refusing them keeps memory bounded.
constexpr std::size_t maxArquivoPerfil = 16u << 20;

bool Branco(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Aparar(std::string_view s) {
    while (!s.empty() && Branco(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && Branco(s.back()))
        s.remove_suffix(1);
    return s;
}

struct Linha {
    std::string_view texto, fim; // fim: "\r\n", "\r", "\n" or "" on the last line
};

std::vector<Linha> Dividir(std::string_view c) {
    std::vector<Linha> linhas;
    std::size_t i = 0;
    while (i < c.size()) {
        std::size_t j = c.find_first_of("\r\n", i);
        if (j == std::string_view::npos) {
            linhas.push_back({c.substr(i), {}});
            break;
        }
        std::size_t n = c[j] == '\r' && j + 1 < c.size() && c[j + 1] == '\n' ? 2 : 1;
        linhas.push_back({c.substr(i, j - i), c.substr(j, n)});
        i = j + n;
    }
    return linhas;
}

enum class Tipo { Outra, Secao, Chave };

struct Analise {
    Tipo tipo = Tipo::Outra;
    std::string_view nome, valor;
};

Analise Analisar(std::string_view texto) {
    std::string_view t = Aparar(texto);
    if (t.empty() || t[0] == ';') return {};
    if (t[0] == '[') {
        std::size_t f = t.find(']');
        if (f != std::string_view::npos) return {Tipo::Secao, Aparar(t.substr(1, f - 1)), {}};
    }
    std::size_t igual = t.find('=');
    if (igual == std::string_view::npos) return {};
    std::string_view nome = Aparar(t.substr(0, igual));
    if (nome.empty()) return {};
    return {Tipo::Chave, nome, Aparar(t.substr(igual + 1))};
}

struct Secao {
    std::size_t cabecalho, fim; // lines [cabecalho + 1, fim) belong to it
};

std::vector<Secao> SecoesChamadas(const std::vector<Linha>& linhas, std::string_view nome) {
    std::vector<Secao> r;
    nome = Aparar(nome);
    for (std::size_t i = 0; i < linhas.size(); ++i) {
        Analise a = Analisar(linhas[i].texto);
        if (a.tipo != Tipo::Secao) continue;
        if (!r.empty() && r.back().fim == SIZE_MAX) r.back().fim = i;
        if (IguaisSemCaixa(a.nome, nome)) r.push_back({i, SIZE_MAX});
    }
    if (!r.empty() && r.back().fim == SIZE_MAX) r.back().fim = linhas.size();
    return r;
}

std::string SemAspas(std::string_view v) {
    if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0])
        v = v.substr(1, v.size() - 2);
    return std::string(v.substr(0, maxValorPerfil));
}

bool TemQuebra(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

// What could not be read back as written is refused: a line break would
// smuggle in other lines, '=' in a key or ']' in a section would cut the name.
bool EntradaValida(std::string_view secao, std::optional<std::string_view> chave,
                   std::optional<std::string_view> valor) {
    secao = Aparar(secao);
    if (secao.empty() || TemQuebra(secao) || secao.find(']') != std::string_view::npos ||
        secao[0] == ';')
        return false;
    if (!chave) return true;
    std::string_view c = Aparar(*chave);
    if (c.empty() || TemQuebra(c) || c.find('=') != std::string_view::npos || c[0] == '[' ||
        c[0] == ';')
        return false;
    return !valor || !TemQuebra(*valor);
}

} // namespace

std::optional<std::string> ValorDoPerfil(std::string_view conteudo, std::string_view secao,
                                         std::string_view chave) {
    auto linhas = Dividir(conteudo);
    auto secoes = SecoesChamadas(linhas, secao);
    if (secoes.empty()) return std::nullopt; // only the first section of a name is searched
    chave = Aparar(chave);
    for (std::size_t i = secoes[0].cabecalho + 1; i < secoes[0].fim; ++i) {
        Analise a = Analisar(linhas[i].texto);
        if (a.tipo == Tipo::Chave && IguaisSemCaixa(a.nome, chave)) return SemAspas(a.valor);
    }
    return std::nullopt;
}

std::vector<std::string> ChavesDoPerfil(std::string_view conteudo, std::string_view secao) {
    std::vector<std::string> r;
    auto linhas = Dividir(conteudo);
    auto secoes = SecoesChamadas(linhas, secao);
    if (secoes.empty()) return r;
    for (std::size_t i = secoes[0].cabecalho + 1; i < secoes[0].fim; ++i)
        if (Analise a = Analisar(linhas[i].texto); a.tipo == Tipo::Chave) r.emplace_back(a.nome);
    return r;
}

TabelaPerfil::TabelaPerfil(std::string conteudo) : conteudo_(std::move(conteudo)) {
    const std::string_view c = conteudo_;
    auto trecho = [&](std::string_view parte) {
        return Trecho{static_cast<std::size_t>(parte.data() - c.data()), parte.size()};
    };
    Secao* atual = nullptr;
    for (const auto& linha : Dividir(c)) {
        Analise a = Analisar(linha.texto);
        if (a.tipo == Tipo::Secao) {
            auto [s, nova] = secoes_.try_emplace(Maiusculas1252(a.nome));
            atual = nova ? &s->second : nullptr; // a later section of a name is never read
        } else if (a.tipo == Tipo::Chave && atual) {
            atual->primeira.try_emplace(Maiusculas1252(a.nome), atual->linhas.size());
            atual->linhas.push_back({trecho(a.nome), trecho(a.valor)});
        }
    }
}

const TabelaPerfil::Secao* TabelaPerfil::Achar(std::string_view secao) const {
    auto s = secoes_.find(Maiusculas1252(Aparar(secao)));
    return s == secoes_.end() ? nullptr : &s->second;
}

std::optional<std::string> TabelaPerfil::Valor(std::string_view secao, std::string_view chave) const {
    const Secao* s = Achar(secao);
    if (!s) return std::nullopt;
    auto l = s->primeira.find(Maiusculas1252(Aparar(chave)));
    if (l == s->primeira.end()) return std::nullopt;
    return SemAspas(Texto(s->linhas[l->second].valor));
}

std::vector<std::string> TabelaPerfil::Chaves(std::string_view secao) const {
    std::vector<std::string> r;
    if (const Secao* s = Achar(secao))
        for (const Entrada& l : s->linhas) r.emplace_back(Texto(l.nome));
    return r;
}

std::vector<std::pair<std::string, std::string>> TabelaPerfil::Linhas(std::string_view secao) const {
    std::vector<std::pair<std::string, std::string>> r;
    if (const Secao* s = Achar(secao))
        for (const Entrada& l : s->linhas) r.emplace_back(Texto(l.nome), SemAspas(Texto(l.valor)));
    return r;
}

bool TabelaPerfil::TemChaves(std::string_view secao) const {
    const Secao* s = Achar(secao);
    return s && !s->linhas.empty();
}

std::string AlterarPerfil(std::string_view conteudo, std::string_view secao,
                          std::optional<std::string_view> chave,
                          std::optional<std::string_view> valor) {
    if (!EntradaValida(secao, chave, valor)) return std::string(conteudo);
    auto linhas = Dividir(conteudo);
    auto secoes = SecoesChamadas(linhas, secao);
    std::vector<bool> apagar(linhas.size(), false);
    std::size_t substituir = SIZE_MAX, inserirApos = SIZE_MAX;
    std::string nova;

    if (!chave) {
        // Every section of the name goes, or a later one would surface in its place.
        for (const Secao& s : secoes)
            for (std::size_t i = s.cabecalho; i < s.fim; ++i)
                apagar[i] = true;
    } else if (!secoes.empty()) {
        std::string_view c = Aparar(*chave);
        const Secao& s = secoes[0];
        std::size_t ultimaChave = s.cabecalho;
        for (std::size_t i = s.cabecalho + 1; i < s.fim; ++i) {
            Analise a = Analisar(linhas[i].texto);
            if (a.tipo != Tipo::Chave) continue;
            ultimaChave = i;
            if (!IguaisSemCaixa(a.nome, c)) continue;
            if (!valor)
                apagar[i] = true;
            else if (substituir == SIZE_MAX) {
                substituir = i;
                nova =
                    std::string(a.nome) + "=" + std::string(*valor); // the name keeps its spelling
            }
        }
        if (valor && substituir == SIZE_MAX) {
            inserirApos = ultimaChave;
            nova = std::string(c) + "=" + std::string(*valor) + "\r\n";
        }
    }

    std::string r;
    r.reserve(conteudo.size() + nova.size() + secao.size() + 8);
    for (std::size_t i = 0; i < linhas.size(); ++i) {
        if (apagar[i]) continue;
        r += i == substituir ? std::string_view(nova) : linhas[i].texto;
        r += linhas[i].fim.empty() && i == inserirApos ? std::string_view("\r\n") : linhas[i].fim;
        if (i == inserirApos) r += nova;
    }
    if (chave && valor && secoes.empty()) {
        if (!r.empty() && r.back() != '\n' && r.back() != '\r') r += "\r\n";
        r += "[" + std::string(Aparar(secao)) + "]\r\n" + std::string(Aparar(*chave)) + "=" +
             std::string(*valor) + "\r\n";
    }
    return r;
}

int InteiroDoTexto(std::string_view texto, int padrao, bool ausente) {
    if (ausente) return padrao;
    std::size_t i = 0;
    while (i < texto.size() && Branco(texto[i]))
        ++i;
    bool negativo = false;
    if (i < texto.size() && (texto[i] == '+' || texto[i] == '-')) negativo = texto[i++] == '-';
    unsigned base = 10;
    if (i < texto.size() && texto[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 2 < texto.size() && texto[i] == '0' &&
               (texto[i + 1] == 'x' || texto[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    uint32_t v = 0; // wraps like the 32-bit original instead of overflowing
    for (; i < texto.size(); ++i) {
        char c = texto[i];
        unsigned d = c >= '0' && c <= '9'   ? c - '0'
                     : c >= 'a' && c <= 'f' ? c - 'a' + 10
                     : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                            : 99;
        if (d >= base) break;
        v = v * base + d;
    }
    return static_cast<int>(negativo ? 0u - v : v);
}

namespace {

interno::Leitura LerConteudo(std::string_view arquivoDos, std::string& conteudo) {
    auto host = CaminhoHost(arquivoDos);
    if (!host) return interno::Leitura::Falhou;
    return interno::LerArquivoHost(*host, maxArquivoPerfil, conteudo);
}

std::optional<std::string> Valor(std::string_view arquivoDos, std::string_view secao,
                                 std::string_view chave) {
    std::string conteudo;
    LerConteudo(arquivoDos, conteudo);
    return ValorDoPerfil(conteudo, secao, chave);
}

bool Alterar(std::string_view arquivoDos, std::string_view secao,
             std::optional<std::string_view> chave, std::optional<std::string_view> valor) {
    if (!EntradaValida(secao, chave, valor)) return false;
    std::string antigo;
    auto leitura = LerConteudo(arquivoDos, antigo);
    // A file that could not be read is never replaced by a rewrite of nothing.
    if (leitura == interno::Leitura::Falhou) return false;
    std::string novo = AlterarPerfil(antigo, secao, chave, valor);
    if (novo == antigo && (leitura == interno::Leitura::Lido || novo.empty())) return true;
    return GravarArquivoAtomico(arquivoDos, novo);
}

} // namespace

std::optional<std::string> LerConteudoPerfil(std::string_view arquivoDos) {
    std::string conteudo;
    if (LerConteudo(arquivoDos, conteudo) != interno::Leitura::Lido) return std::nullopt;
    return conteudo;
}

std::optional<TabelaPerfil> LerTabelaPerfil(std::string_view arquivoDos) {
    auto conteudo = LerConteudoPerfil(arquivoDos);
    if (!conteudo) return std::nullopt;
    return TabelaPerfil(std::move(*conteudo));
}

std::string LerPerfil(std::string_view arquivoDos, std::string_view secao, std::string_view chave,
                      std::string_view padrao) {
    auto v = Valor(arquivoDos, secao, chave);
    return v ? *v : std::string(padrao.substr(0, maxValorPerfil));
}

int LerPerfilInteiro(std::string_view arquivoDos, std::string_view secao, std::string_view chave,
                     int padrao) {
    auto v = Valor(arquivoDos, secao, chave);
    return InteiroDoTexto(v.value_or(""), padrao, !v);
}

std::vector<std::string> ListarChavesPerfil(std::string_view arquivoDos, std::string_view secao) {
    std::string conteudo;
    LerConteudo(arquivoDos, conteudo);
    return ChavesDoPerfil(conteudo, secao);
}

bool GravarPerfil(std::string_view arquivoDos, std::string_view secao, std::string_view chave,
                  std::string_view valor) {
    return Alterar(arquivoDos, secao, chave, valor);
}

bool ApagarChavePerfil(std::string_view arquivoDos, std::string_view secao,
                       std::string_view chave) {
    return Alterar(arquivoDos, secao, chave, std::nullopt);
}

bool ApagarSecaoPerfil(std::string_view arquivoDos, std::string_view secao) {
    return Alterar(arquivoDos, secao, std::nullopt, std::nullopt);
}

} // namespace plataforma
