// The engine over any archive: whatever it holds, the engine returns, and
// nothing appears outside the extraction folder.
#include "zentunz.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Ambiente {
    fs::path raiz, destino, arquivo;
    std::string nomeDos;
    Ambiente() {
        std::string modelo = (fs::temp_directory_path() / "fz-fuzz-XXXXXX").string();
        if (!mkdtemp(modelo.data())) std::abort();
        raiz = modelo;
        destino = raiz / "destino";
        arquivo = raiz / "a.zip";
        nomeDos = "Z:" + arquivo.string();
        for (char& c : nomeDos)
            if (c == '/') c = '\\';
    }
    ~Ambiente() {
        std::error_code e;
        fs::remove_all(raiz, e);
    }
};

int32_t Relatar(ZentunzRelato*) { return 0; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dados, std::size_t n) {
    static Ambiente amb;
    // libFuzzer reads its corpus and writes its findings relative to the
    // folder it started in: be back there before returning.
    static const int inicial = open(".", O_RDONLY | O_DIRECTORY);
    std::ofstream(amb.arquivo, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(dados), static_cast<std::streamsize>(n));
    fs::create_directory(amb.destino);
    if (chdir(amb.destino.c_str()) != 0) std::abort();

    ZentunzParametros p{};
    p.rotinaRelato = &Relatar;
    p.nomeArquivo = amb.nomeDos.c_str();
    p.nomesPastas = -1;
    p.sobrescrever = -1;
    int32_t r = zentunz_extrair(&p);
    if (r < ZENTUNZ_OK || r > ZENTUNZ_ERRO_ABERTURA) __builtin_trap();

    for (const auto& e : fs::directory_iterator(amb.raiz))
        if (e.path() != amb.destino && e.path() != amb.arquivo) __builtin_trap();
    fs::remove_all(amb.destino);
    if (fchdir(inicial) != 0) std::abort();
    return 0;
}
