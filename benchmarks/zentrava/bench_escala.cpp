// How the work grows: one-disk sets of 1000, 4000 and 32767 small files
// (label files with CRC32, as zentrava-gerar writes them) restored by the
// restore core, and command files of 1000 and 100000 list entries read by
// LerArquivoComandos. Prints the time per file and per entry, and the ratio
// of the largest to the smallest (flat work keeps it near 1).
//
//   bench_escala [folder (default: $TMPDIR or /tmp)] [files per folder (1000)] [largest set (32767)]
#include "Interacao.h"
#include "Restauracao.h"
#include "RotuloDisco.h"
#include "mSetuplb.h"

#include <zlib.h>

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
    void ProcessarEventos() override {}
};

std::string Dos(const fs::path& p) {
    std::string s = "Z:" + p.string();
    std::replace(s.begin(), s.end(), '/', '\\');
    return s + "\\";
}

double Agora() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Seconds per file of restoring a disk of n files of 100 to 2000 bytes,
// porPasta of them in each destination folder.
double PorArquivo(const fs::path& base, int n, int porPasta) {
    const fs::path disco = base / ("DISCO-" + std::to_string(n)) / "DISCO.001";
    fs::create_directories(disco);
    std::string rotulo;
    for (int i = 1; i <= n; ++i) {
        std::string dados(100 + (i * 37) % 1900, static_cast<char>('a' + i % 26));
        const std::string nome = "A" + std::to_string(i) + ".DAT";
        std::ofstream(disco / nome, std::ios::binary) << dados;
        SecaoArquivo s;
        s.nome = "@DIRBASE\\P" + std::to_string(i / porPasta) + "\\" + nome;
        s.tamanho = s.bytesSalvo = static_cast<int32_t>(dados.size());
        s.crc32 = static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(dados.data()), static_cast<uInt>(dados.size())));
        s.modo = 0644;
        rotulo += TextoSecaoArquivo(s, i, true);
    }
    std::ofstream(disco / NomeRotuloDisco(1), std::ios::binary) << rotulo;
    fs::remove_all(base / "APLIC");
    fs::create_directories(base / "APLIC");
    SemJanelas ui;
    RestaurarConfiguracao();
    DirDisco = Dos(disco);
    DirBase = Dos(base / "APLIC");
    TotalDiscos = 1;
    TotalArquivos = static_cast<int16_t>(n);
    const double t0 = Agora();
    if (RestaurarArquivos(ui) != FimRestauracao::Concluida) {
        std::fprintf(stderr, "a restauração de %d arquivos falhou\n", n);
        std::exit(1);
    }
    const double t = Agora() - t0;
    fs::remove_all(disco.parent_path());
    return t / n;
}

// Seconds per entry of reading a command file of n entries over the four lists.
double PorEntrada(const fs::path& base, int n) {
    const fs::path cmd = base / "zentrava.cmd";
    {
        std::ofstream f(cmd, std::ios::binary);
        f << "[Info]\r\nTitulo=Escala\r\nDiretorio Base=C:\\ESCALA\r\nTotal Discos=1\r\n";
        const char* listas[] = {"Itens do Grupo", "Descompactar Arquivos", "Configurar Arquivos INI",
                                "Executar Arquivos"};
        for (int l = 0; l < 4; ++l) {
            f << "[" << listas[l] << "]\r\n";
            for (int i = l; i < n; i += 4)
                f << "item" << i / 4 + 1 << "=@DIRBASE\\PASTA" << i % 97 << "\\ARQUIVO" << i << ".INI,Secao,Chave" << i
                  << ",valor " << i << "\r\n";
        }
    }
    SemJanelas ui;
    // Small files are read again until the time is long enough to measure.
    int vezes = 0;
    const double t0 = Agora();
    do {
        RestaurarConfiguracao();
        if (!LerArquivoComandos(ui, Dos(base) + "zentrava.cmd") ||
            ArquivosINI.size() != static_cast<std::size_t>(n / 4)) {
            std::fprintf(stderr, "o arquivo de comandos de %d entradas não foi lido\n", n);
            std::exit(1);
        }
        ++vezes;
    } while (Agora() - t0 < 0.3);
    return (Agora() - t0) / vezes / n;
}

} // namespace

int main(int argc, char** argv) {
    const char* tmp = std::getenv("TMPDIR");
    const fs::path base = fs::path(argc > 1 ? argv[1] : tmp ? tmp : "/tmp") /
                          ("bench-escala-" + std::to_string(getpid()));
    fs::create_directories(base);

    const int porPasta = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1000;
    const int maximo = argc > 3 ? std::max(1000, std::atoi(argv[3])) : 32767;
    std::vector<double> arquivos;
    for (int n : {1000, 4000, maximo}) {
        arquivos.push_back(PorArquivo(base, n, porPasta));
        std::printf("restauração de %5d arquivos num disco, %d por pasta: %7.1f µs por arquivo (%.2f s)\n", n,
                    porPasta, arquivos.back() * 1e6, arquivos.back() * n);
    }
    std::vector<double> entradas;
    for (int n : {1000, 100000}) {
        entradas.push_back(PorEntrada(base, n));
        std::printf("arquivo de comandos de %6d entradas: %7.2f µs por entrada (%.3f s)\n", n,
                    entradas.back() * 1e6, entradas.back() * n);
    }
    std::printf("razão maior/menor: arquivos %.2f, entradas %.2f\n", arquivos.back() / arquivos.front(),
                entradas.back() / entradas.front());
    fs::remove_all(base);
    return 0;
}
