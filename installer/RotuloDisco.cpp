#include "RotuloDisco.h"

#include "Perfil.h"

#include <charconv>

using namespace plataforma;

namespace {

std::optional<uint32_t> Numero(std::string_view t, int base, std::size_t maxDigitos) {
    if (t.empty() || t.size() > maxDigitos) return std::nullopt;
    uint32_t v = 0;
    auto [fim, erro] = std::from_chars(t.data(), t.data() + t.size(), v, base);
    if (erro != std::errc() || fim != t.data() + t.size()) return std::nullopt;
    return v;
}

std::string Hex8(uint32_t v) {
    static const char digitos[] = "0123456789ABCDEF";
    std::string s(8, '0');
    for (int i = 7; i >= 0; --i, v >>= 4)
        s[static_cast<std::size_t>(i)] = digitos[v & 15];
    return s;
}

std::string Octal(uint32_t v) {
    char buf[16];
    auto [fim, erro] = std::to_chars(buf, buf + sizeof buf, v, 8);
    (void)erro;
    return std::string(buf, fim);
}

} // namespace

std::string NomeSecaoArquivo(int n) {
    return "Arquivo #" + std::to_string(n);
}

SecaoArquivo LerSecaoArquivo(std::string_view conteudo, int n, bool completa) {
    return LerSecaoArquivo(TabelaPerfil(std::string(conteudo)), n, completa);
}

SecaoArquivo LerSecaoArquivo(const TabelaPerfil& rotulo, int n, bool completa) {
    const std::string secao = NomeSecaoArquivo(n);
    auto inteiro = [&](const char* chave, int padrao) {
        auto v = rotulo.Valor(secao, chave);
        return InteiroDoTexto(v.value_or(""), padrao, !v);
    };
    SecaoArquivo s;
    s.bytesSalvo = inteiro("Bytes Salvo", 0);
    if (auto crc = rotulo.Valor(secao, "CRC32")) {
        s.crc32 = Numero(*crc, 16, 8);
        s.crc32Invalido = !s.crc32 || crc->size() != 8;
    }
    if (!completa) return s;
    s.nome = rotulo.Valor(secao, "Nome").value_or("");
    s.tamanho = inteiro("Tamanho", 0);
    s.qtdDiscos = static_cast<uint8_t>(inteiro("Qtd.Discos", 1));
    if (auto modo = rotulo.Valor(secao, "Modo")) s.modo = Numero(*modo, 8, 6);
    return s;
}

std::string TextoSecaoArquivo(const SecaoArquivo& s, int n, bool completa) {
    std::string t = "[" + NomeSecaoArquivo(n) + "]\r\n";
    if (completa) {
        t += "Nome=" + s.nome + "\r\n";
        t += "Tamanho=" + std::to_string(s.tamanho) + "\r\n";
    }
    t += "Bytes Salvo=" + std::to_string(s.bytesSalvo) + "\r\n";
    if (completa) t += "Qtd.Discos=" + std::to_string(s.qtdDiscos) + "\r\n";
    if (s.crc32) t += "CRC32=" + Hex8(*s.crc32) + "\r\n";
    if (completa && s.modo) t += "Modo=" + Octal(*s.modo) + "\r\n";
    return t;
}
