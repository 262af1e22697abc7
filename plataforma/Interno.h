// Host-side helpers shared by the units of plataforma/; not for callers.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace plataforma::interno {

enum class Leitura { Lido, Ausente, Falhou };

// Reads a whole regular host file of at most `limite` bytes, never blocking on
// a FIFO; Ausente when it does not exist.
Leitura LerArquivoHost(const std::string& host, std::size_t limite, std::string& conteudo);
// Writes everything, retrying short writes and interrupted calls.
bool GravarTudo(int fd, std::string_view bytes);
// Writes beside the host file and renames over it (GravarArquivoAtomico's work).
bool GravarAtomicoHost(const std::string& host, std::string_view bytes);
// The user's home folder ($HOME, else the password database); "" when unknown.
std::string PastaPessoal();
// An XDG base folder: $variavel when absolute (a relative or empty value is to
// be ignored), else padrao under the home folder; "" when there is no home.
std::string PastaXdg(const char* variavel, std::string_view padrao);

} // namespace plataforma::interno
