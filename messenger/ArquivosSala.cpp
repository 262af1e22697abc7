#include "ArquivosSala.h"

#include "Texto1252.h"
#include "Unidades.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <thread>
#include <unistd.h>

namespace sala {

namespace {

using Relogio = std::chrono::steady_clock;

constexpr std::string_view nomeTrava = "users.lck";
// The lock that crosses clients; users.lck's flock may not.
constexpr std::string_view nomePastaTrava = "users.lck.d";
// How long a logon or logoff waits for the room's lock.
constexpr milliseconds esperaTrava{8000};
// A lock folder unchanged this long belongs to a station that is gone.
constexpr milliseconds travaAbandonada{3000};
constexpr milliseconds intervaloRenovacao{1000};
// How long a client's spell of I/O errors is waited out.
constexpr milliseconds esperaInstavel{5000};
constexpr long fuseMagico = 0x65735546;
// How long a sender on the server's own disk may still write into a pair
// file a collection has just renamed away (one deposit takes milliseconds).
constexpr milliseconds esperaTardia{5000};

std::string Junto(const std::string& pasta, std::string_view nome) {
    return pasta + (pasta.ends_with('/') ? "" : "/") + std::string(nome);
}

// The server's attributes; a client's cached ones may be a second old.
bool Revalidar(int dirfd, const char* caminho, int flags, struct statx& st) {
    return statx(dirfd, caminho, flags | AT_STATX_FORCE_SYNC,
                 STATX_TYPE | STATX_SIZE | STATX_INO | STATX_NLINK | STATX_MTIME | STATX_CTIME,
                 &st) == 0;
}

bool Revalidar(const std::string& host, struct statx& st) {
    return Revalidar(AT_FDCWD, host.c_str(), AT_SYMLINK_NOFOLLOW, st);
}

int64_t Nanos(const statx_timestamp& t) { return t.tv_sec * 1000000000LL + t.tv_nsec; }

void Pausa(int tentativa) {
    static std::minstd_rand sorteio{std::random_device{}()};
    const int base = std::min(2 + 2 * tentativa, 40);
    std::this_thread::sleep_for(milliseconds(base + static_cast<int>(sorteio() % 7)));
}

// What a client returns for a moment while another one renames or replaces the file.
bool Passageiro(int erro, bool criar) {
    return erro == EBUSY || erro == EIO || erro == EAGAIN || erro == ESTALE || erro == ETXTBSY ||
           (criar && (erro == ENOENT || erro == EEXIST));
}

// Until read() says the end, not to the size: a client may have cached an older one.
Leitura LerAteOFim(int fd, std::size_t limite, std::string& conteudo) {
    struct statx st;
    if (!Revalidar(fd, "", AT_EMPTY_PATH, st)) return Leitura::Falhou;
    if (!S_ISREG(st.stx_mode)) {
        errno = EISDIR;
        return Leitura::Falhou;
    }
    if (st.stx_size > limite) return Leitura::Grande;
    std::string lido;
    lido.reserve(static_cast<std::size_t>(st.stx_size));
    char bloco[64 * 1024];
    for (;;) {
        const ssize_t n = pread(fd, bloco, sizeof bloco, static_cast<off_t>(lido.size()));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Leitura::Falhou;
        if (n == 0) break;
        if (lido.size() + static_cast<std::size_t>(n) > limite) return Leitura::Grande;
        lido.append(bloco, static_cast<std::size_t>(n));
    }
    conteudo = std::move(lido);
    return Leitura::Lido;
}

int AbrirHost(const std::string& host, int flags) {
    int fd;
    do
        fd = open(host.c_str(), flags | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
    while (fd < 0 && errno == EINTR);
    return fd;
}

// A userspace client (FUSE): a create there may truncate a file another
// client made meanwhile, and a rename over a file is a delete and a rename.
bool NaFuse(const std::string& host) {
    struct statfs fs;
    return statfs(host.substr(0, host.rfind('/') + 1).c_str(), &fs) == 0 &&
           static_cast<long>(fs.f_type) == fuseMagico;
}

// Makes the empty file when missing; an existing one is left as it is.
void Garantir(const std::string& host) {
    int fd = AbrirHost(host, O_WRONLY | O_CREAT);
    if (fd >= 0) close(fd);
}

} // namespace

// ---- Pasta

bool Pasta::Resolver(std::string_view pastaDos) {
    auto host = plataforma::CaminhoHost(pastaDos);
    listada_ = vistaNoTique_ = false;
    listagem_.clear();
    if (!host) {
        raiz_.clear();
        return false;
    }
    raiz_ = std::move(*host);
    return true;
}

std::optional<std::string> Pasta::Achar(std::string_view nome1252) {
    if (raiz_.empty()) return std::nullopt;
    if (!vistaNoTique_) {
        vistaNoTique_ = true;
        struct statx st;
        if (!Revalidar(AT_FDCWD, raiz_.c_str(), 0, st)) return std::nullopt;
        const int64_t marca = std::max(Nanos(st.stx_mtime), Nanos(st.stx_ctime));
        if (!listada_ || marca != marcaListagem_) {
            listagem_.clear();
            listada_ = false;
            DIR* d = opendir(raiz_.c_str());
            if (!d) return std::nullopt;
            while (const dirent* e = readdir(d))
                if (e->d_name[0] != '.') listagem_.emplace_back(e->d_name);
            closedir(d);
            std::sort(listagem_.begin(), listagem_.end());
            listada_ = true;
            marcaListagem_ = marca;
        }
    }
    // The first in byte order, as the drive table picks among several.
    for (const auto& n : listagem_)
        if (plataforma::IguaisSemCaixa(plataforma::NomeHostPara1252(n), nome1252)) return n;
    return std::nullopt;
}

std::string Pasta::Caminho(std::string_view nome1252) {
    const std::string exato = Junto(raiz_, plataforma::Nome1252ParaHost(nome1252));
    struct stat st;
    if (lstat(exato.c_str(), &st) == 0) return exato;
    auto achado = Achar(nome1252);
    return achado ? Junto(raiz_, *achado) : exato;
}

int64_t Pasta::Tamanho(std::string_view nome1252) {
    if (raiz_.empty()) return -1;
    struct statx st;
    bool achou = Revalidar(Junto(raiz_, plataforma::Nome1252ParaHost(nome1252)), st);
    if (!achou && errno == ENOENT)
        if (auto outro = Achar(nome1252)) achou = Revalidar(Junto(raiz_, *outro), st);
    if (!achou) return -1;
    return S_ISREG(st.stx_mode) ? static_cast<int64_t>(st.stx_size) : 0;
}

Pasta::Estado Pasta::Ler(std::string_view nome1252, std::size_t limite, std::string& conteudo) {
    if (raiz_.empty()) return Estado::Falhou;
    int fd = AbrirHost(Junto(raiz_, plataforma::Nome1252ParaHost(nome1252)), O_RDONLY);
    if (fd < 0 && errno == ENOENT)
        if (auto outro = Achar(nome1252)) fd = AbrirHost(Junto(raiz_, *outro), O_RDONLY);
    if (fd < 0)
        return errno == ENOENT ? Estado::Ausente
                               : errno == EOPNOTSUPP ? Estado::SemSuporte : Estado::Falhou;
    const Leitura r = LerAteOFim(fd, limite, conteudo);
    close(fd);
    return r == Leitura::Lido ? Estado::Lido : Estado::Falhou;
}

Pasta::Estado Pasta::LerLinhas(std::string_view nome1252, std::size_t limite, std::string& conteudo) {
    Estado e = Ler(nome1252, limite, conteudo);
    for (int i = 1; i <= 4 && e == Estado::Lido; ++i) {
        const std::string_view texto = std::string_view(conteudo).substr(0, conteudo.find('\0'));
        if (texto.empty() || texto.ends_with('\n')) break;
        std::this_thread::sleep_for(milliseconds(10 * i));
        e = Ler(nome1252, limite, conteudo);
    }
    return e;
}

// ---- ArquivoRetido

void ArquivoRetido::Fechar() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
}

ArquivoRetido::Abertura ArquivoRetido::Abrir(const std::string& host, bool criar,
                                              milliseconds espera) {
    Fechar();
    const auto limite = Relogio::now() + espera;
    // A deposit outwaits a client's spell of I/O errors too; a poll does not.
    const auto limiteInstavel = criar ? std::max(limite, Relogio::now() + esperaInstavel) : limite;
    for (int tentativa = 0;; ++tentativa) {
        // Read and write, as NFS lends flock only to a descriptor open for
        // writing; a read-only file is still read.
        int fd = AbrirHost(host, O_RDWR | (criar ? O_CREAT : 0));
        if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM))
            fd = AbrirHost(host, O_RDONLY);
        Abertura falha = Abertura::Instavel;
        if (fd < 0) {
            const int erro = errno;
            if (erro == EOPNOTSUPP) return Abertura::SemSuporte;
            if (erro == ENOENT && !criar) return Abertura::Ausente;
            if (erro == ENOENT && access(host.substr(0, host.rfind('/') + 1).c_str(), F_OK) != 0)
                return Abertura::Falhou; // the folder itself is gone
            if (!Passageiro(erro, criar)) return Abertura::Falhou;
        } else {
            struct statx st;
            struct stat nome;
            int flags = fcntl(fd, F_GETFL);
            // One name only: a hard link would let a file outside the folder be written.
            const bool visto = Revalidar(fd, "", AT_EMPTY_PATH, st);
            if (!visto && (errno == EIO || errno == ENOENT)) {
                // The client's spell of errors, or (through a client that
                // knows files by name) renamed away since the open: again.
                close(fd);
            } else if (!visto || !S_ISREG(st.stx_mode) || st.stx_nlink > 1 || flags < 0 ||
                       fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
                close(fd);
                return Abertura::Falhou;
            } else if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
                falha = errno == EWOULDBLOCK ? Abertura::Ocupado : Abertura::Falhou;
                close(fd);
                if (falha == Abertura::Falhou) return falha;
            } else if (lstat(host.c_str(), &nome) == 0 && nome.st_ino == st.stx_ino &&
                       fstat(fd, &nome) == 0 && nome.st_nlink >= 1) {
                fd_ = fd;
                return Abertura::Aberto;
            } else {
                // Renamed away or deleted while this station waited for it.
                close(fd);
            }
        }
        const auto agora = Relogio::now();
        if (agora >= limiteInstavel || (falha == Abertura::Ocupado && agora >= limite)) return falha;
        Pausa(tentativa % 16);
    }
}

int64_t ArquivoRetido::Tamanho() const {
    struct statx st;
    if (fd_ < 0 || !Revalidar(fd_, "", AT_EMPTY_PATH, st)) return -1;
    return static_cast<int64_t>(st.stx_size);
}

Leitura ArquivoRetido::Ler(std::size_t limite, std::string& conteudo) const {
    return fd_ < 0 ? Leitura::Falhou : LerAteOFim(fd_, limite, conteudo);
}

bool ArquivoRetido::Gravar(std::string_view bytes) const {
    if (fd_ < 0) return false;
    std::size_t feitos = 0;
    while (feitos < bytes.size()) {
        ssize_t n = pwrite(fd_, bytes.data() + feitos, bytes.size() - feitos, static_cast<off_t>(feitos));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        feitos += static_cast<std::size_t>(n);
    }
    // The server's size: a client's cached one may still be a file's of this
    // name that a collection took away.
    const int64_t tamanho = Tamanho();
    // Renamed away after it was read (a collection on the server's own disk,
    // which no open here holds off): what was written went into the file that
    // collection keeps and reads again.
    if (tamanho < 0) return errno == ENOENT;
    return static_cast<std::size_t>(tamanho) <= bytes.size() || Cortar(bytes.size());
}

bool ArquivoRetido::Cortar(std::size_t tamanho) const {
    return fd_ >= 0 && ftruncate(fd_, static_cast<off_t>(tamanho)) == 0;
}

std::optional<bool> GravarNoLugar(const std::string& host, std::string_view bytes) {
    if (!NaFuse(host)) return std::nullopt;
    ArquivoRetido f;
    if (f.Abrir(host, false, milliseconds(1500)) != ArquivoRetido::Abertura::Aberto) return false;
    const int64_t antigo = f.Tamanho();
    if (antigo < 0) return false;
    std::string texto(bytes);
    if (static_cast<std::size_t>(antigo) > texto.size()) texto.resize(static_cast<std::size_t>(antigo), '\0');
    return f.Gravar(texto) && f.Cortar(bytes.size());
}

// ---- TravaSala

namespace {

// This boot of this machine: host names repeat, boot ids do not.
const std::string& Maquina() {
    static const std::string id = [] {
        std::ifstream f("/proc/sys/kernel/random/boot_id");
        std::string lido;
        if (!std::getline(f, lido) || lido.empty()) {
            char maquina[256] = {};
            gethostname(maquina, sizeof maquina - 1);
            lido = maquina;
        }
        return lido;
    }();
    return id;
}

// A hidden name of this program's own beside a file: ".name<sufixo>".
std::string NomeOculto(const std::string& host, const std::string& sufixo) {
    const std::size_t barra = host.rfind('/');
    return host.substr(0, barra + 1) + "." + host.substr(barra + 1) + sufixo;
}

// Tells one holding of the lock from the next by the same process.
std::string Ficha() {
    static std::mt19937_64 sorteio{std::random_device{}()};
    char texto[17];
    std::snprintf(texto, sizeof texto, "%016llx", static_cast<unsigned long long>(sorteio()));
    return texto;
}

// Whether the mark names a process of this machine that has ended.
bool DonoMorto(const std::string& marca) {
    std::istringstream campos(marca);
    std::string maquina;
    long pid = 0;
    if (!(campos >> maquina >> pid) || maquina != Maquina() || pid <= 0 || pid > INT_MAX) return false;
    return kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

} // namespace

// The lock folder is only ever made, and taken away by a rename to a name of
// the remover's own before it is removed: it is never opened, listed or even
// looked up, since a name that one client looks up while another deletes it
// answers with an error that some clients (smbnetfs) cannot survive: their
// connection restarts and every call through them fails for seconds. Who
// holds it, and that the holder is alive, stands in users.lck: "machine pid
// token count", rewritten on renewal.
bool TravaSala::Obter() {
    Soltar();
    if (lck_.Abrir(Junto(pasta_, nomeTrava), true, milliseconds(1500)) != ArquivoRetido::Abertura::Aberto)
        return false;
    const std::string dir = Junto(pasta_, nomePastaTrava);
    const auto limite = Relogio::now() + esperaTrava;
    // The mark is ready before the mkdir: a station killed between the two
    // leaves a lock nobody can tell from a live one for a few seconds.
    renovacoes_ = 0;
    ficha_ = Ficha();
    const std::string minha = Marca();
    // What the holder's mark said, and since when it has stood unchanged.
    std::string visto;
    auto vistoDesde = Relogio::now();
    for (int tentativa = 0; Relogio::now() < limite; ++tentativa) {
        if (mkdir(dir.c_str(), 0777) == 0) {
            pastaFeita_ = true;
            Marcar(minha);
            return true;
        }
        const int erro = errno;
        if (erro == EACCES || erro == EROFS || erro == ENOSPC || erro == ENOENT || erro == ENOTDIR) break;
        if (erro == EEXIST) {
            // Read afresh each time: a file kept open may be served from a client's cache.
            std::string marca;
            if (int fd = AbrirHost(Junto(pasta_, nomeTrava), O_RDONLY); fd >= 0) {
                LerAteOFim(fd, 4096, marca);
                close(fd);
            }
            if (marca != visto) {
                visto = marca;
                vistoDesde = Relogio::now();
            }
            if (DonoMorto(marca) || Relogio::now() - vistoDesde >= travaAbandonada) {
                Retirar(dir, true);
                visto.clear();
                vistoDesde = Relogio::now();
                continue;
            }
        }
        Pausa(tentativa % 8);
    }
    lck_.Fechar();
    return false;
}

std::string TravaSala::Marca() {
    return Maquina() + " " + std::to_string(getpid()) + " " + ficha_ + " " + std::to_string(renovacoes_++) + "\r\n";
}

void TravaSala::Marcar(const std::string& marca) {
    lck_.Gravar(marca);
    renovada_ = Relogio::now();
}

// Waiting stations of other machines see the lock is still held.
void TravaSala::Renovar() {
    if (pastaFeita_ && Relogio::now() - renovada_ >= intervaloRenovacao) Marcar(Marca());
}

// The folder goes first: killed before that, the mark still names this
// process, and a station of this machine breaks the lock at once.
void TravaSala::Soltar() {
    if (pastaFeita_) {
        const std::string dir = Junto(pasta_, nomePastaTrava);
        for (int i = 0; i < 5 && !Retirar(dir, true); ++i) Pausa(i);
        lck_.Gravar("");
        pastaFeita_ = false;
    }
    lck_.Fechar();
}

bool Retirar(const std::string& host, bool pasta) {
    const std::string aparte = NomeOculto(host, ".apagar-" + Ficha());
    struct stat st;
    if (lstat(host.c_str(), &st) != 0) return errno == ENOENT;
    if (S_ISDIR(st.st_mode) != pasta) return false; // not what the room put there
    if (rename(host.c_str(), aparte.c_str()) != 0) {
        if (errno == ENOENT) return true;
        // Where a rename cannot be had, removed where it stands.
        return (pasta ? rmdir(host.c_str()) : unlink(host.c_str())) == 0 || errno == ENOENT;
    }
    for (int i = 0; i < 5; ++i) {
        if ((pasta ? rmdir(aparte.c_str()) : unlink(aparte.c_str())) == 0 || errno == ENOENT) return true;
        Pausa(i);
    }
    return true; // the name is free; what is left is a hidden name of no station's
}

// ---- Recolher

std::string NomePrivado(const std::string& parHost) { return NomeOculto(parHost, ".coleta"); }

Recolha Recolher(const std::string& parHost, std::size_t limite, milliseconds espera, Retida& retida) {
    Recolha r;
    const std::string privado = NomePrivado(parHost);
    ArquivoRetido f;
    struct stat st;
    // A collection that was cut short left its text under the private name.
    const bool tirado = lstat(privado.c_str(), &st) == 0;
    if (!tirado) {
        retida = {};
        const auto a = f.Abrir(parHost, false, espera);
        if (a == ArquivoRetido::Abertura::Ocupado || a == ArquivoRetido::Abertura::Ausente ||
            a == ArquivoRetido::Abertura::Instavel)
            return r; // its sender is writing it, or the client is unwell: the next tick
        if (a != ArquivoRetido::Abertura::Aberto) {
            r.estado = Recolha::Estado::Falhou;
            return r;
        }
        if (f.Tamanho() == 0) return r;
        // Held here, so a sender on this machine waits; one elsewhere keeps the
        // server from renaming it, and some clients refuse while it is open here.
        if (rename(parHost.c_str(), privado.c_str()) != 0) {
            f.Fechar();
            if (rename(parHost.c_str(), privado.c_str()) != 0) {
                if (errno == EBUSY || errno == EIO || errno == ENOENT || errno == ETXTBSY)
                    return r; // held elsewhere: the next tick
                // It cannot be taken away (a read-only file or folder): read in
                // place and reported, as a file that could not be emptied.
                if (f.Abrir(parHost, false, espera) != ArquivoRetido::Abertura::Aberto ||
                    f.Ler(limite, r.conteudo) != Leitura::Lido)
                    r.estado = Recolha::Estado::Falhou;
                else
                    r.estado = Recolha::Estado::FalhaLimpeza;
                return r;
            }
        }
        // The pair file is not made again: a sender whose client knows files
        // by name (smbnetfs) and that still holds the old one would take the
        // new one's size for its own and write over what waits. A missing
        // pair file means nothing waits; the next deposit makes it.
    } else if (retida.mostrada && Relogio::now() - retida.desde < esperaTardia) {
        // A new deposit means its sender is done with the old file: it is
        // looked at once more and removed now, before the new one is taken.
        struct statx par;
        if (!Revalidar(parHost, par) || par.stx_size == 0) {
            r.pendente = true;
            return r;
        }
    }
    // From here on the text is under the private name: whatever fails now is
    // tried again at the next tick, not only at the next message.
    r.pendente = true;
    if (f.Tamanho() < 0) {
        const auto a = f.Abrir(privado, false, espera);
        if (a == ArquivoRetido::Abertura::Instavel || a == ArquivoRetido::Abertura::Ocupado) return r;
        if (a != ArquivoRetido::Abertura::Aberto) {
            r.estado = Recolha::Estado::Falhou;
            return r;
        }
    }
    const Leitura l = f.Ler(limite, r.conteudo);
    f.Fechar();
    if (l == Leitura::Falhou && errno == EIO) {
        r.conteudo.clear();
        return r;
    }
    if (l == Leitura::Lido && !retida.mostrada) {
        // Shown now; removed at a look after the moment a late writer may take.
        retida = {true, r.conteudo.size(), Relogio::now()};
        r.estado = Recolha::Estado::Recebida;
        return r;
    }
    r.pendente = false;
    r.jaMostrado = std::min(retida.entregue, r.conteudo.size());
    retida = {};
    if (l == Leitura::Grande) {
        const std::string aparte = parHost + ".grande-" + std::to_string(std::time(nullptr));
        r.estado = rename(privado.c_str(), aparte.c_str()) == 0 ? Recolha::Estado::Grande
                                                                : Recolha::Estado::Falhou;
    } else if (l == Leitura::Falhou) {
        r.estado = Recolha::Estado::Falhou;
    } else {
        // Emptied at least, when it cannot be deleted, so it is never delivered twice.
        const bool limpo = unlink(privado.c_str()) == 0 || truncate(privado.c_str(), 0) == 0;
        r.estado = limpo ? Recolha::Estado::Recebida : Recolha::Estado::FalhaLimpeza;
        // No sender holds the old file any more: the empty pair file again, as
        // the room had it (not through a client whose create empties a file).
        if (limpo && !NaFuse(parHost)) Garantir(parHost);
        // Nothing came late: what waits in the pair file now is taken at once.
        if (limpo && r.jaMostrado == r.conteudo.size() && lstat(privado.c_str(), &st) != 0)
            return Recolher(parHost, limite, espera, retida);
    }
    return r;
}

// ---- users.fvx and the mount

bool InsistirAte(bool (*tentar)(void*), void* contexto) {
    const auto limite = Relogio::now() + esperaInstavel;
    for (int tentativa = 0;; ++tentativa) {
        if (tentar(contexto)) return true;
        if (Relogio::now() >= limite) return false;
        Pausa(tentativa + 4);
    }
}

bool PastaPresente(std::string_view pastaDos) {
    auto host = plataforma::CaminhoHost(pastaDos);
    if (!host) return false;
    bool presente = false;
    Insistir([&] {
        struct statx st;
        if (Revalidar(AT_FDCWD, host->c_str(), 0, st)) {
            presente = S_ISDIR(st.stx_mode);
            return true;
        }
        return errno == ENOENT || errno == ENOTDIR || errno == EACCES;
    });
    return presente;
}

bool ReaparecerArquivo(const std::string& host) {
    for (int i = 1; i <= 5; ++i) {
        std::this_thread::sleep_for(milliseconds(20 * i));
        struct statx st;
        if (Revalidar(host, st)) return true;
    }
    return false;
}

std::string TipoDaMontagem(std::string_view mountinfo, std::string_view hostReal) {
    std::string tipo;
    std::size_t melhor = 0;
    std::istringstream linhas{std::string(mountinfo)};
    for (std::string linha; std::getline(linhas, linha);) {
        // id pai maior:menor raiz ponto opções [campos] - tipo fonte opções
        std::istringstream campos(linha);
        std::string id, pai, dev, raiz, ponto, campo;
        if (!(campos >> id >> pai >> dev >> raiz >> ponto)) continue;
        while (campos >> campo && campo != "-") {
        }
        std::string t;
        if (!(campos >> t)) continue;
        // mountinfo writes blanks and backslashes as octal escapes.
        std::string p;
        for (std::size_t i = 0; i < ponto.size(); ++i) {
            if (ponto[i] == '\\' && i + 3 < ponto.size()) {
                p += static_cast<char>(std::stoi(ponto.substr(i + 1, 3), nullptr, 8));
                i += 3;
            } else {
                p += ponto[i];
            }
        }
        const bool contem = hostReal == p || p == "/" ||
                            (hostReal.starts_with(p) && hostReal.size() > p.size() && hostReal[p.size()] == '/');
        if (contem && p.size() >= melhor) {
            melhor = p.size();
            tipo = t;
        }
    }
    return tipo;
}

bool MontagemSemSuporte(const std::string& pastaHost) {
    struct statfs fs;
    if (statfs(pastaHost.c_str(), &fs) != 0 || static_cast<long>(fs.f_type) != fuseMagico) return false;
    char real[PATH_MAX];
    if (!realpath(pastaHost.c_str(), real)) return false;
    std::ifstream f("/proc/self/mountinfo");
    std::stringstream texto;
    texto << f.rdbuf();
    return TipoDaMontagem(texto.str(), real) == "fuse.gvfsd-fuse";
}

} // namespace sala
