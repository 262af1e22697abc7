// Runs a check in a child process, for what must not touch the test process:
// a file size limit that makes writes fail part-way, a second station's lock.
#pragma once

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// True when the child's function returned true.
inline bool EmOutroProcesso(const std::function<bool()>& f) {
    pid_t pid = fork();
    if (pid == 0) _exit(f() ? 0 : 1);
    int estado = 0;
    if (pid < 0 || waitpid(pid, &estado, 0) != pid) return false;
    return WIFEXITED(estado) && WEXITSTATUS(estado) == 0;
}

// Writes past `bytes` fail with EFBIG, as a full disk would stop them.
inline void LimitarGravacao(rlim_t bytes) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit r{bytes, bytes};
    setrlimit(RLIMIT_FSIZE, &r);
}
