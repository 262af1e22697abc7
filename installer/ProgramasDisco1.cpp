#include "ProgramasDisco1.h"

#include "Restauracao.h"
#include "Texto1252.h"
#include "zentunz.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <map>
#include <set>

#include <dlfcn.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;
using namespace plataforma;
using namespace plataforma::literais;

namespace {

std::string Host1252(const fs::path& p) { return NomeHostPara1252(p.string()); }

// Runs a tool with its standard output in `saida`; -1 when it cannot be started.
int Executar(const std::vector<std::string>& args, std::string* saida) {
    int tubo[2];
    if (::pipe2(tubo, O_CLOEXEC) != 0) return -1;
    posix_spawn_file_actions_t acoes;
    posix_spawn_file_actions_init(&acoes);
    posix_spawn_file_actions_adddup2(&acoes, tubo[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&acoes, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    int erro = posix_spawnp(&pid, argv[0], &acoes, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&acoes);
    ::close(tubo[1]);
    std::string lido;
    char buf[4096];
    for (ssize_t n; erro == 0 && ((n = ::read(tubo[0], buf, sizeof buf)) > 0 || (n < 0 && errno == EINTR));)
        if (n > 0) lido.append(buf, static_cast<std::size_t>(n));
    ::close(tubo[0]);
    if (erro != 0) return -1;
    int st = 0;
    while (::waitpid(pid, &st, 0) < 0 && errno == EINTR) {}
    if (saida) *saida = std::move(lido);
    // posix_spawnp reports a missing program as exit status 127.
    return WIFEXITED(st) ? (WEXITSTATUS(st) == 127 ? -1 : WEXITSTATUS(st)) : -1;
}

// A plain copy with the reason of a failure in errno.
bool Copiar(const fs::path& de, const fs::path& para) {
    int o = ::open(de.c_str(), O_RDONLY | O_CLOEXEC);
    if (o < 0) return false;
    int d = ::open(para.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0755);
    bool ok = d >= 0;
    char buf[1 << 16];
    for (ssize_t n; ok && (n = ::read(o, buf, sizeof buf)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        for (ssize_t feito = 0; ok && feito < n;) {
            ssize_t w = ::write(d, buf + feito, static_cast<std::size_t>(n - feito));
            if (w < 0 && errno == EINTR) continue;
            if (w == 0) errno = ENOSPC;
            ok = w > 0;
            feito += w;
        }
    }
    const int erro = errno;
    ::close(o);
    if (d >= 0 && ::close(d) != 0 && ok) return false;
    errno = erro;
    return ok;
}

bool Elf(const fs::path& p) {
    int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char m[4] = {};
    bool elf = ::read(fd, m, 4) == 4 && m[0] == 0x7f && m[1] == 'E' && m[2] == 'L' && m[3] == 'F';
    ::close(fd);
    return elf;
}

// "soname => /path (0x...)" per line; "not found" comes back as an empty path.
std::optional<std::string> Dependencias(const fs::path& programa,
                                        std::map<std::string, fs::path>& achadas) {
    std::string saida;
    int st = Executar({"ldd", programa.string()}, &saida);
    if (st == -1) return "O programa ldd não foi encontrado; ele lista as bibliotecas a levar no disco 1."_ansi;
    if (st != 0) return Host1252(programa) + ": o ldd não listou suas bibliotecas (não é um programa dinâmico?)."_ansi;
    for (std::size_t c = 0; c < saida.size();) {
        std::size_t f = saida.find('\n', c);
        if (f == std::string::npos) f = saida.size();
        std::string linha = saida.substr(c, f - c);
        c = f + 1;
        std::size_t seta = linha.find(" => ");
        if (seta == std::string::npos) continue;
        std::string nome = linha.substr(linha.find_first_not_of(" \t"), seta - linha.find_first_not_of(" \t"));
        std::string resto = linha.substr(seta + 4);
        if (resto.starts_with("not found")) {
            achadas[nome] = fs::path();
            continue;
        }
        achadas[nome] = resto.substr(0, resto.rfind(" ("));
    }
    return std::nullopt;
}

// The engine the programs of disk 1 need: beside them, else the one this
// process runs with.
std::vector<fs::path> BibliotecasMotor(const fs::path& pasta) {
    std::vector<fs::path> r;
    std::error_code ec;
    for (fs::directory_iterator it(pasta, ec), fim; !ec && it != fim; it.increment(ec))
        if (it->path().filename().string().starts_with("libzentunz.so")) r.push_back(it->path());
    if (r.empty()) {
        Dl_info info{};
        if (dladdr(reinterpret_cast<void*>(&zentunz_extrair), &info) && info.dli_fname)
            r.emplace_back(info.dli_fname);
    }
    std::sort(r.begin(), r.end());
    return r;
}

// Qt's plugins: beside the Qt libraries the programs load (Debian's layout),
// else where this build's Qt keeps them.
fs::path PluginXcb(const std::map<std::string, fs::path>& bibliotecas) {
    std::error_code ec;
    for (const auto& [nome, caminho] : bibliotecas) {
        if (!nome.starts_with("libQt6Core.so") || caminho.empty()) continue;
        fs::path real = fs::canonical(caminho, ec);
        for (const fs::path& pasta : {real.parent_path() / "qt6" / "plugins", real.parent_path().parent_path() / "plugins"})
            if (fs::is_regular_file(pasta / "platforms" / "libqxcb.so", ec)) return pasta / "platforms" / "libqxcb.so";
    }
#ifdef FZ_PLUGINS_QT
    if (fs::is_regular_file(fs::path(FZ_PLUGINS_QT) / "platforms" / "libqxcb.so", ec))
        return fs::path(FZ_PLUGINS_QT) / "platforms" / "libqxcb.so";
#endif
    return {};
}

} // namespace

bool BibliotecaDoSistema(std::string_view soname) {
    static constexpr std::array<std::string_view, 26> doSistema{
        // the C library
        "linux-vdso.so", "ld-linux", "libc.so", "libm.so", "libmvec.so", "libpthread.so", "libdl.so",
        "librt.so", "libresolv.so", "libutil.so", "libanl.so", "libnss_", "libthread_db.so",
        // the X11/xcb client libraries
        "libX11.so", "libX11-xcb.so", "libxcb.so", "libXau.so", "libXdmcp.so",
        // the GL libraries
        "libGL.so", "libGLX.so", "libGLdispatch.so", "libOpenGL.so", "libEGL.so", "libGLESv2.so",
        "libgbm.so", "libdrm.so"};
    const std::string_view nome = soname.substr(soname.rfind('/') == std::string_view::npos ? 0 : soname.rfind('/') + 1);
    return std::any_of(doSistema.begin(), doSistema.end(),
                       [&](std::string_view p) { return nome.starts_with(p); });
}

std::optional<std::string> ListarProgramasDisco1(const fs::path& pasta, bool autonomo,
                                                 std::vector<ProgramaDisco1>& lista) {
    std::error_code ec;
    const fs::path zentrava = pasta / "zentrava";
    if (!fs::is_regular_file(zentrava, ec))
        return "Programa de instalação não encontrado: "_ansi + Host1252(zentrava) +
               " (indique a pasta com --programas)."_ansi;
    std::vector<fs::path> motor = BibliotecasMotor(pasta);
    if (motor.empty())
        return "Biblioteca do motor de descompactação (libzentunz.so) não encontrada."_ansi;
    // The copies look beside themselves first, then in the libraries' folder.
    const std::string junto = autonomo ? std::string("$ORIGIN:$ORIGIN/") + pastaBibliotecas : "";
    lista = {{zentrava, "zentrava", junto}};
    for (const auto& m : motor) lista.push_back({m, m.filename(), junto});
    if (!autonomo) return std::nullopt;

    if (Executar({"patchelf", "--version"}, nullptr) != 0)
        return "O programa patchelf não foi encontrado (pacote patchelf); um conjunto --autonomo "
               "precisa dele para que as bibliotecas do disco 1 se achem umas às outras."_ansi;
    std::map<std::string, fs::path> bibliotecas;
    for (const auto& p : lista)
        if (Elf(p.origem))
            if (auto e = Dependencias(p.origem, bibliotecas)) return e;
    const fs::path plugin = PluginXcb(bibliotecas);
    if (plugin.empty())
        return "O plugin xcb do Qt 6 (platforms/libqxcb.so) não foi encontrado; sem ele o zentrava "
               "não abre janelas (pacote qt6-base-dev ou libqt6gui6)."_ansi;
    if (auto e = Dependencias(plugin, bibliotecas)) return e;
    const fs::path lib = pastaBibliotecas;
    lista.push_back({plugin, lib / "plugins" / "platforms" / "libqxcb.so", "$ORIGIN/../.."});
    // What the programs reach without passing through a library of the
    // system: those bring their own from the target.
    std::vector<fs::path> fila;
    for (const auto& p : lista)
        if (Elf(p.origem)) fila.push_back(p.origem);
    std::set<std::string> levadas;
    while (!fila.empty()) {
        const fs::path p = fila.back();
        fila.pop_back();
        std::string necessarias;
        if (Executar({"patchelf", "--print-needed", p.string()}, &necessarias) != 0)
            return Host1252(p) + ": o patchelf não leu as bibliotecas de que ele precisa."_ansi;
        for (std::size_t c = 0, f; c < necessarias.size(); c = f + 1) {
            f = necessarias.find('\n', c);
            if (f == std::string::npos) f = necessarias.size();
            const std::string nome = necessarias.substr(c, f - c);
            if (nome.empty() || BibliotecaDoSistema(nome) || nome.starts_with("libzentunz.so") ||
                !levadas.insert(nome).second)
                continue;
            const auto achada = bibliotecas.find(nome);
            if (achada == bibliotecas.end() || achada->second.empty())
                return "A biblioteca "_ansi + Host1252(nome) + ", de que "_ansi + Host1252(p.filename()) +
                       " precisa, não foi encontrada neste sistema (ldd: not found)."_ansi;
            const fs::path real = fs::canonical(achada->second, ec);
            lista.push_back({real, lib / nome, "$ORIGIN"});
            fila.push_back(real);
        }
    }
    return std::nullopt;
}

std::optional<std::string> PrepararProgramasDisco1(const std::vector<ProgramaDisco1>& lista,
                                                   const fs::path& pasta,
                                                   std::vector<std::string>& avisos) {
    std::error_code ec;
    bool stripFalta = false;
    for (const auto& p : lista) {
        const fs::path copia = pasta / p.destino;
        fs::create_directories(copia.parent_path(), ec);
        if (ec) return Host1252(copia.parent_path()) + ": " + TextoErroSistema(ec.value());
        if (!Copiar(p.origem, copia)) return Host1252(copia) + ": " + TextoErroSistema(errno);
        const bool elf = Elf(copia);
        // In place: a copy strip could not finish stays whole.
        const int st = elf && !stripFalta ? Executar({"strip", "--strip-unneeded", copia.string()}, nullptr) : 0;
        if (st == -1) {
            stripFalta = true;
            avisos.push_back("O programa strip (pacote binutils) não foi encontrado: os programas "
                             "vão no disco 1 com os símbolos de depuração."_ansi);
        } else if (st > 0) {
            avisos.push_back(Host1252(p.origem) +
                             ": o strip não tirou os símbolos de depuração; vai como está."_ansi);
        }
        if (!p.runpath.empty() && elf &&
            Executar({"patchelf", "--set-rpath", p.runpath, copia.string()}, nullptr) != 0)
            return Host1252(p.origem) + ": o patchelf não conseguiu gravar o RUNPATH da cópia."_ansi;
    }
    return std::nullopt;
}

std::string GlibcNecessaria(const std::vector<ProgramaDisco1>& lista, const fs::path& pasta) {
    std::vector<int> maior;
    std::string texto;
    for (const auto& p : lista) {
        std::string simbolos;
        if (!Elf(pasta / p.destino) || Executar({"objdump", "-T", (pasta / p.destino).string()}, &simbolos) != 0)
            continue;
        for (std::size_t c = 0; (c = simbolos.find("GLIBC_", c)) != std::string::npos;) {
            c += 6;
            std::size_t f = simbolos.find_first_not_of("0123456789.", c);
            const std::string v = simbolos.substr(c, f - c);
            std::vector<int> partes;
            for (std::size_t i = 0; i < v.size();) {
                std::size_t j = v.find('.', i);
                if (j == std::string::npos) j = v.size();
                partes.push_back(j > i && j - i < 6 ? std::stoi(v.substr(i, j - i)) : 0);
                i = j + 1;
            }
            if (!v.empty() && partes > maior) {
                maior = partes;
                texto = v;
            }
        }
    }
    return texto;
}

std::string TextoQtConf() {
    return std::string("[Paths]\r\nPrefix=") + pastaBibliotecas + "\r\nPlugins=plugins\r\n";
}
