#include "ApagamentoSeguro.h"

#include <cerrno>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plataforma {

namespace {

constexpr int abrirPasta = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

bool Ponto(const char* n) {
    return n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0));
}

std::vector<std::string> Nomes(int pasta) {
    std::vector<std::string> r;
    int copia = openat(pasta, ".", abrirPasta);
    if (copia < 0) return r;
    DIR* d = fdopendir(copia);
    if (!d) {
        close(copia);
        return r;
    }
    while (dirent* e = readdir(d))
        if (!Ponto(e->d_name)) r.emplace_back(e->d_name);
    closedir(d);
    return r;
}

std::string Juntar(const std::string& prefixo, const std::string& nome) {
    return prefixo.empty() ? nome : prefixo + "/" + nome;
}

// The subdirectory `nome`, only when it is the directory fstatat saw (no swap
// in between) and lies on the same mount as its parent.
PastaAberta Entrar(int pasta, const std::string& nome, const struct stat& visto) {
    auto mPai = Montagem(pasta);
    auto mFilho = Montagem(pasta, nome.c_str());
    if (!mPai || !mFilho || *mPai != *mFilho) return {};
    PastaAberta sub(openat(pasta, nome.c_str(), abrirPasta));
    struct stat st;
    if (!sub.Aberta() || fstat(*sub, &st) != 0 || !MesmoArquivo(st, visto)) return {};
    return sub;
}

bool Desproteger(int pasta) {
    struct stat st;
    if (fstat(pasta, &st) != 0 || (st.st_mode & S_IWUSR)) return false;
    return fchmod(pasta, (st.st_mode & 07777) | S_IRWXU) == 0;
}

int Apagar(int pai, const std::string& nome, int flags) {
    if (unlinkat(pai, nome.c_str(), flags) == 0) return 0;
    int erro = errno;
    if ((erro == EACCES || erro == EPERM) && Desproteger(pai)) {
        if (unlinkat(pai, nome.c_str(), flags) == 0) return 0;
        erro = errno;
    }
    return erro;
}

void Esvaziar(int pasta, const std::string& prefixo, const FiltroPastas& poupar,
              ResultadoApagamento& r) {
    for (const std::string& nome : Nomes(pasta)) {
        struct stat st;
        if (fstatat(pasta, nome.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT) r.Restou(Juntar(prefixo, nome));
            continue;
        }
        if (!S_ISDIR(st.st_mode)) {
            int erro = Apagar(pasta, nome, 0);
            if (erro == 0)
                ++r.apagados;
            else if (erro != ENOENT)
                r.Restou(Juntar(prefixo, nome));
            continue;
        }
        PastaAberta sub = (poupar && poupar(st)) ? PastaAberta() : Entrar(pasta, nome, st);
        if (!sub.Aberta()) {
            r.Restou(Juntar(prefixo, nome) + "/");
            continue;
        }
        const int64_t antes = r.restantesTotal;
        Esvaziar(*sub, Juntar(prefixo, nome), poupar, r);
        if (r.restantesTotal == antes && Apagar(pasta, nome, AT_REMOVEDIR) != 0)
            r.Restou(Juntar(prefixo, nome) + "/");
    }
}

int64_t Contar(int pasta, const FiltroPastas& poupar) {
    int64_t n = 0;
    for (const std::string& nome : Nomes(pasta)) {
        struct stat st;
        if (fstatat(pasta, nome.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISDIR(st.st_mode)) {
            ++n;
            continue;
        }
        if (poupar && poupar(st)) continue;
        if (PastaAberta sub = Entrar(pasta, nome, st); sub.Aberta()) n += Contar(*sub, poupar);
    }
    return n;
}

} // namespace

PastaAberta::~PastaAberta() {
    if (fd_ >= 0) close(fd_);
}

PastaAberta& PastaAberta::operator=(PastaAberta&& o) noexcept {
    if (this != &o) {
        if (fd_ >= 0) close(fd_);
        fd_ = o.fd_;
        o.fd_ = -1;
    }
    return *this;
}

void ResultadoApagamento::Restou(std::string nome) {
    ++restantesTotal;
    if (restantes.size() < maxRestantes) restantes.push_back(std::move(nome));
}

PastaAberta AbrirPastaHost(const std::string& host) {
    if (host.empty() || host[0] != '/') return {};
    return PastaAberta(open(host.c_str(), abrirPasta));
}

PastaAberta AbrirAbaixo(int base, std::string_view relativo) {
    PastaAberta atual(openat(base, ".", abrirPasta));
    auto mBase = Montagem(base);
    if (!mBase) return {};
    std::size_t i = 0;
    while (atual.Aberta() && i < relativo.size()) {
        std::size_t f = relativo.find('/', i);
        if (f == std::string_view::npos) f = relativo.size();
        const std::string nome(relativo.substr(i, f - i));
        i = f + 1;
        if (nome.empty() || nome == "." || nome == "..") return {};
        PastaAberta prox(openat(*atual, nome.c_str(), abrirPasta));
        auto m = prox.Aberta() ? Montagem(*prox) : std::nullopt;
        if (!m || *m != *mBase) return {};
        atual = std::move(prox);
    }
    return atual;
}

std::optional<uint64_t> Montagem(int pasta, const char* nome) {
    struct statx sx;
    const int vazio = *nome ? 0 : AT_EMPTY_PATH;
    if (statx(pasta, nome, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | vazio, STATX_MNT_ID, &sx) != 0)
        return std::nullopt;
    // Without a mount id (an old kernel) the device tells other file systems
    // apart, though not a bind mount of this one.
    if (sx.stx_mask & STATX_MNT_ID) return sx.stx_mnt_id;
    return (static_cast<uint64_t>(sx.stx_dev_major) << 32 | sx.stx_dev_minor) | (1ull << 63);
}

std::optional<uint64_t> Montagem(int fd) {
    return Montagem(fd, "");
}

bool DentroDe(std::string_view host, std::string_view pasta) {
    while (pasta.size() > 1 && pasta.back() == '/') pasta.remove_suffix(1);
    if (pasta.empty() || !host.starts_with(pasta)) return false;
    return host.size() == pasta.size() || pasta == "/" || host[pasta.size()] == '/';
}

bool MesmoArquivo(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

ResultadoApagamento EsvaziarPasta(int pasta, const FiltroPastas& poupar) {
    ResultadoApagamento r;
    Esvaziar(pasta, "", poupar, r);
    return r;
}

int64_t ContarArquivos(int pasta, const FiltroPastas& poupar) {
    return Contar(pasta, poupar);
}

bool RemoverEntrada(int pai, const std::string& nome, bool esvaziar, ResultadoApagamento& r,
                    const FiltroPastas& poupar) {
    struct stat st;
    if (fstatat(pai, nome.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return errno == ENOENT;
    if (!S_ISDIR(st.st_mode)) {
        int erro = Apagar(pai, nome, 0);
        if (erro == 0) ++r.apagados;
        return erro == 0 || erro == ENOENT;
    }
    if (esvaziar) {
        PastaAberta sub = (poupar && poupar(st)) ? PastaAberta() : Entrar(pai, nome, st);
        if (!sub.Aberta()) return false;
        const int64_t antes = r.restantesTotal;
        Esvaziar(*sub, nome, poupar, r);
        if (r.restantesTotal != antes) return false;
    } else if (auto a = Montagem(pai), b = Montagem(pai, nome.c_str()); !a || !b || *a != *b) {
        return false;
    }
    int erro = Apagar(pai, nome, AT_REMOVEDIR);
    return erro == 0 || erro == ENOENT;
}

bool RemoverPastaAberta(int pasta, const std::string& host) {
    const auto barra = host.rfind('/');
    if (barra == std::string::npos || barra + 1 >= host.size()) return false;
    const std::string nome = host.substr(barra + 1);
    PastaAberta pai = AbrirPastaHost(barra == 0 ? "/" : host.substr(0, barra));
    struct stat a, b;
    if (!pai.Aberta() || fstat(pasta, &a) != 0 ||
        fstatat(*pai, nome.c_str(), &b, AT_SYMLINK_NOFOLLOW) != 0 || !MesmoArquivo(a, b))
        return false;
    return unlinkat(*pai, nome.c_str(), AT_REMOVEDIR) == 0;
}

} // namespace plataforma
