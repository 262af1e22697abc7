// Reading a text file that the user pastes into the compose area. Only a
// plain text file of message size is taken: a larger or a binary file would
// fill the compose area with what nobody can send.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::size_t tamanhoMaximoAnexo = 1024 * 1024;

// The file's lines (Windows-1252, ends CR LF, lone CR or lone LF; a last line
// without an end counts), or nullopt when it cannot be read, is larger than
// tamanhoMaximoAnexo or holds a NUL byte.
std::optional<std::vector<std::string>> LerLinhasAnexo(std::string_view arquivoDos);
