// The archive as the engine reads it: one open file, read with pread. Never
// mapped: a file that another process truncates (or a drive that goes away)
// under a mapping kills the process with SIGBUS, where a read just comes back
// short. And the byte range of every member's local header and compressed
// data, taken from the central directory, so that an archive whose members
// share bytes is refused before anything is written.
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
    // Exactly n bytes at pos, or false (also when the file has shrunk since
    // it was opened).
    bool Ler(uint64_t pos, void* destino, std::size_t n) const;
    // Up to n bytes at pos: how many were read, fewer only at the file's end;
    // -1 on an error.
    int64_t LerAte(uint64_t pos, void* destino, std::size_t n) const;

private:
    int fd_ = -1;
    uint64_t tamanho_ = 0;
};

// Small reads served from one large read around them: the central directory
// and the local headers are read in a few hundred KiB at a time, not in
// several reads per member.
class JanelaLeitura {
public:
    explicit JanelaLeitura(const LeituraZip& arquivo) : arquivo_(arquivo) {}
    bool Ler(uint64_t pos, void* destino, std::size_t n);

private:
    static constexpr std::size_t tamanho = 256 * 1024;
    const LeituraZip& arquivo_;
    std::vector<unsigned char> dados_;
    uint64_t inicio_ = 0;
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
