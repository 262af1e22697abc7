// Writing a message log to a file: the name, the replacement question, the
// exact bytes, and that a refused or failed save leaves the old file whole.
#include "Arquivos.h"
#include "InteracaoRoteirizada.h"
#include "PastaTemporaria.h"
#include "SalvarLog.h"
#include "Texto1252.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace plataforma::literais;

namespace {
constexpr int sim = 6, nao = 7, cancelar = 2;
const std::string log1 = "[ ANA ] -> olá, José\r\n\r\n<<< JOSE >>> entrou na sala..."_ansi;
} // namespace

TEST(SalvarLog, NomeSemExtensaoGanhaTxt) {
    EXPECT_EQ(CompletarExtensao("c:\\logs\\copia"), "c:\\logs\\copia.txt");
    EXPECT_EQ(CompletarExtensao("c:\\logs\\copia.log"), "c:\\logs\\copia.log");
    EXPECT_EQ(CompletarExtensao("c:\\logs.2024\\copia"), "c:\\logs.2024\\copia.txt");
    EXPECT_EQ(CompletarExtensao("c:\\"), "c:\\");
}

TEST(SalvarLog, GravaOTextoComoEstaESoSubstituiComSim) {
    PastaTemporaria tmp;
    InteracaoRoteirizada ui;
    ASSERT_TRUE(GravarLog(log1, "c:\\copia", ui));
    EXPECT_TRUE(ui.mensagens.empty());
    EXPECT_EQ(tmp.Ler("copia.txt"), log1);
    EXPECT_EQ(tmp.Ler("copia.txt")[13], '\xE1'); // á in Windows-1252
    EXPECT_EQ(ui.vezesOcupado, 1);
    EXPECT_EQ(ui.cursorOcupado, 0);

    // "&Não", "&Cancelar" and the close box keep the first file byte for byte.
    for (int resposta : {nao, cancelar}) {
        ui.respostas = {resposta};
        EXPECT_FALSE(GravarLog("outro texto", "c:\\copia", ui));
        EXPECT_EQ(tmp.Ler("copia.txt"), log1);
    }
    ASSERT_EQ(ui.mensagens.size(), 2u);
    EXPECT_EQ(ui.mensagens[0].titulo, "Aviso");
    EXPECT_EQ(ui.mensagens[0].texto, "O arquivo atual já existe. Deseja substituí-lo ???"_ansi);
    EXPECT_EQ(ui.mensagens[0].tipo, 1);

    ui.respostas = {sim};
    EXPECT_TRUE(GravarLog("outro texto", "c:\\copia.txt", ui));
    EXPECT_EQ(tmp.Ler("copia.txt"), "outro texto");
}

TEST(SalvarLog, LogVazioGravaArquivoVazio) {
    PastaTemporaria tmp;
    tmp.Escrever("vazio.txt", "conteúdo anterior"_ansi);
    InteracaoRoteirizada ui;
    ui.respostas = {sim};
    EXPECT_TRUE(GravarLog("", "c:\\vazio.txt", ui));
    EXPECT_TRUE(tmp.Existe("vazio.txt"));
    EXPECT_EQ(tmp.Ler("vazio.txt"), "");
}

TEST(SalvarLog, FalhaAvisaEDeixaOArquivoAnterior) {
    PastaTemporaria tmp;
    InteracaoRoteirizada ui;
    EXPECT_FALSE(GravarLog(log1, "c:\\nao existe\\copia.txt", ui));
    ASSERT_EQ(ui.mensagens.size(), 1u);
    EXPECT_EQ(ui.mensagens[0].titulo, "Erro");
    EXPECT_EQ(ui.mensagens[0].texto, "Erro ao salvar o arquivo de mensagens.");
    EXPECT_EQ(ui.mensagens[0].tipo, 6);
    EXPECT_EQ(ui.cursorOcupado, 0);

    // Replacing a file that cannot be written: the question, then the error,
    // and the old content stays; no temporary file is left beside it.
    tmp.Escrever("fixo.txt", "anterior");
    ASSERT_TRUE(plataforma::DefinirAtributos("c:\\fixo.txt", plataforma::atrSomenteLeitura));
    ui = {};
    ui.respostas = {sim};
    EXPECT_FALSE(GravarLog(log1, "c:\\fixo.txt", ui));
    ASSERT_EQ(ui.mensagens.size(), 2u);
    EXPECT_EQ(ui.mensagens[1].texto, "Erro ao salvar o arquivo de mensagens.");
    EXPECT_EQ(tmp.Ler("fixo.txt"), "anterior");
    int arquivos = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(tmp.Host())) ++arquivos;
    EXPECT_EQ(arquivos, 1);
}
