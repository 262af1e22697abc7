#include "ApoioZip.h"
#include "InteracaoRoteirizada.h"
#include "PastaTemporaria.h"
#include "Texto1252.h"
#include "mExtrZip.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sstream>

using namespace plataforma::literais;
namespace fs = std::filesystem;

namespace {

class Extrator : public ::testing::Test {
protected:
    PastaTemporaria pasta;
    fs::path raiz = pasta.Host();
    fs::path arquivo = raiz / "a.zip";
    InteracaoRoteirizada interacao;
    TExtratorZip z{interacao};

    struct Progresso {
        int tipo;
        std::string nome;
        int32_t tamanho;
    };
    std::vector<Progresso> progresso;

    void SetUp() override {
        z.PastaExtracao = "C:\\destino";
        z.OpcoesExtracao = {extrNomesPastas, extrSobrescrever};
        z.AoProgredir = [this](TExtratorZip&, TTipoProgresso t, const std::string& n, int32_t s) {
            progresso.push_back({t, n, s});
        };
    }
    void Extrair(const std::vector<MembroZip>& membros) {
        CriarZip(arquivo, membros);
        z.DefinirArquivoZip(DosDe(arquivo));
        z.Extrair();
    }
    int Contar(int tipo) const {
        return static_cast<int>(std::count_if(progresso.begin(), progresso.end(),
                                              [&](const Progresso& p) { return p.tipo == tipo; }));
    }
};

// The record as the engine sees it, read during the call at the offsets of
// the 32-bit table, moved by the wider pointers of this build.
struct CampoEsperado {
    const char* nome;
    std::size_t offset32, offsetEspelho32, offsetNativo;
    int32_t valor;
};

int32_t Inteiro(const ZentunzParametros& p, std::size_t offset) {
    int32_t v;
    std::memcpy(&v, reinterpret_cast<const char*>(&p) + offset, 4);
    return v;
}

#define CAMPO(f, o, v)                                                                             \
    CampoEsperado {                                                                                \
        #f, o, offsetof(zentunz_layout::Parametros32, f), offsetof(ZentunzParametros, f), v                                                  \
    }

class Registro : public Extrator {
protected:
    // Extracts a missing archive (the engine still reports its end) and
    // checks the record from inside the call.
    void Conferir(int32_t rastrear, int32_t detalhado, int32_t atualizar, int32_t renovar,
                  int32_t pastas, int32_t sobrescrever, std::vector<std::string> espec) {
        z.Especificacoes = espec;
        z.DefinirArquivoZip("C:\\nao-existe.zip");
        bool conferido = false;
        z.AoProgredir = [&](TExtratorZip& s, TTipoProgresso t, const std::string&, int32_t) {
            if (t != tpFim) return;
            conferido = true;
            const ZentunzParametros& p = s.Parametros();
            EXPECT_EQ(sizeof p, sizeof(void*) == 4 ? 16464u : 32880u);
            const int32_t n = static_cast<int32_t>(espec.size());
            for (auto c : {CAMPO(constante0, 0, 0), CAMPO(constante110, 8, 110),
                           CAMPO(rastrear, 16, rastrear), CAMPO(naoDefinido20, 20, 0),
                           CAMPO(opcao24, 24, 0), CAMPO(opcao28, 28, 0), CAMPO(opcao32, 32, 0),
                           CAMPO(opcao36, 36, 0), CAMPO(opcao40, 40, -1),
                           CAMPO(detalhado, 44, detalhado), CAMPO(atualizar, 48, atualizar),
                           CAMPO(renovar, 52, renovar), CAMPO(nomesPastas, 56, pastas),
                           CAMPO(sobrescrever, 60, sobrescrever), CAMPO(qtdEspecificacoes, 64, n),
                           CAMPO(constante7, 72, 7)}) {
                SCOPED_TRACE(c.nome);
                EXPECT_EQ(c.offsetEspelho32, c.offset32);
                if (sizeof(void*) == 4) {
                    EXPECT_EQ(c.offsetNativo, c.offset32);
                }
                EXPECT_EQ(Inteiro(p, c.offsetNativo), c.valor);
            }
            // The pointer fields, at 4, 12, 68 and 76 of the 32-bit table.
            EXPECT_EQ(offsetof(zentunz_layout::Parametros32, chamador), 4u);
            EXPECT_EQ(offsetof(zentunz_layout::Parametros32, rotinaRelato), 12u);
            EXPECT_EQ(offsetof(zentunz_layout::Parametros32, nomeArquivo), 68u);
            EXPECT_EQ(offsetof(zentunz_layout::Parametros32, especificacoes), 76u);
            EXPECT_EQ(p.chamador, &s);
            EXPECT_NE(p.rotinaRelato, nullptr);
            EXPECT_STREQ(p.nomeArquivo, "C:\\nao-existe.zip");
            for (int32_t k = 0; k < n; ++k) EXPECT_EQ(p.especificacoes[k], espec[k]);
            EXPECT_EQ(p.especificacoes[n], nullptr);
        };
        z.Extrair();
        EXPECT_TRUE(conferido);
        EXPECT_TRUE(z.Especificacoes.empty());
        EXPECT_EQ(z.Parametros().nomeArquivo, nullptr); // no pointer outlives the call
    }
};

TEST_F(Registro, ValoresDoInstalador) { Conferir(0, 0, 0, 0, -1, -1, {}); }

TEST_F(Registro, RastrearImplicaDetalhado) {
    z.Rastrear = true;
    z.OpcoesExtracao = {};
    Conferir(-1, -1, 0, 0, 0, 0, {});
}

TEST_F(Registro, AtualizarPrevaleceSobreRenovar) {
    z.OpcoesExtracao = {extrRenovar, extrAtualizar};
    Conferir(0, 0, -1, 0, 0, 0, {});
    z.OpcoesExtracao = {extrRenovar};
    Conferir(0, 0, 0, -1, 0, 0, {});
}

TEST_F(Registro, TresEspecificacoes) {
    Conferir(0, 0, 0, 0, -1, -1, {"LEIA.TXT", "DADOS\\*.DBF", "Relat\xF3rio.doc"});
}

// Directory reading.

std::string ErroDe(const std::string& bytes, std::size_t* lidas = nullptr) {
    std::istringstream s(bytes);
    std::vector<TEntradaZip> d;
    try {
        LerDiretorioZip(s, d);
    } catch (const EErroZip& e) {
        if (lidas) *lidas = d.size();
        return e.what();
    }
    return "";
}

std::string CabecalhoLocal(const std::string& nome, uint32_t compactado, uint16_t extra = 0) {
    std::string h("PK\x03\x04", 4);
    h += std::string(10, '\x14');
    h += std::string(4, 'c');                                            // CRC
    for (int k = 0; k < 4; ++k) h += static_cast<char>(compactado >> (8 * k));
    h += std::string(4, '\0');                                           // uncompressed
    h += static_cast<char>(nome.size()), h += '\0';
    h += static_cast<char>(extra), h += static_cast<char>(extra >> 8);
    return h + nome;
}

TEST_F(Extrator, DiretorioDeArquivoAusenteFicaVazio) {
    z.DefinirArquivoZip("C:\\falta.zip");
    EXPECT_TRUE(z.Diretorio().empty());
    EXPECT_EQ(z.ArquivoZip(), "C:\\falta.zip");
}

TEST_F(Extrator, DiretorioDanificadoFalhaComONumeroDoErro) {
    EXPECT_EQ(ErroDe(std::string(102, 'x')), "Erro 1 na leitura do arquivo Zip");
    EXPECT_EQ(ErroDe(std::string("PK\x03\x04", 4) + std::string(10, 'h')),
              "Erro 2 na leitura do arquivo Zip");
    EXPECT_EQ(ErroDe(CabecalhoLocal("nome-longo", 0).substr(0, 34)), "Erro 2 na leitura do arquivo Zip");
    // 100 bytes of data, then only 21 of the 22 the end record needs.
    std::size_t lidas = 0;
    std::string bom = CabecalhoLocal("a", 3) + "abc";
    EXPECT_EQ(ErroDe(bom + CabecalhoLocal("b", 100) + std::string(121, 'd'), &lidas),
              "Erro 3 na leitura do arquivo Zip");
    EXPECT_EQ(lidas, 2u); // the entries read before the failure stay
    EXPECT_EQ(ErroDe(bom + CabecalhoLocal("b", 100) + std::string(122, 'd')),
              "Erro 1 na leitura do arquivo Zip"); // fits, then no signature to the end

    // Through the component: the error reaches whoever assigned the name.
    pasta.Escrever("ruim.zip", std::string(40, 'x'));
    int lidos = 0;
    z.AoLerDiretorio = [&](TExtratorZip&) { ++lidos; };
    EXPECT_THROW(z.DefinirArquivoZip("C:\\RUIM.ZIP"), EErroZip);
    EXPECT_EQ(lidos, 0);
}

TEST_F(Extrator, DiretorioDeUmArquivoBom) {
    CriarZip(arquivo, {{"leia.txt", "ola"}, {"sub/dados.bin", std::string(70000, 'd')}, {"pasta/", ""}});
    int lidos = 0;
    z.AoLerDiretorio = [&](TExtratorZip&) { ++lidos; };
    z.DefinirArquivoZip(DosDe(arquivo));
    EXPECT_EQ(lidos, 1);
    ASSERT_EQ(z.Diretorio().size(), 3u);
    EXPECT_EQ(z.Diretorio()[0].nome, "leia.txt");
    EXPECT_EQ(z.Diretorio()[0].tamanhoOriginal, 3u);
    EXPECT_EQ(z.Diretorio()[1].nome, "sub/dados.bin");
    EXPECT_EQ(z.Diretorio()[1].tamanhoOriginal, 70000u);
    EXPECT_EQ(z.Diretorio()[1].metodo, 8);
    EXPECT_LT(z.Diretorio()[1].tamanhoCompactado, 70000u);
    EXPECT_EQ(z.Diretorio()[2].nome, "pasta/");

    z.DefinirArquivoZip("C:\\falta.zip"); // each assignment reads again
    EXPECT_TRUE(z.Diretorio().empty());
}

// Extraction.

TEST_F(Extrator, ExtraiTudoComPastasNaPastaDeExtracao) {
    Extrair({{"leia.txt", "ola"}, {"sub/b.txt", "b"}});
    EXPECT_EQ(z.ResultadoExtracao(), ZENTUNZ_OK);
    EXPECT_EQ(pasta.Ler("destino/leia.txt"), "ola"); // the folder was created
    EXPECT_EQ(pasta.Ler("destino/sub/b.txt"), "b");
    EXPECT_FALSE(z.Ocupado());
    EXPECT_TRUE(interacao.mensagens.empty());
}

TEST_F(Extrator, SobrescreverLigadoEDesligado) {
    pasta.Escrever("destino/x.txt", "velho");
    std::vector<int32_t> erros;
    z.AoNotificar = [&](TExtratorZip&, int32_t e, const std::string&) { erros.push_back(e); };
    z.OpcoesExtracao = {extrNomesPastas};
    Extrair({{"x.txt", "novo"}});
    EXPECT_EQ(pasta.Ler("destino/x.txt"), "velho");
    EXPECT_EQ(erros, std::vector<int32_t>{ZENTUNZ_ERRO_EXISTENTE});
    z.OpcoesExtracao = {extrNomesPastas, extrSobrescrever};
    Extrair({{"x.txt", "novo"}});
    EXPECT_EQ(pasta.Ler("destino/x.txt"), "novo");
}

TEST_F(Extrator, ProgressoPorMembro) {
    Extrair({{"Pequeno.bin", std::string(20000, 'p')}});
    ASSERT_EQ(Contar(tpMembro), 1);
    EXPECT_EQ(progresso[0].nome, "Pequeno.bin");
    EXPECT_EQ(progresso[0].tamanho, 20000);
    EXPECT_LE(Contar(tpPasso), 1);
    EXPECT_EQ(progresso.back().tipo, tpFim);
    EXPECT_EQ(progresso.back().nome, " ");

    progresso.clear();
    Extrair({{"grande.bin", std::string(100000, 'g')}});
    EXPECT_EQ(Contar(tpPasso), 3);
}

TEST_F(Extrator, CancelarDeDentroDoProgressoParaAExtracao) {
    z.AoProgredir = [this](TExtratorZip& s, TTipoProgresso t, const std::string&, int32_t) {
        progresso.push_back({t, "", 0});
        if (t == tpPasso) s.Cancelar();
    };
    Extrair({{"a.bin", std::string(300000, 'a')}, {"b.bin", "b"}});
    EXPECT_EQ(z.ResultadoExtracao(), ZENTUNZ_INTERROMPIDO);
    EXPECT_EQ(Contar(tpPasso), 1);
    EXPECT_EQ(Contar(tpFim), 0);
    EXPECT_TRUE(ConteudoDe(raiz / "destino").empty());
    EXPECT_FALSE(z.Cancelado());
    EXPECT_FALSE(z.Ocupado());
}

TEST_F(Extrator, ExtrairAninhadoVoltaNaHora) {
    int aninhadas = 0;
    z.AoProgredir = [&](TExtratorZip& s, TTipoProgresso t, const std::string&, int32_t) {
        progresso.push_back({t, "", 0});
        if (t != tpMembro) return;
        EXPECT_TRUE(s.Ocupado());
        s.Extrair();
        ++aninhadas;
    };
    Extrair({{"a.txt", "a"}, {"b.txt", "b"}});
    EXPECT_EQ(aninhadas, 2);
    EXPECT_EQ(Contar(tpMembro), 2);
    EXPECT_EQ(Contar(tpFim), 1);
    EXPECT_EQ(pasta.Ler("destino/b.txt"), "b");
}

TEST_F(Extrator, FalhaNumEventoApareceNaCaixaSimples) {
    z.AoProgredir = [](TExtratorZip&, TTipoProgresso, const std::string&, int32_t) {
        throw std::runtime_error("handler");
    };
    Extrair({{"a.txt", "a"}, {"b.txt", "b"}});
    ASSERT_EQ(interacao.mensagens.size(), 1u);
    EXPECT_EQ(interacao.mensagens[0].tipo, -1);
    EXPECT_EQ(interacao.mensagens[0].texto,
              "Erro fatal no módulo de descompactação: exceção de aborto."_ansi);
    EXPECT_EQ(z.ResultadoExtracao(), ZENTUNZ_INTERROMPIDO);
    EXPECT_FALSE(pasta.Existe("destino/b.txt"));
    EXPECT_FALSE(z.Ocupado());
}

TEST_F(Extrator, PastaDeExtracaoImpossivelEErroDoChamador) {
    pasta.Escrever("ocupado", "um arquivo, não uma pasta");
    z.PastaExtracao = "C:\\ocupado";
    CriarZip(arquivo, {{"a.txt", "a"}});
    z.DefinirArquivoZip(DosDe(arquivo));
    z.Especificacoes = {"a.txt"};
    EXPECT_THROW(z.Extrair(), EErroZip);
    EXPECT_FALSE(z.Ocupado()); // and a later extraction still runs
    z.PastaExtracao = "C:\\destino";
    z.Extrair();
    EXPECT_EQ(pasta.Ler("destino/a.txt"), "a");
}

TEST_F(Extrator, ArquivoHostilNadaForaDaPasta) {
    std::vector<std::string> avisos;
    z.AoNotificar = [&](TExtratorZip&, int32_t, const std::string& m) { avisos.push_back(m); };
    Extrair({{"../evil", "e"}, {"/etc/zentunz-teste", "e"}, {"c:\\x", "e"}, {"a/../../x", "e"},
             {"link", "/etc/passwd", ZIP_CM_STORE, true}, {"bom.txt", "bom"}});
    EXPECT_EQ(avisos.size(), 5u);
    EXPECT_EQ(avisos[0], "Nome inseguro, membro recusado: ../evil"_ansi);
    EXPECT_EQ(ConteudoDe(raiz), (std::vector<std::string>{"a.zip", "destino", "destino/bom.txt"}));
}

} // namespace
