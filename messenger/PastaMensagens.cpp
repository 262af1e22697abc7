#include "PastaMensagens.h"

#include "Arquivos.h"
#include "ArquivosSala.h"
#include "Texto1252.h"
#include "Unidades.h"
#include "fStrlib.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <vector>

using namespace plataforma::literais;
using plataforma::ArquivoExclusivo;

namespace {

constexpr int tipoErro = 6;
constexpr int tipoPergunta = 7;
constexpr int respostaSim = 6;
constexpr std::size_t capacidadeSala = 20;
// Two names, "_" and ".msg" stay within the host's 255-byte file name.
constexpr std::size_t tamanhoMaximoNomeHost = 125;
// How long an operation waits for a file another station holds for one
// operation of its own, before it reports the failure.
constexpr std::chrono::milliseconds esperaArquivo{1500};
// A collection does not hold the poll up for a sender that is writing now:
// what it writes is collected at the next tick.
constexpr std::chrono::milliseconds esperaColeta{100};

using Linhas = std::vector<std::string>;

std::string ArquivoNaPasta(const std::string& pasta, std::string_view nome) {
    std::string r = pasta;
    if (!r.empty() && r.back() != '\\') r += '\\';
    r += nome;
    return r;
}

constexpr std::string_view nomeUsuarios = "users.fvx";

std::string ArquivoUsuarios(const std::string& pasta) { return ArquivoNaPasta(pasta, nomeUsuarios); }

// CR LF, a lone CR or a lone LF ends a line.
Linhas Quebrar(std::string_view bytes) {
    Linhas linhas;
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::size_t fim = bytes.find_first_of("\r\n", i);
        if (fim == std::string_view::npos) {
            linhas.emplace_back(bytes.substr(i));
            break;
        }
        linhas.emplace_back(bytes.substr(i, fim - i));
        bool crlf = bytes[fim] == '\r' && fim + 1 < bytes.size() && bytes[fim + 1] == '\n';
        i = fim + (crlf ? 2 : 1);
    }
    return linhas;
}

std::string TextoDe(const Linhas& linhas) {
    std::string r;
    for (const auto& l : linhas) r += l + "\r\n";
    return r;
}

// users.fvx as every station reads it: a NUL ends the list of names. What
// follows the NUL is kept as it stood and written back after the names, so a
// rewrite never loses lines that no station reads.
struct ArquivoDeUsuarios {
    Linhas nomes; // the lines before the NUL, in file order
    Linhas resto; // from the NUL on

    explicit ArquivoDeUsuarios(std::string_view bytes) {
        const std::size_t nul = bytes.find('\0');
        nomes = Quebrar(bytes.substr(0, nul));
        // Only NULs: the padding of a rewrite in place that was cut short.
        if (nul != std::string_view::npos &&
            bytes.find_first_not_of(std::string_view("\0\r\n", 3), nul) != std::string_view::npos)
            resto = Quebrar(bytes.substr(nul));
    }
    std::string Texto() const { return TextoDe(nomes) + TextoDe(resto); }
};

std::string NormalizarQuebras(std::string_view t) {
    std::string r;
    r.reserve(t.size() + 2);
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (t[i] == '\r' || t[i] == '\n') {
            r += "\r\n";
            if (t[i] == '\r' && i + 1 < t.size() && t[i + 1] == '\n') ++i;
        } else {
            r += t[i];
        }
    }
    return r;
}

// Whether every pair file name of the name fits the host's file name limit.
bool CabeNoHost(std::string_view nome) {
    return plataforma::Nome1252ParaHost(plataforma::Minusculas1252(TirarEspacos(nome))).size() <=
           tamanhoMaximoNomeHost;
}

// The first character that would take a pair file name out of the folder or
// make it a pattern: separators, the drive colon, wildcards, control characters.
// A device name or dots are harmless: the name is always receiver_sender.msg.
std::optional<char> CaractereProibido(std::string_view nome) {
    for (char c : nome) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 32 || u == 127 || std::strchr("\\/:*?\"<>|", c)) return c;
    }
    return std::nullopt;
}

// A name that can become part of a file name inside the folder and nowhere else.
bool NomeSeguro(std::string_view nome) {
    std::string n = TirarEspacos(nome);
    return !n.empty() && CabeNoHost(n) && !CaractereProibido(n);
}

std::string Recusa(std::string_view nome) {
    const auto c = CaractereProibido(TirarEspacos(nome));
    if (!c) return "O nome é longo demais para formar os nomes dos arquivos de mensagem."_ansi;
    const auto u = static_cast<unsigned char>(*c);
    if (u < 32 || u == 127)
        return "O nome tem um caractere de controle (código "_ansi + std::to_string(u) +
               "), que não pode fazer parte de um nome de arquivo."_ansi;
    return "O caractere "_ansi + *c + " não pode fazer parte do nome, pois os nomes dos arquivos de mensagem são formados com ele."_ansi;
}

std::string SemSuporte(std::string_view nome) {
    return "A Pasta de Mensagens "_ansi + std::string(nome) +
           " está num compartilhamento aberto pelo GVFS, que não guarda os arquivos da sala."_ansi +
           "\r" + "Abra o compartilhamento de outra forma (mount.cifs ou smbnetfs) e defina a pasta por esse caminho."_ansi;
}

Linhas Seguros(const Linhas& linhas) {
    Linhas r;
    std::copy_if(linhas.begin(), linhas.end(), std::back_inserter(r),
                 [](const std::string& l) { return NomeSeguro(l); });
    return r;
}

bool Contem(const Linhas& linhas, std::string_view nome) {
    return std::any_of(linhas.begin(), linhas.end(),
                       [&](const std::string& l) { return plataforma::IguaisSemCaixa(l, nome); });
}

std::string NomeDoPar(std::string_view receptor, std::string_view remetente) {
    return plataforma::Minusculas1252(TirarEspacos(receptor) + "_" + TirarEspacos(remetente));
}

// The pair file, or nothing when either name could lead outside the folder.
std::optional<std::string> ArquivoPar(const std::string& pasta, std::string_view receptor,
                                      std::string_view remetente) {
    if (!NomeSeguro(receptor) || !NomeSeguro(remetente)) return std::nullopt;
    return ArquivoNaPasta(pasta, NomeDoPar(receptor, remetente) + ".msg");
}

// Creates the file empty when missing; an existing one (maybe holding a
// message, maybe held by another station) is left as it is.
bool GarantirArquivo(const std::string& dos) {
    return sala::Insistir([&] {
        if (plataforma::ArquivoExiste(dos)) return true;
        ArquivoExclusivo f;
        return f.Abrir(dos, ArquivoExclusivo::Modo::CriarSeFaltar) || plataforma::ArquivoExiste(dos);
    });
}

// The room's lock, held from the read of users.fvx to its replacement.
struct Trava {
    std::optional<sala::TravaSala> sala;
    bool Obter(const std::string& pasta) {
        auto host = plataforma::CaminhoHost(pasta);
        if (!host) return false;
        sala.emplace(*host);
        return sala->Obter();
    }
    void Soltar() {
        if (sala) sala->Soltar();
    }
};

// users.fvx read under the room's lock (nothing replaces it meanwhile, but
// an older station may); empty when missing.
std::optional<ArquivoDeUsuarios> LerUsuarios(const std::string& pasta, bool* semSuporte = nullptr) {
    sala::Pasta p;
    std::string conteudo;
    if (!p.Resolver(pasta)) return std::nullopt;
    auto estado = sala::Pasta::Estado::Falhou;
    sala::Insistir([&] {
        estado = p.LerLinhas(nomeUsuarios, tamanhoMaximoArquivoPasta, conteudo);
        return estado != sala::Pasta::Estado::Falhou;
    });
    if (estado == sala::Pasta::Estado::Ausente && sala::ReaparecerArquivo(p.Caminho(nomeUsuarios)))
        estado = p.LerLinhas(nomeUsuarios, tamanhoMaximoArquivoPasta, conteudo);
    if (semSuporte) *semSuporte = estado == sala::Pasta::Estado::SemSuporte;
    if (estado == sala::Pasta::Estado::Ausente) return ArquivoDeUsuarios("");
    if (estado != sala::Pasta::Estado::Lido) return std::nullopt;
    return ArquivoDeUsuarios(conteudo);
}

// Replaced by a rename (a station killed at any instant leaves the old list
// or the new one), or in place where a rename would leave it missing a
// moment. While a client's errors are outwaited the lock is renewed, or
// stations elsewhere would take it as abandoned.
bool GravarUsuarios(const std::string& pasta, const ArquivoDeUsuarios& arquivo, Trava& trava) {
    const std::string dos = ArquivoUsuarios(pasta);
    auto host = plataforma::ArquivoExiste(dos) ? plataforma::CaminhoHost(dos) : std::nullopt;
    if (sala::Insistir([&] {
            if (trava.sala) trava.sala->Renovar();
            auto noLugar = host ? sala::GravarNoLugar(*host, arquivo.Texto()) : std::nullopt;
            return noLugar ? *noLugar : plataforma::GravarArquivoAtomico(dos, arquivo.Texto());
        }))
        return true;
    // A client may lose the answer of a write that reached the server: the
    // file decides, or a logon reported failed would leave its name behind
    // and every later try would be told it is already connected.
    const auto lido = LerUsuarios(pasta);
    return lido && lido->nomes == arquivo.nomes;
}

void Remover(Linhas& linhas, std::string_view nome) {
    std::erase_if(linhas, [&](const std::string& l) { return plataforma::IguaisSemCaixa(l, nome); });
}

// The scrambled form of texto as it continues a text already scrambled: the
// alphabet switches at every blank, so it starts on the alphabet that text
// ended on, and the receiver unscrambles both as one text.
std::string EmbaralharApos(std::string_view anterior, const std::string& texto) {
    if (std::count(anterior.begin(), anterior.end(), ' ') % 2 == 0)
        return EmbaralharTexto(texto, embaralhar);
    return EmbaralharTexto(" " + texto, embaralhar).substr(1);
}

} // namespace

int64_t TamanhoArquivo(std::string_view nomeArquivo) {
    auto completo = plataforma::CaminhoDosCompleto(nomeArquivo);
    return completo ? plataforma::TamanhoArquivo(*completo) : -1;
}

// The busy cursor for the outermost operation; nested ones leave it alone.
class PastaMensagens::Ampulheta {
public:
    explicit Ampulheta(PastaMensagens& p) : p_(p) {
        if (p_.ocupado_++ == 0) p_.ui_.CursorOcupado();
    }
    ~Ampulheta() {
        if (--p_.ocupado_ == 0) p_.ui_.CursorNormal();
    }
    Ampulheta(const Ampulheta&) = delete;
    Ampulheta& operator=(const Ampulheta&) = delete;

private:
    PastaMensagens& p_;
};

int PastaMensagens::Perguntar(const std::string& titulo, const std::string& texto, int tipo) {
    ui_.CursorNormal();
    int r = ui_.Mensagem(titulo, texto, tipo);
    if (ocupado_ > 0) ui_.CursorOcupado();
    return r;
}

void PastaMensagens::Erro(const std::string& texto) { Perguntar("Erro", texto, tipoErro); }

bool PastaMensagens::VerificarPasta(const std::string& nome, const std::string& caminho) {
    Ampulheta ampulheta(*this);
    if (!sala::PastaPresente(caminho)) {
        if (!sessao_.criarAutomatico &&
            Perguntar("Atenção"_ansi,
                      "A Pasta de Mensagens "_ansi + nome + " não foi encontrada."_ansi + "\r" +
                          "Deseja criar esta pasta agora ??? ",
                      tipoPergunta) != respostaSim)
            return false;
        if (!plataforma::CriarPasta(caminho)) {
            Erro("Erro ao criar a Pasta de Mensagens " + nome + ".");
            return false;
        }
    }
    // Replaced through some clients by a delete and a rename: missing for a moment.
    const std::string usuarios = ArquivoUsuarios(caminho);
    auto host = plataforma::ArquivoExiste(usuarios) ? std::nullopt : plataforma::CaminhoHost(usuarios);
    if (host && !sala::ReaparecerArquivo(*host) && !GarantirArquivo(usuarios)) {
        Erro("O caminho da Pasta de Mensagens " + nome + " não foi encontrado."_ansi);
        return false;
    }
    return true;
}

int PastaMensagens::ConectarUsuario(const std::string& nome, const std::string& caminho,
                                    const std::string& usuario) {
    Ampulheta ampulheta(*this);
    if (!VerificarPasta(nome, caminho)) return -1;
    if (usuario.find("TODOS") != std::string::npos || TirarEspacos(usuario).empty()) return -2;
    if (!NomeSeguro(usuario)) {
        Erro("Este nome de usuário não pode ser usado."_ansi + "\r" + Recusa(usuario));
        return -2;
    }
    auto host = plataforma::CaminhoHost(caminho);
    if (host && sala::MontagemSemSuporte(*host)) {
        Erro(SemSuporte(nome));
        return -3;
    }
    // The room's lock from the read to the write, so a station logging on or
    // off at the same moment waits instead of overwriting this logon.
    Trava trava;
    std::optional<ArquivoDeUsuarios> arquivo;
    bool semSuporte = false;
    if (trava.Obter(caminho)) arquivo = LerUsuarios(caminho, &semSuporte);
    if (!arquivo) {
        trava.Soltar();
        Erro(semSuporte ? SemSuporte(nome) : "Erro ao abrir o arquivo de usuários."_ansi);
        return -3;
    }
    Linhas& linhas = arquivo->nomes;
    sessao_.usuarios = Seguros(linhas);
    if (linhas.size() >= capacidadeSala) {
        trava.Soltar();
        Erro("Esta sala já está com a capacidade esgotada."_ansi);
        return -4;
    }
    if (Contem(linhas, usuario)) return 0;
    linhas.push_back(usuario);
    if (!GravarUsuarios(caminho, *arquivo, trava)) {
        trava.Soltar();
        Erro("Erro ao atualizar o arquivo de usuários."_ansi);
        return -3;
    }
    sessao_.usuarios.push_back(usuario);
    return 1;
}

bool PastaMensagens::CriarArquivosMensagem(const std::string& nome, const std::string& caminho,
                                           const std::string& usuario) {
    Ampulheta ampulheta(*this);
    if (!VerificarPasta(nome, caminho)) return false;
    // The pair files are made under the room's lock and from what users.fvx
    // holds now: a logoff deletes its pair files under the same lock, so none
    // can be recreated here for a station that has just left. When the lock
    // cannot be had the pairs are left out: they are only a convenience, the
    // first deposit creates its file and a missing one means nothing waits.
    Trava trava;
    if (!trava.Obter(caminho)) return true;
    auto arquivo = LerUsuarios(caminho);
    if (!arquivo) return true;
    const Linhas nomes = Seguros(arquivo->nomes);
    if (nomes.empty() || plataforma::IguaisSemCaixa(nomes.front(), usuario) ||
        !Contem(nomes, usuario))
        return true;
    for (const auto& a : nomes) {
        for (const auto& b : nomes) {
            trava.sala->Renovar();
            const std::string par = NomeDoPar(a, b);
            if (plataforma::IguaisSemCaixa(TirarEspacos(a), TirarEspacos(b))) continue;
            if (!GarantirArquivo(ArquivoNaPasta(caminho, par + ".msg"))) {
                // A logon that fails takes its name back out, or every later
                // logon under it would answer that it is already connected.
                Remover(arquivo->nomes, usuario);
                if (GravarUsuarios(caminho, *arquivo, trava)) ApagarPares(caminho, nomes, usuario);
                trava.Soltar();
                Erro("Erro ao criar o arquivo " + par + ".msg");
                return false;
            }
        }
    }
    return true;
}

void PastaMensagens::ApagarPares(const std::string& pasta, const Linhas& nomes,
                                 const std::string& usuario) {
    for (const auto& r : nomes) {
        if (plataforma::IguaisSemCaixa(TirarEspacos(r), TirarEspacos(usuario))) continue;
        for (const auto& par : {ArquivoPar(pasta, r, usuario), ArquivoPar(pasta, usuario, r)}) {
            auto host = par ? plataforma::CaminhoHost(*par) : std::nullopt;
            if (!host) continue;
            // A collection cut short may have left its text under the receiver's own name.
            sala::Retirar(sala::NomePrivado(*host), false);
            sala::Retirar(*host, false);
        }
    }
}

Desconexao PastaMensagens::DesconectarUsuario(const std::string& usuario) {
    Ampulheta ampulheta(*this);
    const int atualizacao = AtualizarUsuarios();
    if (atualizacao == atualizacaoAbandonada) return Desconexao::Abandonada;
    if (!Contem(sessao_.usuarios, usuario)) return Desconexao::Concluida;

    const std::string& pasta = sessao_.caminhoPasta;
    Trava trava;
    std::optional<ArquivoDeUsuarios> arquivo;
    if (trava.Obter(pasta)) arquivo = LerUsuarios(pasta);
    bool gravado = false;
    if (arquivo) {
        // The file had vanished: rebuild it from the last list read.
        if (atualizacao == -1 && arquivo->nomes.empty()) arquivo->nomes = sessao_.usuarios;
        Remover(arquivo->nomes, usuario);
        gravado = GravarUsuarios(pasta, *arquivo, trava);
    }
    if (!gravado) {
        trava.Soltar();
        Erro("Erro ao atualizar o arquivo de usuários."_ansi);
        return Desconexao::Falhou;
    }
    sessao_.usuarios = Seguros(arquivo->nomes);
    // Still under the room's lock, for the reason given in CriarArquivosMensagem.
    ApagarPares(pasta, sessao_.usuarios, usuario);
    return Desconexao::Concluida;
}

// The poll's side: no busy cursor (nothing the user waits for) and no lock
// (users.fvx is only ever replaced whole). The folder is resolved once and
// again only when users.fvx is not found, so an idle tick costs one read of
// users.fvx and one lookup per other user.
bool PastaMensagens::ResolverPasta(bool deNovo) {
    if (deNovo || pastaResolvida_ != sessao_.caminhoPasta) {
        pastaResolvida_.clear();
        if (!pasta_.Resolver(sessao_.caminhoPasta)) return false;
        pastaResolvida_ = sessao_.caminhoPasta;
    }
    return true;
}

int PastaMensagens::AtualizarUsuarios() {
    std::string conteudo;
    ResolverPasta(false);
    pasta_.NovoTique();
    auto estado = pasta_.LerLinhas(nomeUsuarios, tamanhoMaximoArquivoPasta, conteudo);
    // Replaced through some clients by a delete and a rename: a poll that
    // falls in between looks again before it calls the room gone.
    if (estado == sala::Pasta::Estado::Ausente) {
        if (!ResolverPasta(true) || !sala::ReaparecerArquivo(pasta_.Caminho(nomeUsuarios))) return -1;
        estado = pasta_.LerLinhas(nomeUsuarios, tamanhoMaximoArquivoPasta, conteudo);
        if (estado == sala::Pasta::Estado::Ausente) return -1;
    }
    sessao_.avisos.clear();
    if (estado != sala::Pasta::Estado::Lido) return atualizacaoAbandonada;
    Linhas novos = Seguros(ArquivoDeUsuarios(conteudo).nomes);
    for (const auto& nome : sessao_.usuarios)
        if (!Contem(novos, nome)) sessao_.avisos.push_back("<<< " + nome + " >>> saiu da sala...");
    for (const auto& nome : novos)
        if (!Contem(sessao_.usuarios, nome))
            sessao_.avisos.push_back("<<< " + nome + " >>> entrou na sala...");
    sessao_.usuarios = std::move(novos);
    return sessao_.avisos.empty() ? 0 : 1;
}

bool PastaMensagens::ReconectarUsuario() {
    Ampulheta ampulheta(*this);
    if (sessao_.nomesPastas.empty()) return false;
    for (std::size_t i = 0; i < sessao_.nomesPastas.size(); ++i) {
        const std::string caminho = i < sessao_.caminhosPastas.size() ? sessao_.caminhosPastas[i] : "";
        if (!VerificarPasta(sessao_.nomesPastas[i], caminho)) return false;
    }
    if (!Contem(sessao_.nomesPastas, sessao_.nomePasta)) return false;
    const int codigo = ConectarUsuario(sessao_.nomePasta, sessao_.caminhoPasta, sessao_.usuario);
    if (codigo < 0) return false;
    if (codigo == 0) {
        Erro("Usuário já conectado nesta pasta."_ansi);
        return false;
    }
    sessao_.conectado = true;
    return true;
}

bool PastaMensagens::GravarMensagem(const std::string& destinatario, const std::string& texto) {
    Ampulheta ampulheta(*this);
    auto arquivo = ArquivoPar(sessao_.caminhoPasta, destinatario, sessao_.usuario);
    auto host = arquivo ? plataforma::CaminhoHost(*arquivo) : std::nullopt;
    if (!host || texto.size() + 2 > tamanhoMaximoMensagem) return false;
    // The receiver collects under the same hold, so a message still waiting
    // is continued, never replaced.
    sala::ArquivoRetido f;
    std::string esperando;
    // Renamed away by a collection since the open (one on the server's own
    // disk is not held off by it): the file of that name is opened again.
    for (int vez = 0;; ++vez) {
        if (f.Abrir(*host, true, esperaArquivo) != sala::ArquivoRetido::Abertura::Aberto) return false;
        if (f.Ler(tamanhoMaximoMensagem, esperando) == sala::Leitura::Lido) break;
        if (errno != ENOENT || vez == 4) return false;
    }
    std::string novo = esperando + EmbaralharApos(esperando, texto + "\r\n");
    if (novo.size() > tamanhoMaximoMensagem) {
        // Nobody collects (a station switched off without leaving): the newest
        // text stays, the oldest whole lines go.
        std::string claro =
            EmbaralharTexto(NormalizarQuebras(esperando), desembaralhar) + texto + "\r\n";
        std::size_t corte = 0;
        while (claro.size() - corte > tamanhoMaximoMensagem) corte = claro.find("\r\n", corte) + 2;
        novo = EmbaralharTexto(claro.substr(corte), embaralhar);
    }
    if (f.Gravar(novo)) return true;
    f.Gravar(esperando); // what it held, as far as the disk lets
    return false;
}

Coleta PastaMensagens::LerMensagem(const std::string& remetente) {
    Coleta coleta;
    // Nobody writes to oneself: that pair never exists.
    if (plataforma::IguaisSemCaixa(TirarEspacos(remetente), TirarEspacos(sessao_.usuario)))
        return coleta;
    const std::string nome = NomeDoPar(sessao_.usuario, remetente) + ".msg";
    if (!NomeSeguro(remetente) || !NomeSeguro(sessao_.usuario) || !ResolverPasta(false) ||
        (pasta_.Tamanho(nome) <= 0 && !pendentes_.contains(nome)))
        return coleta;
    Ampulheta ampulheta(*this);
    // A collection does not hold the poll up for a sender that is writing
    // now: what it writes is collected at the next tick.
    sala::Retida& retida = pendentes_[nome];
    sala::Recolha r = sala::Recolher(pasta_.Caminho(nome), tamanhoMaximoMensagem, esperaColeta, retida);
    if (!r.pendente) pendentes_.erase(nome);
    switch (r.estado) {
    case sala::Recolha::Estado::Nada:
        return coleta;
    case sala::Recolha::Estado::Falhou:
    case sala::Recolha::Estado::Grande:
        coleta.estado = Coleta::Estado::FalhaLeitura;
        return coleta;
    case sala::Recolha::Estado::Recebida:
    case sala::Recolha::Estado::FalhaLimpeza:
        break;
    }
    // Of a text an earlier tick showed, only what its sender wrote late.
    coleta.mensagem = EmbaralharTexto(NormalizarQuebras(r.conteudo), desembaralhar)
                          .substr(NormalizarQuebras(std::string_view(r.conteudo).substr(0, r.jaMostrado)).size());
    if (coleta.mensagem.empty()) return coleta;
    coleta.estado = r.estado == sala::Recolha::Estado::Recebida ? Coleta::Estado::Recebida
                                                                : Coleta::Estado::FalhaLimpeza;
    return coleta;
}
