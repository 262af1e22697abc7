// zentunz against Debian's unzip and bsdtar on four archive shapes: a mix of
// 1-8 MB members, one text member above the engine's in-memory limit, a tree
// of 20 000 small files and one stored member. Each tool extracts in a child
// process, the order turning every round; wall and CPU time (user + system)
// of each are printed per round, then the medians and the medians of the
// per-round ratios (CPU counts most: the machine may be shared). For the
// large member, libdeflate's own in-memory inflation of the same bytes is
// timed as well, and the peak memory of each is printed (zentunz runs in a
// fork of this process, whose few MB it may count). Nothing is dropped from
// the page cache: every tool reads the archive from it.
// Usage: bench_zentunz [MB] [rounds] [shapes...] (defaults 200, 5 and
// misto grande arvore armazenado). The work goes to TMPDIR: on a tmpfs the
// figures are the tools' own; on a disk its journal adds what it costs,
// and on a disk that others write to, their contention too.
#include "zentunz.h"

#include <libdeflate.h>
#include <zip.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string palavrasFixas[] = {"instalar ", "arquivo ", "dados ", "sistema ", "pasta ",
                                     "registro ", "cliente ", "valor\r\n", "0123 ", "zentrava "};

// Text over a vocabulary of 2000 made-up words, the common ones far more
// frequent: it deflates about 3:1, as prose and source code do.
class Texto {
public:
    explicit Texto(uint64_t semente) : g_(semente) {
        for (int k = 0; k < 2000; ++k) {
            std::string w;
            for (std::size_t n = 2 + g_() % 9; w.size() < n;) w += static_cast<char>('a' + g_() % 26);
            vocabulario_.push_back(w);
        }
    }
    std::string operator()(std::size_t n) {
        std::string s;
        s.reserve(n + 16);
        while (s.size() < n) {
            uint64_t a = g_() % 2000, b = g_() % 2000;
            s += vocabulario_[a * b / 2000];
            s += (g_() % 12 == 0) ? "\r\n" : " ";
        }
        s.resize(n);
        return s;
    }

private:
    std::mt19937_64 g_;
    std::vector<std::string> vocabulario_;
};

std::string Aleatorio(std::mt19937_64& g, std::size_t n) {
    std::string m(n, '\0');
    for (std::size_t k = 0; k < n; k += 8) {
        uint64_t v = g();
        std::memcpy(m.data() + k, &v, std::min<std::size_t>(8, n - k));
    }
    return m;
}

struct Membro {
    std::string nome, dados;
    bool armazenado = false;
};

// Members of 1 to 8 MB, half text-like, a quarter random, a quarter long
// runs: what installers ship.
std::vector<Membro> Misto(std::size_t totalMb) {
    std::mt19937_64 g(42);
    std::vector<Membro> membros;
    std::size_t total = totalMb << 20, feito = 0;
    for (int k = 0; feito < total; ++k) {
        std::size_t n = std::min<std::size_t>((1 + g() % 8) << 20, total - feito);
        std::string m;
        m.reserve(n);
        switch (k % 4) {
        case 0:
        case 1:
            while (m.size() < n) m += palavrasFixas[g() % 10];
            m.resize(n);
            break;
        case 2: m = Aleatorio(g, n); break;
        default:
            while (m.size() < n)
                m.append(std::min<std::size_t>(4096 + g() % 4096, n - m.size()), static_cast<char>(g()));
        }
        feito += n;
        membros.push_back({"pasta" + std::to_string(k % 5) + "/membro" + std::to_string(k) + ".dat", std::move(m)});
    }
    return membros;
}

// 20 folders of 10 subfolders of 100 files, 64 bytes to 4 KiB of text each.
std::vector<Membro> Arvore() {
    std::mt19937_64 g(7);
    Texto texto(8);
    std::vector<Membro> membros;
    for (int a = 0; a < 20; ++a)
        for (int b = 0; b < 10; ++b)
            for (int c = 0; c < 100; ++c)
                membros.push_back({"modulo" + std::to_string(a) + "/parte" + std::to_string(b) + "/arquivo" +
                                       std::to_string(c) + ".txt",
                                   texto(64 + g() % 4033)});
    return membros;
}

// One member, moved in: an initializer list would copy it and keep the copy
// alive, and with it the peak memory of every child.
std::vector<Membro> Um(std::string nome, std::string dados, bool armazenado) {
    std::vector<Membro> v(1);
    v[0] = {std::move(nome), std::move(dados), armazenado};
    return v;
}

void CriarArquivo(const fs::path& arquivo, const std::vector<Membro>& membros) {
    int erro = 0;
    zip_t* z = zip_open(arquivo.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &erro);
    if (!z) std::exit(1);
    for (const auto& m : membros) {
        zip_source_t* s = zip_source_buffer(z, m.dados.data(), m.dados.size(), 0);
        zip_int64_t i = zip_file_add(z, m.nome.c_str(), s, 0);
        if (i < 0) std::exit(1);
        if (m.armazenado) zip_set_file_compression(z, static_cast<zip_uint64_t>(i), ZIP_CM_STORE, 0);
    }
    if (zip_close(z) != 0) std::exit(1);
}

int32_t Relatar(ZentunzRelato*) { return 0; }

struct Medida {
    double parede = 0, cpu = 0; // seconds
    long memoria = 0;           // peak resident set, KiB
};

double Segundos(timeval t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

// Runs f in a child process: wall time, and CPU time (user + system) from wait4.
Medida EmFilho(const std::function<int()>& f) {
    auto t0 = std::chrono::steady_clock::now();
    pid_t filho = fork();
    if (filho < 0) std::exit(1);
    if (filho == 0) _exit(f());
    int estado = 0;
    rusage uso{};
    if (wait4(filho, &estado, 0, &uso) != filho || !WIFEXITED(estado) || WEXITSTATUS(estado) != 0) {
        std::printf("extração falhou (estado %d)\n", estado);
        std::exit(1);
    }
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(),
            Segundos(uso.ru_utime) + Segundos(uso.ru_stime), uso.ru_maxrss};
}

double Mediana(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// This process's resident set now, KiB.
long Residente() {
    std::ifstream status("/proc/self/status");
    for (std::string linha; std::getline(status, linha);)
        if (linha.starts_with("VmRSS:")) return std::atol(linha.c_str() + 6);
    return 0;
}

bool NoCaminho(const char* programa) {
    return std::system(("command -v " + std::string(programa) + " >/dev/null 2>&1").c_str()) == 0;
}

// Bytes in the regular files below a folder.
uint64_t BytesEm(const fs::path& pasta) {
    uint64_t n = 0;
    for (const auto& e : fs::recursive_directory_iterator(pasta))
        if (e.is_regular_file()) n += e.file_size();
    return n;
}

// libdeflate inflating the archive's only member from memory, with its
// CRC-32: the CPU time of that alone, in this thread.
double LibdeflateEmMemoria(const fs::path& arquivo, uint64_t tamanho) {
    std::ifstream f(arquivo, std::ios::binary);
    std::string b((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    auto le = [&](std::size_t p, int n) {
        uint64_t v = 0;
        for (int k = n - 1; k >= 0; --k) v = (v << 8) | static_cast<unsigned char>(b[p + k]);
        return v;
    };
    std::size_t dados = 30 + le(26, 2) + le(28, 2);
    std::size_t compactado = b.size() - dados; // what follows is never read: the stream ends itself
    auto saida = std::make_unique_for_overwrite<char[]>(tamanho);
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    timespec t0{}, t1{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t0);
    std::size_t obtidos = 0;
    bool ok = libdeflate_deflate_decompress(d, b.data() + dados, compactado, saida.get(), tamanho, &obtidos) ==
                  LIBDEFLATE_SUCCESS &&
              obtidos == tamanho;
    volatile uint32_t crc = libdeflate_crc32(0, saida.get(), tamanho);
    (void)crc;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t1);
    libdeflate_free_decompressor(d);
    if (!ok) return -1;
    return static_cast<double>(t1.tv_sec - t0.tv_sec) + static_cast<double>(t1.tv_nsec - t0.tv_nsec) / 1e9;
}

struct Ferramenta {
    const char* nome;
    std::function<Medida(const fs::path& saida)> rodar;
    std::vector<Medida> medidas{};
};

void Forma(const std::string& nome, const fs::path& raiz, std::vector<Membro> membros, int rodadas,
           bool temBsdtar) {
    const fs::path arquivo = raiz / (nome + ".zip");
    uint64_t bytes = 0;
    for (auto& m : membros) bytes += m.dados.size();
    CriarArquivo(arquivo, membros);
    const bool umMembro = membros.size() == 1 && !membros[0].armazenado;
    const std::size_t quantos = membros.size();
    // A forked child starts with this process's resident pages, and an
    // exec'd one keeps their peak: give back what the archive's making took.
    std::vector<Membro>().swap(membros);
    malloc_trim(0);
    std::printf("\n== %s: %zu membros, %.1f MB descompactados, %.1f MB compactados; %d rodadas "
                "(este processo: %.1f MB, que o zentunz, cópia dele, pode contar)\n",
                nome.c_str(), quantos, bytes / 1e6, fs::file_size(arquivo) / 1e6, rodadas, Residente() / 1024.0);

    std::string dos = "Z:" + arquivo.string();
    for (char& c : dos)
        if (c == '/') c = '\\';
    std::vector<Ferramenta> ferramentas;
    ferramentas.push_back({"zentunz", [&](const fs::path& saida) {
                               return EmFilho([&] {
                                   if (chdir(saida.c_str()) != 0) return 1;
                                   static ZentunzParametros p{};
                                   p.rotinaRelato = &Relatar;
                                   p.nomeArquivo = dos.c_str();
                                   p.nomesPastas = -1;
                                   p.sobrescrever = -1;
                                   return zentunz_extrair(&p) == ZENTUNZ_OK ? 0 : 1;
                               });
                           }});
    ferramentas.push_back({"unzip", [&](const fs::path& saida) {
                               return EmFilho([&] {
                                   execlp("unzip", "unzip", "-qq", "-o", arquivo.c_str(), "-d", saida.c_str(),
                                          nullptr);
                                   return 127;
                               });
                           }});
    if (temBsdtar)
        ferramentas.push_back({"bsdtar", [&](const fs::path& saida) {
                                   return EmFilho([&] {
                                       execlp("bsdtar", "bsdtar", "-x", "-f", arquivo.c_str(), "-C", saida.c_str(),
                                              nullptr);
                                       return 127;
                                   });
                               }});
    std::vector<double> libdeflate;

    const fs::path saida = raiz / "saida";
    for (int k = 0; k < rodadas; ++k) {
        std::printf("rodada %d:", k + 1);
        // Each tool goes first in turn, so none always finds the others' leftovers.
        for (std::size_t j = 0; j < ferramentas.size(); ++j) {
            Ferramenta& f = ferramentas[(j + static_cast<std::size_t>(k)) % ferramentas.size()];
            fs::remove_all(saida);
            fs::create_directory(saida);
            // On a disk, the last tool's writes and the removal of its tree
            // would otherwise land in this one's system time.
            sync();
            Medida m = f.rodar(saida);
            if (k == 0 && BytesEm(saida) != bytes) {
                std::printf("\n%s extraiu %llu bytes, não %llu\n", f.nome,
                            static_cast<unsigned long long>(BytesEm(saida)), static_cast<unsigned long long>(bytes));
                std::exit(1);
            }
            f.medidas.push_back(m);
            std::printf(" %s %.3f s parede, %.3f s CPU;", f.nome, m.parede, m.cpu);
        }
        if (umMembro) {
            fs::remove_all(saida);
            double t = LibdeflateEmMemoria(arquivo, bytes);
            if (t < 0) {
                std::printf("\nlibdeflate falhou\n");
                std::exit(1);
            }
            libdeflate.push_back(t);
            std::printf(" libdeflate em memória %.3f s CPU;", t);
        }
        std::printf("\n");
    }
    fs::remove_all(saida);

    auto campo = [](const Ferramenta& f, double Medida::*c) {
        std::vector<double> v;
        for (const auto& m : f.medidas) v.push_back(m.*c);
        return v;
    };
    const Ferramenta& z = ferramentas[0];
    std::printf("medianas:\n");
    for (const auto& f : ferramentas) {
        long memoria = 0;
        for (const auto& m : f.medidas) memoria = std::max(memoria, m.memoria);
        std::printf("  %-8s %.3f s parede (%.1f MB/s), %.3f s CPU, memória máx. %.1f MB\n", f.nome,
                    Mediana(campo(f, &Medida::parede)), bytes / 1e6 / Mediana(campo(f, &Medida::parede)),
                    Mediana(campo(f, &Medida::cpu)), memoria / 1024.0);
    }
    for (std::size_t j = 1; j < ferramentas.size(); ++j) {
        const Ferramenta& f = ferramentas[j];
        std::vector<double> rp, rc;
        for (int k = 0; k < rodadas; ++k) {
            rp.push_back(f.medidas[k].parede / z.medidas[k].parede);
            rc.push_back(f.medidas[k].cpu / z.medidas[k].cpu);
        }
        std::printf("  %s/zentunz (mediana por rodada): parede %.2fx, CPU %.2fx\n", f.nome, Mediana(rp),
                    Mediana(rc));
    }
    if (umMembro) {
        std::vector<double> r;
        for (int k = 0; k < rodadas; ++k) r.push_back(z.medidas[k].cpu / libdeflate[k]);
        std::printf("  libdeflate em memória: %.3f s CPU; zentunz/libdeflate (mediana por rodada): CPU %.2fx\n",
                    Mediana(libdeflate), Mediana(r));
    }
    fs::remove(arquivo);
}

} // namespace

int main(int argc, char** argv) {
    std::size_t mb = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 200;
    int rodadas = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    std::vector<std::string> formas(argv + std::min(argc, 3), argv + argc);
    if (formas.empty()) formas = {"misto", "grande", "arvore", "armazenado"};
    if (!NoCaminho("unzip")) {
        std::printf("unzip não encontrado\n");
        return 1;
    }
    const bool temBsdtar = NoCaminho("bsdtar");
    if (!temBsdtar) std::printf("bsdtar não encontrado (pacote libarchive-tools): medido sem ele\n");

    std::string modelo = (fs::temp_directory_path() / "bench-zentunz-XXXXXX").string();
    if (!mkdtemp(modelo.data())) return 1;
    const fs::path raiz = modelo;
    for (const auto& forma : formas) {
        if (forma == "misto") {
            Forma(forma, raiz, Misto(mb), rodadas, temBsdtar);
        } else if (forma == "grande") {
            // Above the 64 MiB the engine inflates in memory.
            Forma(forma, raiz, Um("grande.txt", Texto(3)(mb << 20), false), rodadas, temBsdtar);
        } else if (forma == "arvore") {
            Forma(forma, raiz, Arvore(), rodadas, temBsdtar);
        } else if (forma == "armazenado") {
            std::mt19937_64 g(11);
            Forma(forma, raiz, Um("armazenado.cab", Aleatorio(g, mb << 20), true), rodadas, temBsdtar);
        } else {
            std::printf("forma desconhecida: %s (misto, grande, arvore, armazenado)\n", forma.c_str());
        }
    }
    fs::remove_all(raiz);
    return 0;
}
