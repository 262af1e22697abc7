// The restore as the installer runs it: the real restore window on Qt's
// offscreen platform, its "Instalar" pressed, over a disk set of about 300 MB
// that zentrava-gerar builds (a large file split over the disks, hundreds of
// small files, some medium ones; every piece with its CRC32), against
// `cp -r` of the disk folders, alternating in the same run. Prints each
// round, then the medians of the per-round ratios, in wall and CPU time.
//
//   bench_restauracao [folder (default: $TMPDIR or /tmp)] [rounds (default 5)] [MB (default 300)]
#include "Unidades.h"
#include "mRestore.h"
#include "mSetuplb.h"

#include <QApplication>
#include <QPushButton>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string Dos(const fs::path& p) {
    std::string s = "Z:" + p.string();
    std::replace(s.begin(), s.end(), '/', '\\');
    return s + "\\";
}

void Escrever(const fs::path& p, std::size_t tamanho, unsigned semente) {
    std::vector<char> bloco(1 << 20);
    uint32_t x = semente * 2654435761u + 1;
    for (auto& c : bloco) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
    std::ofstream f(p, std::ios::binary);
    for (std::size_t feito = 0; feito < tamanho; feito += bloco.size()) {
        bloco[0] = static_cast<char>(feito >> 20); // no two megabytes alike
        f.write(bloco.data(), static_cast<std::streamsize>(std::min(bloco.size(), tamanho - feito)));
    }
}

double Segundos(const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; }

// User + system time of this process or of its waited-for children.
double Cpu(int quem) {
    rusage r{};
    getrusage(quem, &r);
    return Segundos(r.ru_utime) + Segundos(r.ru_stime);
}

struct Medida {
    double parede = 0, cpu = 0;
};

template <class F> Medida Medir(int quem, F&& f) {
    const double c0 = Cpu(quem);
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), Cpu(quem) - c0};
}

double Mediana(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

int Executar(const std::string& comando) {
    if (std::system(comando.c_str()) != 0) {
        std::fprintf(stderr, "falhou: %s\n", comando.c_str());
        std::exit(1);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const char* tmp = std::getenv("TMPDIR");
    const fs::path base = fs::path(argc > 1 ? argv[1] : tmp ? tmp : "/tmp") /
                          ("bench-restauracao-" + std::to_string(getpid()));
    const int rodadas = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const std::size_t mb = argc > 3 ? static_cast<std::size_t>(std::max(20, std::atoi(argv[3]))) : 300;
    constexpr std::size_t MB = 1 << 20;

    // The packager's tree: 60 % in one large file, 30 % in medium files,
    // 300 small files of 1 to 64 KB.
    const fs::path arvore = base / "arvore";
    fs::create_directories(arvore / "app/medios");
    fs::create_directories(arvore / "app/miudos");
    unsigned semente = 1;
    Escrever(arvore / "app/GRANDE.DAT", mb * 60 / 100 * MB, semente++);
    for (std::size_t i = 0; i < mb * 30 / 100 / 10; ++i)
        Escrever(arvore / "app/medios" / ("M" + std::to_string(i) + ".DAT"), 10 * MB, semente++);
    for (int i = 0; i < 300; ++i)
        Escrever(arvore / "app/miudos" / ("m" + std::to_string(i) + ".dat"), 1024 + (semente * 7919u) % (63 * 1024),
                 semente), ++semente;
    std::ofstream(arvore / "projeto.zgp", std::ios::binary)
        << "[Info]\r\nTitulo=Bench\r\nDiretorio Base=\\BENCH\r\n[Arquivos]\r\n1=app,@DIRBASE\\\r\n"
           "[Discos]\r\nTamanho=100000000\r\n";
    Executar(std::string(FZ_ZENTRAVA_GERAR) + " --silencioso --programas " + FZ_PASTA_ZENTRAVA + " " +
             (arvore / "projeto.zgp").string() + " " + (base / "SAIDA").string());
    std::vector<fs::path> discos;
    for (auto& e : fs::directory_iterator(base / "SAIDA")) discos.push_back(e.path());
    std::sort(discos.begin(), discos.end());
    std::string listaDiscos, conteudo;
    for (auto& d : discos) {
        listaDiscos += " " + d.string();
        conteudo += " " + d.string() + "/*";
    }
    Executar("cat" + conteudo + " > /dev/null"); // both read from the page cache
    std::printf("conjunto: %zu MB em %zu discos do zentrava-gerar (%s), %d rodadas\n", mb, discos.size(),
                base.c_str(), rodadas);

    std::vector<double> razaoParede, razaoCpu;
    for (int r = 0; r < rodadas; ++r) {
        fs::remove_all(base / "APLIC");
        fs::remove_all(base / "CP");
        fs::create_directories(base / "APLIC");
        fs::create_directories(base / "CP");
        ::sync();
        auto restaurar = [&] {
            RestaurarConfiguracao();
            DirOrigem = DirDisco = Dos(discos[0]);
            DirInstalador = DirOrigem;
            CriarListas();
            InteracaoJanelas ui;
            if (!LerArquivoComandos(ui, DirOrigem + "zentrava.cmd")) {
                std::fprintf(stderr, "zentrava.cmd ilegível\n");
                std::exit(1);
            }
            DirBase = Dos(base / "APLIC");
            TfrmRestore janela;
            janela.show();
            QApplication::processEvents();
            janela.findChild<QPushButton*>("bbtInstalar")->click();
            if (InstalacaoCancelada || !janela.RestauracaoEncerrada()) {
                std::fprintf(stderr, "a restauração não terminou\n");
                std::exit(1);
            }
        };
        auto copiar = [&] { Executar("cp -r" + listaDiscos + " " + (base / "CP").string() + "/"); };
        Medida m, c;
        if (r % 2 == 0) {
            m = Medir(RUSAGE_SELF, restaurar);
            c = Medir(RUSAGE_CHILDREN, copiar);
        } else {
            c = Medir(RUSAGE_CHILDREN, copiar);
            m = Medir(RUSAGE_SELF, restaurar);
        }
        if (fs::file_size(base / "APLIC/GRANDE.DAT") != fs::file_size(arvore / "app/GRANDE.DAT")) {
            std::fprintf(stderr, "GRANDE.DAT restaurado com o tamanho errado\n");
            return 1;
        }
        razaoParede.push_back(m.parede / c.parede);
        razaoCpu.push_back(m.cpu / c.cpu);
        std::printf("rodada %d%s: restauração %.3f s (CPU %.3f s), cp -r %.3f s (CPU %.3f s)\n", r + 1,
                    r % 2 ? " (cp antes)" : "", m.parede, m.cpu, c.parede, c.cpu);
    }
    std::printf("mediana das razões restauração/cp -r: parede %.2f, CPU %.2f\n", Mediana(razaoParede),
                Mediana(razaoCpu));
    fs::remove_all(base);
    return 0;
}
