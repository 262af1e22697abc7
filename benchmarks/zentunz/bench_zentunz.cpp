// zentunz against Debian's unzip on the same ~200 MB archive: each extracts it
// in a child process, the two taking turns at going first, and the wall and
// CPU times of each are printed per round and as medians, with their ratio.
// Nothing is dropped from the page cache: the archive is read from it by both.
// Usage: bench_zentunz [MB] [rounds] (defaults 200 and 5).
#include "zentunz.h"

#include <zip.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Members of 1 to 8 MB, half text-like (compresses about 3:1), a quarter
// random, a quarter long runs: what installers ship.
std::vector<std::string> Conteudos(std::size_t totalMb) {
    std::mt19937_64 g(42);
    std::vector<std::string> membros;
    std::size_t total = totalMb << 20, feito = 0;
    const std::string palavras[] = {"instalar ", "arquivo ", "dados ", "sistema ", "pasta ",
                                    "registro ", "cliente ", "valor\r\n", "0123 ", "zentrava "};
    for (int k = 0; feito < total; ++k) {
        std::size_t n = std::min<std::size_t>((1 + g() % 8) << 20, total - feito);
        std::string m;
        m.reserve(n);
        switch (k % 4) {
        case 0:
        case 1:
            while (m.size() < n) m += palavras[g() % 10];
            m.resize(n);
            break;
        case 2:
            while (m.size() < n) {
                uint64_t v = g();
                m.append(reinterpret_cast<const char*>(&v), std::min<std::size_t>(8, n - m.size()));
            }
            break;
        default:
            while (m.size() < n) m.append(std::min<std::size_t>(4096 + g() % 4096, n - m.size()),
                                          static_cast<char>(g()));
        }
        feito += n;
        membros.push_back(std::move(m));
    }
    return membros;
}

void CriarArquivo(const fs::path& arquivo, const std::vector<std::string>& membros) {
    int erro = 0;
    zip_t* z = zip_open(arquivo.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &erro);
    if (!z) std::exit(1);
    for (std::size_t k = 0; k < membros.size(); ++k) {
        std::string nome = "pasta" + std::to_string(k % 5) + "/membro" + std::to_string(k) + ".dat";
        zip_source_t* s = zip_source_buffer(z, membros[k].data(), membros[k].size(), 0);
        if (zip_file_add(z, nome.c_str(), s, 0) < 0) std::exit(1);
    }
    if (zip_close(z) != 0) std::exit(1);
}

int32_t Relatar(ZentunzRelato*) { return 0; }

struct Medida {
    double parede = 0, cpu = 0; // seconds
};

// Runs f in a child process: wall time, and CPU time (user + system) from wait4.
template <class F> Medida EmFilho(F f) {
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
    auto segundos = [](timeval t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(),
            segundos(uso.ru_utime) + segundos(uso.ru_stime)};
}

double Mediana(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

} // namespace

int main(int argc, char** argv) {
    std::size_t mb = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 200;
    int rodadas = argc > 2 ? std::atoi(argv[2]) : 5;
    std::string modelo = (fs::temp_directory_path() / "bench-zentunz-XXXXXX").string();
    if (!mkdtemp(modelo.data())) return 1;
    fs::path raiz = modelo;
    fs::path arquivo = raiz / "bench.zip";
    std::size_t bytes = 0;
    {
        auto membros = Conteudos(mb);
        for (auto& m : membros) bytes += m.size();
        CriarArquivo(arquivo, membros);
    }
    std::printf("arquivo: %.1f MB descompactados, %.1f MB compactados; %d rodadas\n", bytes / 1e6,
                fs::file_size(arquivo) / 1e6, rodadas);

    std::string dos = "Z:" + arquivo.string();
    for (char& c : dos)
        if (c == '/') c = '\\';
    const fs::path saidaZ = raiz / "zentunz", saidaU = raiz / "unzip";
    auto zentunz = [&] {
        fs::remove_all(saidaZ);
        fs::create_directory(saidaZ);
        return EmFilho([&] {
            if (chdir(saidaZ.c_str()) != 0) return 1;
            static ZentunzParametros p{};
            p.rotinaRelato = &Relatar;
            p.nomeArquivo = dos.c_str();
            p.nomesPastas = -1;
            p.sobrescrever = -1;
            return zentunz_extrair(&p) == ZENTUNZ_OK ? 0 : 1;
        });
    };
    auto unzip = [&] {
        fs::remove_all(saidaU);
        return EmFilho([&] {
            execlp("unzip", "unzip", "-qq", "-o", arquivo.c_str(), "-d", saidaU.c_str(), nullptr);
            return 127;
        });
    };

    std::vector<double> pz, cz, pu, cu;
    for (int k = 0; k < rodadas; ++k) {
        // Alternate who goes first, so neither always finds the other's leftovers.
        Medida z, u;
        if (k % 2 == 0) {
            z = zentunz();
            u = unzip();
        } else {
            u = unzip();
            z = zentunz();
        }
        std::printf("rodada %d (%s primeiro): zentunz %.3f s parede, %.3f s CPU; unzip %.3f s parede, %.3f s CPU\n",
                    k + 1, k % 2 == 0 ? "zentunz" : "unzip", z.parede, z.cpu, u.parede, u.cpu);
        pz.push_back(z.parede);
        cz.push_back(z.cpu);
        pu.push_back(u.parede);
        cu.push_back(u.cpu);
    }
    double mpz = Mediana(pz), mcz = Mediana(cz), mpu = Mediana(pu), mcu = Mediana(cu);
    std::printf("medianas:\n");
    std::printf("  zentunz: %.3f s parede (%.1f MB/s), %.3f s CPU\n", mpz, bytes / 1e6 / mpz, mcz);
    std::printf("  unzip:   %.3f s parede (%.1f MB/s), %.3f s CPU\n", mpu, bytes / 1e6 / mpu, mcu);
    std::printf("  unzip/zentunz: parede %.2fx, CPU %.2fx\n", mpu / mpz, mcu / mcz);
    fs::remove_all(raiz);
    return 0;
}
