// The installer's command line, read before any window or display exists:
// the classic first argument ("/D" or "/X" and a path; anything else means a
// plain installation) and the options that follow it or stand alone.
#pragma once

#include <optional>
#include <string>

// Exit statuses of the program.
enum SaidaZentrava : int {
    saidaConcluida = 0,
    saidaFalha = 1,    // interrupted, or failed with changes left
    saidaUso = 2,      // a command line that cannot be followed
    saidaRecusada = 3, // refused before anything was written
    saidaDesfeita = 4, // failed, and what it had changed was undone
};

struct OpcoesLinha {
    std::optional<std::string> argumento; // the classic first argument, as given
    bool ajuda = false;                   // --help, -h, /?
    bool silencioso = false;              // --silencioso
    std::optional<std::string> destino;   // --destino: a host or DOS path
    std::optional<std::string> log;       // --log: a host path
    std::string erro;                     // UTF-8, in Portuguese; empty for a good line
};

OpcoesLinha LerOpcoes(int argc, const char* const* argv);

// The usage text (UTF-8), for the terminal.
std::string TextoAjuda();
// One line pointing at --help, after an error.
std::string LinhaUso();
