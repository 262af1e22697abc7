// A station of a message folder driven by its arguments, for the tests that
// need separate processes on one folder:
//   estacao_teste <host folder> entrar <NOME>
//   estacao_teste <host folder> enviar <DE> <PARA> <texto>
//   estacao_teste <host folder> sair <NOME>
//   estacao_teste <host folder> estresse <NOME> <milissegundos> <terminar: on|off>
//   estacao_teste <host folder> ciclo <NOME>      logon and logoff until killed
//   estacao_teste <host folder> conversa <NOME> <mensagens> <us entre envios> <ms entre polls>
//                 <OUTROS...>   logs on, sends numbered messages to the others in
//                 turn while polling, then polls until every other station's
//                 messages to it are in (or none came for 30 s); writes what
//                 it received, one message a line, to
//                 <host folder>/recebidas-<NOME>.txt (or to the folder
//                 $ESTACAO_SAIDA names)
//   estacao_teste <host folder> amostrar <NOME> <stop file>   reads users.fvx as a
//                 poll does until the stop file exists: how often a poll would
//                 have found it missing, torn or unreadable
//   estacao_teste <host folder> rodadas <NOME> <n>   n logons and logoffs, each
//                 checked on users.fvx as this station's client shows it
// The host folder is drive C:; the message folder is c:\sala\. Prints one
// line "estado=... logons=... recusas=... mensagens=..." and exits 0, or
// exits 1 on anything a correct store cannot produce.
#include "InteracaoRoteirizada.h"
#include "PastaMensagens.h"
#include "Unidades.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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

using Relogio = std::chrono::steady_clock;

// The soak: see the usage above. Each message is "<NOME> <k>" for the k-th
// message this station sends; a receiver's file holds its collected lines.
int Conversa(Estacao& e, const std::string& pastaHost, int mensagens, int usEnvios, int msPoll,
             const std::vector<std::string>& outros) {
    while (!e.Entrar()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    std::vector<std::string> recebidas;
    std::map<std::string, int> esperadas; // from each other station
    const int n = static_cast<int>(outros.size());
    for (int i = 0; i < n; ++i) esperadas[outros[i]] = 0;
    // Station j sends its k-th message to its own others[k % n]; counted from its side.
    for (const auto& de : outros) {
        std::vector<std::string> delas;
        for (const auto& o : outros)
            if (o != de) delas.push_back(o);
        delas.push_back(e.sessao.usuario);
        std::sort(delas.begin(), delas.end());
        for (int k = 0; k < mensagens; ++k)
            if (delas[static_cast<std::size_t>(k % n)] == e.sessao.usuario) ++esperadas[de];
    }
    std::vector<std::string> meus(outros);
    std::sort(meus.begin(), meus.end());
    int caixas = 0;
    auto coletar = [&] {
        e.pasta.AtualizarUsuarios();
        for (const auto& de : outros) {
            Coleta c = e.pasta.LerMensagem(de);
            // What the window reports in a box and tries again at the next tick;
            // fatal unless ESTACAO_FALHAS_TOLERADAS is set (a client with spells of I/O errors).
            if (c.estado == Coleta::Estado::FalhaLeitura || c.estado == Coleta::Estado::FalhaLimpeza) {
                std::fprintf(stderr, "%s: coleta de %s falhou\n", e.sessao.usuario.c_str(), de.c_str());
                if (!std::getenv("ESTACAO_FALHAS_TOLERADAS")) std::exit(1);
                ++caixas;
                if (c.estado == Coleta::Estado::FalhaLeitura) continue;
            }
            if (c.estado != Coleta::Estado::Recebida) continue;
            std::size_t i = 0;
            while (i < c.mensagem.size()) {
                std::size_t fim = c.mensagem.find("\r\n", i);
                if (fim == std::string::npos) fim = c.mensagem.size();
                recebidas.push_back(c.mensagem.substr(i, fim - i));
                i = fim + 2;
            }
        }
    };
    const auto inicio = Relogio::now();
    auto proximoPoll = inicio;
    int falhas = 0;
    for (int k = 0; k < mensagens; ++k) {
        const std::string para = meus[static_cast<std::size_t>(k % n)];
        if (!e.pasta.GravarMensagem(para, e.sessao.usuario + " " + std::to_string(k))) ++falhas;
        std::this_thread::sleep_for(std::chrono::microseconds(usEnvios));
        if (Relogio::now() >= proximoPoll) {
            coletar();
            proximoPoll = Relogio::now() + std::chrono::milliseconds(msPoll);
        }
    }
    const auto enviado = Relogio::now();
    auto total = [&] {
        std::size_t t = 0;
        for (const auto& [de, q] : esperadas) t += static_cast<std::size_t>(q);
        return t;
    };
    // Waited for as long as messages keep coming: at a fast poll the
    // stations' sends end a minute or more apart, and a station that stops
    // 30 s after its own leaves a slower sender's later messages behind.
    auto limite = Relogio::now() + std::chrono::seconds(30);
    while (recebidas.size() < total() && Relogio::now() < limite) {
        std::this_thread::sleep_for(std::chrono::milliseconds(msPoll));
        const std::size_t antes = recebidas.size();
        coletar();
        if (recebidas.size() > antes) limite = Relogio::now() + std::chrono::seconds(30);
    }
    const char* pastaSaida = std::getenv("ESTACAO_SAIDA");
    std::ofstream saida((pastaSaida ? std::string(pastaSaida) : pastaHost) + "/recebidas-" +
                            e.sessao.usuario + ".txt",
                        std::ios::binary);
    for (const auto& r : recebidas) saida << r << "\n";
    // When its own sends ended and when it stopped waiting: a grace too short
    // for the slowest sender shows as a late end beside messages missing.
    auto ms = [&](Relogio::time_point t) {
        return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(t - inicio).count());
    };
    std::printf("enviadas=%d falhas=%d recebidas=%zu esperadas=%zu caixas=%d envio_ms=%ld fim_ms=%ld\n",
                mensagens, falhas, recebidas.size(), total(), caixas, ms(enviado), ms(Relogio::now()));
    return falhas == 0 ? 0 : 1;
}

// How many times the name stands in users.fvx, read to its end.
int VezesNaLista(const std::string& pastaHost, const std::string& nome) {
    std::ifstream f(pastaHost + "/sala/users.fvx", std::ios::binary);
    int vezes = 0;
    for (std::string l; std::getline(f, l);) {
        if (!l.empty() && l.back() == '\r') l.pop_back();
        vezes += l == nome;
    }
    return vezes;
}

// The logon and logoff loop: every logon must leave the name in the file once,
// until its own logoff takes it out; no message may be shown.
int Rodadas(Estacao& e, const std::string& pastaHost, int n) {
    int perdidos = 0, duplicados = 0, fantasmas = 0, recusas = 0;
    const std::string& nome = e.sessao.usuario;
    for (int i = 0; i < n; ++i) {
        const int codigo = e.pasta.ConectarUsuario("SALA", "c:\\sala\\", nome);
        if (codigo != 1 || !e.pasta.CriarArquivosMensagem("SALA", "c:\\sala\\", nome)) {
            ++recusas;
            continue;
        }
        e.sessao.conectado = true;
        for (int k = 0; k < 2; ++k) {
            const int vezes = VezesNaLista(pastaHost, nome);
            perdidos += vezes == 0;
            duplicados += vezes > 1;
            e.pasta.AtualizarUsuarios();
        }
        // An abandoned logoff leaves the session connected: the user tries again.
        Desconexao d = e.pasta.DesconectarUsuario(nome);
        for (int k = 0; k < 20 && d == Desconexao::Abandonada; ++k) {
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
            d = e.pasta.DesconectarUsuario(nome);
        }
        if (d != Desconexao::Concluida) {
            ++recusas;
            continue;
        }
        e.sessao.conectado = false;
        fantasmas += VezesNaLista(pastaHost, nome) > 0;
    }
    std::printf("rodadas=%d perdidos=%d duplicados=%d fantasmas=%d recusas=%d caixas=%zu\n", n,
                perdidos, duplicados, fantasmas, recusas, e.ui.mensagens.size());
    for (const auto& m : e.ui.mensagens) std::printf("caixa: %s\n", m.texto.c_str());
    return 0;
}

// As a poll reads it: opened, its size asked of the server, read to the end.
int Amostrar(const std::string& parar) {
    long amostras = 0, faltou = 0, rasgado = 0, erros = 0;
    sala::Pasta pasta;
    pasta.Resolver("c:\\sala\\");
    while (access(parar.c_str(), F_OK) != 0) {
        ++amostras;
        pasta.NovoTique();
        std::string t;
        auto estado = pasta.LerLinhas("users.fvx", tamanhoMaximoArquivoPasta, t);
        if (estado == sala::Pasta::Estado::Ausente && sala::ReaparecerArquivo(pasta.Caminho("users.fvx")))
            estado = pasta.LerLinhas("users.fvx", tamanhoMaximoArquivoPasta, t);
        if (estado == sala::Pasta::Estado::Ausente) {
            ++faltou;
        } else if (estado != sala::Pasta::Estado::Lido) {
            ++erros;
        } else {
            t = t.substr(0, t.find('\0')); // where every station stops reading
            bool inteiro = t.empty() || t.ends_with("\r\n");
            for (std::size_t i = 0; inteiro && i < t.size();) {
                const std::size_t fim = t.find("\r\n", i);
                inteiro = fim != i && std::all_of(t.begin() + static_cast<long>(i), t.begin() + static_cast<long>(fim),
                                                  [](char c) { return c >= 'A' && c <= 'Z'; });
                i = fim + 2;
            }
            rasgado += !inteiro;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    std::printf("amostras=%ld faltou=%ld rasgado=%ld erros=%ld\n", amostras, faltou, rasgado, erros);
    return 0;
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
    } else if (comando == "ciclo") {
        // A name a killed run left behind is taken out by the logoff.
        for (;;) {
            if (e.pasta.ConectarUsuario("SALA", "c:\\sala\\", e.sessao.usuario) == 1)
                e.pasta.CriarArquivosMensagem("SALA", "c:\\sala\\", e.sessao.usuario);
            e.pasta.DesconectarUsuario(e.sessao.usuario);
        }
    } else if (comando == "amostrar" && argc == 5) {
        return Amostrar(argv[4]);
    } else if (comando == "rodadas" && argc == 5) {
        return Rodadas(e, argv[1], std::stoi(argv[4]));
    } else if (comando == "conversa" && argc >= 8) {
        return Conversa(e, argv[1], std::stoi(argv[4]), std::stoi(argv[5]), std::stoi(argv[6]),
                        std::vector<std::string>(argv + 7, argv + argc));
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
