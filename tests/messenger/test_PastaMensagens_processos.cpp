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

} // namespace
