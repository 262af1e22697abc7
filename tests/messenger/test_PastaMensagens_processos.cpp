// Stations in separate processes on one message folder (estacao_teste).
#include "InteracaoRoteirizada.h"
#include "PastaMensagens.h"
#include "PastaTemporaria.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <algorithm>
#include <csignal>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string kPasta = "c:\\sala\\";

// Starts a station; its standard output goes to saida.
pid_t Iniciar(const std::vector<std::string>& args, const std::string& saida) {
    pid_t pid = fork();
    if (pid == 0) {
        FILE* f = std::freopen(saida.c_str(), "w", stdout);
        if (!f) _exit(3);
        std::vector<char*> argv{const_cast<char*>(ESTACAO_TESTE)};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(ESTACAO_TESTE, argv.data());
        _exit(4);
    }
    return pid;
}

int Esperar(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Conteudo(const std::string& host) {
    std::ifstream f(host, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

class Processos : public ::testing::Test {
protected:
    PastaTemporaria tmp;
    int Estacao(std::vector<std::string> args) {
        args.insert(args.begin(), tmp.Host());
        return Esperar(Iniciar(args, tmp.Host() + "/saida.txt"));
    }
    std::set<std::string> Msgs() const {
        std::set<std::string> r;
        for (const auto& e : fs::directory_iterator(tmp.Host() + "/sala"))
            if (e.path().extension() == ".msg") r.insert(e.path().filename().string());
        return r;
    }
};

TEST_F(Processos, TresEstacoesTrocamMensagem) {
    ASSERT_EQ(Estacao({"entrar", "ANA"}), 0);
    ASSERT_EQ(Estacao({"entrar", "BETO"}), 0);
    Sessao sessao;
    sessao.caminhoPasta = kPasta;
    sessao.usuario = "CARLA";
    InteracaoRoteirizada ui;
    PastaMensagens carla(sessao, ui);
    ASSERT_EQ(carla.ConectarUsuario("SALA", kPasta, "CARLA"), 1);
    ASSERT_TRUE(carla.CriarArquivosMensagem("SALA", kPasta, "CARLA"));
    EXPECT_EQ(Msgs().size(), 6u);

    ASSERT_EQ(Estacao({"enviar", "BETO", "CARLA", "Bom dia"}), 0);
    EXPECT_EQ(fs::file_size(tmp.Host() + "/sala/carla_beto.msg"), 9u);
    Coleta c = carla.LerMensagem("BETO");
    EXPECT_EQ(c.mensagem, "Bom dia\r\n");

    ASSERT_EQ(Estacao({"sair", "BETO"}), 0);
    EXPECT_EQ(carla.AtualizarUsuarios(), 1);
    EXPECT_EQ(sessao.avisos, std::vector<std::string>{"<<< BETO >>> saiu da sala..."});
    EXPECT_EQ(Conteudo(tmp.Host() + "/sala/users.fvx"), "ANA\r\nCARLA\r\n");
    EXPECT_EQ(Msgs(), (std::set<std::string>{"ana_carla.msg", "carla_ana.msg"}));
    EXPECT_TRUE(ui.mensagens.empty());
}

// Eight stations log on and off repeatedly; afterwards the users file holds
// exactly those still on, once each, and no pair file names one that left.
TEST_F(Processos, EstresseDeOitoEstacoes) {
    constexpr int estacoes = 8;
    std::vector<pid_t> pids;
    for (int i = 0; i < estacoes; ++i) {
        const std::string nome = "E" + std::to_string(i);
        pids.push_back(Iniciar({tmp.Host(), "estresse", nome, "3000", i % 2 ? "off" : "on"},
                               tmp.Host() + "/" + nome + ".txt"));
    }
    std::set<std::string> on, off;
    int logons = 0, recusas = 0, mensagens = 0;
    for (int i = 0; i < estacoes; ++i) {
        const std::string nome = "E" + std::to_string(i);
        ASSERT_EQ(Esperar(pids[i]), 0) << nome;
        char estado[8] = {};
        int l = 0, r = 0, m = 0;
        const std::string linha = Conteudo(tmp.Host() + "/" + nome + ".txt");
        ASSERT_EQ(std::sscanf(linha.c_str(), "estado=%7s logons=%d recusas=%d mensagens=%d", estado, &l, &r, &m), 4)
            << linha;
        (std::string(estado) == "on" ? on : off).insert(nome);
        logons += l;
        recusas += r;
        mensagens += m;
    }
    std::map<std::string, int> vezes;
    std::istringstream usuarios(Conteudo(tmp.Host() + "/sala/users.fvx"));
    for (std::string l; std::getline(usuarios, l);) {
        if (!l.empty() && l.back() == '\r') l.pop_back();
        ++vezes[l];
    }
    std::printf("estresse: %d estações, %d logons, %d recusas por arquivo preso, %d mensagens, "
                "%zu conectadas, %zu arquivos de par\n",
                estacoes, logons, recusas, mensagens, on.size(), Msgs().size());
    EXPECT_EQ(on.size(), 4u);
    EXPECT_GT(logons, estacoes);
    for (const auto& [nome, n] : vezes) EXPECT_EQ(n, 1) << nome;
    std::set<std::string> presentes;
    for (const auto& par : vezes) presentes.insert(par.first);
    EXPECT_EQ(presentes, on);
    for (const auto& m : Msgs()) {
        std::string a = m.substr(0, m.find('_')), b = m.substr(m.find('_') + 1, m.size() - m.find('_') - 5);
        for (auto* s : {&a, &b}) {
            for (auto& c : *s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            EXPECT_TRUE(on.count(*s)) << m;
        }
    }
}

// A station killed at any instant of its logons and logoffs leaves the roster
// it found or the one it was writing, never an empty or mixed file; the
// temporary files the killed stations leave go with the next writer.
TEST_F(Processos, EstacaoMortaNoMeioDaEscrita) {
    const std::string base = "ANA\r\nBETO\r\nCARLA\r\n";
    ASSERT_EQ(Estacao({"entrar", "ANA"}), 0);
    ASSERT_EQ(Estacao({"entrar", "BETO"}), 0);
    ASSERT_EQ(Estacao({"entrar", "CARLA"}), 0);
    ASSERT_EQ(Conteudo(tmp.Host() + "/sala/users.fvx"), base);
    auto temporarios = [&] {
        int n = 0;
        for (const auto& e : fs::directory_iterator(tmp.Host() + "/sala"))
            n += e.path().filename().string().starts_with(".users.fvx.tmp");
        return n;
    };
    std::mt19937 sorteio(2024);
    int mortes = 0, comDora = 0, comResto = 0;
    for (; mortes < 300; ++mortes) {
        pid_t pid = Iniciar({tmp.Host(), "ciclo", "DORA"}, "/dev/null");
        ASSERT_GT(pid, 0);
        // Past the program's start-up too, which takes longer under sanitizers.
        usleep(1000 + sorteio() % 40000);
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        const std::string agora = Conteudo(tmp.Host() + "/sala/users.fvx");
        ASSERT_TRUE(agora == base || agora == base + "DORA\r\n")
            << "depois de " << mortes << " mortes: [" << agora << "]";
        comDora += agora != base;
        comResto += temporarios() > 0;
    }
    // The next writer: DORA, back after her crash, leaves (or, gone already, enters and leaves).
    if (Conteudo(tmp.Host() + "/sala/users.fvx") == base) {
        ASSERT_EQ(Estacao({"entrar", "DORA"}), 0);
    }
    ASSERT_EQ(Estacao({"sair", "DORA"}), 0);
    EXPECT_EQ(Conteudo(tmp.Host() + "/sala/users.fvx"), base);
    EXPECT_EQ(temporarios(), 0);
    std::printf("%d mortes: %d com DORA na lista, %d deixaram um temporário\n", mortes, comDora,
                comResto);
    EXPECT_GT(comDora, 0);
    EXPECT_GT(comResto, 0) << "no kill fell inside a write";
}

// Six stations exchange numbered messages, each sending far more often than
// it polls, so messages to one receiver pile up in the pair files and
// deposits meet collections: every message arrives once, in order.
TEST_F(Processos, ConversaSemPerdaNemDuplicacao) {
    const std::vector<std::string> nomes{"ANA", "BETO", "CARLA", "DORA", "EVA", "FABIO"};
    constexpr int mensagens = 300, usEnvios = 1000, msPoll = 30;
    std::vector<pid_t> pids;
    for (const auto& nome : nomes) {
        std::vector<std::string> args{tmp.Host(), "conversa", nome, std::to_string(mensagens),
                                      std::to_string(usEnvios), std::to_string(msPoll)};
        for (const auto& o : nomes)
            if (o != nome) args.push_back(o);
        pids.push_back(Iniciar(args, tmp.Host() + "/saida-" + nome + ".txt"));
    }
    for (std::size_t i = 0; i < nomes.size(); ++i)
        EXPECT_EQ(Esperar(pids[i]), 0) << nomes[i] << ": " << Conteudo(tmp.Host() + "/saida-" + nomes[i] + ".txt");
    // What each sender sent each receiver, in order.
    std::map<std::pair<std::string, std::string>, std::vector<int>> enviadas, recebidas;
    for (const auto& de : nomes) {
        std::vector<std::string> outros;
        for (const auto& o : nomes)
            if (o != de) outros.push_back(o);
        std::sort(outros.begin(), outros.end());
        for (int k = 0; k < mensagens; ++k) enviadas[{de, outros[k % outros.size()]}].push_back(k);
    }
    std::size_t total = 0, perdidas = 0, duplicadas = 0;
    for (const auto& para : nomes) {
        std::istringstream linhas(Conteudo(tmp.Host() + "/recebidas-" + para + ".txt"));
        for (std::string l; std::getline(linhas, l);) {
            std::istringstream campos(l);
            std::string de;
            int k = -1;
            campos >> de >> k;
            recebidas[{de, para}].push_back(k);
            ++total;
        }
    }
    for (const auto& [par, lista] : enviadas) {
        const auto& chegou = recebidas[par];
        std::set<int> unicas(chegou.begin(), chegou.end());
        duplicadas += chegou.size() - unicas.size();
        for (int k : lista) perdidas += !unicas.count(k);
        EXPECT_EQ(chegou, lista) << par.first << " -> " << par.second;
    }
    std::printf("conversa: %zu estações, %zu mensagens enviadas, %zu recebidas, %zu perdidas, "
                "%zu duplicadas\n",
                nomes.size(), nomes.size() * mensagens, total, perdidas, duplicadas);
    EXPECT_EQ(total, nomes.size() * mensagens);
}

} // namespace
