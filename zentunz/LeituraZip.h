// The archive as the engine reads it: one open file, mapped into memory when
// the system allows (libzip and the whole-member inflate then read it without
// a system call per block), read with pread otherwise; and the byte range of
// every member's local header and compressed data, taken from the central
// directory, so that an archive whose members share bytes is refused before
// anything is written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zentunz {

class LeituraZip {
public:
    LeituraZip() = default;
    ~LeituraZip();
    LeituraZip(const LeituraZip&) = delete;
    LeituraZip& operator=(const LeituraZip&) = delete;

    // False when the file cannot be opened or is not a regular file.
    bool Abrir(const std::string& host);
    int fd() const { return fd_; }
    uint64_t Tamanho() const { return tamanho_; }
    // The whole file, or null when it is not mapped.
    const unsigned char* Mapa() const { return mapa_; }
    // Exactly n bytes at pos, or false.
    bool Ler(uint64_t pos, void* destino, std::size_t n) const;

private:
    int fd_ = -1;
    uint64_t tamanho_ = 0;
    const unsigned char* mapa_ = nullptr;
};

// Where a member's bytes lie: the local header at inicio, the compressed data
// from dados to fim.
struct FaixaMembro {
    uint64_t inicio = 0, dados = 0, fim = 0;
    uint64_t compactado = 0;
    std::string nome; // raw bytes, as the central directory holds them
};

// The members in central directory order; nullopt when the directory cannot
// be read or a local header is missing.
std::optional<std::vector<FaixaMembro>> FaixasDosMembros(const LeituraZip& arquivo);
// True when two members' ranges share a byte.
bool HaSobreposicao(std::vector<FaixaMembro> faixas);

} // namespace zentunz
