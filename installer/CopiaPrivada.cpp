#include "CopiaPrivada.h"

#include "Perfil.h"
#include "Restauracao.h"
#include "Texto1252.h"
#include "Unidades.h"
#include "mSetuplb.h"
#include "zentunz.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;
using namespace plataforma;

namespace {

// What the original hands its copy through the environment; the copy takes
// them out again, so the programs it starts inherit none of them.
const char* const varCopia = "ZENTRAVA_COPIA_PRIVADA";
const char* const varPrograma = "ZENTRAVA_PASTA_PROGRAMA";
const char* const varBiblioteca = "ZENTRAVA_LD_LIBRARY_PATH";

std::string pastaCopia;
std::string pastaPrograma;

// The copy's two files and its folder, ready for a signal handler, which may
// only make plain system calls.
char arquivoCopia[4096], motorCopia[4096], pastaCopiaC[4096];
// A copy holding a self-contained set's libraries is a tree: the handler
// leaves it to rm, which fork and exec may start from a handler.
bool copiaEmArvore = false;
char rm[] = "/bin/rm", opcoesRm[] = "-rf";

void RemoverCopia() {
    if (pastaCopia.empty()) return;
    std::error_code e;
    fs::remove_all(pastaCopia, e);
}

void RemoverAoSinal(int sinal) {
    if (copiaEmArvore) {
        char* argumentos[] = {rm, opcoesRm, pastaCopiaC, nullptr};
        char* ambiente[] = {nullptr};
        if (fork() == 0) {
            execve(rm, argumentos, ambiente);
            _exit(127);
        }
    }
    unlink(arquivoCopia);
    if (motorCopia[0]) unlink(motorCopia);
    rmdir(pastaCopiaC);
    signal(sinal, SIG_DFL);
    raise(sinal);
}

void Guardar(char (&destino)[4096], const std::string& texto) {
    if (texto.size() < sizeof destino) std::memcpy(destino, texto.c_str(), texto.size() + 1);
}

// Ended by the session or by Ctrl+C, the copy still leaves nothing behind.
void RemoverAoTerminar() {
    Guardar(pastaCopiaC, pastaCopia);
    Guardar(arquivoCopia, pastaCopia + "/zentrava");
    const std::string motor = MotorEmUso();
    if (!motor.empty() && fs::path(motor).parent_path() == fs::path(pastaCopia)) Guardar(motorCopia, motor);
    struct sigaction acao{};
    acao.sa_handler = RemoverAoSinal;
    sigemptyset(&acao.sa_mask);
    for (int sinal : {SIGTERM, SIGINT, SIGHUP}) {
        struct sigaction antes{};
        // A signal the starter chose to ignore stays ignored.
        if (sigaction(sinal, nullptr, &antes) == 0 && antes.sa_handler == SIG_IGN) continue;
        sigaction(sinal, &acao, nullptr);
    }
}

} // namespace

std::string ExecutavelEmUso() {
    std::error_code e;
    return fs::read_symlink("/proc/self/exe", e).string();
}

std::string MotorEmUso() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&zentunz_extrair), &info) == 0 || !info.dli_fname)
        return {};
    std::error_code e;
    auto real = fs::canonical(info.dli_fname, e);
    return e ? std::string() : real.string();
}

std::vector<std::string> ArquivosAutonomos(const std::string& pastaPrograma) {
    std::vector<std::string> arquivos;
    std::error_code e;
    const fs::path raiz(pastaPrograma);
    if (!fs::is_regular_file(raiz / "qt.conf", e)) return arquivos;
    arquivos.push_back("qt.conf");
    for (fs::recursive_directory_iterator i(raiz / pastaBibliotecas, e), fim; !e && i != fim; i.increment(e))
        if (i->is_regular_file(e) && !i->is_symlink(e))
            arquivos.push_back(fs::relative(i->path(), raiz, e).string());
    return arquivos;
}

namespace {

bool MesmoSistemaDeArquivos(const std::string& a, const struct stat& b) {
    struct stat st{};
    return !a.empty() && stat(a.c_str(), &st) == 0 && st.st_dev == b.st_dev;
}

bool Copiar(const std::string& de, const std::string& para, mode_t modo = 0700) {
    const int origem = open(de.c_str(), O_RDONLY | O_CLOEXEC);
    if (origem < 0) return false;
    const int destino = open(para.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, modo);
    bool ok = destino >= 0;
    char buffer[65536];
    while (ok) {
        const ssize_t n = read(origem, buffer, sizeof buffer);
        if (n == 0) break;
        ok = n > 0 && write(destino, buffer, static_cast<std::size_t>(n)) == n;
    }
    const int erro = errno;
    close(origem);
    if (destino >= 0 && close(destino) != 0) ok = false;
    errno = erro;
    return ok;
}

// The number of disks the command file beside the program says, 0 when it
// cannot be read (the start-up then says what is wrong).
int TotalDeDiscos(const std::string& pastaHost) {
    auto dos = CaminhoDos(pastaHost);
    if (!dos) return 0;
    auto conteudo = LerConteudoPerfil(*dos + (dos->ends_with('\\') ? "" : "\\") + "zentrava.cmd");
    if (!conteudo) return 0;
    auto v = ValorDoPerfil(*conteudo, "Info", "Total Discos");
    return InteiroDoTexto(v.value_or(""), 0, !v);
}

bool ChaveD(const std::optional<std::string>& argumento) {
    return argumento && argumento->size() >= 2 && (*argumento)[0] == '/' &&
           ((*argumento)[1] | 0x20) == 'd';
}

// A "/D" folder relative to the current folder is made absolute before the
// current folder changes, for this process and for the copy.
void FixarOrigem(std::optional<std::string>& argumento, char** argv) {
    if (!ChaveD(argumento)) return;
    const std::string_view resto = std::string_view(*argumento).substr(2);
    if (resto.empty() || resto[0] == '/' || (resto.size() >= 2 && resto[1] == ':')) return;
    auto completo = CaminhoDosCompleto(NomeHostPara1252(resto));
    if (!completo) return;
    *argumento = argumento->substr(0, 2) + Nome1252ParaHost(*completo);
    argv[1] = argumento->data();
}

void Avisar(const std::string& pasta, int erro) {
    std::fprintf(stderr,
                 "zentrava: não foi possível copiar o programa para a pasta temporária %s (%s); "
                 "a instalação continua do disco, que não poderá ser retirado antes do fim.\n",
                 pasta.c_str(), Cp1252ParaUtf8(TextoErroSistema(erro)).c_str());
}

} // namespace

void ContinuarDeCopiaPrivada(char** argv, std::optional<std::string>& argumento) {
    if (const char* copia = std::getenv(varCopia)) {
        pastaCopia = copia;
        if (const char* p = std::getenv(varPrograma)) pastaPrograma = p;
        if (const char* b = std::getenv(varBiblioteca))
            setenv("LD_LIBRARY_PATH", b, 1);
        else
            unsetenv("LD_LIBRARY_PATH");
        unsetenv(varCopia);
        unsetenv(varPrograma);
        unsetenv(varBiblioteca);
        std::atexit(RemoverCopia);
        copiaEmArvore = !ArquivosAutonomos(pastaCopia).empty();
        RemoverAoTerminar();
        return;
    }
    const std::string exe = ExecutavelEmUso();
    if (exe.empty()) return;
    const std::string pasta = fs::path(exe).parent_path().string();

    // Where the disks are: "/D" names them, else they lie beside the program.
    std::optional<std::string> origem = CaminhoDos(pasta);
    if (ChaveD(argumento)) origem = PastaDoArgumento(*argumento);
    auto origemHost = origem && !origem->empty() ? CaminhoHost(*origem) : std::nullopt;
    struct stat disco{};
    if (!origemHost || stat(origemHost->c_str(), &disco) != 0) return;
    const TipoUnidade tipo = TipoDaUnidade((*origem)[0]);
    if (TotalDeDiscos(pasta) <= 1 && tipo != TipoUnidade::Removivel && tipo != TipoUnidade::CdRom)
        return;
    // A current folder on the disks holds them as well as a mapped file does.
    if (MesmoSistemaDeArquivos(".", disco)) {
        FixarOrigem(argumento, argv);
        if (chdir("/") != 0) return;
    }
    const std::string motor = MotorEmUso();
    if (!MesmoSistemaDeArquivos(exe, disco) && !MesmoSistemaDeArquivos(motor, disco)) return;

    const char* tmp = std::getenv("TMPDIR");
    std::string modelo = std::string(tmp && *tmp == '/' ? tmp : "/tmp") + "/zentrava-XXXXXX";
    if (!mkdtemp(modelo.data())) return Avisar(modelo, errno);
    pastaCopia = modelo;
    const std::string novo = pastaCopia + "/zentrava";
    if (!Copiar(exe, novo) ||
        (!motor.empty() && !Copiar(motor, pastaCopia + "/" + fs::path(motor).filename().string()))) {
        const int erro = errno;
        RemoverCopia();
        return Avisar(pastaCopia, erro);
    }
    for (const std::string& nome : ArquivosAutonomos(pasta)) {
        const fs::path alvo = fs::path(pastaCopia) / nome;
        std::error_code e;
        fs::create_directories(alvo.parent_path(), e);
        if (e || !Copiar(pasta + "/" + nome, alvo.string(), 0600)) {
            const int erro = e ? e.value() : errno;
            RemoverCopia();
            return Avisar(pastaCopia, erro);
        }
    }
    setenv(varCopia, pastaCopia.c_str(), 1);
    setenv(varPrograma, pasta.c_str(), 1);
    if (const char* b = std::getenv("LD_LIBRARY_PATH")) setenv(varBiblioteca, b, 1);
    // The engine beside the copy before any the build or the disk names.
    setenv("LD_LIBRARY_PATH", pastaCopia.c_str(), 1);
    std::error_code e;
    const fs::path atual = fs::current_path(e);
    FixarOrigem(argumento, argv);
    if (chdir(pastaCopia.c_str()) == 0) execv(novo.c_str(), argv);
    const int erro = errno;
    fs::current_path(atual, e);
    unsetenv(varCopia);
    unsetenv(varPrograma);
    unsetenv(varBiblioteca);
    RemoverCopia();
    Avisar(pastaCopia, erro);
}

std::string PastaDoPrograma() {
    if (!pastaPrograma.empty()) return pastaPrograma;
    return fs::path(ExecutavelEmUso()).parent_path().string();
}

const std::string& PastaCopiaPrivada() {
    return pastaCopia;
}
