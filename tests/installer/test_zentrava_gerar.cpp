// The zentrava-gerar program as a packager runs it: exit status, messages,
// and the sample project of exemplos/ built and installed again.
#include "ApoioConjunto.h"
#include "PastaTemporaria.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>

using namespace conjunto;

namespace {

struct Execucao {
    int status = -1;
    std::string saida; // stdout and stderr, UTF-8
};

std::string Aspas(const std::string& s) {
    std::string r = "'";
    for (char c : s) r += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return r + "'";
}

Execucao Comando(const std::string& cmd) {
    Execucao e;
    FILE* p = ::popen(cmd.c_str(), "r");
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) e.saida.append(buf, n);
    int st = ::pclose(p);
    e.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return e;
}

Execucao Executar(const std::string& argumentos) {
    return Comando(Aspas(std::getenv("FZ_GERAR")) + " " + argumentos + " 2>&1");
}

class Programa : public ::testing::Test {
protected:
    PastaTemporaria tmp{'C'};
    fs::path raiz{tmp.Host()};
    fs::path exemplo = fs::path(std::getenv("FZ_EXEMPLOS")) / "agenda";

    // The real installer when it is built, stand-ins otherwise.
    fs::path Programas() {
        const char* real = std::getenv("FZ_ZENTRAVA");
        if (real && *real) return fs::path(real).parent_path();
        return ProgramasFalsos(raiz / "programas");
    }
};

TEST_F(Programa, SampleProjectBuildsAndInstallsAsItsTree) {
    fs::path saida = raiz / "discos";
    Execucao e = Executar("--programas " + Aspas(Programas()) + " " +
                          Aspas(exemplo / "agenda.zgp") + " " + Aspas(saida));
    ASSERT_EQ(e.status, 0) << e.saida;
    EXPECT_NE(e.saida.find("Conjunto gerado em"), std::string::npos) << e.saida;
    EXPECT_NE(e.saida.find("Maior arquivo:"), std::string::npos) << e.saida;
    // The two LEIA-ME.TXT may not share a disk: one travels in the names
    // archive, and it says so; 868 bytes take one CD.
    EXPECT_NE(e.saida.find("aviso:"), std::string::npos) << e.saida;
    EXPECT_NE(e.saida.find("zentrava-nomes.zip"), std::string::npos) << e.saida;
    EXPECT_EQ(ContarDiscos(saida), 1);
    EXPECT_EQ(NomeRepetidoNumDisco(saida), "");
    // The installer on disk 1 has lost its debug information, not its code.
    const char* real = std::getenv("FZ_ZENTRAVA");
    if (real && *real) {
        EXPECT_LT(fs::file_size(saida / "DISCO.001" / "zentrava"), fs::file_size(real));
        Execucao secoes = Comando("readelf -S " + Aspas(saida / "DISCO.001" / "zentrava"));
        EXPECT_EQ(secoes.saida.find(".debug_info"), std::string::npos);
        EXPECT_NE(secoes.saida.find(".text"), std::string::npos) << secoes.saida;
    }

    fs::path instalado = raiz / "instalado";
    fs::create_directories(instalado);
    ASSERT_EQ(Instalar(saida, instalado), "");

    // The project installs app/ as it stands below DirBase.
    fs::path esperado = exemplo / "app";
    EXPECT_EQ(CompararArvores(esperado, instalado), "");
    // The sample's program runs from where it was installed.
    FILE* p = ::popen(Aspas(instalado / "bin" / "agenda").c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string dito(256, '\0');
    dito.resize(std::fread(dito.data(), 1, dito.size(), p));
    EXPECT_EQ(::pclose(p), 0);
    EXPECT_NE(dito.find("Dentista"), std::string::npos) << dito;

    // The UTF-8 sample: its texts go to the disk in Windows-1252, the
    // host-path macro as written.
    fs::path notas = raiz / "notas";
    e = Executar("--silencioso --programas " + Aspas(Programas()) + " " +
                 Aspas(exemplo.parent_path() / "notas" / "notas.zgp") + " " + Aspas(notas));
    ASSERT_EQ(e.status, 0) << e.saida;
    EXPECT_EQ(ContarDiscos(notas), 1);
    const std::string cmd = Ler(notas / "DISCO.001" / "zentrava.cmd");
    EXPECT_NE(cmd.find("Titulo=Notas R\xE1pidas\r\n"), std::string::npos) << cmd;
    EXPECT_NE(cmd.find(",Geral,Dados,@PASTABASE/dados\r\n"), std::string::npos) << cmd;
    fs::path instaladas = raiz / "notas-instaladas";
    fs::create_directories(instaladas);
    ASSERT_EQ(Instalar(notas, instaladas), "");
    EXPECT_EQ(CompararArvores(exemplo.parent_path() / "notas" / "app", instaladas), "");
}

TEST_F(Programa, FailuresExitNonZeroWithAMessageInPortuguese) {
    Execucao e = Executar("");
    EXPECT_EQ(e.status, 2);
    EXPECT_NE(e.saida.find("Uso: zentrava-gerar [opções] PROJETO SAIDA"), std::string::npos);
    e = Executar("--nada a b");
    EXPECT_EQ(e.status, 2);
    EXPECT_NE(e.saida.find("opção desconhecida: --nada"), std::string::npos) << e.saida;

    e = Executar(Aspas(raiz / "falta.zgp") + " " + Aspas(raiz / "saida"));
    EXPECT_EQ(e.status, 1);
    EXPECT_NE(e.saida.find("Não foi possível ler o arquivo de projeto"), std::string::npos) << e.saida;
    EXPECT_NE(e.saida.find("Nada foi gravado."), std::string::npos);

    fs::create_directories(raiz / "ja");
    e = Executar("--programas " + Aspas(Programas()) + " " + Aspas(exemplo / "agenda.zgp") + " " +
                 Aspas(raiz / "ja"));
    EXPECT_EQ(e.status, 1);
    EXPECT_NE(e.saida.find("já existe (use --substituir"), std::string::npos) << e.saida;
    EXPECT_TRUE(fs::is_empty(raiz / "ja"));

    e = Executar("--programas " + Aspas(raiz / "vazia") + " " + Aspas(exemplo / "agenda.zgp") + " " +
                 Aspas(raiz / "novo"));
    EXPECT_EQ(e.status, 1);
    EXPECT_NE(e.saida.find("Programa de instalação não encontrado"), std::string::npos) << e.saida;
    EXPECT_FALSE(fs::exists(raiz / "novo"));

    e = Executar("--silencioso --substituir --programas " + Aspas(Programas()) + " " +
                 Aspas(exemplo / "agenda.zgp") + " " + Aspas(raiz / "ja"));
    EXPECT_EQ(e.status, 0) << e.saida;
    EXPECT_EQ(e.saida, "");
    EXPECT_TRUE(fs::exists(raiz / "ja" / "DISCO.001" / "zentrava.001"));
}

} // namespace
