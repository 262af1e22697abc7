#include "ApoioZip.h"
#include "PastaTemporaria.h"
#include "zentunz.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

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

} // namespace
