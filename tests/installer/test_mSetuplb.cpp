// The installer's setup library: the command file, colours, list entries and
// macros, the disk check, the start-up and the uninstall log; and the disk
// label sections. Command files are written as a Windows editor leaves them:
// CR LF lines, Windows-1252 bytes.
#include "Arquivos.h"
#include "InteracaoRoteirizada.h"
#include "PastaTemporaria.h"
#include "RotuloDisco.h"
#include "Texto1252.h"
#include "Unidades.h"
#include "fStrlib.h"
#include "mSetuplb.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <unistd.h>

using namespace plataforma::literais;
namespace fs = std::filesystem;

namespace {

std::string Linhas(std::initializer_list<std::string> linhas) {
    std::string t;
    for (const auto& l : linhas) t += l + "\r\n";
    return t;
}

// An Interacao that can act while a message is shown (the user inserting the
// disk), and points the disk prompt's chooser at the folders it is given.
class InteracaoComAcao : public InteracaoRoteirizada {
public:
    std::function<void(int)> aoMostrar; // receives how many messages so far
    std::deque<std::string> escolhas;
    int PedirPastaDisco(const std::string& t, const std::string& x, std::string& p) override {
        int r = InteracaoRoteirizada::Mensagem(t, x, -3);
        if (r == 3 && !escolhas.empty()) {
            p = escolhas.front();
            escolhas.pop_front();
        }
        return r;
    }
    int Mensagem(const std::string& t, const std::string& x, int tipo) override {
        int r = InteracaoRoteirizada::Mensagem(t, x, tipo);
        if (aoMostrar) aoMostrar(static_cast<int>(mensagens.size()));
        return r;
    }
};

class Setup : public ::testing::Test {
protected:
    PastaTemporaria pasta;
    InteracaoComAcao ui;

    void SetUp() override {
        RestaurarConfiguracao();
        CriarListas();
    }
    void TearDown() override { RestaurarConfiguracao(); }

    bool Ler(const std::string& conteudo) {
        pasta.Escrever("zentrava.cmd", conteudo);
        return LerArquivoComandos(ui, "C:\\zentrava.cmd");
    }
    // How many files and folders the temporary drive holds.
    std::size_t Entradas() const {
        std::size_t n = 0;
        for ([[maybe_unused]] const auto& e : fs::recursive_directory_iterator(pasta.Host())) ++n;
        return n;
    }
};

// ---- The command file ----

TEST_F(Setup, ChavesAusentesDaoOsPadroes) {
    ASSERT_TRUE(Ler(Linhas({"[Info]", "Titulo=Vendas"})));
    EXPECT_EQ(Titulo, "Vendas");
    EXPECT_EQ(CorTitulo, clWhite);
    EXPECT_EQ(CorSombra, clWhite);
    EXPECT_EQ(SubTitulo, "");
    EXPECT_EQ(Rodape, "");
    EXPECT_EQ(CorSubTitulo, clWhite);
    EXPECT_EQ(CorFundo1, clBlue);
    EXPECT_EQ(CorFundo2, clRed);
    EXPECT_EQ(Instalacao, "000000");
    EXPECT_EQ(DirBase, "");
    EXPECT_EQ(TotalDiscos, 0);
    EXPECT_EQ(TotalArquivos, 0);
    EXPECT_EQ(TotalBytes, 0);
    EXPECT_EQ(GrupoPrograma, "");
    EXPECT_TRUE(ItensGrupo.empty() && ArquivosDescompactar.empty() && ArquivosINI.empty() &&
                ArquivosExecutar.empty());
    // The hourglass while reading, the arrow after.
    EXPECT_GE(ui.vezesOcupado, 1);
    EXPECT_EQ(ui.cursorOcupado, 0);
}

TEST_F(Setup, CadaChaveCortadaAparadaEConvertida) {
    const std::string titulo40 = std::string(30, 'T') + "     " + "xxxxx";
    const std::string sub70 = "Controle de Estoque e Faturamento " + std::string(36, 'S');
    const std::string dir210 = "\\" + std::string(209, 'd');
    ASSERT_TRUE(Ler(Linhas({
        "[Info]",
        "Titulo=" + titulo40,
        "Cor Titulo=clYellow",
        "Cor Sombra=clBlack",
        "Sub-Titulo=" + sub70,
        "Rodape=Copyright (c) Empresa Ltda - Versão 2.0"_ansi,
        "Cor Sub-Titulo=clAqua",
        "Cor de Fundo 1=clNavy",
        "Cor de Fundo 2=clTeal",
        "Instalacao=0010001",
        "Diretorio Base=" + dir210,
        "Total Discos=70000",
        "Total Arquivos=$10",
        "Total Bytes=0x100",
        "Grupo de Programa=\"  Sistema de Vendas  \"",
    })));
    EXPECT_EQ(Titulo, std::string(30, 'T')); // cut to 35, then trimmed
    EXPECT_EQ(CorTitulo, 0x00FFFFu);
    EXPECT_EQ(CorSombra, 0u);
    EXPECT_EQ(SubTitulo, sub70.substr(0, 60));
    EXPECT_EQ(Rodape, "Copyright (c) Empresa Ltda - Versão 2.0"_ansi);
    EXPECT_EQ(CorSubTitulo, 0xFFFF00u);
    EXPECT_EQ(CorFundo1, 0x800000u);
    EXPECT_EQ(CorFundo2, 0x808000u);
    EXPECT_EQ(Instalacao, "001000");
    EXPECT_EQ(DirBase, dir210.substr(0, 200));
    EXPECT_EQ(TotalDiscos, static_cast<int16_t>(70000 & 0xFFFF)); // kept in 16 bits
    EXPECT_EQ(TotalArquivos, 16);
    EXPECT_EQ(TotalBytes, 256);
    EXPECT_EQ(GrupoPrograma, "  Sistema de Vendas  "); // as read: not trimmed
}

TEST_F(Setup, InteirosQueNaoSaoNumeroValemZero) {
    ASSERT_TRUE(Ler(Linhas({"[Info]", "Total Discos=dois", "Total Arquivos=", "Total Bytes=12abc",
                            "Titulo=Z" + std::string(38, ' ') + "Z"})));
    EXPECT_EQ(TotalDiscos, 0);
    EXPECT_EQ(TotalArquivos, 0);
    EXPECT_EQ(TotalBytes, 12); // the leading number, as the profile functions read it
    EXPECT_EQ(Titulo, "Z");    // "Z" and 34 blanks, then trimmed
}

TEST_F(Setup, Cores) {
    ASSERT_TRUE(Ler(Linhas({"[Info]", "Cor Titulo=clwhite", "Cor Sombra=$00FF00",
                            "Cor Sub-Titulo=16711680", "Cor de Fundo 1=clBtnFace",
                            "Cor de Fundo 2=CLNONE"})));
    EXPECT_EQ(CorTitulo, 0xFFFFFFu);
    EXPECT_EQ(CorSombra, 0x00FF00u);
    EXPECT_EQ(CorSubTitulo, 0xFF0000u);
    EXPECT_EQ(CorFundo1, 0x80000000u + 15);
    EXPECT_EQ(CorFundo2, 0x1FFFFFFFu);

    EXPECT_EQ(ConverterCor("clScrollBar"), 0x80000000u);
    EXPECT_EQ(ConverterCor("cl3ddkshadow"), 0x80000000u + 21);
    EXPECT_EQ(ConverterCor("clInfoBk"), 0x80000000u + 24);
    EXPECT_EQ(ConverterCor("clSilver"), 0xC0C0C0u);
    EXPECT_EQ(ConverterCor("clMaroon"), 0x000080u);
    EXPECT_EQ(ConverterCor("-1"), 0xFFFFFFFFu);
    for (const char* ruim : {"", "clRosa", "$", "$G0", "12abc", "0x10", "white", "$100000000"})
        EXPECT_FALSE(ConverterCor(ruim)) << ruim;
}

TEST_F(Setup, CorDesconhecidaFalhaEGuardaOQueFoiLido) {
    EXPECT_FALSE(Ler(Linhas({"[Info]", "Titulo=Vendas", "Cor Titulo=clRed", "Cor Sombra=rosa",
                             "Sub-Titulo=Nunca lido", "Instalacao=001000", "[Itens do Grupo]",
                             "item1=Vendas,c:\\v.exe"})));
    EXPECT_EQ(Titulo, "Vendas");
    EXPECT_EQ(CorTitulo, clRed);
    EXPECT_EQ(SubTitulo, "");
    EXPECT_EQ(Instalacao, "000000");
    EXPECT_TRUE(ItensGrupo.empty());
    EXPECT_EQ(ui.cursorOcupado, 0);
}

TEST_F(Setup, ListasNaOrdemDoArquivo) {
    ASSERT_TRUE(Ler(Linhas({
        "[Info]",
        "Titulo=Vendas",
        "[Itens do Grupo]",
        "item2=Leia-me,@DIRBASE\\LEIAME.TXT",
        "item1=Vendas,@DIRBASE\\VENDAS.EXE",
        "item3=",
        "ITEM1=Repetido,x",
        "Leia=Solto,y",
        "[Descompactar Arquivos]",
        "item1=@DIRBASE\\DADOS.ZIP",
        "[Configurar Arquivos INI]",
        "item1=@WINDIR\\WIN.INI,Vendas,Caminho,@DIRBASE",
        "[Executar Arquivos]",
        "item1=@DIRBASE\\CONFIG.EXE,1,/s",
    })));
    EXPECT_EQ(ItensGrupo, (std::vector<std::string>{"item2=Leia-me,@DIRBASE\\LEIAME.TXT",
                                                    "item1=Vendas,@DIRBASE\\VENDAS.EXE",
                                                    "Leia=Solto,y"}));
    EXPECT_EQ(ArquivosDescompactar, std::vector<std::string>{"item1=@DIRBASE\\DADOS.ZIP"});
    EXPECT_EQ(ArquivosINI,
              std::vector<std::string>{"item1=@WINDIR\\WIN.INI,Vendas,Caminho,@DIRBASE"});
    EXPECT_EQ(ArquivosExecutar, std::vector<std::string>{"item1=@DIRBASE\\CONFIG.EXE,1,/s"});
    // The key that is not itemN stays in the first field.
    EXPECT_EQ(CamposEntrada(ItensGrupo, 2), (std::vector<std::string>{"Leia=Solto", "y"}));
}

TEST_F(Setup, EntradaLongaInteira) {
    const std::string longo(300, 'n');
    ASSERT_TRUE(Ler(Linhas({"[Info]", "Titulo=Longo", "[Descompactar Arquivos]",
                            "item1=" + longo + ",@DIRBASE\\X.ZIP"})));
    DirBase = "c:\\app\\";
    ASSERT_EQ(ArquivosDescompactar.size(), 1u);
    auto campos = CamposEntrada(ArquivosDescompactar, 0);
    ASSERT_EQ(campos.size(), 2u);
    EXPECT_EQ(campos[0], longo);
    EXPECT_EQ(campos[1], "c:\\app\\X.ZIP"); // a macro beyond 255 characters still expands
}

TEST_F(Setup, ArquivoDeComandosRuim) {
    EXPECT_FALSE(LerArquivoComandos(ui, "C:\\zentrava.cmd")); // missing
    EXPECT_FALSE(LerArquivoComandos(ui, "Q:\\zentrava.cmd")); // no such drive
    fs::create_directory(fs::path(pasta.Host()) / "pasta.cmd");
    EXPECT_FALSE(LerArquivoComandos(ui, "C:\\pasta.cmd"));   // a folder
    EXPECT_FALSE(Ler(""));                                     // empty
    EXPECT_FALSE(Ler(Linhas({"Titulo=Sem secao", "[Outra]", "a=b"}))); // no "Info"
    std::string binario = Linhas({"[Info]", "Titulo=Vendas"});
    binario += std::string("\x7F" "ELF\0\0\x01\xFF\xFE", 9);
    EXPECT_FALSE(Ler(binario));
    std::string lixo;
    for (int i = 0; i < 4096; ++i) lixo += static_cast<char>((i * 7919 + 13) % 255 + 1);
    EXPECT_FALSE(Ler(lixo));
    // Far beyond any command file: refused without reading it whole.
    std::string enorme = Linhas({"[Info]", "Titulo=Grande"});
    enorme.resize(20u << 20, ';');
    EXPECT_FALSE(Ler(enorme));
    if (geteuid() != 0) { // root reads anything
        ASSERT_TRUE(Ler(Linhas({"[Info]", "Titulo=Trancado"})));
        fs::permissions(fs::path(pasta.Host()) / "zentrava.cmd", fs::perms::none);
        EXPECT_FALSE(LerArquivoComandos(ui, "C:\\zentrava.cmd"));
    }
    EXPECT_TRUE(ui.mensagens.empty()); // the caller shows the one message
    EXPECT_EQ(ui.cursorOcupado, 0);
}

// ---- List entries and macros ----

TEST_F(Setup, CamposEMacros) {
    DirBase = "c:\\app\\";
    DirWindows = "c:\\windows";
    DirSistema = "c:\\windows\\system";
    using V = std::vector<std::string>;
    EXPECT_EQ(CamposEntrada("item1=Leia-me,@DIRBASE\\LEIAME.TXT", 0, true),
              (V{"Leia-me", "c:\\app\\leiame.txt"}));
    EXPECT_EQ(CamposEntrada("item1=a,b,", 0, true), (V{"a", "b", ""}));
    EXPECT_EQ(CamposEntrada("item10=Vendas,1", 9, true), (V{"Vendas", "1"}));
    EXPECT_EQ(CamposEntrada("item1=", 0, true), (V{""}));
    EXPECT_EQ(CamposEntrada("Item1=X", 0, true), (V{"X"}));
    // Field 1 keeps its case; the archives' list keeps the case of every field.
    EXPECT_EQ(CamposEntrada("item1=@WINDIR\\WIN.INI,Sec,Chave,Valor", 0, true),
              (V{"c:\\windows\\WIN.INI", "sec", "chave", "valor"}));
    EXPECT_EQ(CamposEntrada("item1=@DIRBASE\\Dados.ZIP,Extra", 0, false),
              (V{"c:\\app\\Dados.ZIP", "Extra"}));

    std::string t = "@sysdir\\VBRUN.DLL";
    ExpandirMacros(t);
    EXPECT_EQ(t, "c:\\windows\\system\\VBRUN.DLL");
    t = "@DirBase\\A;@DIRBASE\\B";
    ExpandirMacros(t);
    EXPECT_EQ(t, "c:\\app\\A;c:\\app\\B");
    t = "@WINDIR"; // the macro and nothing after it
    ExpandirMacros(t);
    EXPECT_EQ(t, "c:\\windows");
    t = "x@DIRBASE"; // nine characters asked, eight there
    ExpandirMacros(t);
    EXPECT_EQ(t, "xc:\\app\\");
    // A directory holding a macro is inserted once, not expanded without end.
    DirBase = "c:\\@dirbase\\";
    t = "@DIRBASE\\P";
    ExpandirMacros(t);
    EXPECT_EQ(t, "c:\\@dirbase\\P");
}

// The host-path macros: the folders' host paths, no final slash, their case
// kept where the rest of a field is lowered, never taken for the DOS macros,
// and a macro name inside an inserted folder left as it is.
TEST_F(Setup, MacrosDoSistema) {
    plataforma::TabelaUnidades tabela;
    tabela.raizes['C'] = pasta.Host() + "/Início Ana";
    fs::create_directories(tabela.raizes['C']);
    tabela.raizes['Z'] = "/";
    plataforma::DefinirUnidades(tabela);
    const std::string c = plataforma::NomeHostPara1252(pasta.Host() + "/Início Ana");
    DirBase = "c:\\Agenda \"X\"\\";
    DirWindows = "c:\\windows";
    DirSistema = "z:\\";
    using V = std::vector<std::string>;
    EXPECT_EQ(CamposEntrada("item1=@DIRBASE\\AGENDA.INI,Geral,Dados,@PASTABASE/Dados", 0, true),
              (V{"c:\\Agenda \"X\"\\AGENDA.INI", "geral", "dados", c + "/Agenda \"X\"/dados"}));
    EXPECT_EQ(CamposEntrada("item1=@PastaBase/Prog.sh,1,--dados \"@PASTABASE/Dados\" @DIRBASE\\X", 0, true),
              (V{c + "/Agenda \"X\"/Prog.sh", "1",
                 "--dados \"" + c + "/Agenda \"X\"/dados\" c:\\agenda \"x\"\\x"}));
    std::string t = "@PASTAWINDOWS/WIN.INI;@PASTASISTEMA/VB.DLL;@SYSDIR";
    ExpandirMacros(t);
    EXPECT_EQ(t, c + "/windows/WIN.INI;/VB.DLL;z:\\");
    // "@DIRBASE" eats the character after it, but never a host macro's start.
    t = "@DIRBASE@PASTABASE";
    ExpandirMacros(t);
    EXPECT_EQ(t, "c:\\Agenda \"X\"\\" + c + "/Agenda \"X\"");
    DirBase = "c:\\@PASTABASE\\";
    t = "@DIRBASE\\A";
    ExpandirMacros(t, true);
    EXPECT_EQ(t, "c:\\@pastabase\\a");
    t = "@PASTABASE";
    ExpandirMacros(t);
    EXPECT_EQ(t, c + "/@PASTABASE");
    DirBase = "q:\\sem unidade\\";
    t = "[@PASTABASE]";
    ExpandirMacros(t);
    EXPECT_EQ(t, "[]");
}

// ---- Disks ----

TEST_F(Setup, PastasDeImagemSemPergunta) {
    fs::create_directories(fs::path(pasta.Host()) / "INST/DISCO.001");
    fs::create_directories(fs::path(pasta.Host()) / "INST/DISCO.002");
    DirDisco = "C:\\INST\\DISCO.001\\";
    EXPECT_TRUE(VerificarDisco(ui, 'C', 2));
    EXPECT_EQ(DirDisco, "C:\\INST\\DISCO.002\\");
    EXPECT_EQ(plataforma::Minusculas1252(plataforma::PastaAtual()), "c:\\inst\\disco.002");
    EXPECT_TRUE(ui.mensagens.empty());
}

// A missing image folder is asked for; "Procurar..." may point at the disk
// itself or at the folder that holds its image folder.
TEST_F(Setup, PastaDeImagemAusenteEPedida) {
    const fs::path raiz = pasta.Host();
    fs::create_directories(raiz / "INST/DISCO.001");
    fs::create_directories(raiz / "outro lugar/DISCO.002");
    fs::create_directories(raiz / "solto");
    pasta.Escrever("solto/zentrava.003", "[Arquivo #1]\r\n");
    DirDisco = "C:\\INST\\DISCO.001\\";
    ui.respostas = {1, 3, 1, 2};
    ui.escolhas = {"c:\\inst", "c:\\outro lugar"};
    EXPECT_FALSE(VerificarDisco(ui, 'C', 2)); // OK, a folder without it, then Cancel
    ASSERT_EQ(ui.mensagens.size(), 4u);
    EXPECT_EQ(ui.mensagens[0].tipo, -3);
    EXPECT_EQ(ui.mensagens[0].titulo, "Atenção"_ansi);
    EXPECT_TRUE(ui.mensagens[0].texto.starts_with("Insira o Disco de Instalação #2 no drive C ...\r"_ansi));
    EXPECT_NE(ui.mensagens[0].texto.find(pasta.Host() + "/INST/DISCO.002)"), std::string::npos);
    EXPECT_EQ(ui.mensagens[2].texto, "A pasta c:\\inst ("_ansi + pasta.Host() +
                                         "/INST) não contém o Disco de Instalação #2."_ansi);
    EXPECT_EQ(DirDisco, "C:\\INST\\DISCO.001\\");

    ui.mensagens.clear();
    ui.respostas = {3};
    EXPECT_TRUE(VerificarDisco(ui, 'C', 2));
    EXPECT_EQ(DirDisco, "c:\\outro lugar\\DISCO.002\\");
    EXPECT_EQ(plataforma::Minusculas1252(plataforma::PastaAtual()), "c:\\outro lugar\\disco.002");
    ui.respostas = {3};
    ui.escolhas = {"c:\\solto"};
    EXPECT_TRUE(VerificarDisco(ui, 'C', 3)); // the disk itself, not named DISCO.nnn
    EXPECT_EQ(DirDisco, "c:\\solto\\");
    EXPECT_EQ(ui.mensagens.size(), 2u);

    // Label files all in one folder: nothing to ask.
    ui.mensagens.clear();
    pasta.Escrever("INST/DISCO.001/zentrava.002", "");
    DirDisco = "C:\\INST\\DISCO.001\\";
    EXPECT_TRUE(VerificarDisco(ui, 'C', 2));
    EXPECT_EQ(DirDisco, "C:\\INST\\DISCO.001\\");
    EXPECT_TRUE(ui.mensagens.empty());
}

// A first folder named with fewer digits still leaves a folder path behind.
TEST_F(Setup, PastaDeImagemComMenosDigitos) {
    fs::create_directories(fs::path(pasta.Host()) / "INST/DISCO.1");
    fs::create_directories(fs::path(pasta.Host()) / "INST/DISCO.002");
    DirDisco = "C:\\INST\\DISCO.1\\";
    EXPECT_TRUE(VerificarDisco(ui, 'C', 2));
    EXPECT_EQ(DirDisco, "C:\\INST\\DISCO.002\\");
}

TEST(Disco, PedeODiscoAteOArquivoAparecer) {
    PastaTemporaria disco('A');
    InteracaoComAcao ui;
    RestaurarConfiguracao();
    DirDisco = "A:\\";
    ui.aoMostrar = [&](int vezes) {
        if (vezes == 2) disco.Escrever("zentrava.003", "[Arquivo #1]\r\n");
    };
    EXPECT_TRUE(VerificarDisco(ui, 'a', 3));
    ASSERT_EQ(ui.mensagens.size(), 2u);
    EXPECT_EQ(ui.mensagens[0].titulo, "Atenção"_ansi);
    EXPECT_EQ(ui.mensagens[0].texto, "Insira o Disco de Instalação #3 no drive A ..."_ansi);
    EXPECT_EQ(ui.mensagens[0].tipo, 11);

    ui.mensagens.clear();
    ui.aoMostrar = nullptr;
    ui.respostas = {1, 2}; // OK, then Cancel
    EXPECT_FALSE(VerificarDisco(ui, 'A', 12));
    ASSERT_EQ(ui.mensagens.size(), 2u);
    EXPECT_EQ(ui.mensagens[1].texto, "Insira o Disco de Instalação #12 no drive A ..."_ansi);
    EXPECT_EQ(NomeRotuloDisco(12), "zentrava.012");
    RestaurarConfiguracao();
}

// ---- Start-up ----

class Partida_ : public Setup {
protected:
    void Comandos() { pasta.Escrever("zentrava.cmd", Linhas({"[Info]", "Titulo=Vendas"})); }
    void ComTabela(std::initializer_list<std::pair<char, std::string>> extras) {
        plataforma::TabelaUnidades t;
        t.raizes['C'] = pasta.Host();
        for (const auto& [letra, raiz] : extras) t.raizes[letra] = raiz;
        plataforma::DefinirUnidades(t);
    }
    Partida Iniciar(std::optional<std::string_view> arg) {
        return IniciarInstalador(ui, "C:\\", arg);
    }
    void EsperarMensagem(const std::string& texto) {
        ASSERT_EQ(ui.mensagens.size(), 1u);
        EXPECT_EQ(ui.mensagens[0].titulo, "Erro");
        EXPECT_EQ(ui.mensagens[0].texto, texto);
        EXPECT_EQ(ui.mensagens[0].tipo, 6);
    }
};

const std::string semComandos = "Não foi encontrado o arquivo de comandos ZENTRAVA.CMD"_ansi;
const std::string semControle = "Não foi encontrado o arquivo de controle ZENTRAVA.001"_ansi;

TEST_F(Partida_, SemArquivoDeComandos) {
    pasta.Escrever("zentrava.001", "");
    EXPECT_EQ(Iniciar(std::nullopt), Partida::Encerrar);
    EsperarMensagem(semComandos);
}

TEST_F(Partida_, ComandosIlegiveisDaoAMesmaMensagem) {
    pasta.Escrever("zentrava.001", "");
    pasta.Escrever("zentrava.cmd", Linhas({"[Info]", "Cor Titulo=azul", "[Itens do Grupo]",
                                           "item1=a,b"}));
    EXPECT_EQ(Iniciar(std::nullopt), Partida::Encerrar);
    EsperarMensagem(semComandos);
    EXPECT_TRUE(ItensGrupo.empty());
}

TEST_F(Partida_, SemArquivoDeControle) {
    Comandos();
    EXPECT_EQ(Iniciar(std::nullopt), Partida::Encerrar);
    EsperarMensagem(semControle);
}

TEST_F(Partida_, NormalSemEscreverNada) {
    Comandos();
    pasta.Escrever("zentrava.001", "");
    pasta.Escrever("[Itens]", "");
    const std::size_t antes = Entradas();
    EXPECT_EQ(Iniciar(std::nullopt), Partida::Instalar);
    EXPECT_TRUE(ui.mensagens.empty());
    EXPECT_EQ(DirInstalador, "C:\\");
    EXPECT_EQ(DirOrigem, "C:\\");
    EXPECT_EQ(DirDisco, "C:\\");
    EXPECT_EQ(DirWindows, "c:\\windows");
    EXPECT_EQ(DirSistema, "c:\\windows\\system");
    EXPECT_EQ(Titulo, "Vendas");
    EXPECT_EQ(Entradas(), antes);
    // Any other switch, and later arguments, change nothing.
    EXPECT_EQ(Iniciar("/Q"), Partida::Instalar);
    EXPECT_EQ(DirOrigem, "C:\\");
}

TEST_F(Partida_, ChaveDMinusculaEDiscoA) {
    Comandos();
    pasta.Escrever("discos/zentrava.001", "");
    EXPECT_EQ(Iniciar("/dc:\\discos"), Partida::Instalar);
    EXPECT_EQ(DirOrigem, "C:\\DISCOS\\");
    EXPECT_EQ(DirDisco, "C:\\DISCOS\\");

    // /DA: makes A:\ the source, and then A:\zentrava.001 is needed.
    ui.mensagens.clear();
    EXPECT_EQ(Iniciar("/DA:"), Partida::Encerrar);
    EXPECT_EQ(DirOrigem, "A:\\");
    EsperarMensagem(semControle);

    ui.mensagens.clear();
    ComTabela({{'A', pasta.Host() + "/discos"}});
    EXPECT_EQ(Iniciar("/DA:"), Partida::Instalar);
    EXPECT_TRUE(ui.mensagens.empty());
}

TEST_F(Partida_, CaminhoDoHostPelaTabela) {
    Comandos();
    pasta.Escrever("Mídia/zentrava.001", ""); // host names are UTF-8
    const std::string host = pasta.Host() + "/Mídia";
    EXPECT_EQ(Iniciar("/D" + host), Partida::Instalar);
    EXPECT_EQ(DirOrigem, "C:\\MÍDIA\\"_ansi);
    EXPECT_TRUE(ui.mensagens.empty());

    // A host path that no drive maps: the disks cannot be found.
    ComTabela({});
    EXPECT_EQ(Iniciar(std::string_view("/D/nao/mapeado")), Partida::Encerrar);
    EsperarMensagem(semControle);
}

TEST_F(Partida_, ChaveXDesinstalaSemLerComandos) {
    EXPECT_EQ(Iniciar("/xc:\\vendas"), Partida::Desinstalar);
    EXPECT_EQ(DirDisco, "C:\\VENDAS\\");
    EXPECT_TRUE(ui.mensagens.empty());
    EXPECT_EQ(Iniciar("/X" + pasta.Host()), Partida::Desinstalar);
    EXPECT_EQ(DirDisco, "C:\\");
}

// ---- The uninstall log ----

TEST_F(Setup, LogDeDesinstalacao) {
    Titulo = "Sistema de Vendas";
    GrupoPrograma = "Vendas Ltda";
    DirBase = "C:\\Vendas\\";
    DirOrigem = "A:\\";
    const std::string r = RegistroLogDesinstalacao();
    ASSERT_EQ(r.size(), 1133u);
    EXPECT_EQ(r[0], 26);
    EXPECT_EQ(r[3], 17);
    EXPECT_EQ(r.substr(4, 17), EmbaralharTexto(Titulo, embaralhar));
    EXPECT_EQ(r.substr(365, 12), "\x0BVendas Ltda");
    EXPECT_EQ(r.substr(621, 11), "\x0A" "c:\\vendas\\");
    EXPECT_EQ(r.substr(877, 4), "\x03" "a:\\");

    ASSERT_TRUE(GravarLogDesinstalacao(ui, "C:\\zentrava.log"));
    LogDesinstalacao log;
    ASSERT_TRUE(LerLogDesinstalacao(ui, "C:\\zentrava.log", log));
    EXPECT_EQ(log.titulo, "Sistema de Vendas");
    EXPECT_EQ(log.grupo, "Vendas Ltda");
    EXPECT_EQ(log.dirBase, "c:\\vendas\\");

    std::string ruim = r;
    ruim[365] = static_cast<char>(255); // fits; 36 for the title would not
    ruim[3] = 36;
    pasta.Escrever("ruim.log", ruim);
    EXPECT_FALSE(LerLogDesinstalacao(ui, "C:\\ruim.log", log));
    pasta.Escrever("curto.log", r.substr(0, 1000));
    EXPECT_FALSE(LerLogDesinstalacao(ui, "C:\\curto.log", log));
    EXPECT_EQ(log.grupo, "Vendas Ltda"); // untouched by a failed read
}

// ---- Disk label sections ----

TEST(RotuloDisco, SecaoIdaEVolta) {
    SecaoArquivo s;
    s.nome = "@DIRBASE\\DADOS\\CLIENTES.DBF";
    s.tamanho = 1500000;
    s.bytesSalvo = 1400000;
    s.qtdDiscos = 2;
    s.crc32 = 0x0012ABCDu;
    s.modo = 0755;
    const std::string texto = TextoSecaoArquivo(s, 3, true);
    EXPECT_EQ(texto, "[Arquivo #3]\r\nNome=@DIRBASE\\DADOS\\CLIENTES.DBF\r\nTamanho=1500000\r\n"
                     "Bytes Salvo=1400000\r\nQtd.Discos=2\r\nCRC32=0012ABCD\r\nModo=755\r\n");
    const SecaoArquivo l = LerSecaoArquivo("[Arquivo #2]\r\nNome=outro\r\n" + texto, 3, true);
    EXPECT_EQ(l.nome, s.nome);
    EXPECT_EQ(l.tamanho, s.tamanho);
    EXPECT_EQ(l.bytesSalvo, s.bytesSalvo);
    EXPECT_EQ(l.qtdDiscos, 2);
    EXPECT_EQ(l.crc32, s.crc32);
    EXPECT_FALSE(l.crc32Invalido);
    EXPECT_EQ(l.modo, 0755u);

    // A continuation disk carries only its piece.
    SecaoArquivo c;
    c.bytesSalvo = 100000;
    EXPECT_EQ(TextoSecaoArquivo(c, 3, false), "[Arquivo #3]\r\nBytes Salvo=100000\r\n");
    const SecaoArquivo lc = LerSecaoArquivo("[arquivo #3]\r\nBytes Salvo=100000\r\n", 3, false);
    EXPECT_EQ(lc.bytesSalvo, 100000);
    EXPECT_FALSE(lc.crc32);
}

TEST(RotuloDisco, ChavesOpcionaisRuins) {
    const SecaoArquivo v = LerSecaoArquivo("[Arquivo #1]\r\nNome=a\r\n", 1, true);
    EXPECT_EQ(v.qtdDiscos, 1); // default
    EXPECT_FALSE(v.crc32);
    EXPECT_FALSE(v.modo);
    for (const char* crc : {"12AB", "XYZ12345", "0x12ABCD", "123456789"}) {
        const SecaoArquivo s =
            LerSecaoArquivo(std::string("[Arquivo #1]\r\nCRC32=") + crc + "\r\n", 1, false);
        EXPECT_TRUE(s.crc32Invalido) << crc;
    }
    const SecaoArquivo m = LerSecaoArquivo("[Arquivo #1]\r\nModo=999\r\n", 1, true);
    EXPECT_FALSE(m.modo);
}

} // namespace
