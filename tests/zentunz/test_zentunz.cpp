#include "ApoioZip.h"
#include "PastaTemporaria.h"
#include "zentunz.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <csignal>
#include <cstdlib>
#include <fstream>

#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Relatado {
    int32_t acao, erro, tamanho;
    std::string texto;
};

// One call of the engine, with its reports recorded. The archive sits in the
// temporary folder; members go to its subfolder "destino", the current folder.
class Motor : public ::testing::Test {
protected:
    PastaTemporaria pasta;
    fs::path raiz = pasta.Host();
    fs::path destino = raiz / "destino";
    fs::path arquivo = raiz / "a.zip";
    std::vector<Relatado> relatos;
    std::function<int32_t(const Relatado&)> resposta = [](const Relatado&) { return 0; };
    ZentunzParametros p{};
    std::vector<std::string> especificacoes;

    void SetUp() override {
        fs::create_directory(destino);
        ASSERT_EQ(chdir(destino.c_str()), 0);
        p.nomesPastas = -1;
        p.sobrescrever = -1;
    }

    static int32_t Rotina(ZentunzRelato* r) {
        auto* m = static_cast<Motor*>(r->chamador);
        m->relatos.push_back({r->acao, r->codigoErro, r->tamanho, r->texto});
        return m->resposta(m->relatos.back());
    }

    int32_t Extrair() {
        std::string nome = DosDe(arquivo);
        p.chamador = this;
        p.rotinaRelato = &Motor::Rotina;
        p.nomeArquivo = nome.c_str();
        p.qtdEspecificacoes = static_cast<int32_t>(especificacoes.size());
        for (std::size_t k = 0; k < especificacoes.size(); ++k)
            p.especificacoes[k] = especificacoes[k].c_str();
        return zentunz_extrair(&p);
    }

    int Contar(int32_t acao) const {
        return static_cast<int>(std::count_if(relatos.begin(), relatos.end(),
                                              [&](const Relatado& r) { return r.acao == acao; }));
    }
    std::vector<int32_t> Erros() const {
        std::vector<int32_t> e;
        for (auto& r : relatos)
            if (r.acao == ZENTUNZ_ACAO_MENSAGEM) e.push_back(r.erro);
        return e;
    }
    // Every message as its code and text.
    std::vector<std::string> Mensagens() const {
        std::vector<std::string> m;
        for (auto& r : relatos)
            if (r.acao == ZENTUNZ_ACAO_MENSAGEM) m.push_back(std::to_string(r.erro) + " " + r.texto);
        return m;
    }
    std::string Ler(const std::string& relativo) const { return LerHost(destino / relativo); }
};

TEST_F(Motor, ExtraiTodosOsMembrosComSuasPastas) {
    CriarZip(arquivo, {{"leia.txt", "ola"}, {"sub/b.txt", std::string(5000, 'b')},
                       {"sub\\win\\c.bin", "ccc", ZIP_CM_STORE}, {"vazia/", ""}});
    EXPECT_EQ(Extrair(), ZENTUNZ_OK);
    EXPECT_EQ(Ler("leia.txt"), "ola");
    EXPECT_EQ(Ler("sub/b.txt"), std::string(5000, 'b'));
    EXPECT_EQ(Ler("sub/win/c.bin"), "ccc");
    EXPECT_TRUE(fs::is_directory(destino / "vazia"));
    ASSERT_EQ(Contar(ZENTUNZ_ACAO_INICIO), 3);
    EXPECT_EQ(relatos[0].texto, "leia.txt");
    EXPECT_EQ(relatos[0].tamanho, 3);
    EXPECT_EQ(relatos.back().acao, ZENTUNZ_ACAO_FIM);
    EXPECT_EQ(Contar(ZENTUNZ_ACAO_FIM), 1);
}

TEST_F(Motor, MetodosQueNaoSaoDeflateVemPeloFluxoDaLibzip) {
    if (!zip_compression_method_supported(ZIP_CM_BZIP2, 0)) GTEST_SKIP() << "libzip sem bzip2";
    std::string texto(200000, 'b');
    for (std::size_t k = 0; k < texto.size(); k += 7) texto[k] = static_cast<char>('a' + k % 26);
    CriarZip(arquivo, {{"b.txt", texto, ZIP_CM_BZIP2}});
    EXPECT_EQ(Extrair(), ZENTUNZ_OK);
    EXPECT_EQ(Ler("b.txt"), texto);
    EXPECT_EQ(Contar(ZENTUNZ_ACAO_PASSO), 6);
}

TEST_F(Motor, SemNomesDePastasGravaTudoNaPastaAtual) {
    CriarZip(arquivo, {{"sub/b.txt", "b"}, {"vazia/", ""}});
    p.nomesPastas = 0;
    EXPECT_EQ(Extrair(), ZENTUNZ_OK);
    EXPECT_EQ(ConteudoDe(destino), std::vector<std::string>{"b.txt"});
}

TEST_F(Motor, SobrescreverDecideSobreArquivosExistentes) {
    CriarZip(arquivo, {{"x.txt", "novo"}});
    GravarHost(destino / "x.txt", "velho");
    p.sobrescrever = 0;
    EXPECT_EQ(Extrair(), ZENTUNZ_AVISOS);
    EXPECT_EQ(Ler("x.txt"), "velho");
    EXPECT_EQ(Erros(), std::vector<int32_t>{ZENTUNZ_ERRO_EXISTENTE});
    EXPECT_EQ(Contar(ZENTUNZ_ACAO_INICIO), 0);

    p.sobrescrever = -1;
    EXPECT_EQ(Extrair(), ZENTUNZ_OK);
    EXPECT_EQ(Ler("x.txt"), "novo");
}

TEST_F(Motor, AtualizarERenovarComparamAsDatas) {
    const time_t antiga = 1000000000, recente = 1600000000;
    CriarZip(arquivo, {{"velho.txt", "zip", ZIP_CM_DEFLATE, false, recente},
                       {"novo.txt", "zip", ZIP_CM_DEFLATE, false, antiga},
                       {"falta.txt", "zip", ZIP_CM_DEFLATE, false, recente}});
    auto preparar = [&] {
        for (const char* n : {"velho.txt", "novo.txt"}) GravarHost(destino / n, "disco");
        fs::remove(destino / "falta.txt");
        fs::last_write_time(destino / "velho.txt",
                            fs::file_time_type::clock::now() - std::chrono::hours(24 * 365 * 10));
    };
    preparar();
    p.sobrescrever = 0;
    p.renovar = -1; // only files already there, and only when older
    EXPECT_EQ(Extrair(), ZENTUNZ_OK);
    EXPECT_EQ(Ler("velho.txt"), "zip");
    EXPECT_EQ(Ler("novo.txt"), "disco");
    EXPECT_FALSE(fs::exists(destino / "falta.txt"));

    preparar();
    p.renovar = 0;
    p.atualizar = -1; // the missing ones too
    EXPECT_EQ(Extrair(), ZENTUNZ_OK);
    EXPECT_EQ(Ler("velho.txt"), "zip");
    EXPECT_EQ(Ler("novo.txt"), "disco");
    EXPECT_EQ(Ler("falta.txt"), "zip");
    EXPECT_TRUE(Erros().empty());
}

TEST_F(Motor, EspecificacoesEscolhemOsMembros) {
    CriarZip(arquivo, {{"sub/b.txt", "b"}, {"sub/c.dat", "c"}, {"d.txt", "d"}});
    especificacoes = {"SUB\\*.TXT", "D.TXT", "nada.txt"};
    EXPECT_EQ(Extrair(), ZENTUNZ_AVISOS);
    EXPECT_EQ(ConteudoDe(destino), (std::vector<std::string>{"d.txt", "sub", "sub/b.txt"}));
    ASSERT_EQ(Erros(), std::vector<int32_t>{ZENTUNZ_ERRO_ESPECIFICACAO});
}

TEST_F(Motor, RelataUmPassoACada32768Bytes) {
    CriarZip(arquivo, {{"pequeno.bin", std::string(20000, 'p')}});
    EXPECT_EQ(Extrair(), ZENTUNZ_OK);
    EXPECT_EQ(Contar(ZENTUNZ_ACAO_INICIO), 1);
    EXPECT_LE(Contar(ZENTUNZ_ACAO_PASSO), 1);

    relatos.clear();
    CriarZip(arquivo, {{"grande.bin", std::string(100000, 'g')}});
    EXPECT_EQ(Extrair(), ZENTUNZ_OK);
    ASSERT_EQ(relatos.front().acao, ZENTUNZ_ACAO_INICIO);
    EXPECT_EQ(relatos.front().tamanho, 100000);
    EXPECT_EQ(Contar(ZENTUNZ_ACAO_PASSO), 3);
}

TEST_F(Motor, ParaQuandoARotinaDevolveMenosUmSemDeixarMeioArquivo) {
    CriarZip(arquivo, {{"a.bin", std::string(300000, 'a')}, {"b.bin", "b"}});
    GravarHost(destino / "a.bin", "anterior");
    resposta = [](const Relatado& r) { return r.acao == ZENTUNZ_ACAO_PASSO ? -1 : 0; };
    EXPECT_EQ(Extrair(), ZENTUNZ_INTERROMPIDO);
    EXPECT_EQ(Contar(ZENTUNZ_ACAO_PASSO), 1);
    EXPECT_EQ(Contar(ZENTUNZ_ACAO_FIM), 0);
    EXPECT_EQ(ConteudoDe(destino), std::vector<std::string>{"a.bin"});
    EXPECT_EQ(Ler("a.bin"), "anterior");
}

TEST_F(Motor, MembroComCrcErradoNaoFica) {
    std::string dados(4000, 'k');
    CriarZip(arquivo, {{"k.bin", dados, ZIP_CM_STORE}, {"ok.txt", "ok"}});
    std::string b = LerHost(arquivo);
    b[b.find(dados) + 100] = 'X';
    GravarHost(arquivo, b);
    EXPECT_EQ(Extrair(), ZENTUNZ_AVISOS);
    EXPECT_EQ(Erros(), std::vector<int32_t>{ZENTUNZ_ERRO_DADOS});
    EXPECT_EQ(ConteudoDe(destino), std::vector<std::string>{"ok.txt"});
}

TEST_F(Motor, ArquivoAusenteOuRegistroInvalido) {
    EXPECT_EQ(Extrair(), ZENTUNZ_ERRO_ABERTURA);
    EXPECT_EQ(Erros(), std::vector<int32_t>{ZENTUNZ_ERRO_ARQUIVO});
    EXPECT_EQ(relatos.back().acao, ZENTUNZ_ACAO_FIM);

    EXPECT_EQ(zentunz_extrair(nullptr), ZENTUNZ_PARAMETROS);
    ZentunzParametros semNome{};
    EXPECT_EQ(zentunz_extrair(&semNome), ZENTUNZ_PARAMETROS);
    std::string nome = DosDe(arquivo);
    semNome.nomeArquivo = nome.c_str();
    semNome.qtdEspecificacoes = ZENTUNZ_MAX_ESPECIFICACOES + 1;
    EXPECT_EQ(zentunz_extrair(&semNome), ZENTUNZ_PARAMETROS);
    semNome.qtdEspecificacoes = 1; // its pointer is null
    EXPECT_EQ(zentunz_extrair(&semNome), ZENTUNZ_PARAMETROS);
}

TEST_F(Motor, ArquivosHostisNaoEscrevemForaDaPasta) {
    fs::create_directory(raiz / "alvo");
    fs::create_directory_symlink(raiz / "alvo", destino / "atalho");
    std::string absoluto = (raiz / "absoluto").string();
    CriarZip(arquivo, {{"../evil", "e"},
                       {"..\\evil2", "e"},
                       {absoluto, "e"},
                       {"/etc/zentunz-teste", "e"},
                       {"c:\\x", "e"},
                       {"a/../../x", "e"},
                       {"link", "../../alvo", ZIP_CM_STORE, true},
                       {"atalho/dentro.txt", "e"},
                       {"bom.txt", "bom"}});
    EXPECT_EQ(Extrair(), ZENTUNZ_AVISOS);
    EXPECT_EQ(Erros(), (std::vector<int32_t>{ZENTUNZ_ERRO_NOME, ZENTUNZ_ERRO_NOME, ZENTUNZ_ERRO_NOME,
                                             ZENTUNZ_ERRO_NOME, ZENTUNZ_ERRO_NOME, ZENTUNZ_ERRO_NOME,
                                             ZENTUNZ_ERRO_LINK, ZENTUNZ_ERRO_NOME}));
    EXPECT_EQ(ConteudoDe(raiz), (std::vector<std::string>{"a.zip", "alvo", "destino",
                                                          "destino/atalho", "destino/bom.txt"}));
    EXPECT_FALSE(fs::exists("/etc/zentunz-teste"));
    EXPECT_TRUE(fs::is_symlink(destino / "atalho"));
}

TEST_F(Motor, BombasSaoRecusadasAntesDeGravar) {
    if (!zip_compression_method_supported(ZIP_CM_BZIP2, 1)) GTEST_SKIP() << "libzip sem bzip2";
    // bzip2 squeezes 64 MiB of zeros far beyond what deflate can.
    CriarZip(arquivo, {{"zeros.bin", std::string(64 << 20, '\0'), ZIP_CM_BZIP2}, {"ok.txt", "ok"}});
    EXPECT_EQ(Extrair(), ZENTUNZ_AVISOS);
    EXPECT_EQ(Erros(), std::vector<int32_t>{ZENTUNZ_ERRO_LIMITE});
    EXPECT_EQ(ConteudoDe(destino), std::vector<std::string>{"ok.txt"});
}

TEST_F(Motor, TamanhosForjadosSaoRecusados) {
    CriarZip(arquivo, {{"enorme.bin", std::string(1000, 'e'), ZIP_CM_STORE}});
    DeclararTamanho(arquivo, 3u << 30); // beyond the member limit
    EXPECT_EQ(Extrair(), ZENTUNZ_AVISOS);
    EXPECT_EQ(Erros(), std::vector<int32_t>{ZENTUNZ_ERRO_LIMITE});

    relatos.clear();
    CriarZip(arquivo, {{"mente.bin", std::string(100000, 'm')}});
    DeclararTamanho(arquivo, 10); // inflates to more than it says
    EXPECT_EQ(Extrair(), ZENTUNZ_AVISOS);
    EXPECT_EQ(Erros(), std::vector<int32_t>{ZENTUNZ_ERRO_DADOS});
    EXPECT_TRUE(ConteudoDe(destino).empty());
}

// Sizes of 2^63 and more were negative once and passed every limit.
TEST_F(Motor, TamanhosZip64EnormesSaoRecusados) {
    CriarZipCru(arquivo, {{"2a63.bin", "pequeno"}, {"quase2a64.bin", "pequeno"}, {"ok.txt", "ok"}},
                {{"2a63.bin", 0, 1ULL << 63}, {"quase2a64.bin", 1, ~0ULL}, {"ok.txt", 2}});
    EXPECT_EQ(Extrair(), ZENTUNZ_AVISOS);
    EXPECT_EQ(Erros(), (std::vector<int32_t>{ZENTUNZ_ERRO_LIMITE, ZENTUNZ_ERRO_LIMITE}));
    EXPECT_EQ(ConteudoDe(destino), std::vector<std::string>{"ok.txt"});
}

TEST_F(Motor, TamanhoNegativoNaoDesligaOLimiteTotal) {
    // Five members of 2 GiB - 1 pass 8 GiB at the fifth, whatever came before.
    // Each carries 2 MiB of compressed bytes so that its ratio passes.
    std::vector<LocalCru> locais{{"menos16GiB.bin", "dados"}};
    std::vector<CentralCru> centrais{{"menos16GiB.bin", 0, ~0ULL - (16ULL << 30) + 1}};
    for (std::size_t k = 1; k <= 5; ++k) {
        locais.push_back({"m" + std::to_string(k), "dados", true, 2 << 20});
        centrais.push_back({locais.back().nome, k, 0x7FFFFFFF});
    }
    CriarZipCru(arquivo, locais, centrais);
    EXPECT_EQ(Extrair(), ZENTUNZ_AVISOS);
    // The four that fit are tried and found lying; the fifth is beyond the cap.
    EXPECT_EQ(Erros(), (std::vector<int32_t>{ZENTUNZ_ERRO_LIMITE, ZENTUNZ_ERRO_DADOS, ZENTUNZ_ERRO_DADOS,
                                             ZENTUNZ_ERRO_DADOS, ZENTUNZ_ERRO_DADOS, ZENTUNZ_ERRO_LIMITE}));
    EXPECT_EQ(Contar(ZENTUNZ_ACAO_INICIO), 4);
    EXPECT_TRUE(ConteudoDe(destino).empty());
}

TEST_F(Motor, MembrosSobrepostosRecusamOArquivoInteiro) {
    // Three names for one stream of zeros: a bomb whose only limit would be the total.
    CriarZipCru(arquivo, {{"zeros", std::string(1 << 20, '\0')}, {"ok.txt", "ok"}},
                {{"a.bin", 0}, {"b.bin", 0}, {"ok.txt", 1}, {"c.bin", 0}});
    EXPECT_EQ(Extrair(), ZENTUNZ_ERRO_ABERTURA);
    EXPECT_EQ(Erros(), std::vector<int32_t>{ZENTUNZ_ERRO_SOBREPOSICAO});
    EXPECT_EQ(Contar(ZENTUNZ_ACAO_INICIO), 0);
    EXPECT_EQ(Contar(ZENTUNZ_ACAO_FIM), 1);
    EXPECT_TRUE(ConteudoDe(destino).empty());

    // One member's data said to run on into the next one's header.
    relatos.clear();
    CriarZipCru(arquivo, {{"a.txt", "aaaa", false}, {"b.txt", "bbbb", false}},
                {{"a.txt", 0, 40, 40}, {"b.txt", 1}});
    EXPECT_EQ(Extrair(), ZENTUNZ_ERRO_ABERTURA);
    EXPECT_EQ(Erros(), std::vector<int32_t>{ZENTUNZ_ERRO_SOBREPOSICAO});
    EXPECT_TRUE(ConteudoDe(destino).empty());
}

TEST_F(Motor, NomesComCaracteresDeControleSaoRecusados) {
    CriarZip(arquivo, {{"linha\nnova.txt", "x"}, {"volta\r.txt", "x"}, {"sub\tpasta/a.txt", "x"},
                       {"apaga\x7f.txt", "x"}, {"bom.txt", "bom"}});
    EXPECT_EQ(Extrair(), ZENTUNZ_AVISOS);
    EXPECT_EQ(Erros(), std::vector<int32_t>(4, ZENTUNZ_ERRO_NOME));
    EXPECT_EQ(ConteudoDe(destino), std::vector<std::string>{"bom.txt"});
}

std::vector<std::string> Temporarios(const fs::path& pasta) {
    std::vector<std::string> r;
    for (const auto& nome : ConteudoDe(pasta))
        if (fs::path(nome).filename().string().starts_with(".zentunz-")) r.push_back(nome);
    return r;
}

// Bytes that no compressor shrinks much.
std::string Embaralhado(std::size_t n) {
    std::mt19937 g(7);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(g());
    return s;
}

// The archive cut short by another process (or a drive going away) while it
// is extracted: an error report for the members it no longer holds, never a
// signal, and nothing half-written under a member's name.
TEST_F(Motor, ArquivoEncurtadoDuranteAExtracao) {
    const std::string um(100000, 'u'), dois = Embaralhado(200000), tres(50000, 't');
    CriarZip(arquivo, {{"um.txt", um}, {"dois.bin", dois, ZIP_CM_STORE}, {"tres.txt", tres}});
    const std::string copia = LerHost(arquivo);
    const auto meioDeDois = static_cast<off_t>(copia.find(dois) + dois.size() / 2);
    struct Caso {
        std::string ondeEncurta;
        off_t novoTamanho;
        std::vector<std::string> semLeitura, conteudo;
    };
    for (const Caso& caso : {Caso{"dois.bin", meioDeDois, {"dois.bin", "tres.txt"}, {"dois.bin", "um.txt"}},
                             Caso{"um.txt", 0, {"um.txt", "dois.bin", "tres.txt"}, {"dois.bin"}}}) {
        SCOPED_TRACE(caso.ondeEncurta);
        GravarHost(arquivo, copia);
        for (const auto& e : fs::directory_iterator(destino)) fs::remove_all(e);
        GravarHost(destino / "dois.bin", "anterior");
        relatos.clear();
        resposta = [&](const Relatado& r) {
            if (r.acao == ZENTUNZ_ACAO_INICIO && r.texto == caso.ondeEncurta) {
                EXPECT_EQ(truncate(arquivo.c_str(), caso.novoTamanho), 0);
            }
            return 0;
        };
        EXPECT_EQ(Extrair(), ZENTUNZ_AVISOS);
        std::vector<std::string> esperadas;
        for (const auto& nome : caso.semLeitura) esperadas.push_back("5 Erro de leitura no membro: " + nome);
        EXPECT_EQ(Mensagens(), esperadas);
        EXPECT_EQ(Contar(ZENTUNZ_ACAO_FIM), 1);
        EXPECT_EQ(ConteudoDe(destino), caso.conteudo);
        EXPECT_EQ(Ler("dois.bin"), "anterior");
        if (fs::exists(destino / "um.txt")) {
            EXPECT_TRUE(Ler("um.txt") == um);
        }
    }
}

// The same in a member that libzip streams: cut while it is being written.
TEST_F(Motor, ArquivoEncurtadoNoMeioDeUmMembroEmFluxo) {
    if (!zip_compression_method_supported(ZIP_CM_BZIP2, 0)) GTEST_SKIP() << "libzip sem bzip2";
    CriarZip(arquivo, {{"b.bin", Embaralhado(2 << 20), ZIP_CM_BZIP2}, {"ok.txt", "ok"}});
    resposta = [&](const Relatado& r) {
        if (r.acao == ZENTUNZ_ACAO_PASSO && Contar(ZENTUNZ_ACAO_PASSO) == 1) {
            EXPECT_EQ(truncate(arquivo.c_str(), 1000), 0);
        }
        return 0;
    };
    EXPECT_EQ(Extrair(), ZENTUNZ_AVISOS);
    EXPECT_EQ(Mensagens(), (std::vector<std::string>{"5 Erro de leitura no membro: b.bin",
                                                      "5 Erro de leitura no membro: ok.txt"}));
    EXPECT_EQ(ConteudoDe(destino), std::vector<std::string>{});
}

// Text over a small vocabulary, made fast: it deflates about 3:1.
std::string Texto(std::size_t n) {
    static const char* const palavras[] = {"instalar ", "arquivo ", "dados ", "sistema\r\n", "pasta ",
                                           "registro ", "cliente ", "valor ", "zentrava ", "disco "};
    std::string s;
    s.reserve(n + 16);
    for (uint32_t x = 1; s.size() < n;) {
        x = x * 1664525u + 1013904223u;
        s += palavras[(x >> 16) % 10];
    }
    s.resize(n);
    return s;
}

// Members above the in-memory limit stream from the archive: the same
// messages and guarantees as the others, and a read error, never a signal,
// when the archive is cut under them.
TEST_F(Motor, MembrosGrandesEmFluxo) {
    const std::string texto = Texto((72 << 20) + 1000);
    std::string armazenado = Embaralhado(1 << 20);
    while (armazenado.size() < (64 << 20) + 4096) armazenado += armazenado.substr(0, 3 << 20);
    armazenado.resize((64 << 20) + 4096);
    CriarZip(arquivo, {{"grande.txt", texto, ZIP_CM_DEFLATE, false, 0, 1},
                       {"sub/armazenado.cab", armazenado, ZIP_CM_STORE},
                       {"ok.txt", "ok"}});
    const std::string copia = LerHost(arquivo);
    EXPECT_EQ(Extrair(), ZENTUNZ_OK);
    EXPECT_TRUE(Ler("grande.txt") == texto);
    EXPECT_TRUE(Ler("sub/armazenado.cab") == armazenado);
    EXPECT_EQ(Contar(ZENTUNZ_ACAO_PASSO),
              static_cast<int>(texto.size() / ZENTUNZ_BYTES_POR_PASSO + armazenado.size() / ZENTUNZ_BYTES_POR_PASSO));

    struct Caso {
        std::string nome;
        std::function<void()> estragar;
        std::vector<std::string> mensagens, conteudo;
    };
    const std::string dados = "5 Erro de CRC ou dados corrompidos, membro descartado: grande.txt";
    const std::vector<std::string> tudo{"grande.txt", "ok.txt", "sub", "sub/armazenado.cab"};
    for (const Caso& caso : std::initializer_list<Caso>{
             {"CRC errado só no fim", [&] { DeclararCrc(arquivo, Crc32(texto) ^ 1); }, {dados}, tudo},
             {"infla além do declarado", [&] { DeclararTamanho(arquivo, 70 << 20); }, {dados}, tudo},
             {"encurtado durante a extração",
              [&] {
                  resposta = [&](const Relatado& r) {
                      if (r.acao == ZENTUNZ_ACAO_PASSO && Contar(ZENTUNZ_ACAO_PASSO) == 100) {
                          EXPECT_EQ(truncate(arquivo.c_str(), 1 << 20), 0);
                      }
                      return 0;
                  };
              },
              {"5 Erro de leitura no membro: grande.txt", "5 Erro de leitura no membro: sub/armazenado.cab",
               "5 Erro de leitura no membro: ok.txt"},
              {"grande.txt", "sub"}}}) {
        SCOPED_TRACE(caso.nome);
        GravarHost(arquivo, copia);
        for (const auto& e : fs::directory_iterator(destino)) fs::remove_all(e);
        GravarHost(destino / "grande.txt", "anterior");
        relatos.clear();
        resposta = [](const Relatado&) { return 0; };
        caso.estragar();
        EXPECT_EQ(Extrair(), ZENTUNZ_AVISOS);
        EXPECT_EQ(Mensagens(), caso.mensagens);
        EXPECT_EQ(Contar(ZENTUNZ_ACAO_FIM), 1);
        EXPECT_EQ(ConteudoDe(destino), caso.conteudo);
        EXPECT_EQ(Ler("grande.txt"), "anterior");
    }
}

// One folder's descriptor serves the members that follow in it; members that
// go back and forth between folders land where they belong all the same.
TEST_F(Motor, MembrosAlternandoPastas) {
    CriarZip(arquivo, {{"a/1.txt", "a1"}, {"b/1.txt", "b1"}, {"a/2.txt", "a2"}, {"a/b/3.txt", "ab3"},
                       {"4.txt", "4"}, {"a/5.txt", "a5"}, {"c/", ""}, {"c/6.txt", "c6"}, {"a", "arquivo"},
                       {"a/7.txt", "a7"}});
    EXPECT_EQ(Extrair(), ZENTUNZ_AVISOS);
    // "a" is a folder by then: no file takes its place.
    EXPECT_EQ(Mensagens(), std::vector<std::string>{"6 N\xE3o foi poss\xEDvel gravar: a"});
    EXPECT_EQ(ConteudoDe(destino),
              (std::vector<std::string>{"4.txt", "a", "a/1.txt", "a/2.txt", "a/5.txt", "a/7.txt", "a/b",
                                        "a/b/3.txt", "b", "b/1.txt", "c", "c/6.txt"}));
    EXPECT_EQ(Ler("a/b/3.txt") + Ler("a/7.txt") + Ler("c/6.txt") + Ler("4.txt"), "ab3a7c64");
}

TEST_F(Motor, ExtracaoMortaNaoDeixaTemporarios) {
    std::string grande = Embaralhado(3 << 20);
    CriarZip(arquivo, {{"sub/grande.bin", grande, ZIP_CM_STORE}});
    // Killed in the middle of the member, as a user's kill -9 would.
    resposta = [](const Relatado& r) {
        if (r.acao == ZENTUNZ_ACAO_PASSO) raise(SIGKILL);
        return 0;
    };
    pid_t filho = fork();
    ASSERT_GE(filho, 0);
    if (filho == 0) {
        Extrair();
        _exit(0);
    }
    int estado = 0;
    ASSERT_EQ(waitpid(filho, &estado, 0), filho);
    ASSERT_TRUE(WIFSIGNALED(estado));
    EXPECT_FALSE(fs::exists(destino / "sub/grande.bin"));

    // Where the file system cannot hold unnamed files, named ones are left;
    // the next extraction removes those nobody holds, and only those.
    GravarHost(destino / "sub/.zentunz-99999-1.tmp", "abandonado");
    GravarHost(destino / "sub/.zentunz-99999-2.tmp", "em uso");
    int emUso = open((destino / "sub/.zentunz-99999-2.tmp").c_str(), O_RDONLY);
    ASSERT_EQ(flock(emUso, LOCK_EX), 0);
    resposta = [](const Relatado&) { return 0; };
    EXPECT_EQ(Extrair(), ZENTUNZ_OK);
    EXPECT_EQ(Ler("sub/grande.bin"), grande);
    EXPECT_EQ(Temporarios(destino), std::vector<std::string>{"sub/.zentunz-99999-2.tmp"});
    close(emUso);
}

// Archives as Python's zipfile writes them, with Unix modes or without.
class Modos : public Motor {
protected:
    mode_t anterior = umask(022);
    void SetUp() override {
        Motor::SetUp();
        if (std::system("python3 -c 1") != 0) GTEST_SKIP() << "sem python3";
    }
    void TearDown() override { umask(anterior); }

    bool Python(const std::string& membros) {
        std::string script = (raiz / "criar.py").string();
        std::ofstream(script) << "import zipfile, sys\n"
                                 "with zipfile.ZipFile(sys.argv[1], 'w') as z:\n"
                                 "    def m(nome, dados, modo=None, sistema=3):\n"
                                 "        i = zipfile.ZipInfo(nome)\n"
                                 "        i.create_system = sistema\n"
                                 "        i.external_attr = (modo << 16) if modo is not None else 0\n"
                                 "        z.writestr(i, dados)\n"
                              << membros;
        return std::system(("python3 '" + script + "' '" + arquivo.string() + "'").c_str()) == 0;
    }
    std::vector<mode_t> ModosDe(std::initializer_list<const char*> relativos) const {
        std::vector<mode_t> r;
        for (const char* relativo : relativos) {
            struct stat st{};
            stat((destino / relativo).c_str(), &st);
            r.push_back(st.st_mode & 07777);
        }
        return r;
    }
    // The extracted program's exit status.
    int Rodar(const std::string& relativo) const {
        int r = std::system((destino / relativo).c_str());
        return WIFEXITED(r) ? WEXITSTATUS(r) : -1;
    }
};

TEST_F(Modos, ModoUnixDoMembroEhMantidoSemBitsEspeciais) {
    ASSERT_TRUE(Python("    m('prog.sh', '#!/bin/sh\\nexit 7\\n', 0o100755)\n"
                       "    m('suid.sh', '#!/bin/sh\\n', 0o104755)\n"
                       "    m('privado.txt', 'p', 0o100600)\n"
                       "    m('script.txt', '#!/bin/sh\\n', 0o100644)\n"));
    EXPECT_EQ(Extrair(), ZENTUNZ_OK);
    // The last one's mode says it is no program, whatever its first bytes.
    EXPECT_EQ(ModosDe({"prog.sh", "suid.sh", "privado.txt", "script.txt"}),
              (std::vector<mode_t>{0755, 0755, 0600, 0644}));
    EXPECT_EQ(Rodar("prog.sh"), 7);
}

TEST_F(Modos, SemModoUnixProgramasPelosPrimeirosBytes) {
    ASSERT_TRUE(Python("    m('script', '#!/bin/sh\\nexit 3\\n', sistema=0)\n"
                       "    m('programa', b'\\x7fELF\\x02\\x01\\x01', sistema=0)\n"
                       "    m('dados.txt', 'texto', sistema=0)\n"
                       "    m('quase', '#', sistema=0)\n"));
    EXPECT_EQ(Extrair(), ZENTUNZ_OK);
    EXPECT_EQ(ModosDe({"script", "programa", "dados.txt", "quase"}),
              (std::vector<mode_t>{0755, 0755, 0644, 0644}));
    EXPECT_EQ(Rodar("script"), 3);

    // The creation mask decides who gets the bits.
    umask(027);
    EXPECT_EQ(Extrair(), ZENTUNZ_OK);
    EXPECT_EQ(ModosDe({"script", "dados.txt"}), (std::vector<mode_t>{0750, 0640}));
}

} // namespace
