// Profile (INI) files with the Windows profile functions' behaviour, on
// Windows-1252 bytes: names match without regard to case, the value is what
// follows the first '=', trimmed of blanks and tabs and of one outer pair of
// matching quotes; ';' starts a comment line only as the first non-blank;
// the first occurrence of a key wins. A write keeps every untouched line byte
// for byte and replaces the file atomically (temporary file + rename).
#pragma once

#include <optional>
#include <string>
#include <string_view>
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

// The whole file, for callers that read many values of one file at once;
// nullopt when it is missing, unreadable or too large to be a profile.
std::optional<std::string> LerConteudoPerfil(std::string_view arquivoDos);

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
