// A station of a message folder driven by its arguments, for the tests that
// need separate processes on one folder:
//   estacao_teste <host folder> entrar <NOME>
//   estacao_teste <host folder> enviar <DE> <PARA> <texto>
//   estacao_teste <host folder> sair <NOME>
//   estacao_teste <host folder> estresse <NOME> <milissegundos> <terminar: on|off>
// The host folder is drive C:; the message folder is c:\sala\. Prints one
// line "estado=... logons=... recusas=... mensagens=..." and exits 0, or
// exits 1 on anything a correct store cannot produce.
#include "InteracaoRoteirizada.h"
#include "PastaMensagens.h"
#include "Unidades.h"

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

struct Estacao {
    Sessao sessao;
    InteracaoRoteirizada ui;
    PastaMensagens pasta{sessao, ui};
    int logons = 0, recusas = 0;

    explicit Estacao(const std::string& nome) {
        sessao.nomesPastas = {"SALA"};
        sessao.caminhosPastas = {"c:\\sala\\"};
        sessao.nomePasta = "SALA";
        sessao.caminhoPasta = "c:\\sala\\";
        sessao.usuario = nome;
    }
    // As the logon dialog does it. A room held by another station is a refusal to retry.
    bool Entrar() {
        int codigo = pasta.ConectarUsuario("SALA", "c:\\sala\\", sessao.usuario);
        if (codigo == -3) {
            ++recusas;
            return false;
        }
        if (codigo != 1 || !pasta.CriarArquivosMensagem("SALA", "c:\\sala\\", sessao.usuario)) {
            std::fprintf(stderr, "%s: logon %d\n", sessao.usuario.c_str(), codigo);
            std::exit(1);
        }
        sessao.conectado = true;
        ++logons;
        return true;
    }
    bool Sair() {
        Desconexao d = pasta.DesconectarUsuario(sessao.usuario);
        if (d != Desconexao::Concluida) {
            ++recusas;
            return false;
        }
        sessao.conectado = false;
        return true;
    }
};

void Pausa(std::mt19937& sorteio) {
    std::this_thread::sleep_for(std::chrono::microseconds(sorteio() % 3000));
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    plataforma::TabelaUnidades t;
    t.raizes['C'] = argv[1];
    t.raizes['Z'] = "/";
    plataforma::DefinirUnidades(t);
    const std::string comando = argv[2];
    Estacao e(argv[3]);

    if (comando == "entrar") {
        if (!e.Entrar()) return 1;
    } else if (comando == "sair") {
        if (!e.Sair()) return 1;
    } else if (comando == "enviar" && argc == 6) {
        if (!e.pasta.GravarMensagem(argv[4], argv[5])) return 1;
    } else if (comando == "estresse" && argc == 6) {
        std::mt19937 sorteio(static_cast<unsigned>(getpid()));
        const auto fim = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::stoi(argv[4]));
        while (std::chrono::steady_clock::now() < fim) {
            while (!e.Entrar()) Pausa(sorteio);
            for (int i = 0; i < 3; ++i) {
                e.pasta.AtualizarUsuarios(); // a poll; a held file just waits for the next
                Pausa(sorteio);
            }
            while (!e.Sair()) Pausa(sorteio);
            Pausa(sorteio);
        }
        if (std::string(argv[5]) == "on")
            while (!e.Entrar()) Pausa(sorteio);
    } else {
        return 2;
    }
    std::printf("estado=%s logons=%d recusas=%d mensagens=%zu\n", e.sessao.conectado ? "on" : "off",
                e.logons, e.recusas, e.ui.mensagens.size());
    return 0;
}
