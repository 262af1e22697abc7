#include "ApoioConjunto.h"
#include "InteracaoRoteirizada.h"
#include "PastaTemporaria.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

using namespace conjunto;
using namespace plataforma;

namespace {

struct Resultado {
    std::optional<std::string> erro; // UTF-8
    ObservadorTeste obs;
    ResumoGerador resumo;
};

class Gerador : public ::testing::Test {
protected:
    PastaTemporaria tmp{'C'};
    fs::path raiz{tmp.Host()};
    fs::path programas = ProgramasFalsos(raiz / "programas");
    fs::path saida = raiz / "saida";

    Resultado Gerar(const std::string& projetoUtf8, bool substituir = false) {
        Projeto(raiz / "projeto.zgp", projetoUtf8);
        return GerarComo(substituir);
    }
    // The project's bytes as they stand (UTF-8, mixed, broken...).
    Resultado GerarBytes(const std::string& bytes, bool substituir = false) {
        Escrever(raiz / "projeto.zgp", bytes);
        return GerarComo(substituir);
    }
    Resultado GerarComo(bool substituir) {
        Resultado r;
        OpcoesGerador o;
        o.projeto = raiz / "projeto.zgp";
        o.saida = saida;
        o.programas = programas;
        o.substituir = substituir;
        if (auto e = GerarDiscos(o, r.obs, r.resumo)) r.erro = Cp1252ParaUtf8(*e);
        return r;
    }

    // The tree of the round trips: nested folders, an empty file, a file
    // larger than three disks, names with accents and spaces, one name in
    // two folders, a script that must stay executable.
    int64_t ArvoreAmostra(std::size_t grande) {
        fs::path app = raiz / "fonte" / "app";
        Escrever(app / "leia.txt", "Leia-me\r\n");
        Escrever(app / "sub" / "fundo" / "dados.bin", ConjuntoDiscos::Dados(3000, 1));
        Escrever(app / "vazio.dat", "");
        Escrever(app / "grande.bin", ConjuntoDiscos::Dados(grande, 2));
        Escrever(app / "Ação e espaço" / "Relatório final.txt", "relatório\n");
        Escrever(app / "x" / "LEIAME.TXT", "primeiro\n");
        Escrever(app / "y" / "LEIAME.TXT", "segundo\n");
        Escrever(app / "bin" / "rodar.sh", "#!/bin/sh\necho ok\n", fs::perms(0755));
        int64_t total = 0;
        for (const auto& e : fs::recursive_directory_iterator(app))
            if (e.is_regular_file()) total += static_cast<int64_t>(e.file_size());
        return total;
    }

    std::string Instalar() {
        fs::path base = raiz / "instalado";
        fs::remove_all(base);
        fs::create_directories(base);
        return conjunto::Instalar(saida, base);
    }

    // Nothing but what the test put there: no output, no hidden folder.
    bool NadaDeixado() {
        for (const auto& e : fs::directory_iterator(raiz)) {
            std::string n = e.path().filename().string();
            if (n != "programas" && n != "fonte" && n != "projeto.zgp" && n != "instalado")
                return false;
        }
        return true;
    }
};

const char* const info = "[Info]\nTitulo=Aplicação de Teste\nCor Titulo=clwhite\n"
                         "Cor de Fundo 1=$00FF00\nDiretorio Base=\\APLIC\nInstalacao=001000\n"
                         "Grupo de Programa=\"  Grupo Teste  \"\nTotal Discos=99\n";

std::string ProjetoAmostra(const std::string& tamanho) {
    return std::string(info) + "[Arquivos]\nitem1=fonte/app/*,@DIRBASE\\\n[Discos]\nTamanho=" +
           tamanho + "\n";
}

TEST_F(Gerador, RoundTripOnSmallDisksSplitsAndRejoins) {
    int64_t bytes = ArvoreAmostra(70000);
    Resultado r = Gerar(ProjetoAmostra("20000"));
    ASSERT_FALSE(r.erro) << *r.erro;
    TamanhoDisco disco{20000, 1, false};
    EXPECT_LE(MaiorDisco(saida, disco), 20000);
    const int discos = ContarDiscos(saida);
    EXPECT_GE(discos, 4);
    EXPECT_EQ(ValorInfo(saida, "Total Discos"), discos);
    // The second LEIAME.TXT travels in the names archive: the bytes it needs
    // besides the tree.
    int64_t zip = 0;
    for (int d = 1; d <= discos; ++d)
        if (fs::exists(saida / Pasta3(d) / "zentrava-nomes.zip"))
            zip += static_cast<int64_t>(fs::file_size(saida / Pasta3(d) / "zentrava-nomes.zip"));
    EXPECT_GT(zip, 0);
    EXPECT_EQ(ValorInfo(saida, "Total Arquivos"), 8);
    EXPECT_EQ(ValorInfo(saida, "Total Bytes"), bytes + zip);
    EXPECT_EQ(r.resumo.discos, discos);
    EXPECT_EQ(r.resumo.maiorTamanho, 70000);
    EXPECT_GT(r.resumo.maiorUltimoDisco - r.resumo.maiorPrimeiroDisco, 2);
    EXPECT_EQ(r.obs.discos.size(), static_cast<std::size_t>(discos));

    ASSERT_EQ(Instalar(), "");
    EXPECT_EQ(CompararArvores(raiz / "fonte" / "app", raiz / "instalado"), "");

    EXPECT_EQ(NomeRepetidoNumDisco(saida), "");
    // Disk 1 carries the programs and the command file.
    for (const char* p : {"zentrava", "libzentunz.so", "zentrava.cmd", "zentrava.001"})
        EXPECT_TRUE(fs::exists(saida / "DISCO.001" / p)) << p;
    EXPECT_TRUE((fs::status(saida / "DISCO.001" / "zentrava").permissions() & fs::perms::owner_exec) !=
                fs::perms::none);
}

TEST_F(Gerador, RoundTripOnFloppiesAndOnOneUnlimitedDisk) {
    ArvoreAmostra(3 * 1457664 + 5000);
    Resultado r = Gerar(ProjetoAmostra("1.44M"));
    ASSERT_FALSE(r.erro) << *r.erro;
    EXPECT_LE(MaiorDisco(saida, *LerTamanhoDisco("1.44M")), 1457664);
    EXPECT_GE(ContarDiscos(saida), 4);
    EXPECT_EQ(NomeRepetidoNumDisco(saida), "");
    ASSERT_EQ(Instalar(), "");
    EXPECT_EQ(CompararArvores(raiz / "fonte" / "app", raiz / "instalado"), "");

    r = Gerar(ProjetoAmostra("ilimitado"), true);
    ASSERT_FALSE(r.erro) << *r.erro;
    EXPECT_EQ(ContarDiscos(saida), 1);
    // The second LEIAME.TXT travels in an archive, extracted below DirBase.
    std::string cmd = Ler(saida / "DISCO.001" / "zentrava.cmd");
    EXPECT_NE(cmd.find("[Descompactar Arquivos]\r\nitem1=@DIRBASE\\zentrava-nomes.zip"), std::string::npos);
    ASSERT_EQ(Instalar(), "");
    EXPECT_EQ(CompararArvores(raiz / "fonte" / "app", raiz / "instalado"), "");
}

TEST_F(Gerador, LabelSectionsCarryModeAndCrcAndAChangedByteIsCaught) {
    ArvoreAmostra(50000);
    ASSERT_FALSE(Gerar(ProjetoAmostra("20000")).erro);
    bool viuExecutavel = false;
    for (int n = 1; n <= ValorInfo(saida, "Total Arquivos"); ++n)
        for (int d = 1; d <= ContarDiscos(saida); ++d) {
            SecaoArquivo s = LerSecaoArquivo(Rotulo(saida, d), n, true);
            if (s.nome.empty()) continue;
            EXPECT_TRUE(s.crc32.has_value());
            EXPECT_FALSE(s.crc32Invalido);
            ASSERT_TRUE(s.modo.has_value());
            if (s.nome.ends_with("rodar.sh")) {
                viuExecutavel = *s.modo == 0755;
            } else {
                EXPECT_EQ(*s.modo, 0644u) << s.nome;
            }
        }
    EXPECT_TRUE(viuExecutavel);

    fs::path peca = saida / "DISCO.002" / "grande.bin";
    ASSERT_TRUE(fs::exists(peca));
    std::string b = Ler(peca);
    b[b.size() / 2] ^= 1;
    Escrever(peca, b);
    // The restore reads the piece again and again gives up when told not to retry.
    EXPECT_NE(Instalar().find("Problemas durante a leitura do arquivo"), std::string::npos);
}

TEST_F(Gerador, CommandFileReadsBackThroughTheInstaller) {
    Escrever(raiz / "fonte" / "a.txt", "a");
    Escrever(raiz / "fonte" / "pacote" / "m" / "b.txt", "bb");
    std::string projeto = std::string(info) +
                          "Rodape=\"  espaços  \"\n"
                          "[Itens do Grupo]\nprimeiro=Programa,@DIRBASE\\a.txt\nsegundo=Leia-me,@DIRBASE\\b.txt\n"
                          "[Executar Arquivos]\nx=@DIRBASE\\a.txt,1\n"
                          "[Arquivos]\n1=fonte/a.txt,@DIRBASE\\\n"
                          "[Compactar]\n1=fonte/pacote,@DIRBASE\\P\\\n"
                          "[Discos]\nTamanho=ilimitado\n";
    Resultado r = Gerar(projeto);
    ASSERT_FALSE(r.erro) << *r.erro;
    InteracaoRoteirizada ui;
    RestaurarConfiguracao();
    ASSERT_TRUE(LerArquivoComandos(ui, "C:\\saida\\DISCO.001\\zentrava.cmd"));
    EXPECT_EQ(Titulo, Utf8Para1252("Aplicação de Teste"));
    EXPECT_EQ(CorTitulo, clWhite);
    EXPECT_EQ(CorFundo1, 0x00FF00u);
    EXPECT_EQ(DirBase, "\\APLIC");
    EXPECT_EQ(Instalacao, "001000");
    EXPECT_EQ(Rodape, Utf8Para1252("espaços"));
    EXPECT_EQ(GrupoPrograma, "  Grupo Teste  ");
    EXPECT_EQ(TotalDiscos, 1);
    EXPECT_EQ(TotalArquivos, 2);
    int32_t zip = static_cast<int32_t>(fs::file_size(saida / "DISCO.001" / "pacote.zip"));
    EXPECT_EQ(TotalBytes, 1 + 2 + zip);
    ASSERT_EQ(ItensGrupo.size(), 2u);
    DirBase = "C:\\APP\\";
    EXPECT_EQ(CamposEntrada(ItensGrupo, 1), (std::vector<std::string>{"Leia-me", "c:\\app\\b.txt"}));
    ASSERT_EQ(ArquivosDescompactar.size(), 1u);
    EXPECT_EQ(CamposEntrada(ArquivosDescompactar, 0)[0], "C:\\APP\\pacote.zip");
    ASSERT_EQ(ArquivosExecutar.size(), 1u);
    EXPECT_EQ(CamposEntrada(ArquivosExecutar, 0)[1], "1");
    bool avisouTotal = false;
    for (const auto& a : r.obs.avisos) avisouTotal = avisouTotal || a.find("Total Discos") != std::string::npos;
    EXPECT_TRUE(avisouTotal);
    RestaurarConfiguracao();
}

TEST_F(Gerador, RefusalsLeaveNothingBehind) {
    Escrever(raiz / "fonte" / "a.txt", "a");
    const std::string base = std::string(info) + "[Arquivos]\n1=fonte/a.txt,@DIRBASE\\\n";
    struct Caso {
        std::string projeto, trecho;
    };
    std::vector<Caso> casos{
        {base + "[Discos]\nTamanho=CD\n", ""}, // the sound one, for contrast
        {std::string(info) + "[Arquivos]\n1=fonte/falta.txt,@DIRBASE\\\n[Discos]\nTamanho=CD\n",
         "nenhum arquivo encontrado"},
        {"[Info]\nCor Sombra=verdinho\n[Arquivos]\n1=fonte/a.txt\n[Discos]\nTamanho=CD\n",
         "não é uma cor"},
        {base + "[Discos]\nTamanho=grande\n", "não é um tamanho"},
        {base, "Falta a chave Tamanho"},
        {base + "[Discos]\nTamanho=600\n", "não comporta os programas"},
        {base + "[Executar Arquivos]\n1=" + std::string(260, 'x') + "\n[Discos]\nTamanho=CD\n",
         "255 caracteres"},
    };
    // What the installer could not send at the very end of an installation.
    const std::string resto = "[Arquivos]\n1=fonte/a.txt,@DIRBASE\\\n[Discos]\nTamanho=CD\n";
    for (const std::string& grupo : std::vector<std::string>{"a\\b", "a/b", "..", "x..y", "Meu \"App\"", std::string(240, 'g')})
        casos.push_back({"[Info]\nDiretorio Base=\\APP\nGrupo de Programa=" + grupo + "\n" + resto,
                         "Grupo de Programa"});
    for (const std::string& item : std::vector<std::string>{"Sem Linha", "Sem Linha,", "Nome \"x\",c:\\a.exe", "Nome,c:\\\"a\".exe"})
        casos.push_back({base + "[Itens do Grupo]\n1=" + item + "\n[Discos]\nTamanho=CD\n",
                         "[Itens do Grupo] 1"});
    for (const std::string& programa : std::vector<std::string>{"@DIRBASE\\a.exe", "a.exe,um,/s", "a.exe,,/s", "a.exe,1 ,/s"})
        casos.push_back({base + "[Executar Arquivos]\n1=" + programa + "\n[Discos]\nTamanho=CD\n",
                         "código de janela"});
    for (const std::string& dir : std::vector<std::string>{"", "Diretorio Base=\\\n", "Diretorio Base=C:\\\n"})
        casos.push_back({"[Info]\n" + dir + resto, "Diretorio Base"});
    // A sound one, with a hexadecimal code and no parameters.
    casos.push_back({base + "[Executar Arquivos]\n1=a.exe,$1\n2=b.exe, 3,/x\n[Discos]\nTamanho=ilimitado\n", ""});
    for (std::size_t i = 1; i < casos.size(); ++i) {
        if (casos[i].trecho.empty()) continue;
        Resultado r = Gerar(casos[i].projeto);
        ASSERT_TRUE(r.erro) << i;
        EXPECT_NE(r.erro->find(casos[i].trecho), std::string::npos) << *r.erro;
        EXPECT_TRUE(NadaDeixado()) << i;
    }
    for (const Caso& c : casos) {
        if (!c.trecho.empty()) continue;
        auto r = Gerar(c.projeto, true);
        EXPECT_FALSE(r.erro) << *r.erro;
    }
}

TEST_F(Gerador, NamesOfProgramsAndLabelsAndWindowsRules) {
    // A file named like the installer may not be on disk 1; with one disk
    // and a destination outside DirBase there is nowhere to put it.
    Escrever(raiz / "fonte" / "a.txt", ConjuntoDiscos::Dados(100, 3));
    Escrever(raiz / "fonte" / "prog" / "zentrava", "outro programa");
    Resultado r = Gerar(std::string(info) + "[Arquivos]\n1=fonte/a.txt,@DIRBASE\\\n"
                        "2=fonte/prog/zentrava,@WINDIR\\\n[Discos]\nTamanho=ilimitado\n");
    ASSERT_TRUE(r.erro);
    EXPECT_NE(r.erro->find("programa"), std::string::npos) << *r.erro;
    EXPECT_TRUE(NadaDeixado());

    // Below DirBase it travels in the names archive, on disks of any size.
    r = Gerar(std::string(info) + "[Arquivos]\n1=fonte/prog/zentrava,@DIRBASE\\BIN\\\n"
              "2=fonte/a.txt,@DIRBASE\\\n[Discos]\nTamanho=5000\n");
    ASSERT_FALSE(r.erro) << *r.erro;
    EXPECT_EQ(ContarDiscos(saida), 1);
    EXPECT_EQ(Ler(saida / "DISCO.001" / "zentrava").substr(0, 9), "#!/bin/sh");
    EXPECT_TRUE(fs::exists(saida / "DISCO.001" / "zentrava-nomes.zip"));
    ASSERT_EQ(Instalar(), "");
    EXPECT_EQ(Ler(raiz / "instalado" / "BIN" / "zentrava"), "outro programa");
    EXPECT_EQ(Ler(raiz / "instalado" / "a.txt"), ConjuntoDiscos::Dados(100, 3));
    // Elsewhere, on disks of a size, it starts on disk 2.
    r = Gerar(std::string(info) + "[Arquivos]\n1=fonte/prog/zentrava,@SYSDIR\\\n"
              "2=fonte/a.txt,@DIRBASE\\\n[Discos]\nTamanho=5000\n", true);
    ASSERT_FALSE(r.erro) << *r.erro;
    EXPECT_EQ(Ler(saida / "DISCO.002" / "zentrava"), "outro programa");

    // Label file names, names Windows cannot hold, destinations too long.
    fs::remove_all(saida);
    for (auto [nome, motivo] : std::vector<std::pair<const char*, const char*>>{
             {"zentrava.007", "rótulo"}, {"NUL.txt", "dispositivo reservado do Windows (NUL)"},
             {"a:b", "caractere proibido :"}, {"fim.", "termina em ponto ou espaço"},
             {"com3", "(COM3)"}}) {
        fs::remove_all(raiz / "fonte" / "r");
        Escrever(raiz / "fonte" / "r" / nome, "x");
        r = Gerar(std::string(info) + "[Arquivos]\n1=fonte/r/*,@DIRBASE\\\n[Discos]\nTamanho=CD\n");
        ASSERT_TRUE(r.erro) << nome;
        EXPECT_NE(r.erro->find("fonte/r/"), std::string::npos) << *r.erro;
        EXPECT_NE(r.erro->find(motivo), std::string::npos) << *r.erro;
    }
    r = Gerar(std::string(info) + "[Arquivos]\n1=fonte/a.txt,@DIRBASE\\A|B\\\n[Discos]\nTamanho=CD\n");
    ASSERT_TRUE(r.erro);
    EXPECT_NE(r.erro->find("A|B"), std::string::npos) << *r.erro;
    fs::remove_all(raiz / "fonte" / "r");
    Escrever(raiz / "fonte" / "r" / std::string(200, 'n') / std::string(60, 'm'), "x");
    r = Gerar(std::string(info) + "[Arquivos]\n1=fonte/r,@DIRBASE\\\n[Discos]\nTamanho=CD\n");
    ASSERT_TRUE(r.erro);
    EXPECT_NE(r.erro->find("255"), std::string::npos) << *r.erro;
    EXPECT_TRUE(NadaDeixado());
}

TEST_F(Gerador, LimitsOfTheInstallerAreRefusedBeforeWriting) {
    // "Tamanho" of one file, then "Total Bytes" of two: sparse files.
    fs::create_directories(raiz / "fonte" / "esparsos");
    auto esparso = [&](const char* nome, int64_t tamanho) {
        int fd = ::open((raiz / "fonte" / "esparsos" / nome).c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, tamanho), 0);
        ::close(fd);
    };
    esparso("enorme.bin", int64_t{2147483647} + 1);
    Resultado r = Gerar(std::string(info) + "[Arquivos]\n1=fonte/esparsos,@DIRBASE\\\n[Discos]\nTamanho=CD\n");
    ASSERT_TRUE(r.erro);
    EXPECT_NE(r.erro->find("até 2147483647 bytes por arquivo"), std::string::npos) << *r.erro;
    EXPECT_TRUE(NadaDeixado());
    fs::remove(raiz / "fonte" / "esparsos" / "enorme.bin");
    esparso("a.bin", int64_t{1} << 30);
    esparso("b.bin", int64_t{1} << 30);
    r = Gerar(std::string(info) + "[Arquivos]\n1=fonte/esparsos,@DIRBASE\\\n[Discos]\nTamanho=CD\n");
    ASSERT_TRUE(r.erro);
    EXPECT_NE(r.erro->find("(Total Bytes)"), std::string::npos) << *r.erro;
    EXPECT_TRUE(NadaDeixado());
    fs::remove_all(raiz / "fonte" / "esparsos");

    // More than 255 disks.
    Escrever(raiz / "fonte" / "meio.bin", ConjuntoDiscos::Dados(600000, 4));
    r = Gerar(std::string(info) + "[Arquivos]\n1=fonte/meio.bin,@DIRBASE\\\n[Discos]\nTamanho=2000\n");
    ASSERT_TRUE(r.erro);
    EXPECT_NE(r.erro->find("255 discos"), std::string::npos) << *r.erro;
    EXPECT_TRUE(NadaDeixado());
    fs::remove(raiz / "fonte" / "meio.bin");

    // More than 32767 files.
    for (int i = 0; i <= maxArquivos; ++i) {
        int fd = ::open((raiz / "fonte" / ("f" + std::to_string(i))).c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }
    r = Gerar(std::string(info) + "[Arquivos]\n1=fonte,@DIRBASE\\\n[Discos]\nTamanho=CD\n");
    ASSERT_TRUE(r.erro);
    EXPECT_NE(r.erro->find("32767"), std::string::npos) << *r.erro;
    EXPECT_TRUE(NadaDeixado());
}

TEST_F(Gerador, AProjectThatIsNoTextFileIsRefused) {
    auto gerar = [&](const fs::path& projeto) {
        OpcoesGerador o;
        o.projeto = projeto;
        o.saida = saida;
        o.programas = programas;
        Resultado r;
        if (auto e = GerarDiscos(o, r.obs, r.resumo)) r.erro = Cp1252ParaUtf8(*e);
        return r;
    };
    fs::create_directories(raiz / "pasta.zgp");
    Escrever(raiz / "grande.zgp", std::string(17 << 20, ';'));
    for (const fs::path& p : {raiz / "pasta.zgp", raiz / "falta.zgp", raiz / "grande.zgp"}) {
        Resultado r = gerar(p);
        ASSERT_TRUE(r.erro) << p;
        EXPECT_NE(r.erro->find("arquivo de projeto"), std::string::npos) << *r.erro;
        EXPECT_FALSE(fs::exists(saida));
    }
}

TEST_F(Gerador, ExistingOutputIsKeptUnlessReplacing) {
    Escrever(raiz / "fonte" / "a.txt", "novo");
    const std::string p = std::string(info) + "[Arquivos]\n1=fonte/a.txt,@DIRBASE\\\n[Discos]\nTamanho=CD\n";
    Escrever(saida / "DISCO.001" / "antigo.txt", "antigo");
    Resultado r = Gerar(p);
    ASSERT_TRUE(r.erro);
    EXPECT_NE(r.erro->find("já existe"), std::string::npos) << *r.erro;
    EXPECT_EQ(Ler(saida / "DISCO.001" / "antigo.txt"), "antigo");

    // Only an earlier set is replaced: a folder holding anything else (the
    // home folder typed by mistake, the project's own folder) is kept whole.
    for (const fs::path& outra : {saida / "notas.txt", saida / "DISCO.001x", saida / "DISCO.1"}) {
        Escrever(outra, "meu");
        r = Gerar(p, true);
        ASSERT_TRUE(r.erro) << outra;
        EXPECT_NE(r.erro->find("não é um conjunto de discos"), std::string::npos) << *r.erro;
        EXPECT_EQ(Ler(outra), "meu");
        EXPECT_EQ(Ler(saida / "DISCO.001" / "antigo.txt"), "antigo");
        fs::remove(outra);
    }
    r = Gerar(p, true);
    ASSERT_FALSE(r.erro) << *r.erro;
    EXPECT_FALSE(fs::exists(saida / "DISCO.001" / "antigo.txt"));
    EXPECT_EQ(Ler(saida / "DISCO.001" / "a.txt"), "novo");
    for (const auto& e : fs::directory_iterator(raiz))
        EXPECT_EQ(e.path().filename().string().find(".gerando"), std::string::npos);
}

TEST_F(Gerador, Utf8ProjectsAreWrittenInWindows1252AndEncodingFaultsAreRefused) {
    Escrever(raiz / "fonte" / "Relatório.txt", "relatório\n");
    // UTF-8 as Linux editors write it, with CR LF and LF lines mixed.
    const std::string corpo =
        "[Info]\r\nTitulo=Aplicação Ótima\nSub-Titulo=Versão 2.1 – para lojas\r\n"
        "Diretorio Base=\\APLIC\nGrupo de Programa=Gestão\n"
        "[Itens do Grupo]\nrel=Relatório do mês,@DIRBASE\\Relatório.txt\n"
        "[Arquivos]\n1=fonte/Relatório.txt,@DIRBASE\\\n[Discos]\nTamanho=CD\n";
    for (const std::string& bytes : {corpo, "\xEF\xBB\xBF" + corpo}) {
        Resultado r = GerarBytes(bytes, true);
        ASSERT_FALSE(r.erro) << *r.erro;
        const std::string cmd = Ler(saida / "DISCO.001" / "zentrava.cmd");
        EXPECT_NE(cmd.find("Titulo=Aplica\xE7\xE3o \xD3tima\r\n"), std::string::npos) << cmd;
        EXPECT_NE(cmd.find("Sub-Titulo=Vers\xE3o 2.1 \x96 para lojas\r\n"), std::string::npos);
        EXPECT_NE(cmd.find("Grupo de Programa=Gest\xE3o\r\n"), std::string::npos);
        EXPECT_NE(cmd.find("item1=Relat\xF3rio do m\xEAs,@DIRBASE\\Relat\xF3rio.txt\r\n"), std::string::npos);
        EXPECT_TRUE(Utf8Valido(Cp1252ParaUtf8(cmd)));
        EXPECT_NE(Rotulo(saida, 1).find("Nome=@DIRBASE\\Relat\xF3rio.txt"), std::string::npos);
        ASSERT_EQ(Instalar(), "");
        EXPECT_EQ(Ler(raiz / "instalado" / "Relatório.txt"), "relatório\n");
    }
    fs::remove_all(saida);

    const std::string resto = "[Arquivos]\n1=fonte/Relatório.txt,@DIRBASE\\\n[Discos]\nTamanho=CD\n";
    const std::string dir = "[Info]\nDiretorio Base=\\APLIC\n";
    struct Caso {
        std::string bytes, trecho;
    };
    std::vector<Caso> casos{
        {dir + "Titulo=Preço ≥ 10\n" + resto, "linha 3 ([Info] Titulo): o caractere U+2265 (o 14º"},
        {std::string("\xFF\xFE[\0I\0", 6), "UTF-16"},
        {dir + "Titulo=Aplicação\nRodape=Instala\xE7\xE3o\n" + resto,
         "mistura codificações: a linha 3 está em UTF-8 e a linha 4"},
        {dir + "Titulo=x\x81y\n" + resto, "linha 3 ([Info] Titulo): o byte 0x81"},
        {dir + std::string("Titulo=a\0b\n", 11) + resto, "linha 3 ([Info] Titulo): a linha tem um byte nulo"},
        {dir + "Titulo=" + std::string(10 << 20, 'x') + "\n" + resto, "a linha tem 10485767 bytes"},
        {"\xEF\xBB\xBF" + dir + "Titulo=Instala\xE7\xE3o\n" + resto, "marca de UTF-8"},
    };
    for (const Caso& c : casos) {
        Resultado r = GerarBytes(c.bytes);
        ASSERT_TRUE(r.erro) << c.trecho;
        EXPECT_NE(r.erro->find(c.trecho), std::string::npos) << *r.erro;
        EXPECT_NE(r.erro->find("projeto.zgp"), std::string::npos) << *r.erro;
        EXPECT_TRUE(NadaDeixado()) << c.trecho;
    }
}

TEST_F(Gerador, WhatTheInstallerWouldFailOnIsRefusedBeforeWriting) {
    Escrever(raiz / "fonte" / "a.txt", "a");
    const std::string fim = "[Discos]\nTamanho=CD\n";
    Resultado r = Gerar(std::string(info) + "[Arquivos]\nprog=fonte/a.txt,@DIRBASE/bin/\n" + fim);
    ASSERT_TRUE(r.erro);
    EXPECT_NE(r.erro->find("[Arquivos] prog: o destino \"@DIRBASE/bin/\" tem \"/\""), std::string::npos) << *r.erro;
    r = Gerar(std::string(info) + "[Arquivos]\n1=fonte/a.txt,@PASTABASE\\\n" + fim);
    ASSERT_TRUE(r.erro);
    EXPECT_NE(r.erro->find("[Arquivos] 1: @PASTABASE"), std::string::npos) << *r.erro;
    EXPECT_TRUE(NadaDeixado());

    // The disk change rewrites the first "DISCO." of the installer's path.
    for (const fs::path& s : {raiz / "agenda.disco.v1", raiz / "Disco.velho" / "saida"}) {
        fs::create_directories(s.parent_path());
        OpcoesGerador o;
        o.projeto = raiz / "projeto.zgp";
        o.saida = s;
        o.programas = programas;
        Projeto(o.projeto, std::string(info) + "[Arquivos]\n1=fonte/a.txt,@DIRBASE\\\n" + fim);
        ObservadorTeste obs;
        ResumoGerador resumo;
        auto e = GerarDiscos(o, obs, resumo);
        ASSERT_TRUE(e) << s;
        EXPECT_NE(e->find("tem \"DISCO.\" no caminho"), std::string::npos) << *e;
        EXPECT_FALSE(fs::exists(s));
    }
    fs::remove_all(raiz / "Disco.velho");

    // The host-path macros are list fields like any other, kept as written.
    r = Gerar(std::string(info) + "[Arquivos]\n1=fonte/a.txt,@DIRBASE\\\n"
              "[Configurar Arquivos INI]\n1=@DIRBASE\\a.ini,Geral,Pasta,@PASTABASE/dados\n"
              "[Executar Arquivos]\n1=@DIRBASE\\a.txt,0,@PASTAWINDOWS @PASTASISTEMA\n" + fim);
    ASSERT_FALSE(r.erro) << *r.erro;
    const std::string cmd = Ler(saida / "DISCO.001" / "zentrava.cmd");
    EXPECT_NE(cmd.find("item1=@DIRBASE\\a.ini,Geral,Pasta,@PASTABASE/dados\r\n"), std::string::npos) << cmd;
    EXPECT_NE(cmd.find("item1=@DIRBASE\\a.txt,0,@PASTAWINDOWS @PASTASISTEMA\r\n"), std::string::npos) << cmd;
}

TEST_F(Gerador, NamesakesNeedNoDiskOfTheirOwn) {
    // Three LEIAME.TXT and bytes for two floppies: two floppies.
    Escrever(raiz / "fonte" / "app" / "grande.bin", ConjuntoDiscos::Dados(2000000, 5));
    for (const char* p : {"x", "y", "z"})
        Escrever(raiz / "fonte" / "app" / p / "LEIAME.TXT", std::string("leia ") + p);
    Resultado r = Gerar(ProjetoAmostra("1.44M"));
    ASSERT_FALSE(r.erro) << *r.erro;
    EXPECT_EQ(ContarDiscos(saida), 2);
    EXPECT_EQ(NomeRepetidoNumDisco(saida), "");
    ASSERT_EQ(Instalar(), "");
    EXPECT_EQ(CompararArvores(raiz / "fonte" / "app", raiz / "instalado"), "");
    // Without the large file, one.
    fs::remove(raiz / "fonte" / "app" / "grande.bin");
    r = Gerar(ProjetoAmostra("1.44M"), true);
    ASSERT_FALSE(r.erro) << *r.erro;
    EXPECT_EQ(ContarDiscos(saida), 1);
    ASSERT_EQ(Instalar(), "");
    EXPECT_EQ(CompararArvores(raiz / "fonte" / "app", raiz / "instalado"), "");
}

TEST_F(Gerador, ASourceRewrittenWhilePackedIsRefusedOrItsSetIsTrue) {
    const fs::path mexido = raiz / "fonte" / "app" / "mexido.bin";
    Escrever(mexido, ConjuntoDiscos::Dados(6000000, 6));
    int refusals = 0, sets = 0;
    for (int rodada = 0; rodada < 4; ++rodada) {
        // A refusal keeps an earlier round's set; each round starts without one.
        fs::remove_all(saida);
        std::atomic<bool> parar{false};
        std::thread escritor([&] {
            int fd = ::open(mexido.c_str(), O_WRONLY);
            unsigned semente = 17u + static_cast<unsigned>(rodada);
            // The first rounds rewrite at once, the last only after a pause.
            std::this_thread::sleep_for(std::chrono::milliseconds(rodada < 2 ? 0 : 2000));
            while (!parar) {
                char b[4096];
                for (char& c : b) c = static_cast<char>(rand_r(&semente));
                off_t em = static_cast<off_t>(rand_r(&semente) % (6000000 - sizeof b));
                if (::pwrite(fd, b, sizeof b, em) < 0) break;
            }
            ::close(fd);
        });
        Resultado r = Gerar(ProjetoAmostra("1.44M"), true);
        parar = true;
        escritor.join();
        if (r.erro) {
            ++refusals;
            EXPECT_NE(r.erro->find("mexido.bin: o arquivo mudou"), std::string::npos) << *r.erro;
            EXPECT_TRUE(NadaDeixado());
        } else {
            ++sets;
            // The restore checks every piece against its CRC32.
            EXPECT_EQ(Instalar(), "");
        }
    }
    EXPECT_EQ(refusals + sets, 4);
}

TEST_F(Gerador, LinksThatLoopOrLeadNowhereAreRefused) {
    Escrever(raiz / "fonte" / "app" / "sub" / "a.txt", "a");
    fs::create_directory_symlink("..", raiz / "fonte" / "app" / "sub" / "volta");
    Resultado r = Gerar(ProjetoAmostra("CD"));
    ASSERT_TRUE(r.erro);
    EXPECT_NE(r.erro->find("sub/volta leva a uma pasta que o contém"), std::string::npos) << *r.erro;
    fs::remove(raiz / "fonte" / "app" / "sub" / "volta");
    fs::create_symlink("laco", raiz / "fonte" / "app" / "laco");
    r = Gerar(ProjetoAmostra("CD"));
    ASSERT_TRUE(r.erro);
    EXPECT_NE(r.erro->find("app/laco não leva a nenhum arquivo"), std::string::npos) << *r.erro;
    EXPECT_TRUE(NadaDeixado());
    // A link to a folder elsewhere is followed.
    fs::remove(raiz / "fonte" / "app" / "laco");
    Escrever(raiz / "fonte" / "outra" / "b.txt", "b");
    fs::create_directory_symlink("../outra", raiz / "fonte" / "app" / "outra");
    r = Gerar(ProjetoAmostra("CD"));
    ASSERT_FALSE(r.erro) << *r.erro;
    ASSERT_EQ(Instalar(), "");
    EXPECT_EQ(Ler(raiz / "instalado" / "outra" / "b.txt"), "b");
}

// ---- The layout alone ----

ArquivoConjunto Arq(const std::string& nome, int64_t tamanho) {
    ArquivoConjunto a;
    a.nome = "@DIRBASE\\" + nome;
    a.peca = nome.substr(nome.rfind('\\') + 1);
    a.tamanho = tamanho;
    a.origem = nome;
    return a;
}

int64_t UsoDoDisco(const std::vector<ArquivoConjunto>& arqs, const PlanoDiscos& plano,
                   const TamanhoDisco& disco, std::size_t d) {
    int64_t u = Ocupado(disco, static_cast<int64_t>(TextoRotulo(arqs, plano, d, {}).size()));
    for (const auto& p : plano.discos[d - 1]) u += Ocupado(disco, p.bytes);
    return u;
}

TEST(PlanoDiscos, EveryDiskWithinItsSizeInAllocationUnits) {
    TamanhoDisco disco{20480, 512, false};
    std::vector<ArquivoConjunto> arqs{Arq("A\\um.txt", 100), Arq("dois.bin", 70000),
                                      Arq("vazio", 0), Arq("B\\tres", 20000)};
    PlanoDiscos plano;
    ASSERT_FALSE(PlanejarDiscos(arqs, disco, 3000, plano));
    std::vector<int64_t> somas(arqs.size());
    for (std::size_t d = 1; d <= plano.discos.size(); ++d) {
        EXPECT_LE(UsoDoDisco(arqs, plano, disco, d) + (d == 1 ? 3000 : 0), 20480) << d;
        for (const auto& p : plano.discos[d - 1]) somas[p.arquivo] += p.bytes;
        // Each disk begins with the file the previous one ended with.
        if (d > 1) {
            EXPECT_EQ(plano.discos[d - 1].front().arquivo, plano.discos[d - 2].back().arquivo);
        }
    }
    for (std::size_t i = 0; i < arqs.size(); ++i) EXPECT_EQ(somas[i], arqs[i].tamanho);
    // The second file's section on disk 1 counts every disk it spans.
    SecaoArquivo s = LerSecaoArquivo(TextoRotulo(arqs, plano, 1, {}), 2, true);
    EXPECT_GE(s.qtdDiscos, 4);
}

TEST(PlanoDiscos, NamesOfOneDiskNeverRepeatAndProgramsStayOffDiskOne) {
    TamanhoDisco disco{100000, 1, false};
    std::vector<ArquivoConjunto> arqs{Arq("a.txt", 10), Arq("X\\LEIAME", 5), Arq("b.txt", 0),
                                      Arq("Y\\leiame", 7), Arq("libzentunz.so", 3)};
    PlanoDiscos plano;
    ASSERT_FALSE(PlanejarDiscos(arqs, disco, 0, plano));
    ASSERT_EQ(plano.discos.size(), 2u);
    for (std::size_t d = 0; d < plano.discos.size(); ++d) {
        std::set<std::string> nomes;
        for (const auto& p : plano.discos[d])
            EXPECT_TRUE(nomes.insert(Maiusculas1252(arqs[p.arquivo].peca)).second);
        if (d == 0) {
            EXPECT_FALSE(nomes.count("LIBZENTUNZ.SO"));
        }
    }
    EXPECT_EQ(plano.avisos.size(), 1u);
    // A program's namesake with nothing before it on disk 1 waits for disk 2.
    std::vector<ArquivoConjunto> programa{Arq("zentrava", 4), Arq("a", 4), Arq("X\\b", 1),
                                          Arq("Y\\b", 1)};
    EXPECT_TRUE(PlanejarDiscos(programa, disco, 0, plano));
    OrdenarParaDiscos(programa);
    EXPECT_EQ(programa.back().peca, "zentrava");
    EXPECT_NE(programa[1].peca, programa[2].peca);
    ASSERT_FALSE(PlanejarDiscos(programa, disco, 0, plano));
    EXPECT_EQ(plano.discos.size(), 2u);

    // Two namesakes in a row cannot be separated on disks.
    std::vector<ArquivoConjunto> seguidos{Arq("X\\n", 1), Arq("Y\\n", 1)};
    EXPECT_TRUE(PlanejarDiscos(seguidos, disco, 0, plano));
}

TEST(TamanhoDisco, NamedSizesAndBytes) {
    EXPECT_EQ(LerTamanhoDisco("1.44M")->bytes, 1457664);
    EXPECT_EQ(LerTamanhoDisco(" cd ")->bytes, 681574400);
    EXPECT_TRUE(LerTamanhoDisco("Ilimitado")->ilimitado);
    EXPECT_EQ(LerTamanhoDisco("5000")->bytes, 5000);
    EXPECT_FALSE(LerTamanhoDisco("0"));
    EXPECT_FALSE(LerTamanhoDisco("1,44M"));
    EXPECT_FALSE(LerTamanhoDisco(""));
    // Suffixes in powers of 1024, with decimals; the media by name.
    EXPECT_EQ(LerTamanhoDisco("700M")->bytes, 700 * 1048576);
    EXPECT_EQ(LerTamanhoDisco("4.7G")->bytes, 5046586572);
    EXPECT_EQ(LerTamanhoDisco("1.5k")->bytes, 1536);
    EXPECT_EQ(LerTamanhoDisco("dvd")->bytes, 4697620480);
    EXPECT_EQ(LerTamanhoDisco("DVD")->unidade, 2048);
    EXPECT_EQ(LerTamanhoDisco("USB")->bytes, 7516192768);
    for (const char* ruim : {"1.5", "M", ".5M", "5.M", "1.2.3M", "-1M", "10T", "99999999999999G"})
        EXPECT_FALSE(LerTamanhoDisco(ruim)) << ruim;
}

} // namespace
