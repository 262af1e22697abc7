#include "ApoioZip.h"
#include "ConjuntoDiscos.h"
#include "InteracaoRoteirizada.h"
#include "PastaTemporaria.h"
#include "Restauracao.h"
#include "Texto1252.h"
#include "Unidades.h"
#include "mSetuplb.h"

#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace plataforma::literais;
namespace fs = std::filesystem;

namespace {

const std::string textoRepetir = "Problemas durante a leitura do arquivo. Deseja repetir a operação ???"_ansi;

// Answers from a script, and lets a test act when a message or an event
// round comes (put a disk in, press Cancelar, mend a piece).
class Usuario : public InteracaoRoteirizada {
public:
    std::function<void(const std::string&)> aoMensagem;
    std::function<void(int)> aoEventos;
    int Mensagem(const std::string& t, const std::string& x, int tipo) override {
        if (aoMensagem) aoMensagem(x);
        return InteracaoRoteirizada::Mensagem(t, x, tipo);
    }
    void ProcessarEventos() override {
        InteracaoRoteirizada::ProcessarEventos();
        if (aoEventos) aoEventos(eventosProcessados);
    }
    bool Perguntou(const std::string& texto) const {
        for (auto& m : mensagens)
            if (m.texto == texto) return true;
        return false;
    }
};

class Observador : public ObservadorRestauracao {
public:
    std::vector<int> posicoes;
    std::vector<std::string> atuais, discos;
    void Rotulos(const std::string& d, const std::string&, const std::string&,
                 const std::string& a) override {
        discos.push_back(d);
        atuais.push_back(a);
    }
    void Posicao(int p) override { posicoes.push_back(p); }
};

class Restauro : public ::testing::Test {
protected:
    PastaTemporaria pasta;
    ConjuntoDiscos discos{pasta, 4};
    Usuario ui;
    Observador obs;

    void SetUp() override { umask(022); }
    void TearDown() override { LiberarListas(); }

    FimRestauracao Restaurar() { return RestaurarArquivos(ui, &obs); }
    std::string Destino(const std::string& relativo) const { return pasta.Ler("APLIC/" + relativo); }
    bool Existe(const std::string& relativo) const { return pasta.Existe("APLIC/" + relativo); }
    // Nothing but the restored files: no temporary file left anywhere.
    int Temporarios() const {
        int n = 0;
        for (auto& e : fs::recursive_directory_iterator(pasta.Host()))
            if (e.path().filename().string().starts_with(".zentrava-")) ++n;
        return n;
    }
    mode_t Modo(const std::string& relativo) const {
        struct stat st {};
        stat((pasta.Host() + "/APLIC/" + relativo).c_str(), &st);
        return st.st_mode & 07777;
    }
};

TEST_F(Restauro, SemArquivosVerificaODisco1EDescompactaAinda) {
    TotalArquivos = 0;
    fs::create_directories(pasta.Host() + "/APLIC");
    CriarZip(pasta.Host() + "/APLIC/ARQS.ZIP", {{"leia.txt", "ola"}});
    ArquivosDescompactar = {"item1=@DIRBASE\\ARQS.ZIP,X"};
    EXPECT_EQ(RestaurarInstalacao(ui, &obs), FimRestauracao::Concluida);
    // The archive was not restored by this run: neither extracted nor deleted.
    EXPECT_FALSE(Existe("leia.txt"));
    EXPECT_TRUE(Existe("ARQS.ZIP"));
    EXPECT_TRUE(obs.posicoes.empty());
    EXPECT_TRUE(ui.mensagens.empty());
}

TEST_F(Restauro, BlocosPosicoesEPastaDeMacros) {
    // Qtd.Discos 0: an empty file; the next file on the same disk.
    discos.Arquivo(1, 1, "VAZIO.DAT", "", {});
    SecaoArquivo vazio;
    vazio.nome = "VAZIO.DAT";
    vazio.qtdDiscos = 0;
    discos.Acrescentar(ConjuntoDiscos::Rotulo(1), TextoSecaoArquivo(vazio, 1, true));
    pasta.Escrever(ConjuntoDiscos::Disco(1) + "VAZIO.DAT", "x");
    const std::string a = ConjuntoDiscos::Dados(25000), b = ConjuntoDiscos::Dados(30000, 2);
    discos.Arquivo(2, 1, "@DIRBASE\\DADOS\\CLIENTES.DBF", a, {25000});
    discos.Arquivo(3, 1, "TRINTA.DAT", b, {30000});
    DirBase += "NOVA\\";

    ASSERT_EQ(Restaurar(), FimRestauracao::Concluida);
    EXPECT_TRUE(ui.mensagens.empty());
    EXPECT_EQ(pasta.Ler("APLIC/NOVA/VAZIO.DAT"), "");
    EXPECT_EQ(pasta.Ler("APLIC/NOVA/DADOS/CLIENTES.DBF"), a);
    EXPECT_EQ(pasta.Ler("APLIC/NOVA/TRINTA.DAT"), b);
    // 25000 as 10240, 10240, 4520; 30000 starts at 34 (10240 / 30000).
    EXPECT_EQ(obs.posicoes, (std::vector<int>{40, 81, 100, 34, 68, 100}));
    EXPECT_GE(ui.eventosProcessados, 1); // by the clock, and at once at the start
    EXPECT_EQ(obs.atuais.front(), "Restaurando CLIENTES.DBF (25000 bytes) ...");
    EXPECT_EQ(Temporarios(), 0);
}

TEST_F(Restauro, ArquivoDoDisco2EmTresDiscosPedeOs3E4NumaUnidade) {
    // A drive whose medium the user changes: the content of DISCO.nnn
    // appears in A:\ when the prompt for disk n is answered.
    auto tabela = plataforma::Unidades();
    tabela.raizes['A'] = pasta.Host() + "/drive";
    plataforma::DefinirUnidades(tabela);
    auto inserir = [&](int d) {
        fs::remove_all(pasta.Host() + "/drive");
        fs::copy(pasta.Host() + "/" + ConjuntoDiscos::Disco(d), pasta.Host() + "/drive");
    };
    std::vector<int> pedidos;
    ui.aoMensagem = [&](const std::string& t) {
        if (t.starts_with("Insira o Disco de Instalação #"_ansi)) {
            pedidos.push_back(t[t.find('#') + 1] - '0');
            inserir(pedidos.back());
        }
    };
    const std::string um = ConjuntoDiscos::Dados(15000), dois = ConjuntoDiscos::Dados(40000, 3),
                      tres = ConjuntoDiscos::Dados(100, 4);
    discos.Arquivo(1, 1, "UM.DAT", um, {12000, 3000});
    discos.Arquivo(2, 2, "DOIS.DAT", dois, {10000, 20000, 10000}, true);
    discos.Arquivo(3, 4, "TRES.DAT", tres, {100});
    inserir(1);
    DirDisco = "A:\\";

    ASSERT_EQ(Restaurar(), FimRestauracao::Concluida);
    EXPECT_EQ(pedidos, (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(Destino("UM.DAT"), um);
    EXPECT_EQ(Destino("DOIS.DAT"), dois);
    EXPECT_EQ(Destino("TRES.DAT"), tres);
    EXPECT_EQ(obs.discos, (std::vector<std::string>{"Disco 1/4", "Disco 2/4", "Disco 2/4",
                                                     "Disco 3/4", "Disco 4/4", "Disco 4/4"}));
}

TEST_F(Restauro, DiscoRecusadoCancelaSemDescompactarNemArquivoPela_Metade) {
    auto tabela = plataforma::Unidades();
    tabela.raizes['A'] = pasta.Host() + "/INST/DISCO.001";
    plataforma::DefinirUnidades(tabela);
    pasta.Escrever("APLIC/PARTIDO.DAT", "ANTIGO");
    discos.Arquivo(1, 1, "PARTIDO.DAT", ConjuntoDiscos::Dados(30000), {20000, 10000});
    fs::create_directories(pasta.Host() + "/APLIC");
    CriarZip(pasta.Host() + "/APLIC/ARQS.ZIP", {{"leia.txt", "ola"}});
    ArquivosDescompactar = {"item1=@DIRBASE\\ARQS.ZIP"};
    DirDisco = "A:\\";
    ui.respostas = {2};

    EXPECT_EQ(RestaurarInstalacao(ui, &obs), FimRestauracao::Cancelada);
    EXPECT_TRUE(InstalacaoCancelada);
    ASSERT_EQ(ui.mensagens.size(), 1u);
    EXPECT_EQ(ui.mensagens[0].texto, "Insira o Disco de Instalação #2 no drive A ..."_ansi);
    EXPECT_EQ(Destino("PARTIDO.DAT"), "ANTIGO");
    EXPECT_TRUE(Existe("ARQS.ZIP"));
    EXPECT_EQ(Temporarios(), 0);
}

TEST_F(Restauro, PrimeiraPecaAusentePulaSemMensagem) {
    discos.Arquivo(1, 1, "FALTA.DAT", "abc", {3});
    fs::remove(pasta.Host() + "/" + ConjuntoDiscos::Disco(1) + "FALTA.DAT");
    discos.Arquivo(2, 1, "FICA.DAT", "def", {3});
    EXPECT_EQ(Restaurar(), FimRestauracao::Concluida);
    EXPECT_TRUE(ui.mensagens.empty());
    EXPECT_FALSE(Existe("FALTA.DAT"));
    EXPECT_EQ(Destino("FICA.DAT"), "def");
}

// A piece shorter than its "Bytes Salvo", and one whose CRC-32 differs: the
// retry question, and on Yes the piece read afresh (the user mended it).
TEST_F(Restauro, ErroDeLeituraRepeteOMesmoBlocoOuCancela) {
    const std::string dados = ConjuntoDiscos::Dados(30000);
    const std::string peca2 = ConjuntoDiscos::Disco(2) + "LONGO.DAT";
    for (bool crc : {false, true}) {
        for (int resposta : {6, 7}) {
            SCOPED_TRACE(std::to_string(crc) + "/" + std::to_string(resposta));
            fs::remove_all(pasta.Host() + "/INST");
            fs::remove_all(pasta.Host() + "/APLIC");
            for (int d = 1; d <= 2; ++d) pasta.Escrever(ConjuntoDiscos::Rotulo(d), "");
            DirDisco = pasta.Dos() + "INST\\DISCO.001\\";
            InstalacaoCancelada = false;
            ui.mensagens.clear();
            discos.Arquivo(1, 1, "LONGO.DAT", dados, {15000, 15000}, crc);
            std::string errado = dados.substr(15000);
            if (crc) errado[14000] ^= 1; else errado.resize(12000);
            pasta.Escrever(peca2, errado);
            ui.respostas = {resposta};
            ui.aoMensagem = [&](const std::string& t) {
                if (t == textoRepetir) pasta.Escrever(peca2, dados.substr(15000));
            };
            if (resposta == 6) {
                EXPECT_EQ(Restaurar(), FimRestauracao::Concluida);
                EXPECT_EQ(Destino("LONGO.DAT"), dados);
            } else {
                EXPECT_EQ(Restaurar(), FimRestauracao::Cancelada);
                EXPECT_TRUE(InstalacaoCancelada);
                EXPECT_FALSE(Existe("LONGO.DAT"));
            }
            ASSERT_EQ(ui.mensagens.size(), 1u);
            EXPECT_EQ(ui.mensagens[0].texto, textoRepetir);
            EXPECT_EQ(ui.mensagens[0].tipo, 10);
            EXPECT_EQ(Temporarios(), 0);
        }
    }
}

// A copy slow enough to see events in its middle: the press stops it within
// one block, however many blocks a read moves.
TEST_F(Restauro, CancelarDuranteACopiaTerminaOBlocoEGuardaOArquivoAntigo) {
    struct Lento : Observador {
        void Posicao(int p) override {
            Observador::Posicao(p);
            usleep(1000);
        }
    } lento;
    pasta.Escrever("APLIC/GRANDE.DAT", "ANTIGO");
    discos.Arquivo(1, 1, "GRANDE.DAT", ConjuntoDiscos::Dados(200 * 10240), {200 * 10240});
    std::size_t naPressao = 0;
    ui.aoEventos = [&](int n) {
        if (n != 2) return;
        InstalacaoCancelada = true;
        naPressao = lento.posicoes.size();
    };
    EXPECT_EQ(RestaurarArquivos(ui, &lento), FimRestauracao::Cancelada);
    EXPECT_GT(naPressao, 0u);
    EXPECT_LT(naPressao, 100u);
    EXPECT_LE(lento.posicoes.size(), naPressao + 1);
    EXPECT_EQ(Destino("GRANDE.DAT"), "ANTIGO");
    EXPECT_EQ(Temporarios(), 0);
    EXPECT_TRUE(ui.mensagens.empty());
}

// A piece that ends inside its 27th block: the 26 whole blocks before it
// are copied, the question is about the 27th, and Sim reads on from there.
TEST_F(Restauro, PecaCurtaPerguntaPeloBlocoEmQueFalhou) {
    const std::string dados = ConjuntoDiscos::Dados(30 * 10240);
    discos.Arquivo(1, 1, "CURTO.DAT", dados, {30 * 10240});
    const std::string peca = ConjuntoDiscos::Disco(1) + "CURTO.DAT";
    pasta.Escrever(peca, dados.substr(0, 26 * 10240 + 5000));
    std::size_t naPergunta = 0;
    ui.respostas = {6};
    ui.aoMensagem = [&](const std::string& t) {
        if (t != textoRepetir) return;
        naPergunta = obs.posicoes.size();
        pasta.Escrever(peca, dados);
    };
    EXPECT_EQ(Restaurar(), FimRestauracao::Concluida);
    EXPECT_EQ(naPergunta, 26u);
    EXPECT_EQ(obs.posicoes.size(), 30u);
    EXPECT_EQ(obs.posicoes[25], 86);
    EXPECT_EQ(obs.posicoes.back(), 100);
    EXPECT_EQ(Destino("CURTO.DAT"), dados);
    EXPECT_EQ(ui.mensagens.size(), 1u);
}

// Damaged label files and pieces end the run with a message that names what
// is wrong, and nothing is written.
TEST_F(Restauro, EntradaRuimDaUmaMensagemClaraENadaEscrito) {
    struct Caso {
        const char* nome;
        std::function<void()> montar;
        std::string trecho;
    };
    const std::vector<Caso> casos = {
        {"rotulo ausente", [&] {
             discos.Arquivo(1, 1, "A.DAT", "abc", {3});
             fs::remove(pasta.Host() + "/" + ConjuntoDiscos::Rotulo(1));
         }, "arquivo de controle ZENTRAVA.001"},
        {"rotulo lixo", [&] { pasta.Escrever(ConjuntoDiscos::Rotulo(1), std::string("\x01\xFF\0[x", 5)); TotalArquivos = 1; },
         "(seção \"Arquivo #1\")"_ansi},
        {"tamanho negativo", [&] {
             discos.Acrescentar(ConjuntoDiscos::Rotulo(1), "[Arquivo #1]\r\nNome=A.DAT\r\nTamanho=-5\r\nBytes Salvo=-5\r\n");
             pasta.Escrever(ConjuntoDiscos::Disco(1) + "A.DAT", "x");
             TotalArquivos = 1;
         }, "danificado na seção \"Arquivo #1\""_ansi},
        {"peca é pasta", [&] {
             discos.Arquivo(1, 1, "A.DAT", "abc", {3});
             fs::remove(pasta.Host() + "/" + ConjuntoDiscos::Disco(1) + "A.DAT");
             fs::create_directories(pasta.Host() + "/" + ConjuntoDiscos::Disco(1) + "A.DAT");
             // A folder is no file: the piece counts as missing.
         }, ""},
        {"continuacao é pasta", [&] {
             discos.Arquivo(1, 1, "A.DAT", "abcdef", {3, 3});
             fs::remove(pasta.Host() + "/" + ConjuntoDiscos::Disco(2) + "A.DAT");
             fs::create_directories(pasta.Host() + "/" + ConjuntoDiscos::Disco(2) + "A.DAT");
         }, "abrir o arquivo " + pasta.Dos() + "INST\\DISCO.002\\A.DAT (" + pasta.Host() +
                "/INST/DISCO.002/A.DAT):\rO caminho é uma pasta"_ansi},
        {"pai", [&] { discos.Arquivo(1, 1, "@DIRBASE\\..\\FORA.DAT", "abc", {3}); },
         "@DIRBASE\\..\\FORA.DAT não foi restaurado"_ansi},
        {"sem unidade", [&] { discos.Arquivo(1, 1, "Q:\\X\\FORA.DAT", "abc", {3}); },
         "nenhuma unidade corresponde à pasta Q:\\X\\"_ansi},
        {"incompleto", [&] {
             discos.Arquivo(1, 1, "A.DAT", "abc", {3});
             pasta.Escrever(ConjuntoDiscos::Rotulo(1), "[Arquivo #1]\r\nNome=A.DAT\r\nTamanho=9\r\nBytes Salvo=3\r\n");
         }, "ficaria com 3 bytes, mas deveria ter 9"},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nome);
        fs::remove_all(pasta.Host() + "/INST");
        fs::remove_all(pasta.Host() + "/APLIC");
        fs::remove_all(pasta.Host() + "/FORA.DAT");
        for (int d = 1; d <= 2; ++d) pasta.Escrever(ConjuntoDiscos::Rotulo(d), "");
        DirDisco = pasta.Dos() + "INST\\DISCO.001\\";
        TotalArquivos = 0;
        InstalacaoCancelada = false;
        ui.mensagens.clear();
        c.montar();
        FimRestauracao fim = Restaurar();
        if (c.trecho.empty()) {
            EXPECT_EQ(fim, FimRestauracao::Concluida);
            EXPECT_TRUE(ui.mensagens.empty());
            continue;
        }
        EXPECT_EQ(fim, FimRestauracao::Erro);
        EXPECT_TRUE(InstalacaoCancelada);
        ASSERT_EQ(ui.mensagens.size(), 1u);
        EXPECT_EQ(ui.mensagens[0].titulo, "Erro");
        EXPECT_EQ(ui.mensagens[0].tipo, 6);
        EXPECT_NE(ui.mensagens[0].texto.find(c.trecho), std::string::npos) << ui.mensagens[0].texto;
        EXPECT_FALSE(Existe("A.DAT"));
        EXPECT_FALSE(pasta.Existe("FORA.DAT"));
        EXPECT_EQ(Temporarios(), 0);
    }
}

TEST_F(Restauro, DiscoCheioNomeiaOArquivoEORazao) {
    discos.Arquivo(1, 1, "GRANDE.DAT", ConjuntoDiscos::Dados(60000), {60000});
    // A file size limit stands in for a full disk: the write fails the same way.
    rlimit antes{};
    getrlimit(RLIMIT_FSIZE, &antes);
    auto sinal = signal(SIGXFSZ, SIG_IGN);
    rlimit limite = antes;
    limite.rlim_cur = 30000;
    setrlimit(RLIMIT_FSIZE, &limite);
    FimRestauracao fim = Restaurar();
    setrlimit(RLIMIT_FSIZE, &antes);
    signal(SIGXFSZ, sinal);
    EXPECT_EQ(fim, FimRestauracao::Erro);
    ASSERT_EQ(ui.mensagens.size(), 1u);
    EXPECT_EQ(ui.mensagens[0].texto, "Não foi possível gravar o arquivo "_ansi + DirBase + "GRANDE.DAT (" +
                                         pasta.Host() + "/APLIC/GRANDE.DAT):\rO arquivo é grande demais para o disco."_ansi);
    EXPECT_FALSE(Existe("GRANDE.DAT"));
    EXPECT_EQ(Temporarios(), 0);
}

// Programs stay programs: a script and an ELF program split over two disks
// run after the restore; "Modo" gives the permission bits under the umask.
TEST_F(Restauro, ModosDosArquivosRestaurados) {
    std::string script = "#!/bin/sh\necho restaurado\n" + std::string(20000, '#') + "\n";
    std::string elf = LerHost("/bin/true");
    ASSERT_TRUE(elf.starts_with("\x7F" "ELF"));
    const auto meio = static_cast<int32_t>(elf.size() / 2);
    discos.Arquivo(1, 1, "RODAR.SH", script, {10000, static_cast<int32_t>(script.size()) - 10000});
    discos.Arquivo(2, 2, "VERDADE", elf, {meio, static_cast<int32_t>(elf.size()) - meio});
    discos.Arquivo(3, 3, "DADOS.DAT", "#x", {2});
    discos.Arquivo(4, 3, "SUID", "abc", {3}, false, 04755);
    discos.Arquivo(5, 3, "PRIVADO", "abc", {3}, false, 0600);
    ASSERT_EQ(Restaurar(), FimRestauracao::Concluida);
    EXPECT_EQ(Modo("RODAR.SH"), 0755u);
    EXPECT_EQ(Modo("VERDADE"), 0755u);
    EXPECT_EQ(Modo("DADOS.DAT"), 0644u);
    EXPECT_EQ(Modo("SUID"), 0755u);
    EXPECT_EQ(Modo("PRIVADO"), 0600u);
    FILE* saida = popen((pasta.Host() + "/APLIC/RODAR.SH").c_str(), "r");
    ASSERT_NE(saida, nullptr);
    char linha[64] = {};
    ASSERT_NE(fgets(linha, sizeof linha, saida), nullptr);
    EXPECT_STREQ(linha, "restaurado\n");
    EXPECT_EQ(pclose(saida), 0);
    EXPECT_EQ(std::system((pasta.Host() + "/APLIC/VERDADE").c_str()), 0);
}

TEST_F(Restauro, DescompactarEntradasArquivosDanificadosECancelar) {
    fs::create_directories(pasta.Host() + "/APLIC");
    CriarZip(pasta.Host() + "/APLIC/ARQS.ZIP",
             {{"SUB/um.txt", "1"}, {"dois.txt", std::string(70000, 'd')}, {"tres.txt", "3"}});
    CriarZip(pasta.Host() + "/APLIC/OUTRO.ZIP", {{"outro.txt", "o"}});
    ArquivosDescompactar = {"item1=@DIRBASE\\ARQS.ZIP,X", "arq2=@DIRBASE\\OUTRO.ZIP"};
    // As if stage 1 had restored them.
    for (const char* z : {"ARQS.ZIP", "OUTRO.ZIP", "RUIM.ZIP"})
        ArquivosRestaurados().insert(pasta.Host() + "/APLIC/" + z);
    TExtratorZip extrator(ui);
    EXPECT_EQ(DescompactarArquivos(ui, extrator), FimRestauracao::Concluida);
    EXPECT_EQ(Destino("SUB/um.txt"), "1");
    EXPECT_EQ(Destino("dois.txt").size(), 70000u);
    EXPECT_FALSE(Existe("ARQS.ZIP"));
    EXPECT_TRUE(Existe("OUTRO.ZIP")); // its key taken whole names no file
    EXPECT_FALSE(Existe("outro.txt"));

    // Cancel from a progress report: the engine stops at its next one.
    CriarZip(pasta.Host() + "/APLIC/ARQS.ZIP", {{"a.txt", "a"}, {"b.txt", "b"}, {"c.txt", "c"}});
    fs::remove(pasta.Host() + "/APLIC/a.txt");
    extrator.AoProgredir = [](TExtratorZip& z, TTipoProgresso t, const std::string&, int32_t) {
        if (t == tpMembro) z.Cancelar();
    };
    EXPECT_EQ(DescompactarArquivos(ui, extrator), FimRestauracao::Concluida);
    EXPECT_FALSE(Existe("b.txt"));
    EXPECT_FALSE(Existe("c.txt"));
    EXPECT_FALSE(Existe("ARQS.ZIP"));

    // A damaged archive ends the run, is kept, and the next is not extracted.
    GravarHost(pasta.Host() + "/APLIC/RUIM.ZIP", std::string("PK\x03\x04\x14\x00", 6));
    CriarZip(pasta.Host() + "/APLIC/ARQS.ZIP", {{"depois.txt", "x"}});
    ArquivosDescompactar = {"item1=@DIRBASE\\RUIM.ZIP", "item2=@DIRBASE\\ARQS.ZIP"};
    extrator.AoProgredir = nullptr;
    EXPECT_EQ(DescompactarArquivos(ui, extrator), FimRestauracao::Erro);
    EXPECT_TRUE(InstalacaoCancelada);
    ASSERT_EQ(ui.mensagens.size(), 1u);
    EXPECT_EQ(ui.mensagens[0].titulo, "Erro");
    EXPECT_TRUE(ui.mensagens[0].texto.ends_with(" na leitura do arquivo Zip")) << ui.mensagens[0].texto;
    EXPECT_TRUE(Existe("RUIM.ZIP"));
    EXPECT_TRUE(Existe("ARQS.ZIP"));
    EXPECT_FALSE(Existe("depois.txt"));
}

TEST(BarraExtracao, FaixasPorTamanhoDoMembro) {
    BarraExtracao b;
    b.Progresso(tpMembro, 20000);
    EXPECT_EQ((std::array{b.minimo, b.maximo, b.posicao}), (std::array{1, 1, 1}));
    b.Progresso(tpMembro, 50000);
    EXPECT_EQ((std::array{b.minimo, b.maximo, b.posicao}), (std::array{1, 1, 1}));
    b.Progresso(tpPasso, 0);
    EXPECT_EQ(b.posicao, 1);
    b.Progresso(tpMembro, 100000);
    EXPECT_EQ((std::array{b.minimo, b.maximo, b.posicao}), (std::array{1, 3, 1}));
    b.Progresso(tpPasso, 0);
    b.Progresso(tpPasso, 0);
    b.Progresso(tpPasso, 0);
    EXPECT_EQ(b.posicao, 3);
    b.Progresso(tpFim, 0);
    EXPECT_EQ((std::array{b.minimo, b.maximo, b.posicao}), (std::array{1, 10, 1}));
    EXPECT_EQ(PosicaoProgresso(10240, 30000), 34);
    EXPECT_EQ(PosicaoProgresso(10240, 0), 100);
    EXPECT_EQ(PosicaoProgresso(50000, 30000), 100);
}

} // namespace
