// The room's files as the file server decides over them. Stations reach a
// room through clients that differ: the locks of userspace SMB clients (and
// of older kernel CIFS) stay on their own machine, their sizes and contents
// may be a second old, a rename over a file is a delete and a rename there,
// and a file another client holds open cannot be renamed. So what matters
// here rests on what every server makes atomic: a mkdir, and a rename it
// refuses while the file is open elsewhere. The flock on top of it keeps the
// guarantees of clients that do carry locks (local disk, NFS, recent CIFS),
// and of stations on the same machine.
//
// Every path here is a host path; nothing is thrown; errno is not a result.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sala {

using std::chrono::milliseconds;

// A folder resolved once for a poll's many lookups. A name is found as the
// drive table finds it: the exact name first, else the one case-insensitive
// match, from a listing kept until the folder itself changes; the folder is
// looked at for that at most once a tick, and only when an exact lookup
// misses, so an idle tick in a room of names as this program writes them
// costs one call per name.
class Pasta {
public:
    bool Resolver(std::string_view pastaDos);
    const std::string& Raiz() const { return raiz_; }
    void NovoTique() { vistaNoTique_ = false; }
    // The host path of the name as it stands in the folder (the exact path when absent).
    std::string Caminho(std::string_view nome1252);
    // The server's size (a client's cached one may be a second old); 0 for a
    // folder or a link; -1 when missing.
    int64_t Tamanho(std::string_view nome1252);
    enum class Estado { Lido, Ausente, Falhou, SemSuporte };
    // The whole file, read to its end, without a lock (a file only ever replaced whole).
    Estado Ler(std::string_view nome1252, std::size_t limite, std::string& conteudo);
    // A file of lines rewritten in place: a read that ends inside a line met
    // a size the client had cached while the file grew, and is read again.
    Estado LerLinhas(std::string_view nome1252, std::size_t limite, std::string& conteudo);

private:
    std::optional<std::string> Achar(std::string_view nome1252);
    std::string raiz_;
    std::vector<std::string> listagem_; // host names
    bool listada_ = false, vistaNoTique_ = false;
    int64_t marcaListagem_ = 0;         // the folder's change time when listed, ns
};

enum class Leitura { Lido, Grande, Falhou };

// A file held for one operation: opened, locked for this machine's other
// openers, and checked to be still the file its name leads to (a collection
// renames pair files away). Only a regular file with one name opens, never
// through a link. Open failures that another client's rename causes for a
// moment are tried again until espera.
class ArquivoRetido {
public:
    // Instavel: the client kept giving the errors of a moment until espera.
    enum class Abertura { Aberto, Ocupado, Ausente, Falhou, SemSuporte, Instavel };
    ArquivoRetido() = default;
    ~ArquivoRetido() { Fechar(); }
    ArquivoRetido(const ArquivoRetido&) = delete;
    ArquivoRetido& operator=(const ArquivoRetido&) = delete;

    Abertura Abrir(const std::string& host, bool criar, milliseconds espera);
    // The size the server has now.
    int64_t Tamanho() const;
    // To the end of the file, whatever size a client cached; Grande past limite.
    Leitura Ler(std::size_t limite, std::string& conteudo) const;
    // The whole content from the start, cut to its length: never written at
    // an end another station may have moved.
    bool Gravar(std::string_view bytes) const;
    bool Cortar(std::size_t tamanho) const;
    void Fechar();

private:
    int fd_ = -1;
};

// The room's lock for changes of the users file: the flock of users.lck
// (what today's stations and clients that carry locks honour) and a lock
// folder made by mkdir, which the server grants to one station only. The
// holder writes its machine and process into users.lck, so a lock left by a
// killed process of this machine is broken at once, one of another machine
// once it has stood unchanged for a few seconds (a holder that works longer
// renews it).
class TravaSala {
public:
    explicit TravaSala(std::string pastaHost) : pasta_(std::move(pastaHost)) {}
    ~TravaSala() { Soltar(); }
    TravaSala(const TravaSala&) = delete;
    TravaSala& operator=(const TravaSala&) = delete;

    bool Obter();
    void Renovar();
    void Soltar();

private:
    std::string pasta_;
    ArquivoRetido lck_;
    std::string Marca();
    void Marcar(const std::string& marca);
    bool pastaFeita_ = false;
    std::string ficha_;
    int renovacoes_ = 0;
    std::chrono::steady_clock::time_point renovada_{};
};

// Takes a name away that other stations may be looking up: first renamed to
// a hidden name of this station's own, then removed. Some clients cannot
// survive looking up a name while the server deletes it (smbnetfs restarts
// its connection, and every call through it fails for seconds); a rename
// leaves them the file or nothing. True when the name is free.
bool Retirar(const std::string& host, bool pasta);

// The collection of a pair file: renamed to a name of the receiver's own
// first (the server refuses while its sender holds it, so the next tick
// tries again), then read and shown, and the empty pair file made again.
// The private file is removed only a moment later, after a second look: a
// station on the server's own disk is no client of the server, so nothing
// refuses the rename while it writes, and what it wrote late is shown then.
// A file past limite is renamed aside, and so reported only once.
struct Retida {
    bool mostrada = false;       // its text was shown; what follows is late
    std::size_t entregue = 0;    // bytes shown
    std::chrono::steady_clock::time_point desde{};
};
struct Recolha {
    enum class Estado { Nada, Recebida, Falhou, Grande, FalhaLimpeza };
    Estado estado = Estado::Nada;
    std::string conteudo;
    std::size_t jaMostrado = 0; // the start of conteudo an earlier tick showed
    bool pendente = false;      // the private file remains: look again next tick
};
Recolha Recolher(const std::string& parHost, std::size_t limite, milliseconds espera, Retida& retida);
// The receiver's own names beside a pair file (for a logoff to remove them).
std::string NomePrivado(const std::string& parHost);

// Some clients answer every call on a folder with I/O errors for a while
// after another client removed something in it: an operation that can be
// done twice is tried again for a moment before its failure is reported.
template <class Operacao> bool Insistir(Operacao operacao);
bool InsistirAte(bool (*tentar)(void*), void* contexto);
template <class Operacao> bool Insistir(Operacao operacao) {
    return InsistirAte([](void* c) { return (*static_cast<Operacao*>(c))(); }, &operacao);
}
// Whether the DOS folder exists, asked again while its client gives I/O errors.
bool PastaPresente(std::string_view pastaDos);

// The users file was missing: looked for again a few times over a few
// hundred milliseconds, as a replacement through some clients is a delete
// and a rename.
bool ReaparecerArquivo(const std::string& host);

// Replaces a file whole that readers must never find missing. Through a
// userspace client (FUSE) a rename over a file is a delete and a rename, so
// there the file is rewritten in place, the new text padded with NULs (which
// end the text for every reader) to the old length before it is cut: a
// reader sees the old text or the new one. Elsewhere: nothing, for a rename.
std::optional<bool> GravarNoLugar(const std::string& host, std::string_view bytes);

// Whether the folder lies on a mount that cannot carry a room (GVFS's FUSE
// bridge: no read-write open of an existing file, no truncation).
bool MontagemSemSuporte(const std::string& pastaHost);
// The file system type of the mount holding hostReal, from mountinfo's text.
std::string TipoDaMontagem(std::string_view mountinfo, std::string_view hostReal);

} // namespace sala
