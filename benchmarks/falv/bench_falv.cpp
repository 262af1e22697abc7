// Delivery time between two stations on a local disk, or through two clients
// of one share.
//
//   bench_falv latencia [ms] [N] [sender's C: receiver's C:]
//                                  N messages (default 50) from one station to
//                                  another process polling every ms milliseconds
//                                  (default 1000, as the program): median, 95th
//                                  percentile and worst delivery time. Given two
//                                  host folders (one share as two clients see
//                                  it), each station has its own as drive C:.
//
// The receiver collects as Timer1Timer does (AtualizarUsuarios, then LerMensagem
// for every user); the cost of the window's own tick is bench_poll's.
#include "PastaMensagens.h"
#include "Unidades.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using Relogio = std::chrono::steady_clock;

namespace {

constexpr int usuariosNaSala = 20;

class SemUsuario : public Interacao {
public:
    int Mensagem(const std::string& titulo, const std::string& texto, int) override {
        std::fprintf(stderr, "%s: %s\n", titulo.c_str(), texto.c_str());
        return 2;
    }
    void MensagemSimples(const std::string& t, const std::string& x) override { Mensagem(t, x, 0); }
    bool SolicitarValor(const std::string&, const std::string&, std::string&) override {
        return false;
    }
    void CursorOcupado() override {}
    void CursorNormal() override {}
    void ProcessarEventos() override {}
};

std::string Nome(int i) { return (i < 10 ? "U0" : "U") + std::to_string(i); }

// A room of 20 users in a fresh folder mapped as C:, every pair file present
// and empty, as after 20 logons from the dialog; U01 and U02 are the stations.
struct Sala {
    fs::path host;
    bool propria = true;
    explicit Sala(const char* dada = nullptr) {
        char modelo[] = "/tmp/bench-falv-XXXXXX";
        if (dada) {
            host = dada;
            propria = false;
        } else {
            if (!mkdtemp(modelo)) std::abort();
            host = modelo;
        }
        plataforma::DefinirUnidades({{{'C', host.string()}, {'Z', "/"}}});
        fs::create_directory(host / "sala");
        std::string lista;
        for (int a = 1; a <= usuariosNaSala; ++a) {
            lista += Nome(a) + "\r\n";
            for (int b = 1; b <= usuariosNaSala; ++b) {
                if (a == b) continue;
                std::string par = Nome(a) + "_" + Nome(b) + ".msg";
                std::transform(par.begin(), par.end(), par.begin(), ::tolower);
                std::FILE* f = std::fopen((host / "sala" / par).c_str(), "wb");
                if (f) std::fclose(f);
            }
        }
        std::FILE* f = std::fopen((host / "sala" / "users.fvx").c_str(), "wb");
        if (!f) std::abort();
        std::fwrite(lista.data(), 1, lista.size(), f);
        std::fclose(f);
    }
    ~Sala() {
        std::error_code e;
        fs::remove_all(propria ? host : host / "sala", e);
    }
};

// One station logged on to the room, as ReconectarUsuario leaves it.
struct Estacao {
    Sessao sessao;
    SemUsuario ui;
    PastaMensagens pasta{sessao, ui};
    explicit Estacao(const std::string& usuario) {
        sessao.usuario = usuario;
        sessao.nomePasta = "SALA";
        sessao.caminhoPasta = "c:\\sala\\";
        sessao.conectado = true;
        pasta.AtualizarUsuarios();
    }
    // Timer1Timer; returns the messages collected.
    std::vector<std::string> Tique() {
        std::vector<std::string> recebidas;
        if (pasta.AtualizarUsuarios() < 0) return recebidas;
        for (const std::string& remetente : sessao.usuarios) {
            Coleta c = pasta.LerMensagem(remetente);
            if (c.estado == Coleta::Estado::Recebida) recebidas.push_back(c.mensagem);
        }
        return recebidas;
    }
};

int64_t Agora() {
    return std::chrono::duration_cast<std::chrono::microseconds>(Relogio::now().time_since_epoch())
        .count();
}

// The receiver runs in a child process polling like Timer1 (a fixed period,
// whatever a tick costs); each message carries its send time.
int Latencia(int periodoMs, int n, const char* pastaEmissor, const char* pastaReceptor) {
    Sala sala(pastaEmissor);
    int canal[2];
    if (pipe(canal) != 0) return 1;
    const pid_t filho = fork();
    if (filho < 0) return 1;
    if (filho == 0) {
        close(canal[0]);
        if (pastaReceptor) plataforma::DefinirUnidades({{{'C', pastaReceptor}, {'Z', "/"}}});
        Estacao receptor(Nome(2));
        int recebidas = 0;
        auto proximo = Relogio::now();
        while (recebidas < n) {
            proximo += std::chrono::milliseconds(periodoMs);
            std::this_thread::sleep_until(proximo);
            for (const std::string& m : receptor.Tique()) {
                const int64_t atraso = Agora() - std::strtoll(m.c_str(), nullptr, 10);
                if (write(canal[1], &atraso, sizeof atraso) != sizeof atraso) _exit(1);
                ++recebidas;
            }
        }
        _exit(0);
    }
    close(canal[1]);
    Estacao emissor(Nome(1));
    std::mt19937 g(7);
    std::uniform_int_distribution<int> espera(0, std::max(1, periodoMs) * 1000 - 1);
    std::vector<int64_t> atrasos;
    for (int i = 0; i < n; ++i) {
        // Sends fall anywhere in the receiver's period, as a user's would.
        std::this_thread::sleep_for(std::chrono::microseconds(espera(g)));
        if (!emissor.pasta.GravarMensagem(Nome(2), std::to_string(Agora()))) return 1;
        int64_t atraso = 0;
        if (read(canal[0], &atraso, sizeof atraso) != sizeof atraso) return 1;
        atrasos.push_back(atraso); // collected and emptied: the next deposit loses nothing
    }
    int estado = 0;
    waitpid(filho, &estado, 0);
    std::sort(atrasos.begin(), atrasos.end());
    std::printf("delivery%s, poll every %d ms, %d messages, %d users: median %.2f ms, "
                "p95 %.2f ms, worst %.2f ms\n",
                pastaReceptor ? " between two clients" : "", periodoMs, n, usuariosNaSala,
                atrasos[atrasos.size() / 2] / 1000.0, atrasos[atrasos.size() * 95 / 100] / 1000.0,
                atrasos.back() / 1000.0);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string modo = argc > 1 ? argv[1] : "latencia";
    if (modo == "latencia") {
        const int periodo = argc > 2 ? std::atoi(argv[2]) : 1000;
        const int n = argc > 3 ? std::atoi(argv[3]) : 50;
        if (periodo < 1 || n < 1 || argc == 5) return 2;
        return Latencia(periodo, n, argc > 5 ? argv[4] : nullptr, argc > 5 ? argv[5] : nullptr);
    }
    std::fprintf(stderr, "uso: bench_falv latencia [ms] [N] [C: do emissor C: do receptor]\n");
    return 2;
}
