// Profile (INI) files with the Windows profile functions' behaviour, on
// Windows-1252 bytes: names match without regard to case, the value is what
// follows the first '=', trimmed of blanks and tabs and of one outer pair of
// matching quotes; ';' starts a comment line only as the first non-blank;
// the first occurrence of a key wins. A write keeps every untouched line byte
// for byte and replaces the file atomically (temporary file + rename).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace plataforma {

inline constexpr std::size_t maxValorPerfil = 1023;

// The pure part, over the file's bytes (tests, and the callers that already
// hold a file's content).
std::optional<std::string> ValorDoPerfil(std::string_view conteudo, std::string_view secao,
                                         std::string_view chave);
std::vector<std::string> ChavesDoPerfil(std::string_view conteudo, std::string_view secao);
// Writing: valor nullopt deletes the key; chave nullopt deletes the section.
std::string AlterarPerfil(std::string_view conteudo, std::string_view secao,
                          std::optional<std::string_view> chave,
                          std::optional<std::string_view> valor);
// "  -42x" -> -42; "B" -> 0; hexadecimal "$1F" and "0x1F" too.
int InteiroDoTexto(std::string_view texto, int padrao, bool ausente);

// A content parsed once, for callers that read many sections or keys of it:
// a lookup is then a hash, not a pass over the whole file. It reads exactly
// as ValorDoPerfil and ChavesDoPerfil read the same content.
class TabelaPerfil {
public:
    TabelaPerfil() = default;
    explicit TabelaPerfil(std::string conteudo);
    std::optional<std::string> Valor(std::string_view secao, std::string_view chave) const;
    std::vector<std::string> Chaves(std::string_view secao) const;
    // Every key line of the section in file order, repeated names too, with
    // the value each line reads as.
    std::vector<std::pair<std::string, std::string>> Linhas(std::string_view secao) const;
    bool TemChaves(std::string_view secao) const;

private:
    struct Trecho {
        std::size_t inicio = 0, tamanho = 0;
    };
    struct Entrada {
        Trecho nome, valor;
    };
    struct Secao {
        std::vector<Entrada> linhas;
        std::unordered_map<std::string, std::size_t> primeira; // folded name -> line
    };
    const Secao* Achar(std::string_view secao) const;
    std::string_view Texto(Trecho t) const { return std::string_view(conteudo_).substr(t.inicio, t.tamanho); }

    std::string conteudo_; // the lines point into it by offset, so a move keeps them valid
    std::unordered_map<std::string, Secao> secoes_; // only the first section of a name
};

// The whole file, for callers that read many values of one file at once;
// nullopt when it is missing, unreadable or too large to be a profile.
std::optional<std::string> LerConteudoPerfil(std::string_view arquivoDos);
std::optional<TabelaPerfil> LerTabelaPerfil(std::string_view arquivoDos);

// Over files in DOS paths. A file that does not exist or cannot be read reads
// as empty (defaults apply).
std::string LerPerfil(std::string_view arquivoDos, std::string_view secao, std::string_view chave,
                      std::string_view padrao); // at most 1023 characters
int LerPerfilInteiro(std::string_view arquivoDos, std::string_view secao, std::string_view chave,
                     int padrao);
std::vector<std::string> ListarChavesPerfil(std::string_view arquivoDos, std::string_view secao);
// False when the file cannot be read or replaced (a missing folder is not created).
bool GravarPerfil(std::string_view arquivoDos, std::string_view secao, std::string_view chave,
                  std::string_view valor);
bool ApagarChavePerfil(std::string_view arquivoDos, std::string_view secao, std::string_view chave);
bool ApagarSecaoPerfil(std::string_view arquivoDos, std::string_view secao);

} // namespace plataforma
