// The cost of an idle poll tick of the real main window: TfrmMain::Timer1Timer
// with its cursor handling and event processing, in a room where nothing
// happens.
//
//   bench_poll <users> <com|sem> [ticks]
//
// Builds a room of <users> users in a temporary folder mapped as C: ("com":
// every pair file present and empty, as after logons from the dialog; "sem":
// none, as after the start-up logon of a restarted room), starts TfrmMain on
// it logged on as U01, stops its timer and calls Timer1Timer [ticks] times
// (default 5000). Prints the CPU time of the process per tick. Around the
// measured ticks it looks up two marker paths (/bench-poll-inicio and
// /bench-poll-fim) so that bench_falv.sh can count, in an strace of the run,
// the system calls made between them.
#include "mMain.h"

#include "Unidades.h"

#include <QApplication>
#include <QTimer>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string Nome(int i) { return (i < 10 ? "U0" : "U") + std::to_string(i); }

std::string Minusculo(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

void Escrever(const fs::path& p, const std::string& bytes) {
    std::ofstream f(p, std::ios::binary);
    f << bytes;
}

double CpuSegundos() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "uso: bench_poll <usuarios> <com|sem> [tiques]\n");
        return 2;
    }
    const int usuarios = std::atoi(argv[1]);
    const bool comPares = std::string(argv[2]) == "com";
    const long tiques = argc > 3 ? std::atol(argv[3]) : 5000;
    if (usuarios < 1 || usuarios > 20 || tiques < 0) return 2;

    char modelo[] = "/tmp/bench-poll-XXXXXX";
    if (!mkdtemp(modelo)) return 1;
    const fs::path raiz = modelo;
    plataforma::DefinirUnidades({{{'C', raiz.string()}, {'Z', "/"}}});
    fs::create_directory(raiz / "sala");
    // U01 is appended by its own logon at start.
    std::string lista;
    for (int a = 2; a <= usuarios; ++a) lista += Nome(a) + "\r\n";
    Escrever(raiz / "sala" / "users.fvx", lista);
    if (comPares)
        for (int a = 1; a <= usuarios; ++a)
            for (int b = 1; b <= usuarios; ++b)
                if (a != b) Escrever(raiz / "sala" / (Minusculo(Nome(a) + "_" + Nome(b)) + ".msg"), "");
    Escrever(raiz / "falv.ini", "[Pastas de Mensagens]\r\nSALA=c:\\sala\\\r\n[Logon]\r\nUsuario=U01\r\n"
                                "Nome Da Pasta=SALA\r\nCaminho Da Pasta=c:\\sala\\\r\n");

    QApplication app(argc, argv);
    int resultado = 0;
    {
        TfrmMain frm("c:\\falv.ini");
        frm.DefinirSom([](int) {});
        frm.show();
        const QString conectado = QStringLiteral(" - [ U01 ]");
        for (int i = 0; i < 500 && !frm.windowTitle().endsWith(conectado); ++i) {
            QApplication::processEvents();
            usleep(2000);
        }
        if (!frm.windowTitle().endsWith(conectado) || frm.SessaoAtual().usuarios.size() !=
                                                          static_cast<std::size_t>(usuarios)) {
            std::fprintf(stderr, "a sala não ficou pronta\n");
            resultado = 1;
        } else {
            frm.findChild<QTimer*>("Timer1")->stop();
            for (int i = 0; i < 20; ++i) frm.Timer1Timer(); // the first sees everybody arrive
            QApplication::processEvents();
            access("/bench-poll-inicio", F_OK);
            const double antes = CpuSegundos();
            for (long i = 0; i < tiques; ++i) frm.Timer1Timer();
            const double depois = CpuSegundos();
            access("/bench-poll-fim", F_OK);
            std::printf("%2d users, %s pair files: %.1f us of CPU per idle tick (%ld ticks)\n",
                        usuarios, comPares ? "with   " : "without", (depois - antes) * 1e6 /
                        static_cast<double>(tiques ? tiques : 1), tiques);
        }
        // Leave without the exit question: the room is thrown away.
        frm.SessaoAtual().conectado = false;
    }
    std::error_code e;
    fs::remove_all(raiz, e);
    return resultado;
}
