// The project file of zentrava-gerar: an INI file (UTF-8 or Windows-1252) naming the
// settings of zentrava.cmd, its four lists, the files of the set with their
// destinations, the folders to pack into zip archives and the disk size.
// Reading it checks what can be checked without touching the source tree;
// errors come back as Windows-1252 texts for the user.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The list sections of zentrava.cmd, in the order the command file holds them.
inline constexpr std::array<const char*, 4> secoesListas{
    "Itens do Grupo", "Descompactar Arquivos", "Configurar Arquivos INI", "Executar Arquivos"};
inline constexpr std::size_t listaDescompactar = 1;

// One line of "Arquivos" or "Compactar": a host path or pattern relative to
// the project file, and the destination folder (macros allowed, final
// backslash). `arquivoZip` only for "Compactar".
struct FonteProjeto {
    std::string chave;       // the project's key, for messages
    std::string fonte;       // Windows-1252; '/' separates host folders
    std::string destino;
    std::string arquivoZip;  // name of the archive on the disks
};

struct TamanhoDisco {
    int64_t bytes = 0;
    int64_t unidade = 1;     // allocation unit: every file takes whole units
    bool ilimitado = false;  // everything on one disk
};

struct ProjetoDiscos {
    std::vector<std::pair<std::string, std::string>> info; // section "Info", without totals
    std::array<std::vector<std::string>, 4> listas;        // values, in file order
    std::vector<FonteProjeto> arquivos;
    std::vector<FonteProjeto> compactar;
    TamanhoDisco disco;
    std::vector<std::string> avisos;
};

// A byte count, or "360K", "720K", "1.2M", "1.44M", "CD", "ilimitado".
std::optional<TamanhoDisco> LerTamanhoDisco(std::string_view texto);

// The project's bytes as Windows-1252 text: UTF-8 (with or without its mark)
// is converted, Windows-1252 kept; a character the disks cannot hold, a file
// that is neither or mixes both, NUL bytes and overlong lines are refused,
// with the line and key named.
std::optional<std::string> DecodificarProjeto(std::string_view bytes, std::string& texto1252);

// nullopt when the project is sound; otherwise the message.
std::optional<std::string> LerProjeto(std::string_view conteudo, ProjetoDiscos& projeto);

// A value as the profile reader gives it back: quoted when blanks around it
// or a pair of quotes would otherwise be lost.
std::string ValorGravavel(std::string_view valor);

// The command file's text (CR LF lines): "Info" with the computed totals,
// then the lists renumbered item1, item2, ...
std::string TextoArquivoComandos(const ProjetoDiscos& projeto, int totalDiscos,
                                 int totalArquivos, int64_t totalBytes);
