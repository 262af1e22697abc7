#include "Arquivos.h"

#include "Interno.h"
#include "Texto1252.h"
#include "Unidades.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace plataforma {

namespace interno {

bool GravarTudo(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

namespace {
// Reads from offset 0 until end of file, keeping at most limite + 1 bytes, so
// a file that grew past the limit after fstat is still noticed.
bool LerAteLimite(int fd, std::size_t limite, std::string& conteudo) {
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if (static_cast<uint64_t>(st.st_size) > limite) return false;
    std::size_t teto = limite == SIZE_MAX ? limite : limite + 1;
    std::string buf(std::min<std::size_t>(static_cast<std::size_t>(st.st_size) + 1, teto), '\0');
    std::size_t lidos = 0;
    for (;;) {
        if (lidos == buf.size()) {
            if (buf.size() == teto) break;
            buf.resize(std::min(teto, buf.size() * 2));
        }
        ssize_t n = pread(fd, buf.data() + lidos, buf.size() - lidos, static_cast<off_t>(lidos));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        lidos += static_cast<std::size_t>(n);
    }
    if (lidos > limite) return false;
    buf.resize(lidos);
    conteudo = std::move(buf);
    return true;
}
} // namespace

Leitura LerArquivoHost(const std::string& host, std::size_t limite, std::string& conteudo) {
    int fd = open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? Leitura::Ausente : Leitura::Falhou;
    bool ok = LerAteLimite(fd, limite, conteudo);
    close(fd);
    return ok ? Leitura::Lido : Leitura::Falhou;
}

} // namespace interno

bool CoincideCuringa(std::string_view p, std::string_view n) {
    // Iterative '*' matching with one backtrack point: linear enough for names.
    // A star of the pattern is always a wildcard, even against a '*' of the name.
    std::size_t i = 0, j = 0, estrela = std::string_view::npos, volta = 0;
    auto igual = [](char a, char b) {
        return IguaisSemCaixa(std::string_view(&a, 1), std::string_view(&b, 1));
    };
    while (j < n.size()) {
        if (i < p.size() && p[i] == '*') {
            estrela = i++;
            volta = j;
        } else if (i < p.size() && (p[i] == '?' || igual(p[i], n[j]))) {
            ++i;
            ++j;
        } else if (estrela != std::string_view::npos) {
            i = estrela + 1;
            j = ++volta;
        } else
            return false;
    }
    while (i < p.size() && p[i] == '*')
        ++i;
    return i == p.size();
}

namespace {

std::optional<struct stat> Examinar(std::string_view dos, bool seguir) {
    auto host = CaminhoHost(dos);
    struct stat st;
    if (!host || (seguir ? stat(host->c_str(), &st) : lstat(host->c_str(), &st)) != 0)
        return std::nullopt;
    return st;
}

// Root ignores permissions, so the mode bits decide first; access() then adds
// what they cannot show (another owner, a read-only mount).
bool SomenteLeitura(const struct stat& st, const char* host) {
    if (S_ISLNK(st.st_mode)) return false;
    if (!(st.st_mode & S_IWUSR)) return true;
    return host && faccessat(AT_FDCWD, host, W_OK, AT_EACCESS) != 0 && errno != ENOENT;
}

int AtributosDe(const struct stat& st, std::string_view nome, const char* host) {
    int a = 0;
    if (S_ISLNK(st.st_mode))
        a |= atrReparse;
    else if (S_ISDIR(st.st_mode))
        a |= atrDiretorio;
    else if (S_ISREG(st.st_mode))
        a |= atrArquivo;
    if (SomenteLeitura(st, host)) a |= atrSomenteLeitura;
    if (nome.size() > 1 && nome[0] == '.' && nome != "..") a |= atrOculto;
    return a;
}

// Windows lists directories and links with size 0.
int64_t TamanhoDe(const struct stat& st) {
    return S_ISREG(st.st_mode) ? static_cast<int64_t>(st.st_size) : 0;
}

std::string_view NomeDe(std::string_view host) {
    return host.substr(host.rfind('/') + 1);
}

// As on Windows: "x.*" also matches "x" (so "*.*" matches every name), and
// "x." matches a name without a dot.
bool CoincideDos(std::string_view padrao, std::string_view nome) {
    if (CoincideCuringa(padrao, nome)) return true;
    if (padrao.ends_with(".*") && CoincideCuringa(padrao.substr(0, padrao.size() - 2), nome))
        return true;
    return padrao.ends_with('.') && nome.find('.') == std::string_view::npos &&
           CoincideCuringa(padrao.substr(0, padrao.size() - 1), nome);
}

int AbrirHost(const std::string& host, int flags) {
    int fd;
    do
        fd = open(host.c_str(), flags | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
    while (fd < 0 && errno == EINTR);
    return fd;
}

} // namespace

bool ArquivoExiste(std::string_view dos) {
    auto st = Examinar(dos, true);
    return st && S_ISREG(st->st_mode);
}

bool PastaExiste(std::string_view dos) {
    auto st = Examinar(dos, true);
    return st && S_ISDIR(st->st_mode);
}

bool CriarPasta(std::string_view dos) {
    auto completo = CaminhoDosCompleto(dos);
    if (!completo) return false;
    // Each prefix resolved on its own, so existing folders are found in any case.
    for (std::size_t i = 4; i <= completo->size(); ++i) { // never the drive root
        if (i < completo->size() && (*completo)[i] != '\\') continue;
        auto host = CaminhoHost(std::string_view(*completo).substr(0, i));
        if (!host) return false;
        if (mkdir(host->c_str(), 0777) != 0 && errno != EEXIST) return false;
    }
    return PastaExiste(*completo);
}

bool RemoverPasta(std::string_view dos) {
    auto host = CaminhoHost(dos);
    return host && rmdir(host->c_str()) == 0;
}

bool ApagarArquivo(std::string_view dos) {
    auto host = CaminhoHost(dos);
    struct stat st;
    if (!host || lstat(host->c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    // Windows refuses to delete a read-only file; callers clear the attribute first.
    if (SomenteLeitura(st, nullptr)) return false;
    return unlink(host->c_str()) == 0;
}

bool RenomearArquivo(std::string_view de, std::string_view para) {
    auto origem = CaminhoHost(de), destino = CaminhoHost(para);
    if (!origem || !destino) return false;
    if (renameat2(AT_FDCWD, origem->c_str(), AT_FDCWD, destino->c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // File systems without RENAME_NOREPLACE (some network ones).
    struct stat st;
    if (lstat(destino->c_str(), &st) == 0 || errno != ENOENT) return false;
    return rename(origem->c_str(), destino->c_str()) == 0;
}

int64_t TamanhoArquivo(std::string_view dos) {
    auto st = Examinar(dos, false);
    return st ? TamanhoDe(*st) : -1;
}

int Atributos(std::string_view dos) {
    auto host = CaminhoHost(dos);
    struct stat st;
    if (!host || lstat(host->c_str(), &st) != 0) return -1;
    return AtributosDe(st, NomeDe(*host), host->c_str());
}

bool DefinirAtributos(std::string_view dos, int atributos) {
    auto host = CaminhoHost(dos);
    struct stat st;
    if (!host || lstat(host->c_str(), &st) != 0) return false;
    if (S_ISLNK(st.st_mode)) return true; // a link has no mode of its own
    mode_t modo = st.st_mode & 07777;
    if (!(atributos & atrSomenteLeitura)) modo |= S_IWUSR;
    // A read-only folder on Windows still lets its files be deleted; here it would not.
    else if (!S_ISDIR(st.st_mode))
        modo &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    return modo == (st.st_mode & 07777) || chmod(host->c_str(), modo) == 0;
}

std::string PastaAtual() {
    char buf[PATH_MAX];
    if (!getcwd(buf, sizeof buf)) return {};
    return CaminhoDos(buf).value_or("");
}

bool DefinirPastaAtual(std::string_view dos) {
    auto host = CaminhoHost(dos);
    return host && chdir(host->c_str()) == 0;
}

// ---- BuscaArquivos

struct BuscaArquivos::Estado {
    std::string pasta;              // host directory
    std::vector<std::string> nomes; // candidates in listing order
    std::size_t proximo = 0;
    int mascara = 0;
};

BuscaArquivos::BuscaArquivos() = default;
BuscaArquivos::~BuscaArquivos() = default;

void BuscaArquivos::Fechar() {
    estado_.reset();
}

bool BuscaArquivos::Primeiro(std::string_view padraoDos, int mascara, EntradaBusca& entrada) {
    Fechar();
    std::size_t corte = padraoDos.rfind('\\');
    if (corte == std::string_view::npos && padraoDos.size() >= 2 && padraoDos[1] == ':') corte = 1;
    std::string_view padrao =
        corte == std::string_view::npos ? padraoDos : padraoDos.substr(corte + 1);
    std::string pastaDos(corte == std::string_view::npos ? "." : padraoDos.substr(0, corte + 1));
    if (padrao.empty()) return false;
    auto pastaCompleta = CaminhoDosCompleto(pastaDos);
    auto pasta = pastaCompleta ? CaminhoHost(*pastaCompleta) : std::nullopt;
    if (!pasta) return false;

    DIR* d = opendir(pasta->c_str());
    if (!d) return false;
    std::vector<std::string> nomes;
    while (const dirent* e = readdir(d)) {
        std::string_view n = e->d_name;
        // A host name holding a backslash cannot be named in a DOS path.
        if (n == "." || n == "..") continue;
        std::string nome = NomeHostPara1252(n);
        // A name with a backslash, or with a character the code page lacks, cannot be
        // named in a DOS path.
        if (nome.find_first_of("\\?") != std::string::npos) continue;
        if (CoincideDos(padrao, nome)) nomes.emplace_back(n);
    }
    closedir(d);
    // The order NTFS lists in: case-insensitive, then by bytes for a stable tie.
    std::sort(nomes.begin(), nomes.end(), [](const std::string& a, const std::string& b) {
        std::string ma = Maiusculas1252(NomeHostPara1252(a)),
                    mb = Maiusculas1252(NomeHostPara1252(b));
        return ma != mb ? ma < mb : a < b;
    });
    // A drive root has no "." and "..", as on Windows.
    if (pastaCompleta->size() > 3) {
        std::vector<std::string> pontos;
        for (const char* p : {".", ".."})
            if (CoincideDos(padrao, p)) pontos.emplace_back(p);
        nomes.insert(nomes.begin(), pontos.begin(), pontos.end());
    }
    estado_ = std::make_unique<Estado>();
    estado_->pasta = *pasta;
    estado_->nomes = std::move(nomes);
    estado_->mascara = mascara;
    return Proximo(entrada);
}

bool BuscaArquivos::Proximo(EntradaBusca& entrada) {
    if (!estado_) return false;
    // Hidden, system and directory entries need their bit in the mask; read-only,
    // archive and the link bit never exclude an entry.
    const int exigem = atrOculto | atrSistema | atrDiretorio | atrVolume;
    while (estado_->proximo < estado_->nomes.size()) {
        const std::string& nome = estado_->nomes[estado_->proximo++];
        std::string host = estado_->pasta + (estado_->pasta == "/" ? "" : "/") + nome;
        struct stat st;
        if (lstat(host.c_str(), &st) != 0) continue; // gone since the listing
        int a = nome == "." || nome == ".." ? atrDiretorio : AtributosDe(st, nome, host.c_str());
        if (a & exigem & ~estado_->mascara) continue;
        entrada.nome = NomeHostPara1252(nome);
        entrada.atributos = a;
        entrada.tamanho = TamanhoDe(st);
        entrada.modificado = static_cast<int64_t>(st.st_mtime);
        return true;
    }
    return false;
}

// ---- ArquivoExclusivo

ArquivoExclusivo::~ArquivoExclusivo() {
    Fechar();
}

void ArquivoExclusivo::Fechar() {
    if (fd_ >= 0) close(fd_); // closing releases the lock
    fd_ = -1;
}

namespace {

// One name only: a hard link would let a file outside the folder be written
// or emptied through the folder.
bool RegularDeUmNome(const struct stat& st) {
    return S_ISREG(st.st_mode) && st.st_nlink <= 1;
}

// Short pauses of varying length, so two stations waiting on each other do
// not keep meeting at the same instant.
void PausaCurta(int tentativa) {
    static std::minstd_rand sorteio{std::random_device{}()};
    const int base = std::min(2 + tentativa, 20);
    usleep(static_cast<useconds_t>((base + static_cast<int>(sorteio() % 5)) * 1000));
}

} // namespace

bool ArquivoExclusivo::TentarAbrir(const std::string& host, Modo modo) {
    int criar = modo == Modo::CriarSeFaltar ? O_CREAT : 0;
    // Read and write, as NFS lends flock only to a descriptor open for writing;
    // a read-only file is still read.
    int fd = AbrirHost(host, O_RDWR | criar);
    if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM))
        fd = AbrirHost(host, O_RDONLY);
    if (fd < 0) return false;
    struct stat st;
    int flags = fcntl(fd, F_GETFL);
    bool ok = fstat(fd, &st) == 0 && RegularDeUmNome(st) && flags >= 0 &&
              fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
    if (ok && flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ocupado_ = errno == EWOULDBLOCK;
        ok = false;
    }
    if (!ok) {
        close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

bool ArquivoExclusivo::Abrir(std::string_view dos, Modo modo, std::chrono::milliseconds espera) {
    Fechar();
    ocupado_ = false;
    auto host = CaminhoHost(dos);
    if (!host) return false;
    const auto limite = std::chrono::steady_clock::now() + espera;
    for (int tentativa = 0;; ++tentativa) {
        ocupado_ = false;
        if (TentarAbrir(*host, modo)) return true;
        if (!ocupado_ || std::chrono::steady_clock::now() >= limite) return false;
        PausaCurta(tentativa);
    }
}

std::optional<std::string> ArquivoExclusivo::Ler(std::size_t limite) {
    std::string conteudo;
    if (fd_ < 0 || !interno::LerAteLimite(fd_, limite, conteudo)) return std::nullopt;
    return conteudo;
}

bool ArquivoExclusivo::Substituir(std::string_view bytes) {
    return fd_ >= 0 && ftruncate(fd_, 0) == 0 && lseek(fd_, 0, SEEK_SET) == 0 &&
           interno::GravarTudo(fd_, bytes);
}

bool ArquivoExclusivo::Acrescentar(std::string_view bytes) {
    if (fd_ < 0) return false;
    const off_t fim = lseek(fd_, 0, SEEK_END);
    if (fim < 0) return false;
    if (interno::GravarTudo(fd_, bytes)) return true;
    if (ftruncate(fd_, fim) != 0) { /* nothing more can be done */ }
    return false;
}

std::optional<std::string> LerArquivoExclusivo(std::string_view dos, std::size_t limite) {
    ArquivoExclusivo a;
    if (!a.Abrir(dos, ArquivoExclusivo::Modo::Existente)) return std::nullopt;
    return a.Ler(limite);
}

bool GravarArquivoExclusivo(std::string_view dos, std::string_view bytes) {
    ArquivoExclusivo a;
    return a.Abrir(dos, ArquivoExclusivo::Modo::CriarSeFaltar) && a.Substituir(bytes);
}

// ---- GravarArquivoAtomico

namespace {

constexpr std::size_t tamanhoSufixo = 6;

// ".name.tmp" + 6 hex digits, beside the target.
std::string PrefixoTemporario(const std::string& nome) {
    return "." + nome.substr(0, 200) + ".tmp";
}

bool MesmoArquivo(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Deletes the temporary files of this target whose writer is gone: a live
// writer holds the lock on its own until its rename. Only a file still under
// its name is deleted, and only while the lock is held here, so a writer that
// has just created its file and not yet locked it sees the file go and starts
// over (see CriarTemporario).
void LimparTemporarios(const std::string& pasta, const std::string& nome) {
    const std::string prefixo = PrefixoTemporario(nome);
    DIR* d = opendir(pasta.c_str());
    if (!d) return;
    std::vector<std::string> restos;
    while (const dirent* e = readdir(d)) {
        std::string_view n = e->d_name;
        if (n.size() == prefixo.size() + tamanhoSufixo && n.starts_with(prefixo) &&
            n.find_first_not_of("0123456789abcdef", prefixo.size()) == std::string_view::npos)
            restos.emplace_back(n);
    }
    closedir(d);
    for (const auto& resto : restos) {
        const std::string caminho = pasta + (pasta == "/" ? "" : "/") + resto;
        int fd = AbrirHost(caminho, O_WRONLY);
        if (fd < 0) continue;
        struct stat st, agora;
        if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            lstat(caminho.c_str(), &agora) == 0 && MesmoArquivo(st, agora))
            unlink(caminho.c_str());
        close(fd);
    }
}

// Creates and locks a temporary file of our own beside the target. O_EXCL with
// a name of our own (not mkstemp) lets the umask shape the mode of a new file,
// as for any other file the program creates. -1 on failure.
int CriarTemporario(const std::string& pasta, const std::string& nome, std::string& temp) {
    static std::mt19937_64 aleatorio{std::random_device{}()};
    for (int tentativa = 0; tentativa < 100; ++tentativa) {
        char sufixo[17];
        std::snprintf(sufixo, sizeof sufixo, "%016llx",
                      static_cast<unsigned long long>(aleatorio()));
        temp = pasta + (pasta == "/" ? "" : "/") + PrefixoTemporario(nome) +
               std::string(sufixo, tamanhoSufixo);
        int fd = AbrirHost(temp, O_WRONLY | O_CREAT | O_EXCL);
        if (fd < 0) {
            if (errno != EEXIST) return -1;
            continue;
        }
        // Another writer's clean-up may have taken it between the create and the lock.
        struct stat st, agora;
        if (flock(fd, LOCK_EX | LOCK_NB) == 0 && fstat(fd, &st) == 0 &&
            lstat(temp.c_str(), &agora) == 0 && MesmoArquivo(st, agora))
            return fd;
        close(fd);
    }
    return -1;
}

} // namespace

bool GravarArquivoAtomico(std::string_view dos, std::string_view bytes) {
    auto host = CaminhoHost(dos);
    return host && interno::GravarAtomicoHost(*host, bytes);
}

bool interno::GravarAtomicoHost(const std::string& host, std::string_view bytes) {
    // A read-only file is not replaced, as Windows refuses to overwrite one.
    struct stat st;
    if (lstat(host.c_str(), &st) == 0 && SomenteLeitura(st, host.c_str())) return false;
    std::size_t barra = host.rfind('/');
    std::string pasta = barra == 0 ? "/" : host.substr(0, barra);
    std::string nome = host.substr(barra + 1);

    bool ok = false;
    // The temporary is closed before its rename (userspace SMB clients refuse
    // to rename an open file, after deleting the target), so another writer's
    // clean-up may take it in between: then the write starts over.
    for (int vez = 0; vez < 3 && !ok; ++vez) {
        LimparTemporarios(pasta, nome);
        std::string temp;
        int fd = CriarTemporario(pasta, nome, temp);
        if (fd < 0) return false;
        ok = true;
        if (struct stat antigo; lstat(host.c_str(), &antigo) == 0 && S_ISREG(antigo.st_mode))
            ok = fchmod(fd, antigo.st_mode & 07777) == 0;
        ok = ok && interno::GravarTudo(fd, bytes) && fsync(fd) == 0;
        ok = close(fd) == 0 && ok;
        if (!ok) {
            unlink(temp.c_str());
            return false;
        }
        // A peer's clean-up may hold the temporary open for a moment.
        int r;
        for (int espera = 0; (r = rename(temp.c_str(), host.c_str())) != 0 && errno == EBUSY &&
                             espera < 20;
             ++espera)
            PausaCurta(espera);
        ok = r == 0;
        if (!ok && errno != ENOENT) {
            unlink(temp.c_str());
            return false;
        }
    }
    if (!ok) return false;
    // The rename itself reaches the disk with the folder.
    int dfd = open(pasta.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        fsync(dfd);
        close(dfd);
    }
    return true;
}

bool CriarArquivoVazio(std::string_view dos) {
    auto host = CaminhoHost(dos);
    if (!host) return false;
    int fd = AbrirHost(*host, O_WRONLY | O_CREAT);
    if (fd < 0) return false;
    struct stat st;
    bool ok = fstat(fd, &st) == 0 && RegularDeUmNome(st) && ftruncate(fd, 0) == 0;
    close(fd);
    return ok;
}

mode_t MascaraCriacao() {
    std::ifstream status("/proc/self/status");
    std::string linha;
    while (std::getline(status, linha))
        if (linha.starts_with("Umask:")) return static_cast<mode_t>(std::stoul(linha.substr(6), nullptr, 8));
    mode_t m = umask(022);
    umask(m);
    return m;
}

// ---- PastaResolvida

bool PastaResolvida::Resolver(std::string_view pastaDos) {
    auto host = CaminhoHost(pastaDos);
    if (!host) return false;
    host_ = std::move(*host);
    return true;
}

std::string PastaResolvida::Host(std::string_view nome) const {
    return host_ + (host_.ends_with('/') ? "" : "/") + Nome1252ParaHost(nome);
}

int64_t PastaResolvida::Tamanho(std::string_view nome) const {
    struct stat st;
    if (host_.empty() || lstat(Host(nome).c_str(), &st) != 0) return -1;
    return TamanhoDe(st);
}

PastaResolvida::Estado PastaResolvida::Ler(std::string_view nome, std::size_t limite,
                                           std::string& conteudo) const {
    if (host_.empty()) return Estado::Falhou;
    int fd = AbrirHost(Host(nome), O_RDONLY);
    if (fd < 0) return errno == ENOENT ? Estado::Ausente : Estado::Falhou;
    bool ok = interno::LerAteLimite(fd, limite, conteudo);
    close(fd);
    return ok ? Estado::Lido : Estado::Falhou;
}

} // namespace plataforma
