// Starting a program without waiting, as WinExec does. The command line's
// first blank-separated token is the program, the rest its arguments; the
// program is started directly, never through a shell, so no text of a command
// line is ever interpreted by one.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plataforma {

struct LinhaComando {
    std::string programa;                // host path, or a bare name searched in PATH
    std::vector<std::string> argumentos; // host text (UTF-8)
};

// Splits and resolves a command line (Windows-1252). The program is a DOS
// path (an unquoted one holding blanks is found as Windows finds it: the
// shortest blank-separated prefix that names an existing file), or a bare
// name looked for in the current, system and Windows folders before PATH.
// Arguments split at blanks; double quotes group blanks into one. nullopt
// for an empty line or a path no drive maps.
std::optional<LinhaComando> ResolverLinhaComando(std::string_view linha);

// Starts the program and returns at once; false when it could not be started.
// `mostrar` (the show-window code) concerns a window system this host does
// not have; it is accepted and left unused. No child is left to reap: the
// program is started from a short-lived intermediate process.
bool IniciarPrograma(std::string_view linha, int mostrar);

} // namespace plataforma
