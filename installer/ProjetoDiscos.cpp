#include "ProjetoDiscos.h"

#include "GrupoProgramas.h"
#include "Integracao.h"
#include "Perfil.h"
#include "Texto1252.h"
#include "mSetuplb.h"

#include <algorithm>
#include <charconv>

using namespace plataforma;
using namespace plataforma::literais;

namespace {

struct ChaveInfo {
    const char* nome;
    std::size_t corte; // characters the installer keeps; 0: not cut
    bool cor;
};
// In the order the installer reads them; the totals go after "Diretorio Base".
constexpr std::array<ChaveInfo, 11> chavesInfo{{
    {"Titulo", 35, false},        {"Cor Titulo", 0, true},     {"Cor Sombra", 0, true},
    {"Sub-Titulo", 60, false},    {"Rodape", 60, false},       {"Cor Sub-Titulo", 0, true},
    {"Cor de Fundo 1", 0, true},  {"Cor de Fundo 2", 0, true}, {"Instalacao", 6, false},
    {"Diretorio Base", 200, false}, {"Grupo de Programa", 0, false},
}};
constexpr std::array<const char*, 3> chavesTotais{"Total Discos", "Total Arquivos", "Total Bytes"};

struct TamanhoNomeado {
    const char* nome;
    int64_t bytes;
    int64_t unidade;
};
// What a formatted medium holds for files, in whole allocation units.
constexpr std::array<TamanhoNomeado, 7> tamanhosNomeados{{
    {"360K", 362496, 1024},
    {"720K", 730112, 1024},
    {"1.2M", 1213952, 512},
    {"1.44M", 1457664, 512},
    {"CD", 681574400, 2048},
    // 4480 MiB: a 4.7 GB disc less room for its file system.
    {"DVD", 4697620480, 2048},
    // 7 GiB: a stick sold as 8 GB, in clusters as large as FAT32 and exFAT use.
    {"USB", 7516192768, 32768},
}};

std::string SemBrancos(std::string_view t) {
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
    return std::string(t);
}

std::string Citar(std::string_view secao, std::string_view chave) {
    return "[" + std::string(secao) + "] " + std::string(chave);
}

constexpr std::size_t listaItens = 0, listaExecutar = 3;

// The installer sends the group and its items at the very end; one it could
// not send would leave the installation unfinished there.
std::optional<std::string> ConferirGrupo(const ProjetoDiscos& p, std::string_view conteudo) {
    std::string grupo;
    for (const auto& [chave, valor] : p.info)
        if (chave == std::string_view("Grupo de Programa")) grupo = valor;
    if (!grupo.empty() &&
        (!NomeGrupoValido(grupo) || grupo.find('"') != std::string::npos ||
         ("[CreateGroup(" + ArgumentoComando(grupo) + ")]\r").size() > maxComandoGrupo))
        return Citar("Info", "Grupo de Programa") +
               ": o instalador não poderia criar o grupo \""_ansi + grupo +
               "\" (barras, \"..\", aspas ou nome longo demais)."_ansi;
    for (const auto& [chave, valor] : EntradasSecao(conteudo, secoesListas[listaItens])) {
        // Name and command line are sent; a third field is not.
        const std::size_t v1 = valor.find(',');
        const std::size_t v2 = v1 == std::string::npos ? v1 : valor.find(',', v1 + 1);
        std::string enviado = valor.substr(0, v2);
        if (v1 == std::string::npos || SemBrancos(enviado.substr(v1 + 1)).empty() ||
            enviado.find('"') != std::string::npos)
            return Citar(secoesListas[listaItens], chave) +
                   ": o item precisa de nome e linha de comando, sem aspas."_ansi;
    }
    return std::nullopt;
}

// An application in a drive's root (with the default drives, the user's home
// folder) could never be uninstalled: the uninstall deletes no root.
std::optional<std::string> ConferirDiretorioBase(const ProjetoDiscos& p) {
    std::string base;
    for (const auto& [chave, valor] : p.info)
        if (chave == std::string_view("Diretorio Base")) base = valor;
    std::string pasta = base.size() >= 2 && base[1] == ':' ? base.substr(2) : base;
    if (pasta.find_first_not_of("\\ ") == std::string::npos)
        return Citar("Info", "Diretorio Base") + ": falta a pasta do aplicativo (ex.: \\APLIC); "
                     "instalado na raiz da unidade, ele não poderia ser desinstalado."_ansi;
    return std::nullopt;
}

// A show-window code that is no integer stops the installation there.
std::optional<std::string> ConferirProgramas(std::string_view conteudo) {
    for (const auto& [chave, valor] : EntradasSecao(conteudo, secoesListas[listaExecutar])) {
        const std::size_t v1 = valor.find(',');
        const std::string codigo =
            v1 == std::string::npos ? "" : valor.substr(v1 + 1, valor.find(',', v1 + 1) - v1 - 1);
        if (!InteiroEstrito(Minusculas1252(codigo)))
            return Citar(secoesListas[listaExecutar], chave) + ": \"" + codigo +
                   "\" não é um código de janela (um número inteiro, como 1)."_ansi;
    }
    return std::nullopt;
}

std::optional<std::string> LerFontes(std::string_view conteudo, const char* secao, bool zip,
                                     std::vector<FonteProjeto>& fontes) {
    for (auto& [chave, valor] : EntradasSecao(conteudo, secao)) {
        FonteProjeto f;
        f.chave = Citar(secao, chave);
        std::size_t v1 = valor.find(',');
        f.fonte = SemBrancos(valor.substr(0, v1));
        std::string resto = v1 == std::string::npos ? "" : valor.substr(v1 + 1);
        std::size_t v2 = zip ? resto.find(',') : std::string::npos;
        f.destino = SemBrancos(resto.substr(0, v2));
        if (v2 != std::string::npos) f.arquivoZip = SemBrancos(resto.substr(v2 + 1));
        if (f.fonte.empty()) return f.chave + ": falta o caminho de origem."_ansi;
        if (f.destino.find('/') != std::string::npos)
            return f.chave + ": o destino \""_ansi + f.destino +
                   "\" tem \"/\"; no destino as pastas se separam por \"\\\" (ex.: "
                   "@DIRBASE\\bin\\), como o instalador as lê."_ansi;
        if (!f.destino.empty() && f.destino.back() != '\\') f.destino += '\\';
        if (Maiusculas1252(f.destino).find("@PASTA") != std::string::npos)
            return f.chave + ": @PASTABASE, @PASTAWINDOWS e @PASTASISTEMA dão caminhos do Linux "
                             "para os programas instalados; no destino de um arquivo use @DIRBASE, "
                             "@WINDIR ou @SYSDIR."_ansi;
        if (zip) {
            if (Maiusculas1252(f.destino.substr(0, 9)) != "@DIRBASE\\")
                return f.chave + ": o destino de uma pasta compactada deve estar abaixo de "
                                 "@DIRBASE (o instalador descompacta em DirBase)."_ansi;
            if (f.arquivoZip.empty()) {
                std::string base = f.fonte;
                while (!base.empty() && (base.back() == '/' || base.back() == '*')) base.pop_back();
                base = base.substr(base.rfind('/') == std::string::npos ? 0 : base.rfind('/') + 1);
                f.arquivoZip = (base.empty() || base == "." ? std::string("pacote") : base) + ".zip";
            }
            if (f.arquivoZip.find_first_of("\\/,") != std::string::npos)
                return f.chave + ": o nome do arquivo zip não pode ter barras nem vírgulas."_ansi;
        }
        fontes.push_back(std::move(f));
    }
    return std::nullopt;
}

} // namespace

std::optional<TamanhoDisco> LerTamanhoDisco(std::string_view texto) {
    std::string t = SemBrancos(texto);
    if (IguaisSemCaixa(t, "ilimitado")) return TamanhoDisco{INT64_MAX / 4, 1, true};
    for (const auto& n : tamanhosNomeados)
        if (IguaisSemCaixa(t, n.nome)) return TamanhoDisco{n.bytes, n.unidade, false};
    // Bytes, or a number with K, M or G (1024, 1048576, 1073741824), decimals after a point.
    int64_t multiplo = 1;
    if (!t.empty()) {
        const char u = static_cast<char>(t.back() & ~0x20);
        multiplo = u == 'K' ? int64_t{1} << 10 : u == 'M' ? int64_t{1} << 20 : u == 'G' ? int64_t{1} << 30 : 1;
        if (multiplo > 1) t.pop_back();
    }
    const std::size_t ponto = t.find('.');
    const std::string inteira = t.substr(0, ponto);
    const std::string fracao = ponto == std::string::npos ? "" : t.substr(ponto + 1);
    auto soDigitos = [](const std::string& d) {
        return std::all_of(d.begin(), d.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (inteira.empty() || !soDigitos(inteira) || !soDigitos(fracao) || fracao.size() > 9 ||
        (ponto != std::string::npos && (fracao.empty() || multiplo == 1)) || inteira.size() > 12)
        return std::nullopt;
    int64_t v = 0, f = 0, escala = 1;
    std::from_chars(inteira.data(), inteira.data() + inteira.size(), v);
    for (char c : fracao) f = f * 10 + (c - '0'), escala *= 10;
    if (v > (INT64_MAX / 4) / multiplo) return std::nullopt;
    const int64_t bytes = v * multiplo + f * multiplo / escala;
    if (bytes <= 0) return std::nullopt;
    return TamanhoDisco{bytes, 1, false};
}

std::string ValorGravavel(std::string_view valor) {
    bool brancos = !valor.empty() && (valor.front() == ' ' || valor.front() == '\t' ||
                                      valor.back() == ' ' || valor.back() == '\t');
    bool aspas = valor.size() >= 2 && (valor.front() == '"' || valor.front() == '\'') &&
                 valor.front() == valor.back();
    return brancos || aspas ? "\"" + std::string(valor) + "\"" : std::string(valor);
}

namespace {

// One code point of valid UTF-8 at `i`, which moves past it.
char32_t LerUtf8(std::string_view t, std::size_t& i) {
    auto b = static_cast<unsigned char>(t[i++]);
    if (b < 0x80) return b;
    int n = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : 1;
    char32_t c = b & (0x3F >> n);
    for (int k = 0; k < n && i < t.size(); ++k) c = (c << 6) | (static_cast<unsigned char>(t[i++]) & 0x3F);
    return c;
}

std::string Hex(unsigned v, int digitos) {
    static const char* const d = "0123456789ABCDEF";
    std::string r(static_cast<std::size_t>(digitos), '0');
    for (int k = digitos - 1; k >= 0; --k, v >>= 4) r[static_cast<std::size_t>(k)] = d[v & 15];
    return r;
}

// "linha 12 ([Info] Titulo)": where a packager looks for the line.
std::string Onde(std::size_t linha, std::string_view secao, std::string_view bruto) {
    const std::string texto = Utf8Valido(bruto) ? Utf8Para1252(bruto) : std::string(bruto);
    std::string r = "linha " + std::to_string(linha);
    std::string_view t = std::string_view(texto).substr(0, texto.find('='));
    std::string chave = SemBrancos(t.size() > 60 ? t.substr(0, 60) : t);
    if (texto.find('=') != std::string_view::npos && !chave.empty())
        r += " (" + (secao.empty() ? chave : Citar(secao, chave)) + ")";
    return r;
}

} // namespace

std::optional<std::string> DecodificarProjeto(std::string_view bytes, std::string& texto1252) {
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF"))
        return "o arquivo está em UTF-16; grave-o em UTF-8 ou Windows-1252."_ansi;
    const bool bom = bytes.starts_with("\xEF\xBB\xBF");
    if (bom) bytes.remove_prefix(3);
    texto1252.clear();
    texto1252.reserve(bytes.size());
    std::string secao;
    std::size_t linhaUtf8 = 0, linha8bits = 0;
    std::size_t n = 0;
    for (std::size_t c = 0; c < bytes.size();) {
        std::size_t f = bytes.find('\n', c);
        if (f == std::string_view::npos) f = bytes.size();
        const std::string_view linha = bytes.substr(c, f - c);
        ++n;
        const std::size_t limite = 2 * 1024;
        if (linha.size() > limite)
            return Onde(n, secao, linha.substr(0, 200)) + ": a linha tem "_ansi +
                   std::to_string(linha.size()) + " bytes; um projeto tem linhas de até "_ansi +
                   std::to_string(limite) + " (o instalador lê até 1023 caracteres por valor)."_ansi;
        if (linha.find('\0') != std::string_view::npos)
            return Onde(n, secao, linha) + ": a linha tem um byte nulo; o projeto deve ser um "
                                           "arquivo de texto."_ansi;
        bool ascii = std::all_of(linha.begin(), linha.end(),
                                 [](char ch) { return static_cast<unsigned char>(ch) < 0x80; });
        std::string convertida;
        if (ascii) {
            convertida = linha;
        } else if (Utf8Valido(linha)) {
            if (!linhaUtf8) linhaUtf8 = n;
            for (std::size_t i = 0; i < linha.size();) {
                const std::size_t de = i;
                char32_t cp = LerUtf8(linha, i);
                int b = ByteDe1252(cp);
                if (b < 0 || (cp >= 0x80 && cp < 0xA0))
                    return Onde(n, secao, linha) + ": o caractere U+"_ansi + Hex(cp, 4) +
                           " (o "_ansi + std::to_string(Utf8Para1252(linha.substr(0, de)).size() + 1) +
                           "º da linha) não existe no Windows-1252, a codificação dos discos."_ansi;
                convertida += static_cast<char>(b);
            }
        } else {
            if (bom)
                return Onde(n, secao, linha) + ": o arquivo começa com a marca de UTF-8, mas esta "
                                               "linha não é UTF-8."_ansi;
            if (!linha8bits) linha8bits = n;
            for (char ch : linha) {
                auto u = static_cast<unsigned char>(ch);
                if (u == 0x81 || u == 0x8D || u == 0x8F || u == 0x90 || u == 0x9D)
                    return Onde(n, secao, linha) + ": o byte 0x"_ansi + Hex(u, 2) +
                           " não é UTF-8 nem Windows-1252; grave o projeto numa dessas "
                           "codificações."_ansi;
            }
            convertida = linha;
        }
        if (linhaUtf8 && linha8bits)
            return "o arquivo mistura codificações: a linha "_ansi + std::to_string(linhaUtf8) +
                   " está em UTF-8 e a linha "_ansi + std::to_string(linha8bits) +
                   " em Windows-1252; grave-o todo numa delas."_ansi;
        std::string_view t = convertida;
        while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
        if (t.starts_with("[") && t.find(']') != std::string_view::npos)
            secao = std::string(t.substr(1, t.find(']') - 1));
        texto1252 += convertida;
        if (f < bytes.size()) texto1252 += '\n';
        c = f + 1;
    }
    return std::nullopt;
}

std::optional<std::string> LerProjeto(std::string_view conteudo, ProjetoDiscos& p) {
    if (conteudo.find('\0') != std::string_view::npos)
        return "O arquivo de projeto não é um arquivo de texto."_ansi;

    for (auto& [chave, valor] : EntradasSecao(conteudo, "Info")) {
        const ChaveInfo* conhecida = nullptr;
        for (const auto& c : chavesInfo)
            if (IguaisSemCaixa(chave, c.nome)) conhecida = &c;
        bool total = false;
        for (const char* t : chavesTotais) total = total || IguaisSemCaixa(chave, t);
        if (total) {
            p.avisos.push_back(Citar("Info", chave) +
                               " ignorada: o gerador calcula os totais."_ansi);
            continue;
        }
        if (!conhecida) {
            p.avisos.push_back(Citar("Info", chave) + " ignorada: chave desconhecida."_ansi);
            continue;
        }
        if (conhecida->cor && !ConverterCor(valor))
            return Citar("Info", chave) + ": \"" + valor + "\" não é uma cor."_ansi;
        if (conhecida->corte && valor.size() > conhecida->corte)
            p.avisos.push_back(Citar("Info", chave) + ": o instalador usa só os primeiros "_ansi +
                               std::to_string(conhecida->corte) + " caracteres."_ansi);
        p.info.emplace_back(conhecida->nome, valor);
    }

    for (std::size_t l = 0; l < secoesListas.size(); ++l) {
        for (auto& [chave, valor] : EntradasSecao(conteudo, secoesListas[l])) {
            std::string entrada = "item" + std::to_string(p.listas[l].size() + 1) + "=" + valor;
            if (entrada.size() + 1 > 255)
                return Citar(secoesListas[l], chave) +
                       ": a entrada passa de 255 caracteres, o limite do instalador."_ansi;
            p.listas[l].push_back(valor);
        }
    }

    if (auto e = ConferirGrupo(p, conteudo)) return e;
    if (auto e = ConferirProgramas(conteudo)) return e;
    if (auto e = ConferirDiretorioBase(p)) return e;

    if (auto e = LerFontes(conteudo, "Arquivos", false, p.arquivos)) return e;
    if (auto e = LerFontes(conteudo, "Compactar", true, p.compactar)) return e;
    if (p.arquivos.empty() && p.compactar.empty())
        return "O projeto não lista nenhum arquivo (seções [Arquivos] e [Compactar])."_ansi;

    auto tamanho = ValorDoPerfil(conteudo, "Discos", "Tamanho");
    if (!tamanho) return "Falta a chave Tamanho da seção [Discos]."_ansi;
    auto disco = LerTamanhoDisco(*tamanho);
    if (!disco)
        return "[Discos] Tamanho: \""_ansi + *tamanho +
               "\" não é um tamanho (bytes, um número com K, M ou G como 700M ou 4.7G, 360K, "
                           "720K, 1.2M, 1.44M, CD, DVD, USB ou ilimitado)."_ansi;
    p.disco = *disco;
    return std::nullopt;
}

std::string TextoArquivoComandos(const ProjetoDiscos& p, int totalDiscos, int totalArquivos,
                                 int64_t totalBytes) {
    std::string t = "[Info]\r\n";
    auto linha = [&t](std::string_view chave, std::string_view valor) {
        t += std::string(chave) + "=" + ValorGravavel(valor) + "\r\n";
    };
    for (const auto& c : chavesInfo) {
        for (const auto& [chave, valor] : p.info)
            if (chave == c.nome) linha(chave, valor);
        if (std::string_view(c.nome) == "Diretorio Base") {
            linha("Total Discos", std::to_string(totalDiscos));
            linha("Total Arquivos", std::to_string(totalArquivos));
            linha("Total Bytes", std::to_string(totalBytes));
        }
    }
    for (std::size_t l = 0; l < secoesListas.size(); ++l) {
        if (p.listas[l].empty()) continue;
        t += "\r\n[" + std::string(secoesListas[l]) + "]\r\n";
        for (std::size_t i = 0; i < p.listas[l].size(); ++i)
            linha("item" + std::to_string(i + 1), p.listas[l][i]);
    }
    return t;
}
