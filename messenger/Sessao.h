// The messenger's session state: one per running station, owned by the main
// window for the whole run; the folder store, the settings and the windows read
// and change it in place. Texts are Windows-1252 bytes.
#pragma once

#include <string>
#include <vector>

struct Sessao {
    std::string usuario;        // upper case, at most 10 characters
    std::string nomePasta;      // display name of the current folder
    std::string caminhoPasta;   // its path: lower case, final backslash
    bool conectado = false;
    bool criarAutomatico = true; // a missing message folder is created without asking
    std::vector<std::string> nomesPastas;   // folder list: display names ...
    std::vector<std::string> caminhosPastas; // ... and paths, same index
    std::vector<std::string> usuarios;       // last users file read, in file order
    std::vector<std::string> avisos;         // notices of the last refresh
};
