// The message folder store with several stations (sessions) of this process
// sharing one temporary message folder.
#include "Arquivos.h"
#include "InteracaoRoteirizada.h"
#include "PastaMensagens.h"
#include "PastaTemporaria.h"
#include "Texto1252.h"
#include "fStrlib.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>
#include <fstream>
#include <thread>

using namespace plataforma::literais;
using namespace std::string_literals;
namespace fs = std::filesystem;

namespace {

const std::string kPasta = "c:\\rede\\sala\\";

// Remembers whether the busy cursor was still set when a message appeared.
struct InteracaoVigiada : InteracaoRoteirizada {
    int mensagensComAmpulheta = 0;
    int Mensagem(const std::string& t, const std::string& x, int tipo) override {
        if (cursorOcupado) ++mensagensComAmpulheta;
        return InteracaoRoteirizada::Mensagem(t, x, tipo);
    }
};

struct Estacao {
    Sessao sessao;
    InteracaoVigiada ui;
    PastaMensagens pasta{sessao, ui};

    explicit Estacao(std::string usuario, std::string caminho = kPasta) {
        sessao.nomesPastas = {"SALA"};
        sessao.caminhosPastas = {caminho};
        sessao.nomePasta = "SALA";
        sessao.caminhoPasta = caminho;
        sessao.usuario = std::move(usuario);
    }
    // The logon dialog's way in.
    int Entrar() {
        int codigo = pasta.ConectarUsuario(sessao.nomePasta, sessao.caminhoPasta, sessao.usuario);
        if (codigo == 1 && pasta.CriarArquivosMensagem(sessao.nomePasta, sessao.caminhoPasta, sessao.usuario))
            sessao.conectado = true;
        return codigo;
    }
    std::vector<std::string> Textos() const {
        std::vector<std::string> r;
        for (const auto& m : ui.mensagens) r.push_back(m.texto);
        return r;
    }
};

class PastaMensagensTeste : public ::testing::Test {
protected:
    PastaTemporaria tmp;
    std::string Sala(const std::string& nome = "") const { return "rede/sala/" + nome; }
    void Usuarios(const std::string& bytes) { tmp.Escrever(Sala("users.fvx"), bytes); }
    std::string Usuarios() const { return tmp.Ler(Sala("users.fvx")); }
    std::set<std::string> Msgs() const {
        std::set<std::string> r;
        for (const auto& e : fs::directory_iterator(tmp.Host() + "/rede/sala"))
            if (e.path().extension() == ".msg") r.insert(e.path().filename().string());
        return r;
    }
    void TearDown() override {
        for (auto* e : estacoes_) {
            EXPECT_EQ(e->ui.cursorOcupado, 0) << e->sessao.usuario;
            EXPECT_EQ(e->ui.mensagensComAmpulheta, 0) << e->sessao.usuario;
        }
    }
    Estacao& Nova(const std::string& usuario, const std::string& caminho = kPasta) {
        guardadas_.push_back(std::make_unique<Estacao>(usuario, caminho));
        estacoes_.push_back(guardadas_.back().get());
        return *guardadas_.back();
    }

    // A station logged on from the dialog.
    Estacao& Conectada(const std::string& usuario) {
        Estacao& e = Nova(usuario);
        EXPECT_EQ(e.Entrar(), 1) << usuario;
        return e;
    }

private:
    std::vector<std::unique_ptr<Estacao>> guardadas_;
    std::vector<Estacao*> estacoes_;
};

TEST_F(PastaMensagensTeste, TresUsuariosSeisArquivosESaidaRemoveQuatro) {
    Estacao& a = Nova("A");
    Estacao& b = Nova("B");
    Estacao& c = Nova("C");
    ASSERT_EQ(a.Entrar(), 1);
    EXPECT_TRUE(Msgs().empty()); // alone in the room
    ASSERT_EQ(b.Entrar(), 1);
    ASSERT_EQ(c.Entrar(), 1);
    EXPECT_EQ(Usuarios(), "A\r\nB\r\nC\r\n");
    EXPECT_EQ(Msgs(), (std::set<std::string>{"a_b.msg", "a_c.msg", "b_a.msg", "b_c.msg", "c_a.msg", "c_b.msg"}));
    for (const auto& m : Msgs()) EXPECT_EQ(tmp.Ler(Sala(m)), "");

    EXPECT_EQ(b.pasta.DesconectarUsuario("B"), Desconexao::Concluida);
    EXPECT_EQ(Usuarios(), "A\r\nC\r\n");
    EXPECT_EQ(Msgs(), (std::set<std::string>{"a_c.msg", "c_a.msg"}));
    EXPECT_EQ(b.sessao.usuarios, (std::vector<std::string>{"A", "C"}));
    for (auto* e : {&a, &b, &c}) EXPECT_TRUE(e->ui.mensagens.empty());
}

TEST_F(PastaMensagensTeste, CriarArquivosMensagemNaoApagaMensagemDeOutros) {
    Estacao& a = Conectada("A");
    Conectada("B");
    ASSERT_TRUE(a.pasta.GravarMensagem("B", "oi"));
    Conectada("C");
    EXPECT_EQ(tmp.Ler(Sala("b_a.msg")).size(), 4u);
}

TEST_F(PastaMensagensTeste, CapacidadeDeVinteNomes) {
    std::string dezenove;
    for (int i = 1; i <= 19; ++i) dezenove += "U" + std::to_string(i) + "\r\n";
    Usuarios(dezenove);
    Estacao& x = Nova("X");
    EXPECT_EQ(x.Entrar(), 1);
    EXPECT_TRUE(x.ui.mensagens.empty());
    EXPECT_EQ(Usuarios(), dezenove + "X\r\n");

    Estacao& y = Nova("Y");
    EXPECT_EQ(y.Entrar(), -4);
    EXPECT_EQ(y.Textos(), std::vector<std::string>{"Esta sala já está com a capacidade esgotada."_ansi});
    EXPECT_EQ(y.ui.mensagens[0].titulo, "Erro");
    EXPECT_EQ(y.ui.mensagens[0].tipo, 6);
    EXPECT_EQ(Usuarios(), dezenove + "X\r\n");
}

TEST_F(PastaMensagensTeste, TodosEBrancoRecusadosSemMensagem) {
    Estacao& e = Nova("");
    ASSERT_TRUE(e.pasta.VerificarPasta("SALA", kPasta));
    for (const std::string nome : {"TODOS", "OS TODOS", "XTODOSY", "   ", ""})
        EXPECT_EQ(e.pasta.ConectarUsuario("SALA", kPasta, nome), -2) << nome;
    EXPECT_TRUE(e.ui.mensagens.empty());
    EXPECT_EQ(Usuarios(), "");
    EXPECT_EQ(e.pasta.ConectarUsuario("SALA", kPasta, "TODAS"), 1);
    EXPECT_EQ(Usuarios(), "TODAS\r\n");
}

TEST_F(PastaMensagensTeste, NomeJaPresenteEmOutraCaixa) {
    Usuarios("ana\r\n");
    Estacao& e = Nova("ANA");
    EXPECT_EQ(e.Entrar(), 0);
    EXPECT_TRUE(e.ui.mensagens.empty()); // the callers say it
    EXPECT_FALSE(e.pasta.ReconectarUsuario());
    EXPECT_EQ(e.Textos(), std::vector<std::string>{"Usuário já conectado nesta pasta."_ansi});
    EXPECT_FALSE(e.sessao.conectado);
    EXPECT_EQ(Usuarios(), "ana\r\n");
}

TEST_F(PastaMensagensTeste, DepositoEColeta) {
    Estacao& ana = Conectada("ANA");
    Estacao& jose = Conectada("JOSE");
    EXPECT_EQ(ana.pasta.LerMensagem("JOSE").estado, Coleta::Estado::Nada); // size 0

    ASSERT_TRUE(jose.pasta.GravarMensagem("ANA", "Bom dia"));
    const std::string guardado = tmp.Ler(Sala("ana_jose.msg"));
    ASSERT_EQ(guardado.size(), 9u);
    EXPECT_EQ(guardado, EmbaralharTexto("Bom dia", 0) + "\r\n");
    EXPECT_NE(guardado.substr(0, 7), "Bom dia");

    Coleta c = ana.pasta.LerMensagem("JOSE");
    EXPECT_EQ(c.estado, Coleta::Estado::Recebida);
    EXPECT_EQ(c.mensagem, "Bom dia\r\n");
    // Nothing waits: the text is under a private name until the sender's next
    // deposit, and the pair file is made again when that name goes.
    EXPECT_LE(TamanhoArquivo(kPasta + "ana_jose.msg"), 0);
    EXPECT_EQ(ana.pasta.LerMensagem("JOSE").estado, Coleta::Estado::Nada);

    // Two deposits before a collection: both arrive, in order. The second goes
    // on in the alphabet the first ended on (three blanks: the other one), so
    // the file is the scrambled form of both texts as one.
    ASSERT_TRUE(jose.pasta.GravarMensagem("ANA", "a primeira de tres"));
    ASSERT_TRUE(jose.pasta.GravarMensagem("ANA", "Ação\r\nsegunda vez"_ansi));
    EXPECT_EQ(tmp.Ler(Sala("ana_jose.msg")),
              EmbaralharTexto("a primeira de tres\r\nAção\r\nsegunda vez\r\n"_ansi, 0));
    EXPECT_EQ(ana.pasta.LerMensagem("JOSE").mensagem, "a primeira de tres\r\nAção\r\nsegunda vez\r\n"_ansi);

    // A text past the limit is refused whole.
    EXPECT_FALSE(jose.pasta.GravarMensagem("ANA", std::string(tamanhoMaximoMensagem, 'x')));
    EXPECT_EQ(ana.pasta.LerMensagem("JOSE").estado, Coleta::Estado::Nada);

    // A missing file means nothing waits, as does our own name.
    EXPECT_EQ(ana.pasta.LerMensagem("NINGUEM").estado, Coleta::Estado::Nada);
    EXPECT_EQ(ana.pasta.LerMensagem("ANA").estado, Coleta::Estado::Nada);
    EXPECT_FALSE(tmp.Existe(Sala("ana_ninguem.msg")));
}

TEST_F(PastaMensagensTeste, ColetaNormalizaQuebrasSozinhas) {
    Estacao& ana = Nova("ANA");
    ana.pasta.VerificarPasta("SALA", kPasta);
    tmp.Escrever(Sala("ana_jose.msg"), EmbaralharTexto("um", 0) + "\n" + EmbaralharTexto("dois", 0) + "\r");
    EXPECT_EQ(ana.pasta.LerMensagem(" JOSE ").mensagem, "um\r\ndois\r\n");
}

TEST_F(PastaMensagensTeste, ArquivosPresosPorOutraEstacao) {
    Estacao& ana = Conectada("ANA");
    Estacao& jose = Conectada("JOSE");
    ASSERT_TRUE(jose.pasta.GravarMensagem("ANA", "oi"));
    ASSERT_EQ(ana.pasta.AtualizarUsuarios(), 1);
    const std::string antes = Usuarios();
    {
        // Another station changing the roster holds the room's lock: a logon
        // waits a moment for it, then fails with its message.
        plataforma::ArquivoExclusivo trava;
        ASSERT_TRUE(trava.Abrir(kPasta + "users.lck", plataforma::ArquivoExclusivo::Modo::Existente));
        Estacao& beto = Nova("BETO");
        EXPECT_EQ(beto.Entrar(), -3);
        EXPECT_EQ(beto.Textos(), std::vector<std::string>{"Erro ao abrir o arquivo de usuários."_ansi});
        EXPECT_EQ(jose.pasta.DesconectarUsuario("JOSE"), Desconexao::Falhou);
        EXPECT_EQ(Usuarios(), antes);
        // The poll reads without it.
        Usuarios(antes + "NOVO\r\n");
        EXPECT_EQ(ana.pasta.AtualizarUsuarios(), 1);
        EXPECT_EQ(ana.sessao.avisos, std::vector<std::string>{"<<< NOVO >>> entrou na sala..."});
        EXPECT_TRUE(ana.ui.mensagens.empty());
    }
    {
        // A pair file its sender is writing: the poll passes it over for this
        // tick without a message; a deposit waits, then fails.
        plataforma::ArquivoExclusivo preso;
        ASSERT_TRUE(preso.Abrir(kPasta + "ana_jose.msg", plataforma::ArquivoExclusivo::Modo::Existente));
        EXPECT_EQ(ana.pasta.LerMensagem("JOSE").estado, Coleta::Estado::Nada);
        EXPECT_FALSE(jose.pasta.GravarMensagem("ANA", "outra"));
    }
    EXPECT_EQ(ana.pasta.LerMensagem("JOSE").mensagem, "oi\r\n"); // left untouched
}

TEST_F(PastaMensagensTeste, ArquivosGrandesDemaisSaoDanificados) {
    Estacao& ana = Nova("ANA");
    ASSERT_TRUE(ana.pasta.VerificarPasta("SALA", kPasta));
    const std::string enorme(tamanhoMaximoMensagem + 1, 'x');
    tmp.Escrever(Sala("ana_jose.msg"), enorme);
    // Reported once, then set aside whole: no error at every tick, nothing deleted.
    EXPECT_EQ(ana.pasta.LerMensagem("JOSE").estado, Coleta::Estado::FalhaLeitura);
    EXPECT_EQ(ana.pasta.LerMensagem("JOSE").estado, Coleta::Estado::Nada);
    EXPECT_EQ(tmp.Ler(Sala("ana_jose.msg")), "");
    std::size_t aparte = 0;
    for (const auto& e : fs::directory_iterator(tmp.Host() + "/rede/sala"))
        if (e.path().filename().string().starts_with("ana_jose.msg.grande-")) aparte = e.file_size();
    EXPECT_EQ(aparte, enorme.size());
    EXPECT_FALSE(ana.pasta.GravarMensagem("JOSE", enorme));
    EXPECT_FALSE(tmp.Existe(Sala("jose_ana.msg")));

    Usuarios(std::string(tamanhoMaximoArquivoPasta, 'A') + "\r\n");
    EXPECT_EQ(ana.Entrar(), -3);
    EXPECT_EQ(ana.Textos(), std::vector<std::string>{"Erro ao abrir o arquivo de usuários."_ansi});
    EXPECT_EQ(ana.pasta.AtualizarUsuarios(), atualizacaoAbandonada);
}

TEST_F(PastaMensagensTeste, LeituraDoArquivoDeUsuarios) {
    // Lone CR and LF end lines; a NUL ends the names; a last line may lack its
    // end. What follows the NUL is nobody's, but it is written back, not lost.
    Usuarios("A\rB\nC\r\n\r\nD\0E\r\nF"s);
    Estacao& x = Nova("JOÃO"_ansi);
    ASSERT_EQ(x.Entrar(), 1);
    EXPECT_EQ(x.sessao.usuarios, (std::vector<std::string>{"A", "B", "C", "D", "JOÃO"_ansi}));
    EXPECT_EQ(Usuarios(), "A\r\nB\r\nC\r\n\r\nD\r\nJO\xC3O\r\n\0E\r\nF\r\n"s);
    EXPECT_TRUE(plataforma::ArquivoExiste(kPasta + "jo\xE3o_a.msg"));
    EXPECT_EQ(x.pasta.DesconectarUsuario("JOÃO"_ansi), Desconexao::Concluida);
    EXPECT_EQ(Usuarios(), "A\r\nB\r\nC\r\n\r\nD\r\n\0E\r\nF\r\n"s);
    Estacao& e = Nova("E");
    ASSERT_EQ(e.Entrar(), 1); // the E after the NUL is no user
    EXPECT_EQ(Usuarios(), "A\r\nB\r\nC\r\n\r\nD\r\nE\r\n\0E\r\nF\r\n"s);
}

// A logon whose pair files cannot be made takes its name back out, so the
// next try is not told that the name is already connected.
TEST_F(PastaMensagensTeste, LogonQueFalhaNaoDeixaFantasma) {
    Conectada("ANA");
    Conectada("BETO");
    const std::string pasta = tmp.Host() + "/" + Sala("carla_beto.msg");
    const std::string elo = tmp.Host() + "/" + Sala("ana_carla.msg");
    Estacao& carla = Nova("CARLA");
    for (bool comPasta : {true, false}) {
        if (comPasta)
            fs::create_directory(pasta);
        else
            fs::create_symlink("/nao/existe", elo); // a dangling link
        carla.ui.mensagens.clear();
        EXPECT_EQ(carla.Entrar(), 1);
        EXPECT_FALSE(carla.sessao.conectado);
        ASSERT_EQ(carla.ui.mensagens.size(), 1u);
        EXPECT_EQ(carla.ui.mensagens[0].texto,
                  comPasta ? "Erro ao criar o arquivo carla_beto.msg" : "Erro ao criar o arquivo ana_carla.msg");
        EXPECT_EQ(Usuarios(), "ANA\r\nBETO\r\n");
        // Of CARLA's pairs only what was planted can remain (a link is deleted as at a logoff).
        std::set<std::string> esperados{"ana_beto.msg", "beto_ana.msg"};
        if (comPasta) esperados.insert("carla_beto.msg");
        EXPECT_EQ(Msgs(), esperados);
        fs::remove(comPasta ? pasta : elo);
    }
    carla.ui.mensagens.clear();
    EXPECT_EQ(carla.Entrar(), 1);
    EXPECT_TRUE(carla.sessao.conectado);
    EXPECT_TRUE(carla.ui.mensagens.empty());
    EXPECT_EQ(Usuarios(), "ANA\r\nBETO\r\nCARLA\r\n");
}

// Another station's name too long for a pair file name of the host (270 bytes
// of UTF-8) is nobody this station writes to; the same name is refused at logon.
TEST_F(PastaMensagensTeste, NomeLongoDemaisParaOHost) {
    const std::string euros(90, '\x80');
    Usuarios("ANA\r\n" + euros + "\r\n");
    Estacao& beto = Nova("BETO");
    ASSERT_EQ(beto.Entrar(), 1);
    EXPECT_TRUE(beto.sessao.conectado);
    EXPECT_EQ(beto.sessao.usuarios, (std::vector<std::string>{"ANA", "BETO"}));
    EXPECT_EQ(Msgs(), (std::set<std::string>{"ana_beto.msg", "beto_ana.msg"}));
    EXPECT_TRUE(beto.ui.mensagens.empty());

    Estacao& longo = Nova(std::string(50, '\x80'));
    EXPECT_EQ(longo.Entrar(), -2);
    ASSERT_EQ(longo.ui.mensagens.size(), 1u);
    EXPECT_EQ(longo.ui.mensagens[0].texto.rfind("Este nome de usuário não pode ser usado."_ansi, 0), 0u);
    EXPECT_EQ(Usuarios(), "ANA\r\n" + euros + "\r\nBETO\r\n");
}

// A pair file hard-linked to a file outside the folder is neither written
// through nor emptied.
TEST_F(PastaMensagensTeste, ParComEloFisicoRecusado) {
    Estacao& ana = Conectada("ANA");
    Estacao& jose = Conectada("JOSE");
    tmp.Escrever("fora/segredo", "dados de fora");
    const std::string par = tmp.Host() + "/" + Sala("ana_jose.msg");
    fs::remove(par);
    fs::create_hard_link(tmp.Host() + "/fora/segredo", par);
    EXPECT_FALSE(jose.pasta.GravarMensagem("ANA", "oi"));
    EXPECT_EQ(ana.pasta.LerMensagem("JOSE").estado, Coleta::Estado::FalhaLeitura);
    EXPECT_EQ(tmp.Ler("fora/segredo"), "dados de fora");
}

TEST_F(PastaMensagensTeste, AvisosSaidasAntesDeEntradas) {
    Usuarios("A\r\nB\r\nC\r\n");
    Estacao& a = Nova("A");
    EXPECT_EQ(a.pasta.AtualizarUsuarios(), 1); // the first refresh sees everybody arrive
    EXPECT_EQ(a.pasta.AtualizarUsuarios(), 0);
    EXPECT_TRUE(a.sessao.avisos.empty());

    Usuarios("D\r\nA\r\nC\r\n");
    EXPECT_EQ(a.pasta.AtualizarUsuarios(), 1);
    EXPECT_EQ(a.sessao.avisos, (std::vector<std::string>{"<<< B >>> saiu da sala...",
                                                         "<<< D >>> entrou na sala..."}));
    EXPECT_EQ(a.sessao.usuarios, (std::vector<std::string>{"D", "A", "C"}));

    // Leaving and coming back between two refreshes, in another case, is no change.
    Usuarios("A\r\nC\r\nd\r\n");
    EXPECT_EQ(a.pasta.AtualizarUsuarios(), 0);
    EXPECT_TRUE(a.sessao.avisos.empty());
}

TEST_F(PastaMensagensTeste, ArquivoDeUsuariosApagadoDuranteASessao) {
    Estacao& a = Conectada("A");
    Estacao& b = Conectada("B");
    ASSERT_EQ(a.pasta.AtualizarUsuarios(), 1);
    fs::remove(tmp.Host() + "/" + Sala("users.fvx"));
    EXPECT_EQ(a.pasta.AtualizarUsuarios(), -1);
    EXPECT_EQ(a.sessao.usuarios, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(a.pasta.DesconectarUsuario("A"), Desconexao::Concluida);
    EXPECT_EQ(Usuarios(), "B\r\n");
    EXPECT_TRUE(a.ui.mensagens.empty());

    // With the folder itself gone the logoff cannot write.
    fs::remove_all(tmp.Host() + "/rede/sala");
    EXPECT_EQ(b.pasta.AtualizarUsuarios(), -1);
    EXPECT_EQ(b.pasta.DesconectarUsuario("B"), Desconexao::Falhou);
    EXPECT_EQ(b.Textos(), std::vector<std::string>{"Erro ao atualizar o arquivo de usuários."_ansi});
    EXPECT_FALSE(tmp.Existe("rede/sala"));
}

TEST_F(PastaMensagensTeste, VerificarPasta) {
    Estacao& e = Nova("ANA");
    // A directory without a users file gets an empty one; the room is empty.
    fs::create_directories(tmp.Host() + "/rede/sala");
    EXPECT_TRUE(e.pasta.VerificarPasta("SALA", kPasta));
    EXPECT_EQ(Usuarios(), "");

    e.sessao.criarAutomatico = false;
    e.ui.respostas = {7};
    EXPECT_FALSE(e.pasta.VerificarPasta("OUTRA", "c:\\rede\\outra\\"));
    EXPECT_FALSE(tmp.Existe("rede/outra"));
    ASSERT_EQ(e.ui.mensagens.size(), 1u);
    EXPECT_EQ(e.ui.mensagens[0].titulo, "Atenção"_ansi);
    EXPECT_EQ(e.ui.mensagens[0].texto,
              "A Pasta de Mensagens OUTRA não foi encontrada.\rDeseja criar esta pasta agora ??? "_ansi);
    EXPECT_EQ(e.ui.mensagens[0].tipo, 7);
    e.ui.respostas = {6};
    EXPECT_TRUE(e.pasta.VerificarPasta("OUTRA", "c:\\rede\\outra\\"));
    EXPECT_TRUE(tmp.Existe("rede/outra/users.fvx"));

    // A file where the folder should be: it cannot be created.
    e.sessao.criarAutomatico = true;
    tmp.Escrever("arquivo", "x");
    EXPECT_FALSE(e.pasta.VerificarPasta("RUIM", "c:\\arquivo\\sala\\"));
    EXPECT_EQ(e.ui.mensagens.back().texto, "Erro ao criar a Pasta de Mensagens RUIM.");
    EXPECT_EQ(e.pasta.ConectarUsuario("RUIM", "c:\\arquivo\\sala\\", "ANA"), -1);
}

TEST_F(PastaMensagensTeste, LogonNaPartidaCriaPastasOuPergunta) {
    auto Preparar = [](Estacao& e) {
        e.sessao.nomesPastas = {"UM", "DOIS"};
        e.sessao.caminhosPastas = {"c:\\um\\", "c:\\dois\\"};
        e.sessao.nomePasta = "dois";
        e.sessao.caminhoPasta = "c:\\dois\\";
    };
    Estacao& auto_ = Nova("ANA");
    Preparar(auto_);
    EXPECT_TRUE(auto_.pasta.ReconectarUsuario());
    EXPECT_TRUE(auto_.sessao.conectado);
    EXPECT_TRUE(auto_.ui.mensagens.empty());
    EXPECT_EQ(tmp.Ler("um/users.fvx"), "");
    EXPECT_EQ(tmp.Ler("dois/users.fvx"), "ANA\r\n");
    fs::remove_all(tmp.Host() + "/um");
    fs::remove_all(tmp.Host() + "/dois");

    Estacao& pergunta = Nova("BETO");
    Preparar(pergunta);
    pergunta.sessao.criarAutomatico = false;
    pergunta.ui.respostas = {6, 7};
    EXPECT_FALSE(pergunta.pasta.ReconectarUsuario());
    EXPECT_EQ(pergunta.ui.mensagens.size(), 2u); // once per missing folder, the No ends it
    EXPECT_TRUE(tmp.Existe("um/users.fvx"));
    EXPECT_FALSE(tmp.Existe("dois"));
    EXPECT_FALSE(pergunta.sessao.conectado);

    // An empty remembered name ends silently; an unknown folder name too.
    Estacao& vazio = Nova("");
    Preparar(vazio);
    EXPECT_FALSE(vazio.pasta.ReconectarUsuario());
    vazio.sessao.usuario = "CARLA";
    vazio.sessao.nomePasta = "TRES";
    EXPECT_FALSE(vazio.pasta.ReconectarUsuario());
    EXPECT_TRUE(vazio.ui.mensagens.empty());
}

// Hostile lines written by another station never become file names, and
// nothing outside the folder is created or deleted.
TEST_F(PastaMensagensTeste, NomesHostisNaoSaemDaPasta) {
    tmp.Escrever("X", "fora");
    tmp.Escrever("rede/X", "fora");
    tmp.Escrever("rede/irma/users.fvx", "");
    auto Listagem = [&] {
        std::set<std::string> r;
        for (auto it = fs::recursive_directory_iterator(tmp.Host()); it != fs::end(it); ++it) {
            if (it->path().string().find("/rede/sala") != std::string::npos) continue;
            r.insert(it->path().string() + " " + std::to_string(it->is_regular_file() ? it->file_size() : 0));
        }
        return r;
    };
    const std::string longa(5000, 'L');
    const std::string hostis = "..\\..\\X\r\nA/B\r\nC:X\r\n" + longa + "\r\n..\\irma\\users\r\n";
    Usuarios(hostis + "ANA\r\n");
    const auto antes = Listagem();

    Estacao& ana = Nova("ANA");
    Estacao& beto = Nova("BETO");
    ASSERT_EQ(beto.Entrar(), 1);
    EXPECT_EQ(beto.sessao.usuarios, (std::vector<std::string>{"ANA", "BETO"}));
    ASSERT_EQ(ana.pasta.AtualizarUsuarios(), 1);
    EXPECT_EQ(ana.sessao.avisos, (std::vector<std::string>{"<<< ANA >>> entrou na sala...",
                                                          "<<< BETO >>> entrou na sala..."}));
    for (const std::string& r : std::vector<std::string>{"..\\..\\X", "A/B", "C:X", longa, "..\\irma\\users"}) {
        EXPECT_FALSE(beto.pasta.GravarMensagem(r, "oi"));
        EXPECT_EQ(beto.pasta.LerMensagem(r).estado, Coleta::Estado::Nada);
    }
    ASSERT_TRUE(beto.pasta.GravarMensagem("ANA", "oi"));
    EXPECT_EQ(ana.pasta.LerMensagem("BETO").mensagem, "oi\r\n");
    EXPECT_EQ(beto.pasta.DesconectarUsuario("BETO"), Desconexao::Concluida);
    EXPECT_EQ(ana.pasta.AtualizarUsuarios(), 1);

    EXPECT_EQ(Usuarios(), hostis + "ANA\r\n"); // other stations' lines are kept
    EXPECT_EQ(Msgs(), std::set<std::string>{});
    EXPECT_EQ(Listagem(), antes);

    // The same names refused at logon, with a message this time.
    const std::string codigo9 = "(código 9)"_ansi;
    const std::vector<std::pair<std::string, std::string>> recusas{
        {"..\\X", "O caractere \\ "}, {"A/B", "O caractere / "}, {"C:X", "O caractere : "},
        {"A*", "O caractere * "},       {"A\tB", codigo9},  {longa, "longo demais"}};
    for (const auto& [nome, porque] : recusas) {
        Estacao& m = Nova(nome);
        EXPECT_EQ(m.Entrar(), -2) << nome;
        ASSERT_EQ(m.ui.mensagens.size(), 1u) << nome;
        EXPECT_EQ(m.ui.mensagens[0].titulo, "Erro");
        EXPECT_NE(m.ui.mensagens[0].texto.find(porque), std::string::npos) << m.ui.mensagens[0].texto;
    }
    EXPECT_EQ(Usuarios(), hostis + "ANA\r\n");
    EXPECT_EQ(Listagem(), antes);
}

// Names of devices and dots make harmless pair file names: such users log on,
// and another station's such lines are people to talk to.
TEST_F(PastaMensagensTeste, NomesDeDispositivosEPontosSaoPessoas) {
    Usuarios("NUL\r\nA..B\r\n");
    Estacao& aux = Conectada("AUX");
    Estacao& con = Conectada("CON.X");
    EXPECT_EQ(aux.pasta.AtualizarUsuarios(), 1);
    EXPECT_EQ(aux.sessao.usuarios, (std::vector<std::string>{"NUL", "A..B", "AUX", "CON.X"}));
    EXPECT_EQ(Msgs().count("a..b_aux.msg") + Msgs().count("con.x_nul.msg"), 2u);
    ASSERT_TRUE(aux.pasta.GravarMensagem("CON.X", "oi"));
    ASSERT_TRUE(aux.pasta.GravarMensagem("A..B", "ola"));
    EXPECT_EQ(con.pasta.LerMensagem("AUX").mensagem, "oi\r\n");
    EXPECT_EQ(tmp.Ler(Sala("a..b_aux.msg")), EmbaralharTexto("ola\r\n", 0));
    for (const char* nome : {"COM1", "LPT1", ".."}) EXPECT_EQ(Nova(nome).Entrar(), 1) << nome;
    EXPECT_TRUE(aux.ui.mensagens.empty());
    EXPECT_TRUE(con.ui.mensagens.empty());
}

// A pair file another implementation named in another letter case is
// collected where the deposit put it; the poll finds it from a listing.
TEST_F(PastaMensagensTeste, ParEmOutraCaixaDeLetra) {
    Estacao& ana = Conectada("ANA");
    Estacao& jose = Conectada("JOSE");
    fs::remove(tmp.Host() + "/" + Sala("ana_jose.msg"));
    tmp.Escrever(Sala("ANA_JOSE.MSG"), "");
    ASSERT_TRUE(jose.pasta.GravarMensagem("ANA", "Bom dia"));
    EXPECT_EQ(tmp.Ler(Sala("ANA_JOSE.MSG")).size(), 9u);
    EXPECT_EQ(ana.pasta.AtualizarUsuarios(), 1);
    EXPECT_EQ(ana.pasta.LerMensagem("JOSE").mensagem, "Bom dia\r\n");
    EXPECT_EQ(tmp.Ler(Sala("ANA_JOSE.MSG")), "");
    EXPECT_FALSE(tmp.Existe(Sala("ana_jose.msg")));

    // Only ASCII letters lowered, by a station that lists the room after this one did.
    Estacao& joao = Conectada("JOÃO"_ansi);
    ana.pasta.AtualizarUsuarios();
    fs::remove(tmp.Host() + "/" + Sala(plataforma::Nome1252ParaHost("ana_joão.msg"_ansi)));
    tmp.Escrever(Sala(plataforma::Nome1252ParaHost("ana_joÃo.msg"_ansi)), EmbaralharTexto("Olá\r\n"_ansi, 0));
    ana.pasta.AtualizarUsuarios();
    EXPECT_EQ(ana.pasta.LerMensagem("JOÃO"_ansi).mensagem, "Olá\r\n"_ansi);
    EXPECT_TRUE(joao.ui.mensagens.empty());
}

// A message far past what the old limit allowed arrives whole; a station that
// never collects (switched off without leaving) keeps the newest text within
// the limit, so a deposit for it never fails.
TEST_F(PastaMensagensTeste, MensagensLongasEFantasmas) {
    Estacao& ana = Conectada("ANA");
    Estacao& jose = Conectada("JOSE");
    std::string longa;
    for (int i = 0; longa.size() < 3 * 1024 * 1024; ++i) longa += "linha " + std::to_string(i) + " da carta\r\n";
    longa += "fim";
    ASSERT_TRUE(jose.pasta.GravarMensagem("ANA", longa));
    EXPECT_EQ(ana.pasta.LerMensagem("JOSE").mensagem, longa + "\r\n");

    const std::string mega(1024 * 1024, 'm');
    const int envios = static_cast<int>(tamanhoMaximoMensagem / mega.size()) + 1;
    for (int i = 0; i < envios; ++i)
        ASSERT_TRUE(jose.pasta.GravarMensagem("ANA", std::to_string(i) + mega)) << i;
    const std::string guardado = tmp.Ler(Sala("ana_jose.msg"));
    EXPECT_LE(guardado.size(), tamanhoMaximoMensagem);
    const std::string texto = ana.pasta.LerMensagem("JOSE").mensagem;
    EXPECT_TRUE(texto.ends_with(std::to_string(envios - 1) + mega + "\r\n"));
    EXPECT_TRUE(texto.starts_with(std::to_string(envios - 7) + "m")) << texto.substr(0, 3);
    EXPECT_EQ(texto.size() % (mega.size() + 3), 0u); // whole messages only

    // A collection cut short (its station killed) left its text under the
    // private name: the next session delivers it first.
    Estacao denovo("ANA");
    tmp.Escrever(Sala(".ana_jose.msg.coleta"), EmbaralharTexto("antes\r\n", 0));
    ASSERT_TRUE(jose.pasta.GravarMensagem("ANA", "depois"));
    EXPECT_EQ(denovo.pasta.LerMensagem("JOSE").mensagem, "antes\r\n");
    EXPECT_EQ(denovo.pasta.LerMensagem("JOSE").mensagem, "depois\r\n");
    // What a sender that no lock reaches (one on the server's own disk, beside
    // SMB clients) wrote late into a renamed pair file is shown, before what
    // that sender deposited next.
    ASSERT_TRUE(tmp.Existe(Sala(".ana_jose.msg.coleta")));
    {
        std::ofstream tarde(tmp.Host() + "/" + Sala(".ana_jose.msg.coleta"), std::ios::binary | std::ios::app);
        tarde << EmbaralharTexto(" tarde\r\n", 0); // "depois" has no blank: same alphabet
    }
    EXPECT_EQ(denovo.pasta.LerMensagem("JOSE").estado, Coleta::Estado::Nada); // it may still write
    ASSERT_TRUE(jose.pasta.GravarMensagem("ANA", "fim"));
    EXPECT_EQ(denovo.pasta.LerMensagem("JOSE").mensagem, " tarde\r\n");
    EXPECT_EQ(denovo.pasta.LerMensagem("JOSE").mensagem, "fim\r\n");
    EXPECT_TRUE(denovo.ui.mensagens.empty());
    EXPECT_TRUE(ana.ui.mensagens.empty());
    EXPECT_TRUE(jose.ui.mensagens.empty());
}

// The lock folder of a station killed while it changed the room is broken
// after a few seconds; a users file missing for a moment (a replacement
// through an SMB client) does not end the session.
TEST_F(PastaMensagensTeste, TravaAbandonadaEArquivoQueSomePorUmInstante) {
    Estacao& ana = Conectada("ANA");
    fs::create_directory(tmp.Host() + "/" + Sala("users.lck.d"));
    Estacao& beto = Nova("BETO");
    const auto inicio = std::chrono::steady_clock::now();
    EXPECT_EQ(beto.Entrar(), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - inicio, std::chrono::seconds(7));
    EXPECT_FALSE(tmp.Existe(Sala("users.lck.d")));
    EXPECT_EQ(Usuarios(), "ANA\r\nBETO\r\n");

    const std::string usuarios = tmp.Host() + "/" + Sala("users.fvx");
    fs::rename(usuarios, usuarios + ".fora");
    std::thread volta([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        fs::rename(usuarios + ".fora", usuarios);
    });
    EXPECT_EQ(ana.pasta.AtualizarUsuarios(), 1);
    volta.join();
    EXPECT_EQ(ana.sessao.avisos, std::vector<std::string>{"<<< BETO >>> entrou na sala..."});
    EXPECT_TRUE(beto.ui.mensagens.empty());
}

TEST(ArquivosSala, TipoDaMontagem) {
    const std::string info =
        "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
        "40 22 0:50 / /run/user/1000/gvfs rw,nosuid shared:9 - fuse.gvfsd-fuse gvfsd-fuse rw\n"
        "41 22 0:51 / /mnt/a\\040b rw - fuse.smbnetfs smbnetfs rw\n";
    EXPECT_EQ(sala::TipoDaMontagem(info, "/run/user/1000/gvfs/smb-share:server=s,share=x/sala"), "fuse.gvfsd-fuse");
    EXPECT_EQ(sala::TipoDaMontagem(info, "/run/user/1000/gvfsx"), "ext4");
    EXPECT_EQ(sala::TipoDaMontagem(info, "/mnt/a b/127.0.0.1/sala"), "fuse.smbnetfs");
}

} // namespace
