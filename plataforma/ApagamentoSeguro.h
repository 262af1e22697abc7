// Deletions that cannot be led elsewhere: everything is done relative to
// directory descriptors opened one component at a time without following
// links, and nothing crosses into another mount (a mount point is treated
// like a link: not entered, not emptied). Names are host bytes, whatever
// their encoding. For the uninstall and the rollback of an installation.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>

namespace plataforma {

// A directory descriptor that closes itself.
class PastaAberta {
public:
    PastaAberta() = default;
    explicit PastaAberta(int fd) : fd_(fd) {}
    ~PastaAberta();
    PastaAberta(PastaAberta&& o) noexcept : fd_(o.fd_) { o.fd_ = -1; }
    PastaAberta& operator=(PastaAberta&& o) noexcept;
    int operator*() const { return fd_; }
    bool Aberta() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// The folder at an absolute host path, its last component not followed (the
// path above it may pass through links). Not open when it is no directory.
PastaAberta AbrirPastaHost(const std::string& host);
// A folder below `base` by a relative path ('/' separated): each component
// opened without following links and inside base's mount; "", "." and ".."
// components refuse the whole path.
PastaAberta AbrirAbaixo(int base, std::string_view relativo);

// The mount a descriptor (or the entry `nome` of directory `pasta`, not
// followed) lies on; nullopt when it cannot be asked.
std::optional<uint64_t> Montagem(int fd);
std::optional<uint64_t> Montagem(int pasta, const char* nome);

// True when the host path is the folder or lies inside it (texts compared,
// no link resolved).
bool DentroDe(std::string_view host, std::string_view pasta);

// Same file: device and inode.
bool MesmoArquivo(const struct stat& a, const struct stat& b);

// What a deletion did. `restantes` names what it meant to delete and could
// not (relative to the folder given), at most `maxRestantes` of them.
struct ResultadoApagamento {
    int64_t apagados = 0;
    int64_t restantesTotal = 0;
    std::vector<std::string> restantes;
    static constexpr std::size_t maxRestantes = 20;
    bool Completo() const { return restantesTotal == 0; }
    void Restou(std::string nome);
};

// Everything inside the directory `pasta` (not the directory itself). Never
// follows a link, never enters another mount or a directory `poupar` names
// (device, inode), never changes the mode of a file; a directory whose
// entries cannot be removed gets its owner write bit.
using FiltroPastas = std::function<bool(const struct stat&)>;
ResultadoApagamento EsvaziarPasta(int pasta, const FiltroPastas& poupar = {});
// Regular files and links below `pasta`, counted the way EsvaziarPasta walks.
int64_t ContarArquivos(int pasta, const FiltroPastas& poupar = {});

// Removes the entry `nome` of the directory `pai`: a file or link is
// unlinked; a directory only when empty (vazia) or emptied first (a
// directory of another mount is refused). False when it is still there.
bool RemoverEntrada(int pai, const std::string& nome, bool esvaziar, ResultadoApagamento& r,
                    const FiltroPastas& poupar = {});

// Removes the directory `pasta` (opened, emptied) from its parent folder
// given by host path, when the parent's entry is still that directory.
bool RemoverPastaAberta(int pasta, const std::string& host);

} // namespace plataforma
