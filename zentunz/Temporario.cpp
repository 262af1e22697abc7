#include "Temporario.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zentunz {

namespace {

constexpr std::string_view prefixo = ".zentunz-", sufixo = ".tmp";
std::atomic<unsigned> contador{0};
std::atomic<pid_t> pid{0};

// getpid is a system call; a forked child asks again.
pid_t Pid() {
    static const bool registrado = pthread_atfork(nullptr, nullptr, [] { pid = 0; }) == 0;
    if (pid == 0 || !registrado) pid = getpid();
    return pid;
}

std::string NovoNome() {
    return std::string(prefixo) + std::to_string(Pid()) + "-" + std::to_string(++contador) +
           std::string(sufixo);
}

// linkat of an unnamed file goes through its /proc entry.
bool TemProc() { return access("/proc/self/fd", X_OK) == 0; }
std::string Proc(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

} // namespace

SaidaTemporaria::~SaidaTemporaria() {
    if (fd_ >= 0) close(fd_);
    if (!nome_.empty()) unlinkat(dir_, nome_.c_str(), 0);
}

bool SaidaTemporaria::Criar(int dir, mode_t modo) {
    dir_ = dir;
    static const bool proc = TemProc();
    if (proc) {
        // No one sees it before it is complete: it may have its bits already.
        fd_ = openat(dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, modo);
        modo_ = modo;
        if (fd_ >= 0) return true;
    }
    // A named one stays the writer's own (and readable by a cleaner) until published.
    modo_ = 0600;
    for (int tentativa = 0; tentativa < 100; ++tentativa) {
        std::string nome = NovoNome();
        int fd = openat(dir, nome.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, modo_);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        // Locked, and still linked once locked: a cleaner may have taken it
        // for abandoned in between.
        struct stat st;
        if (flock(fd, LOCK_EX | LOCK_NB) == 0 && fstat(fd, &st) == 0 && st.st_nlink > 0) {
            fd_ = fd;
            nome_ = std::move(nome);
            return true;
        }
        close(fd);
    }
    return false;
}

// Gives the unnamed file a temporary name, under the lock, so that the rename
// below can replace the destination in one step.
bool SaidaTemporaria::Nomear() {
    if (flock(fd_, LOCK_EX | LOCK_NB) != 0) return false;
    std::string proc = Proc(fd_);
    for (int tentativa = 0; tentativa < 100; ++tentativa) {
        std::string nome = NovoNome();
        if (linkat(AT_FDCWD, proc.c_str(), dir_, nome.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            nome_ = std::move(nome);
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

bool SaidaTemporaria::Publicar(const std::string& nome, unsigned flags, mode_t modo) {
    if (fd_ < 0) return false;
    // Before the file takes its name: a program never appears half-written
    // and runnable. Some file systems (FAT) keep no modes at all.
    if (modo != modo_) fchmod(fd_, modo);
    int r;
    if (nome_.empty()) {
        // Straight to its name when nothing holds it yet.
        if (linkat(AT_FDCWD, Proc(fd_).c_str(), dir_, nome.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            r = close(fd_);
            fd_ = -1;
            if (r == 0) return true;
            unlinkat(dir_, nome.c_str(), 0);
            return false;
        }
        if (errno != EEXIST || (flags & RENAME_NOREPLACE) || !Nomear()) return false;
    }
    // Network file systems report delayed write errors at close.
    r = close(fd_);
    fd_ = -1;
    if (r != 0 || renameat2(dir_, nome_.c_str(), dir_, nome.c_str(), flags) != 0) return false;
    nome_.clear();
    return true;
}

void LimparTemporariosAbandonados(int dir) {
    int copia = dup(dir);
    DIR* d = copia >= 0 ? fdopendir(copia) : nullptr;
    if (!d) {
        if (copia >= 0) close(copia);
        return;
    }
    while (dirent* e = readdir(d)) {
        std::string_view nome = e->d_name;
        if (!nome.starts_with(prefixo) || !nome.ends_with(sufixo)) continue;
        int fd = openat(dir, e->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat aberto, agora;
        // A lock nobody holds means its writer is gone.
        if (fstat(fd, &aberto) == 0 && S_ISREG(aberto.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            fstatat(dir, e->d_name, &agora, AT_SYMLINK_NOFOLLOW) == 0 && agora.st_ino == aberto.st_ino &&
            agora.st_dev == aberto.st_dev)
            unlinkat(dir, e->d_name, 0);
        close(fd);
    }
    closedir(d);
}

} // namespace zentunz
