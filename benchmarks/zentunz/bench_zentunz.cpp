// Extraction rate of zentunz against Debian's unzip, on the same ~200 MB
// archive in the same run. Usage: bench_zentunz [MB] (default 200).
#include "zentunz.h"

#include <zip.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

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

template <class F> double Segundos(F f) {
    auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

} // namespace

int main(int argc, char** argv) {
    std::size_t mb = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 200;
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
    std::printf("arquivo: %.1f MB descompactados, %.1f MB compactados\n", bytes / 1e6,
                fs::file_size(arquivo) / 1e6);

    std::string dos = "Z:" + arquivo.string();
    for (char& c : dos)
        if (c == '/') c = '\\';
    fs::create_directory(raiz / "zentunz");
    if (chdir((raiz / "zentunz").c_str()) != 0) return 1;
    static ZentunzParametros p{};
    p.rotinaRelato = &Relatar;
    p.nomeArquivo = dos.c_str();
    p.nomesPastas = -1;
    p.sobrescrever = -1;
    int32_t r = 0;
    double tz = Segundos([&] { r = zentunz_extrair(&p); });
    if (r != ZENTUNZ_OK) {
        std::printf("zentunz falhou: %d\n", r);
        return 1;
    }
    if (chdir(raiz.c_str()) != 0) return 1;

    std::string comando = "unzip -qq -o '" + arquivo.string() + "' -d '" + (raiz / "unzip").string() + "'";
    int ru = 0;
    double tu = Segundos([&] { ru = std::system(comando.c_str()); });
    if (ru != 0) {
        std::printf("unzip falhou (instalado?): %d\n", ru);
        return 1;
    }
    std::printf("zentunz: %.3f s, %.1f MB/s\n", tz, bytes / 1e6 / tz);
    std::printf("unzip:   %.3f s, %.1f MB/s\n", tu, bytes / 1e6 / tu);
    std::printf("zentunz/unzip: %.2f\n", tu / tz);
    fs::remove_all(raiz);
    return 0;
}
