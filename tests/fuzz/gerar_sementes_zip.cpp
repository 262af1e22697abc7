// Writes a few small archives as the fuzzers' starting corpus.
#include "ApoioZip.h"

#include <filesystem>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "uso: gerar_sementes_zip <pasta>\n";
        return 2;
    }
    std::filesystem::path pasta = argv[1];
    std::filesystem::create_directories(pasta);
    CriarZip(pasta / "simples.zip", {{"leia.txt", "ola mundo"}});
    CriarZip(pasta / "pastas.zip",
             {{"sub/", ""}, {"sub/a.txt", std::string(300, 'a')}, {"b.bin", "bbb", ZIP_CM_STORE}});
    CriarZip(pasta / "hostil.zip", {{"../fora", "x"}, {"ln", "/etc", ZIP_CM_STORE, true}});
    CriarZip(pasta / "passos.zip", {{"g.bin", std::string(70000, 'g')}});
    return 0;
}
