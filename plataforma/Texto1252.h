// Windows-1252 text, the byte form every text has inside the programs and in
// every file they share. Source files are UTF-8: a Portuguese literal enters
// the core through the _ansi literal, converted at compile time, never as raw
// UTF-8 bytes. The QString side of the window edge lives in common/.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace plataforma {

// UTF-8 -> Windows-1252; a character that Windows-1252 cannot hold becomes '?',
// as on Windows; malformed UTF-8 bytes become '?' too.
std::string Utf8Para1252(std::string_view utf8);
// Windows-1252 -> UTF-8; the five undefined bytes (0x81, 0x8D, 0x8F, 0x90,
// 0x9D) map to the C1 controls of the same value, so the round trip is exact.
std::string Cp1252ParaUtf8(std::string_view cp1252);

// Host file names are UTF-8 (what Linux tools and the SMB and NFS clients
// give); inside the programs a name is Windows-1252. A host name that is not
// valid UTF-8 (written byte for byte by an ANSI program) is taken as it stands.
bool Utf8Valido(std::string_view texto);
std::string NomeHostPara1252(std::string_view host);
std::string Nome1252ParaHost(std::string_view nome);

// Unicode code point of a Windows-1252 byte, and back (-1 when not held).
char32_t CodigoDe1252(unsigned char c);
int ByteDe1252(char32_t codigo);

// Upper and lower case of Windows-1252 text (ASCII and the accented letters),
// as the Windows ANSI case functions do.
std::string Maiusculas1252(std::string_view texto);
std::string Minusculas1252(std::string_view texto);
bool IguaisSemCaixa(std::string_view a, std::string_view b);

namespace detalhe {
template <std::size_t N> struct Literal8 {
    char dados[N]{};
    consteval Literal8(const char (&s)[N]) {
        for (std::size_t i = 0; i < N; ++i) dados[i] = s[i];
    }
};
constexpr char32_t Ler8(const char* s, std::size_t& i) {
    auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) { ++i; return b; }
    int n = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : 1;
    char32_t c = b & (0x3F >> n);
    ++i;
    for (int k = 0; k < n; ++k) c = (c << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
    return c;
}
constexpr int Para1252(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
    constexpr char32_t altos[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                   0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                   0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                   0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    for (int k = 0; k < 32; ++k)
        if (altos[k] == c) return 0x80 + k;
    return '?';
}
template <Literal8 S> struct Convertido {
    static consteval std::size_t Tamanho() {
        std::size_t n = 0;
        for (std::size_t i = 0; i + 1 < sizeof(S.dados);) { Ler8(S.dados, i); ++n; }
        return n;
    }
    static constexpr std::array<char, Tamanho() + 1> bytes = [] {
        std::array<char, Tamanho() + 1> r{};
        std::size_t n = 0;
        for (std::size_t i = 0; i + 1 < sizeof(S.dados);)
            r[n++] = static_cast<char>(static_cast<unsigned char>(Para1252(Ler8(S.dados, i))));
        return r;
    }();
};
} // namespace detalhe

namespace literais {
// "Atenção"_ansi is the Windows-1252 std::string of that literal.
template <detalhe::Literal8 S> std::string operator""_ansi() {
    const auto& b = detalhe::Convertido<S>::bytes;
    return std::string(b.data(), b.size() - 1);
}
} // namespace literais

} // namespace plataforma
