// The program gravar_argumentos, copied where a test wants a program, and
// what it wrote once started: its arguments, one per line.
#pragma once

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

// Copies the program to the host path `destino` (folders created).
inline void CopiarGravador(const std::string& destino) {
    namespace fs = std::filesystem;
    fs::create_directories(fs::path(destino).parent_path());
    fs::copy_file(FZ_GRAVAR_ARGUMENTOS, destino, fs::copy_options::overwrite_existing);
}

// The arguments the program copied into `pasta` wrote; nullopt when it did
// not run within ten seconds (it runs apart from the test, so it is polled).
inline std::optional<std::string> ArgumentosGravados(const std::string& pasta) {
    const auto fim = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < fim) {
        std::ifstream f(pasta + "/argumentos.txt", std::ios::binary);
        if (f) {
            std::stringstream s;
            s << f.rdbuf();
            return s.str();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::nullopt;
}
