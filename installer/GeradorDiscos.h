// The core of zentrava-gerar: from a project file, a set of installation
// disks that zentrava installs. The files are gathered from the host tree,
// the folders to pack become zip archives, the files are laid out over disks
// of the project's size (split where a disk is full, the restore joining the
// pieces again), and every disk is written as an image folder DISCO.nnn with
// its label file; disk 1 also carries the installer, its engine (stripped)
// and the command file.
//
// The output folder appears whole or not at all: the set is built in a
// hidden folder beside it and renamed into place. Every refusal is decided
// before anything is written. Messages are Windows-1252 texts; host paths
// are UTF-8.
#pragma once

#include "ProjetoDiscos.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// What the installer reads: at most 255 disks, 32767 files, sizes in a
// signed 32-bit integer.
inline constexpr int maxDiscos = 255;
inline constexpr int maxArquivos = 32767;
inline constexpr int64_t maxBytes = 2147483647;

// One file of the set, as the label file describes it.
struct ArquivoConjunto {
    std::filesystem::path host; // where its bytes are read from
    std::string nome;           // "Nome": destination folder (macros) and name, Windows-1252
    std::string peca;           // the name its pieces have on the disks: last component of nome
    int64_t tamanho = 0;
    uint32_t modo = 0644;       // rwx bits of the source
    int64_t modificado = -1;    // modification time (ns) when gathered; -1: written by the generator
    uint64_t inode = 0;         // and the file it was then
    std::string origem;         // the project line or source path, for messages
};

// A piece of file `arquivo` (index into the set) on one disk.
struct PecaPlano {
    std::size_t arquivo = 0;
    int64_t inicio = 0;
    int64_t bytes = 0;
    bool primeira = true; // the complete section goes with the first piece
};
struct PlanoDiscos {
    std::vector<std::vector<PecaPlano>> discos; // disk 1 first
    std::vector<std::string> avisos;            // what the layout did to avoid a name clash
};

// The order the layout needs: programs' namesakes last, and no file right
// after another of its piece name where another file can go between them.
void OrdenarParaDiscos(std::vector<ArquivoConjunto>& arquivos);

// Lays the files out in the given order. `reservaDisco1` is what disk 1 needs
// besides label file and pieces (the programs and the command file).
// Refusals come back as the message.
std::optional<std::string> PlanejarDiscos(const std::vector<ArquivoConjunto>& arquivos,
                                          const TamanhoDisco& disco, int64_t reservaDisco1,
                                          PlanoDiscos& plano);

// The number of bytes a file of `bytes` takes on the disk.
int64_t Ocupado(const TamanhoDisco& disco, int64_t bytes);

// The text of disk `d`'s label file (d from 1). `crcs` holds the CRC-32 of
// every piece of the disk, in plan order (zeros while planning).
std::string TextoRotulo(const std::vector<ArquivoConjunto>& arquivos, const PlanoDiscos& plano,
                        std::size_t d, const std::vector<uint32_t>& crcs);

// Names the programs of disk 1 have; nothing of the set may take them there.
bool NomeDePrograma(std::string_view peca1252);
// zentrava.nnn: a piece of that name would make a disk pass for another.
bool NomeDeRotulo(std::string_view peca1252);

class ObservadorGerador {
public:
    virtual ~ObservadorGerador() = default;
    virtual void Aviso(const std::string& texto) = 0;
    virtual void DiscoGravado(int disco, int totalDiscos, int64_t bytes) = 0;
};

struct OpcoesGerador {
    std::filesystem::path projeto;
    std::filesystem::path saida;
    std::filesystem::path programas; // holds zentrava (and libzentunz.so*); empty: beside this program
    bool substituir = false;
    bool autonomo = false;           // disk 1 also carries the libraries a desktop without Qt 6 lacks
    const std::atomic<bool>* interromper = nullptr; // set from a signal handler
};

struct ResumoGerador {
    int discos = 0;
    int arquivos = 0;
    int64_t totalBytes = 0;     // "Total Bytes": what the installation needs
    std::string maiorNome;      // Windows-1252
    int64_t maiorTamanho = -1;
    int maiorPrimeiroDisco = 0, maiorUltimoDisco = 0;
    std::string glibc;          // self-contained sets: the oldest glibc disk 1 runs on
};

// nullopt on success; otherwise the message, and nothing was left behind.
std::optional<std::string> GerarDiscos(const OpcoesGerador& opcoes, ObservadorGerador& obs,
                                       ResumoGerador& resumo);
