#include "fStrlib.h"

#include <algorithm>
#include <array>
#include <limits>

// The scrambled form is a stored format: every station reads the message files
// the others write, and an uninstall reads the title an installation wrote.
// These three strings must therefore never change. Alphabet A serves the
// first word and every odd one, B the second and every even one; each is a
// permutation of the plain alphabet with no character mapped to itself, no
// position equal between A and B, and no pair swapped (scrambling twice never
// gives the text back).
//   plain: !#$%&()*+,-./:;<=>?@[\]^_{|}~0123456789A..Za..z
//   A: k0UjwnP?rCF68=zbIO+Qc4-o[Y$El5AV>ue_d^{*K)p&s(ytmf]~a1v3SGL!J72@,TDxN/H9%<iBh}.|ZRgM:#q;W\X
//   B: n7X6y$wzUoEB&D4?)Sk*FTgA@ifL2R8}ds;h:>b#|v(CpH-,c1IlZ<.%/mtejQ_0M~OurVWP9qxGK5{J\^3N]Y!=[a+
constexpr std::string_view alfabetoSimples =
    "!#$%&()*+,-./:;<=>?@[\\]^_{|}~0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr std::string_view alfabetoA =
    "k0UjwnP?rCF68=zbIO+Qc4-o[Y$El5AV>ue_d^{*K)p&s(ytmf]~a1v3SGL!J72@,TDxN/H9%<iBh}.|ZRgM:#q;W\\X";
constexpr std::string_view alfabetoB =
    "n7X6y$wzUoEB&D4?)Sk*FTgA@ifL2R8}ds;h:>b#|v(CpH-,c1IlZ<.%/mtejQ_0M~OurVWP9qxGK5{J\\^3N]Y!=[a+";

namespace {

// The properties the comment above promises, checked by the compiler.
constexpr bool FormaPermutacao(std::string_view a, std::string_view b) {
    if (a.size() != 91 || a.size() != alfabetoSimples.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k) {
        if (a[k] == alfabetoSimples[k] || a[k] == b[k]) return false;
        if (alfabetoSimples.find(a[k]) == std::string_view::npos) return false;
        if (a.find(a[k], k + 1) != std::string_view::npos) return false;
        if (a[alfabetoSimples.find(a[k])] == alfabetoSimples[k]) return false;
    }
    return true;
}
static_assert(FormaPermutacao(alfabetoA, alfabetoB) && FormaPermutacao(alfabetoB, alfabetoA));

using Tabela = std::array<unsigned char, 256>;

// Byte -> byte, identity outside the alphabet searched.
Tabela Substituicao(std::string_view de, std::string_view para) {
    Tabela t{};
    for (std::size_t c = 0; c < t.size(); ++c)
        t[c] = static_cast<unsigned char>(c);
    for (std::size_t k = 0; k < de.size(); ++k)
        t[static_cast<unsigned char>(de[k])] = static_cast<unsigned char>(para[k]);
    return t;
}

struct Tabelas {
    Tabela embaralharA = Substituicao(alfabetoSimples, alfabetoA);
    Tabela embaralharB = Substituicao(alfabetoSimples, alfabetoB);
    Tabela desembaralharA = Substituicao(alfabetoA, alfabetoSimples);
    Tabela desembaralharB = Substituicao(alfabetoB, alfabetoSimples);
};

const Tabelas& TabelasEmbaralhar() {
    static const Tabelas t;
    return t;
}

int ValorDigito(char c, int base) {
    int v = c >= '0' && c <= '9'   ? c - '0'
            : c >= 'a' && c <= 'f' ? c - 'a' + 10
            : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                   : 99;
    return v < base ? v : -1;
}

} // namespace

std::string Replicar(int16_t quantidade, char caractere) {
    if (quantidade <= 0) return {};
    return std::string(static_cast<std::size_t>(quantidade), caractere);
}

std::string Esquerda(std::string_view texto, uint8_t n) {
    return std::string(texto.substr(0, n));
}

std::string Direita(std::string_view texto, uint8_t n) {
    if (n >= texto.size()) return std::string(texto);
    return std::string(texto.substr(texto.size() - n));
}

std::string TirarEspacosEsq(std::string_view texto) {
    auto i = texto.find_first_not_of(' ');
    return i == std::string_view::npos ? std::string() : std::string(texto.substr(i));
}

std::string TirarEspacosDir(std::string_view texto) {
    auto i = texto.find_last_not_of(' ');
    return i == std::string_view::npos ? std::string() : std::string(texto.substr(0, i + 1));
}

std::string TirarEspacos(std::string_view texto) {
    return TirarEspacosEsq(TirarEspacosDir(texto));
}

bool StrVazia(std::string_view texto) {
    return texto.empty();
}

std::string CompletarEsq(std::string_view texto, int16_t largura, char preenchimento) {
    if (texto.size() >= static_cast<std::size_t>(std::max<int16_t>(largura, 0)))
        return std::string(texto);
    return Replicar(static_cast<int16_t>(largura - static_cast<int16_t>(texto.size())),
                    preenchimento) +
           std::string(texto);
}

int32_t ValorInteiro(std::string_view texto) {
    std::size_t i = texto.find_first_not_of(' ');
    if (i == std::string_view::npos) return 0;
    bool negativo = false;
    if (texto[i] == '+' || texto[i] == '-') negativo = texto[i++] == '-';
    int base = 10;
    if (i < texto.size() && texto[i] == '$') {
        base = 16;
        ++i;
    }
    // Kept within one step past the 32-bit range, so it never overflows.
    const uint64_t teto = base == 10 ? uint64_t{1} << 31 : uint64_t{0xFFFFFFFF};
    uint64_t valor = 0;
    for (int d; i < texto.size() && (d = ValorDigito(texto[i], base)) >= 0; ++i)
        valor = std::min(valor * static_cast<uint64_t>(base) + static_cast<uint64_t>(d), teto);
    if (base == 16) {
        // A bit pattern: wrap in unsigned arithmetic, then reinterpret.
        uint32_t padrao = static_cast<uint32_t>(valor);
        if (negativo) padrao = 0u - padrao;
        return static_cast<int32_t>(padrao);
    }
    if (negativo)
        return valor == teto ? std::numeric_limits<int32_t>::min() : -static_cast<int32_t>(valor);
    return static_cast<int32_t>(std::min<uint64_t>(valor, std::numeric_limits<int32_t>::max()));
}

std::string EmbaralharTexto(std::string_view texto, int direcao) {
    const Tabelas& t = TabelasEmbaralhar();
    const Tabela& primeira = direcao == embaralhar ? t.embaralharA : t.desembaralharA;
    const Tabela& segunda = direcao == embaralhar ? t.embaralharB : t.desembaralharB;
    std::string resultado(texto);
    bool primeiraPalavra = true;
    for (char& c : resultado) {
        if (c == ' ') {
            primeiraPalavra = !primeiraPalavra;
            continue;
        }
        const Tabela& tabela = primeiraPalavra ? primeira : segunda;
        c = static_cast<char>(tabela[static_cast<unsigned char>(c)]);
    }
    return resultado;
}
