// The restore's copy against cp: a disk set of about 300 MB in three disks,
// one file split across all three, restored through the same code as the
// installer, then the same pieces copied by cp, in the same run. Prints the
// medians of several rounds and the ratio.
//
//   bench_restauracao [folder (default: $TMPDIR or /tmp)] [rounds (default 5)]
#include "Interacao.h"
#include "RotuloDisco.h"
#include "Restauracao.h"
#include "Unidades.h"
#include "mSetuplb.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class SemJanelas : public Interacao {
public:
    int Mensagem(const std::string&, const std::string& t, int) override {
        std::fprintf(stderr, "mensagem: %s\n", t.c_str());
        return 2;
    }
    void MensagemSimples(const std::string&, const std::string&) override {}
    bool SolicitarValor(const std::string&, const std::string&, std::string&) override { return false; }
    void CursorOcupado() override {}
    void CursorNormal() override {}
    void ProcessarEventos() override { ++eventos; }
    long eventos = 0;
};

std::string Dos(const fs::path& p) {
    std::string s = "Z:" + p.string();
    std::replace(s.begin(), s.end(), '/', '\\');
    return s;
}

void Escrever(const fs::path& p, std::size_t tamanho, unsigned semente) {
    std::vector<char> bloco(1 << 20);
    uint32_t x = semente;
    for (auto& c : bloco) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
    std::ofstream f(p, std::ios::binary);
    for (std::size_t feito = 0; feito < tamanho; feito += bloco.size())
        f.write(bloco.data(), static_cast<std::streamsize>(std::min(bloco.size(), tamanho - feito)));
}

struct Arquivo {
    std::string nome;
    int discoInicial;
    std::vector<int32_t> pecas;
};

double Mediana(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const char* tmp = std::getenv("TMPDIR");
    fs::path base = argc > 1 ? fs::path(argv[1]) : fs::path(tmp ? tmp : "/tmp");
    const int rodadas = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    base /= "bench-restauracao-" + std::to_string(getpid());
    constexpr int32_t MB = 1 << 20;
    const std::vector<Arquivo> arquivos = {
        {"PRIMEIRO.DAT", 1, {60 * MB}},
        {"DIVIDIDO.DAT", 1, {40 * MB, 100 * MB, 40 * MB}},
        {"ULTIMO.DAT", 3, {60 * MB}},
    };
    for (int d = 1; d <= 3; ++d) fs::create_directories(base / ("DISCO.00" + std::to_string(d)));
    unsigned semente = 1;
    int64_t total = 0;
    for (std::size_t n = 0; n < arquivos.size(); ++n) {
        const auto& a = arquivos[n];
        int32_t tamanho = 0;
        for (int32_t p : a.pecas) tamanho += p;
        total += tamanho;
        for (std::size_t i = 0; i < a.pecas.size(); ++i) {
            const fs::path disco = base / ("DISCO.00" + std::to_string(a.discoInicial + static_cast<int>(i)));
            SecaoArquivo s;
            s.nome = "@DIRBASE\\" + a.nome;
            s.tamanho = tamanho;
            s.bytesSalvo = a.pecas[i];
            s.qtdDiscos = static_cast<uint8_t>(a.pecas.size());
            std::ofstream(disco / NomeRotuloDisco(a.discoInicial + static_cast<int>(i)),
                          std::ios::binary | std::ios::app)
                << TextoSecaoArquivo(s, static_cast<int>(n) + 1, i == 0);
            Escrever(disco / a.nome, static_cast<std::size_t>(a.pecas[i]), semente++);
        }
    }
    const double mb = static_cast<double>(total) / MB;
    std::printf("conjunto: %.0f MB em 3 discos (%s), %d rodadas\n", mb, base.c_str(), rodadas);

    std::vector<double> restauracao, cp;
    SemJanelas ui;
    for (int r = 0; r < rodadas; ++r) {
        fs::remove_all(base / "APLIC");
        fs::remove_all(base / "CP");
        fs::create_directories(base / "APLIC");
        for (int d = 1; d <= 3; ++d) fs::create_directories(base / "CP" / std::to_string(d));
        ::sync();

        RestaurarConfiguracao();
        DirDisco = Dos(base / "DISCO.001") + "\\";
        DirBase = Dos(base / "APLIC") + "\\";
        TotalDiscos = 3;
        TotalArquivos = static_cast<int16_t>(arquivos.size());
        auto t0 = std::chrono::steady_clock::now();
        FimRestauracao fim = RestaurarArquivos(ui);
        auto t1 = std::chrono::steady_clock::now();
        if (fim != FimRestauracao::Concluida) {
            std::fprintf(stderr, "a restauração falhou\n");
            return 1;
        }
        std::string comando;
        for (int d = 1; d <= 3; ++d)
            comando += "cp " + (base / ("DISCO.00" + std::to_string(d))).string() + "/*.DAT " +
                       (base / "CP" / std::to_string(d)).string() + "/ && ";
        comando += "true";
        auto t2 = std::chrono::steady_clock::now();
        if (std::system(comando.c_str()) != 0) return 1;
        auto t3 = std::chrono::steady_clock::now();
        restauracao.push_back(std::chrono::duration<double>(t1 - t0).count());
        cp.push_back(std::chrono::duration<double>(t3 - t2).count());
        std::printf("rodada %d: restauração %.3f s (%.0f MB/s), cp %.3f s (%.0f MB/s)\n", r + 1,
                    restauracao.back(), mb / restauracao.back(), cp.back(), mb / cp.back());
    }
    const double r = Mediana(restauracao), c = Mediana(cp);
    std::printf("mediana: restauração %.0f MB/s, cp %.0f MB/s, razão %.2f (blocos de %d bytes: %ld)\n",
                mb / r, mb / c, c / r, tamanhoBloco, ui.eventos / rodadas);
    fs::remove_all(base);
    return 0;
}
