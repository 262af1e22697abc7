// The directory reading of TExtratorZip over any bytes: it may fail with its
// errors, never crash, and keeps only entries it read whole.
#include "mExtrZip.h"

#include <cstddef>
#include <cstdint>
#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dados, std::size_t n) {
    std::istringstream s(std::string(reinterpret_cast<const char*>(dados), n));
    std::vector<TEntradaZip> diretorio;
    try {
        LerDiretorioZip(s, diretorio);
    } catch (const EErroZip&) {
    }
    for (const auto& e : diretorio)
        if (e.nome.size() != e.tamanhoNome) __builtin_trap();
    return 0;
}
