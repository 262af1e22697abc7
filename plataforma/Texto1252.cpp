#include "Texto1252.h"

namespace plataforma {

namespace {

// Code points of 0x80..0x9F; the five bytes Windows leaves undefined keep the
// C1 control of the same value, so every byte has exactly one code point.
constexpr char32_t altos[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AcrescentarUtf8(std::string& s, char32_t c) {
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | (c >> 6));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        s += static_cast<char>(0xE0 | (c >> 12));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (c >> 18));
        s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// One code point from s at i; -1 for a malformed sequence, of which only the
// first byte is consumed (so the next character is not swallowed).
long LerCodigo(std::string_view s, std::size_t& i) {
    auto b = static_cast<unsigned char>(s[i++]);
    if (b < 0x80) return b;
    int n;
    char32_t c, minimo;
    if (b >= 0xC2 && b <= 0xDF) {
        n = 1;
        c = b & 0x1F;
        minimo = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        n = 2;
        c = b & 0x0F;
        minimo = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 3;
        c = b & 0x07;
        minimo = 0x10000;
    } else
        return -1;
    if (i + n > s.size()) return -1;
    for (int k = 0; k < n; ++k) {
        auto t = static_cast<unsigned char>(s[i + k]);
        if ((t & 0xC0) != 0x80) return -1;
        c = (c << 6) | (t & 0x3F);
    }
    if (c < minimo || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return -1;
    i += n;
    return static_cast<long>(c);
}

unsigned char Maiuscula(unsigned char c) {
    if (c >= 'a' && c <= 'z') return c - 0x20;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
    switch (c) {
    case 0x9A:
        return 0x8A; // š
    case 0x9C:
        return 0x8C; // œ
    case 0x9E:
        return 0x8E; // ž
    case 0xFF:
        return 0x9F; // ÿ
    default:
        return c;
    }
}

unsigned char Minuscula(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return c + 0x20;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
    switch (c) {
    case 0x8A:
        return 0x9A;
    case 0x8C:
        return 0x9C;
    case 0x8E:
        return 0x9E;
    case 0x9F:
        return 0xFF;
    default:
        return c;
    }
}

template <unsigned char (*F)(unsigned char)> std::string Converter(std::string_view texto) {
    std::string r(texto);
    for (char& c : r)
        c = static_cast<char>(F(static_cast<unsigned char>(c)));
    return r;
}

} // namespace

char32_t CodigoDe1252(unsigned char c) {
    return c >= 0x80 && c < 0xA0 ? altos[c - 0x80] : c;
}

int ByteDe1252(char32_t codigo) {
    if (codigo < 0x80 || (codigo >= 0xA0 && codigo <= 0xFF)) return static_cast<int>(codigo);
    for (int k = 0; k < 32; ++k)
        if (altos[k] == codigo) return 0x80 + k;
    return -1;
}

std::string Utf8Para1252(std::string_view utf8) {
    std::string r;
    r.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        long c = LerCodigo(utf8, i);
        int b = c < 0 ? -1 : ByteDe1252(static_cast<char32_t>(c));
        r += b < 0 ? '?' : static_cast<char>(b);
    }
    return r;
}

std::string Cp1252ParaUtf8(std::string_view cp1252) {
    std::string r;
    r.reserve(cp1252.size() + cp1252.size() / 4);
    for (char c : cp1252)
        AcrescentarUtf8(r, CodigoDe1252(static_cast<unsigned char>(c)));
    return r;
}

bool Utf8Valido(std::string_view texto) {
    for (std::size_t i = 0; i < texto.size();)
        if (LerCodigo(texto, i) < 0) return false;
    return true;
}

std::string NomeHostPara1252(std::string_view host) {
    return Utf8Valido(host) ? Utf8Para1252(host) : std::string(host);
}

std::string Nome1252ParaHost(std::string_view nome) {
    return Cp1252ParaUtf8(nome);
}

std::string Maiusculas1252(std::string_view texto) {
    return Converter<Maiuscula>(texto);
}
std::string Minusculas1252(std::string_view texto) {
    return Converter<Minuscula>(texto);
}

bool IguaisSemCaixa(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Maiuscula(static_cast<unsigned char>(a[i])) !=
            Maiuscula(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace plataforma
