// zentrava-gerar PROJETO SAIDA: builds the installation disk set a project
// file describes. Texts inside are Windows-1252; the terminal gets UTF-8.
#include "GeradorDiscos.h"
#include "Texto1252.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include <unistd.h>

using namespace plataforma;
using namespace plataforma::literais;

namespace {

std::atomic<bool> interromper{false};

void AoSinal(int) { interromper = true; }

void Escrever(std::FILE* f, const std::string& texto1252) {
    std::string u = Cp1252ParaUtf8(texto1252) + "\n";
    std::fwrite(u.data(), 1, u.size(), f);
    std::fflush(f);
}

const char* const uso =
    "Uso: zentrava-gerar [opções] PROJETO SAIDA\n"
    "Gera em SAIDA os discos de instalação (DISCO.001, DISCO.002, ...) descritos\n"
    "pelo arquivo de projeto PROJETO.\n"
    "\n"
    "Opções:\n"
    "  --substituir       troca a pasta SAIDA se ela já tiver um conjunto anterior\n"
    "  --programas PASTA  pasta com o zentrava e a libzentunz.so a copiar no disco 1\n"
    "                     (padrão: a pasta deste programa)\n"
    "  --autonomo         o disco 1 leva também as bibliotecas do Qt 6, da libzip e da\n"
    "                     libdeflate, para instalar num sistema sem elas\n"
    "  --silencioso       não mostra o progresso nem os avisos\n"
    "  --ajuda            mostra este texto\n";

class Saida : public ObservadorGerador {
public:
    bool silencioso = false;
    bool terminal = ::isatty(STDOUT_FILENO) == 1;
    void Aviso(const std::string& texto) override {
        if (!silencioso) Escrever(stderr, "aviso: "_ansi + texto);
    }
    void DiscoGravado(int disco, int total, int64_t bytes) override {
        if (silencioso || !terminal) return;
        Escrever(stdout, "Disco "_ansi + std::to_string(disco) + "/" + std::to_string(total) +
                             ": " + std::to_string(bytes) + " bytes ocupados");
    }
};

} // namespace

int main(int argc, char** argv) {
    OpcoesGerador opcoes;
    Saida saida;
    std::vector<std::string> posicionais;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--ajuda" || a == "-h" || a == "--help") {
            std::fputs(uso, stdout);
            return 0;
        } else if (a == "--substituir") {
            opcoes.substituir = true;
        } else if (a == "--autonomo") {
            opcoes.autonomo = true;
        } else if (a == "--silencioso") {
            saida.silencioso = true;
        } else if (a == "--programas" && i + 1 < argc) {
            opcoes.programas = argv[++i];
        } else if (a.starts_with("--programas=")) {
            opcoes.programas = a.substr(12);
        } else if (a.starts_with("-") && a != "-") {
            Escrever(stderr, "zentrava-gerar: opção desconhecida: "_ansi + NomeHostPara1252(a));
            std::fputs(uso, stderr);
            return 2;
        } else {
            posicionais.push_back(a);
        }
    }
    if (posicionais.size() != 2) {
        std::fputs(uso, stderr);
        return 2;
    }
    opcoes.projeto = posicionais[0];
    opcoes.saida = posicionais[1];
    while (opcoes.saida.has_parent_path() && !opcoes.saida.has_filename())
        opcoes.saida = opcoes.saida.parent_path();
    opcoes.interromper = &interromper;
    std::signal(SIGINT, AoSinal);
    std::signal(SIGTERM, AoSinal);

    ResumoGerador r;
    if (auto erro = GerarDiscos(opcoes, saida, r)) {
        Escrever(stderr, "zentrava-gerar: erro: "_ansi + *erro);
        Escrever(stderr, "Nada foi gravado."_ansi);
        return 1;
    }
    std::string maior;
    if (r.maiorTamanho >= 0) {
        maior = "Maior arquivo: "_ansi + r.maiorNome + " (" + std::to_string(r.maiorTamanho) +
                " bytes), "_ansi +
                (r.maiorPrimeiroDisco == r.maiorUltimoDisco
                     ? "inteiro no disco "_ansi + std::to_string(r.maiorPrimeiroDisco)
                     : "dividido do disco "_ansi + std::to_string(r.maiorPrimeiroDisco) +
                           " ao disco "_ansi + std::to_string(r.maiorUltimoDisco)) +
                ".";
    }
    if (!saida.silencioso) {
        Escrever(stdout, "Conjunto gerado em "_ansi + NomeHostPara1252(opcoes.saida.string()) + ": " +
                             std::to_string(r.discos) + (r.discos == 1 ? " disco, " : " discos, ") +
                             std::to_string(r.arquivos) +
                             (r.arquivos == 1 ? " arquivo, " : " arquivos, ") +
                             std::to_string(r.totalBytes) + " bytes instalados."_ansi);
        if (!maior.empty()) Escrever(stdout, maior);
        if (!r.glibc.empty())
            Escrever(stdout, "Conjunto autônomo: a máquina de destino precisa da glibc "_ansi + r.glibc +
                                 " ou mais nova, das bibliotecas do X11 (libX11, libxcb) e das do GL."_ansi);
    }
    return 0;
}
