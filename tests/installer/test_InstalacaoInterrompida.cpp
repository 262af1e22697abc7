// Installations killed (SIGKILL) at random moments, each followed by a second,
// complete run: the second run first rolls the killed one back, so the tree,
// the INI files and the menu files end equal to those of an undisturbed
// installation, byte for byte, with no temporary left anywhere.
#include "ApoioSequencia.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <random>
#include <sys/wait.h>

namespace {

// One run in a child process; its pid.
pid_t Instalar() {
    pid_t pid = fork();
    if (pid == 0) {
        InteracaoRoteirizada ui;
        _exit(ExecutarInstalacao(ui, nullptr) == FimInstalacao::Concluida ? 0 : 1);
    }
    return pid;
}

int Esperar(pid_t pid) {
    int estado = 0;
    waitpid(pid, &estado, 0);
    return WIFEXITED(estado) ? WEXITSTATUS(estado) : 128 + WTERMSIG(estado);
}

// The step a killed run was in, from the last line its record kept.
std::string Etapa(const std::string& registro) {
    auto linhas = AnalisarRegistro(registro);
    if (linhas.empty()) return "inicio";
    const auto& l = linhas.back();
    const std::string c = l.campos.empty() ? "" : l.campos[0];
    if (c == "zentrava.log") return "log";
    if (c.starts_with(".zentrava/")) return "copia do instalador";
    if (l.tipo == "zip" || l.tipo == "membro" || l.tipo == "removido") return "extracao";
    if (l.tipo == "ini") return "ini";
    if (l.tipo == "programa") return "programas";
    if (l.tipo == "menu" || (l.tipo == "pasta" && c.starts_with("/"))) return "grupo";
    if (l.tipo == "fim") return "fim";
    if (l.tipo == "inicio") return "inicio";
    return "copia dos discos";
}

} // namespace

TEST(InstalacaoInterrompida, MortaAQualquerMomentoASegundaExecucaoTerminaIgual) {
    Sequencia s;
    s.Montar();
    const std::string win = s.t.Ler("windows/win.ini");
    auto Limpar = [&] {
        std::error_code e;
        for (const char* p : {"/APLIC", "/dados", "/config"}) fs::remove_all(s.t.Host() + p, e);
        s.t.Escrever("windows/win.ini", win);
    };
    auto SemRegistro = [&] {
        auto r = s.Tudo();
        r.erase("/APLIC/zentrava-instalacao.log");
        return r;
    };

    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_EQ(Esperar(Instalar()), 0);
    const auto duracao = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0);
    const auto referencia = SemRegistro();

    // The moments span the run as this machine runs it now: the window
    // shrinks when a run ended before its kill and grows back when killed.
    std::mt19937 aleatorio(20);
    double janela = static_cast<double>(duracao.count());
    std::map<std::string, int> etapas;
    int mortes = 0, falhas = 0, vezes = 0;
    // Bounded in time too: a sanitized build runs the loop several times slower.
    const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    bool cortada = false;
    for (int i = 0; mortes < 200 && i < 400; ++i, ++vezes) {
        if (std::chrono::steady_clock::now() > limite) {
            cortada = true;
            break;
        }
        Limpar();
        pid_t pid = Instalar();
        usleep(static_cast<useconds_t>(std::uniform_real_distribution<double>(0, janela)(aleatorio)));
        kill(pid, SIGKILL);
        const bool morta = Esperar(pid) == 128 + SIGKILL;
        mortes += morta;
        janela *= morta ? 1.03 : 0.9;
        ++etapas[s.t.Existe("APLIC/zentrava-instalacao.log") ? Etapa(s.t.Ler("APLIC/zentrava-instalacao.log"))
                                                              : "antes do registro"];
        ASSERT_EQ(Esperar(Instalar()), 0) << "volta " << i;
        const auto obtido = SemRegistro();
        const auto d = Diferencas(referencia, obtido);
        if (!d.empty()) ++falhas;
        EXPECT_TRUE(d.empty()) << "volta " << i << ": " << (d.empty() ? "" : d[0]);
        // Every run the record keeps ended: the killed one was undone (or
        // had finished), the second one finished.
        int abertas = 0;
        for (const auto& l : AnalisarRegistro(s.t.Ler("APLIC/zentrava-instalacao.log"))) {
            if (l.tipo == "inicio") {
                EXPECT_EQ(abertas++, 0) << "volta " << i;
            }
            if (l.tipo == "fim") abertas = 0;
        }
        EXPECT_EQ(abertas, 0) << "volta " << i;
        if (falhas > 3) break;
    }
    std::string resumo;
    for (const auto& [etapa, n] : etapas) resumo += " " + etapa + "=" + std::to_string(n);
    std::printf("instalação de %lld us; %d voltas%s, %d mortas por SIGKILL, %d diferenças; etapas:%s\n",
                static_cast<long long>(duracao.count()), vezes, cortada ? " (limite de tempo)" : "", mortes, falhas,
                resumo.c_str());
    EXPECT_GE(mortes, cortada ? 50 : 200);
}
