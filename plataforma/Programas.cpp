#include "Programas.h"

#include "Arquivos.h"
#include "Texto1252.h"
#include "Unidades.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace plataforma {

namespace {

bool Branco(char c) {
    return c == ' ' || c == '\t';
}

bool Caminho(std::string_view programa) {
    return programa.find_first_of("\\:") != std::string_view::npos;
}

// A bare name is looked for where Windows looks before PATH.
std::optional<std::string> ProgramaHost(std::string_view programa) {
    if (Caminho(programa)) return CaminhoHost(programa);
    for (const std::string& pasta : {PastaAtual(), DiretorioSistema(), DiretorioWindows()}) {
        if (pasta.empty()) continue;
        std::string dos = pasta + (pasta.back() == '\\' ? "" : "\\") + std::string(programa);
        if (ArquivoExiste(dos)) return CaminhoHost(dos);
    }
    return Nome1252ParaHost(programa);
}

std::vector<std::string> Argumentos(std::string_view resto) {
    std::vector<std::string> r;
    std::size_t i = 0;
    for (;;) {
        while (i < resto.size() && Branco(resto[i])) ++i;
        if (i >= resto.size()) return r;
        std::string arg;
        bool aspas = false;
        for (; i < resto.size() && (aspas || !Branco(resto[i])); ++i) {
            if (resto[i] == '"')
                aspas = !aspas;
            else
                arg += resto[i];
        }
        r.push_back(Cp1252ParaUtf8(arg));
    }
}

} // namespace

std::optional<LinhaComando> ResolverLinhaComando(std::string_view linha) {
    while (!linha.empty() && Branco(linha.front())) linha.remove_prefix(1);
    if (linha.empty()) return std::nullopt;
    std::string_view programa, resto;
    if (linha.front() == '"') {
        std::size_t fim = linha.find('"', 1);
        programa = linha.substr(1, fim == std::string_view::npos ? fim : fim - 1);
        resto = fim == std::string_view::npos ? std::string_view{} : linha.substr(fim + 1);
    } else {
        std::size_t fim = linha.find_first_of(" \t");
        programa = linha.substr(0, fim);
        // An unquoted path with blanks, as Windows resolves it.
        for (std::size_t b = fim; fim != std::string_view::npos && Caminho(linha.substr(0, b));
             b = linha.find_first_of(" \t", b + 1)) {
            if (ArquivoExiste(linha.substr(0, b))) {
                fim = b;
                programa = linha.substr(0, b);
                break;
            }
            if (b == std::string_view::npos) break;
        }
        resto = fim == std::string_view::npos ? std::string_view{} : linha.substr(fim);
    }
    if (programa.empty()) return std::nullopt;
    auto host = ProgramaHost(programa);
    if (!host || host->empty()) return std::nullopt;
    return LinhaComando{*host, Argumentos(resto)};
}

bool IniciarPrograma(std::string_view linha, int /*mostrar*/) {
    auto comando = ResolverLinhaComando(linha);
    if (!comando) return false;

    // Everything the intermediate process needs is prepared before the fork:
    // after a fork in a threaded program (Qt's) only simple calls are safe.
    std::vector<char*> argv;
    argv.push_back(comando->programa.data());
    for (auto& a : comando->argumentos) argv.push_back(a.data());
    argv.push_back(nullptr);
    const bool noPath = comando->programa.find('/') == std::string::npos;

    posix_spawnattr_t atributos;
    posix_spawn_file_actions_t acoes;
    posix_spawnattr_init(&atributos);
    posix_spawn_file_actions_init(&acoes);
    sigset_t nenhum, todos;
    sigemptyset(&nenhum);
    sigfillset(&todos);
    // A fresh session, default signal handling and mask: the program is the
    // user's, independent of the installer and of its terminal.
    posix_spawnattr_setsigmask(&atributos, &nenhum);
    posix_spawnattr_setsigdefault(&atributos, &todos);
    posix_spawnattr_setflags(&atributos,
                             POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || __GLIBC_MINOR__ >= 34)
    posix_spawn_file_actions_addclosefrom_np(&acoes, 3);
#endif

    // The intermediate child starts the program and ends at once; the program
    // is then nobody's child here (init or the session's subreaper reaps it),
    // so the installer neither waits for it nor leaves a zombie, and no
    // process-wide SIGCHLD setting is needed (which would break QProcess and
    // every other waitpid of the program).
    int canal[2];
    bool iniciado = false;
    if (pipe2(canal, O_CLOEXEC) == 0) {
        pid_t intermediario = fork();
        if (intermediario == 0) {
            pid_t pid;
            int r = noPath ? posix_spawnp(&pid, argv[0], &acoes, &atributos, argv.data(), environ)
                           : posix_spawn(&pid, argv[0], &acoes, &atributos, argv.data(), environ);
            ssize_t escrito = write(canal[1], &r, sizeof r);
            _exit(escrito == static_cast<ssize_t>(sizeof r) ? 0 : 1);
        }
        close(canal[1]);
        if (intermediario > 0) {
            int r = -1;
            ssize_t n;
            do
                n = read(canal[0], &r, sizeof r);
            while (n < 0 && errno == EINTR);
            iniciado = n == static_cast<ssize_t>(sizeof r) && r == 0;
            while (waitpid(intermediario, nullptr, 0) < 0 && errno == EINTR) {}
        }
        close(canal[0]);
    }
    posix_spawn_file_actions_destroy(&acoes);
    posix_spawnattr_destroy(&atributos);
    return iniciado;
}

} // namespace plataforma
