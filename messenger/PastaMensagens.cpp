#include "PastaMensagens.h"

#include "Arquivos.h"
#include "Texto1252.h"
#include "Unidades.h"
#include "fStrlib.h"

#include <algorithm>
#include <array>
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
// Every change of users.fvx is made holding this file, never users.fvx
// itself: users.fvx is replaced by a rename, and a lock on the file being
// replaced would not hold off a station that opens its successor.
constexpr std::string_view nomeTrava = "users.lck";

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
        if (nul != std::string_view::npos) resto = Quebrar(bytes.substr(nul));
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

bool NomeReservado(std::string_view base) {
    static constexpr std::array<std::string_view, 4> nomes = {"CON", "PRN", "AUX", "NUL"};
    std::string b = plataforma::Maiusculas1252(TirarEspacos(base));
    if (std::find(nomes.begin(), nomes.end(), b) != nomes.end()) return true;
    return b.size() == 4 && (b.starts_with("COM") || b.starts_with("LPT")) && b[3] >= '1' &&
           b[3] <= '9';
}

// Whether every pair file name of the name fits the host's file name limit.
bool CabeNoHost(std::string_view nome) {
    return plataforma::Nome1252ParaHost(plataforma::Minusculas1252(TirarEspacos(nome))).size() <=
           tamanhoMaximoNomeHost;
}

// A name that can become part of a file name inside the folder and nowhere else.
bool NomeSeguro(std::string_view nome) {
    std::string n = TirarEspacos(nome);
    if (n.empty() || n.find("..") != std::string::npos || !CabeNoHost(n)) return false;
    for (unsigned char c : n)
        if (c < 32 || c == 127 || std::strchr("\\/:*?\"<>|", c)) return false;
    return !NomeReservado(std::string_view(n).substr(0, n.find('.')));
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
    if (plataforma::ArquivoExiste(dos)) return true;
    ArquivoExclusivo f;
    return f.Abrir(dos, ArquivoExclusivo::Modo::CriarSeFaltar) || plataforma::ArquivoExiste(dos);
}

// The room's lock, held from the read of users.fvx to its replacement.
bool Travar(ArquivoExclusivo& trava, const std::string& pasta) {
    return trava.Abrir(ArquivoNaPasta(pasta, nomeTrava), ArquivoExclusivo::Modo::CriarSeFaltar,
                       esperaArquivo);
}

// users.fvx read under the room's lock; empty when missing.
std::optional<ArquivoDeUsuarios> LerUsuarios(const std::string& pasta) {
    const std::string dos = ArquivoUsuarios(pasta);
    if (!plataforma::ArquivoExiste(dos)) return ArquivoDeUsuarios("");
    auto conteudo = plataforma::LerArquivoExclusivo(dos, tamanhoMaximoArquivoPasta);
    if (!conteudo) return std::nullopt;
    return ArquivoDeUsuarios(*conteudo);
}

// Replaced by a rename: a station killed at any instant leaves the old list or the new one.
bool GravarUsuarios(const std::string& pasta, const ArquivoDeUsuarios& arquivo) {
    return plataforma::GravarArquivoAtomico(ArquivoUsuarios(pasta), arquivo.Texto());
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
    if (!plataforma::PastaExiste(caminho)) {
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
    if (!GarantirArquivo(ArquivoUsuarios(caminho))) {
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
        Erro("Este nome de usuário não pode ser usado."_ansi + "\r" +
             (CabeNoHost(usuario) ? "Não use \\ / : * ? \" < > | nem \"..\" no nome."_ansi
                                  : "O nome é longo demais para formar os nomes dos arquivos de mensagem."_ansi));
        return -2;
    }
    // The room's lock from the read to the write, so a station logging on or
    // off at the same moment waits instead of overwriting this logon.
    ArquivoExclusivo trava;
    std::optional<ArquivoDeUsuarios> arquivo;
    if (Travar(trava, caminho)) arquivo = LerUsuarios(caminho);
    if (!arquivo) {
        trava.Fechar();
        Erro("Erro ao abrir o arquivo de usuários."_ansi);
        return -3;
    }
    Linhas& linhas = arquivo->nomes;
    sessao_.usuarios = Seguros(linhas);
    if (linhas.size() >= capacidadeSala) {
        trava.Fechar();
        Erro("Esta sala já está com a capacidade esgotada."_ansi);
        return -4;
    }
    if (Contem(linhas, usuario)) return 0;
    linhas.push_back(usuario);
    if (!GravarUsuarios(caminho, *arquivo)) {
        trava.Fechar();
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
    ArquivoExclusivo trava;
    if (!Travar(trava, caminho)) return true;
    auto arquivo = LerUsuarios(caminho);
    if (!arquivo) return true;
    const Linhas nomes = Seguros(arquivo->nomes);
    if (nomes.empty() || plataforma::IguaisSemCaixa(nomes.front(), usuario) ||
        !Contem(nomes, usuario))
        return true;
    for (const auto& a : nomes) {
        for (const auto& b : nomes) {
            const std::string par = NomeDoPar(a, b);
            if (plataforma::IguaisSemCaixa(TirarEspacos(a), TirarEspacos(b))) continue;
            if (!GarantirArquivo(ArquivoNaPasta(caminho, par + ".msg"))) {
                // A logon that fails takes its name back out, or every later
                // logon under it would answer that it is already connected.
                Remover(arquivo->nomes, usuario);
                if (GravarUsuarios(caminho, *arquivo)) ApagarPares(caminho, nomes, usuario);
                trava.Fechar();
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
        for (const auto& par : {ArquivoPar(pasta, r, usuario), ArquivoPar(pasta, usuario, r)})
            if (par) plataforma::ApagarArquivo(*par);
    }
}

Desconexao PastaMensagens::DesconectarUsuario(const std::string& usuario) {
    Ampulheta ampulheta(*this);
    const int atualizacao = AtualizarUsuarios();
    if (atualizacao == atualizacaoAbandonada) return Desconexao::Abandonada;
    if (!Contem(sessao_.usuarios, usuario)) return Desconexao::Concluida;

    const std::string& pasta = sessao_.caminhoPasta;
    ArquivoExclusivo trava;
    std::optional<ArquivoDeUsuarios> arquivo;
    if (Travar(trava, pasta)) arquivo = LerUsuarios(pasta);
    bool gravado = false;
    if (arquivo) {
        // The file had vanished: rebuild it from the last list read.
        if (atualizacao == -1 && arquivo->nomes.empty()) arquivo->nomes = sessao_.usuarios;
        Remover(arquivo->nomes, usuario);
        gravado = GravarUsuarios(pasta, *arquivo);
    }
    if (!gravado) {
        trava.Fechar();
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
        if (!resolvida_.Resolver(sessao_.caminhoPasta)) return false;
        pastaResolvida_ = sessao_.caminhoPasta;
    }
    return true;
}

int PastaMensagens::AtualizarUsuarios() {
    std::string conteudo;
    auto estado = ResolverPasta(false)
                      ? resolvida_.Ler(nomeUsuarios, tamanhoMaximoArquivoPasta, conteudo)
                      : plataforma::PastaResolvida::Estado::Ausente;
    if (estado == plataforma::PastaResolvida::Estado::Ausente && ResolverPasta(true))
        estado = resolvida_.Ler(nomeUsuarios, tamanhoMaximoArquivoPasta, conteudo);
    if (estado == plataforma::PastaResolvida::Estado::Ausente) {
        // Not as this program names it: a USERS.FVX another system wrote.
        const std::string arquivo = ArquivoUsuarios(sessao_.caminhoPasta);
        if (!plataforma::ArquivoExiste(arquivo)) return -1;
        auto lido = plataforma::LerArquivoExclusivo(arquivo, tamanhoMaximoArquivoPasta);
        estado = lido ? plataforma::PastaResolvida::Estado::Lido
                      : plataforma::PastaResolvida::Estado::Falhou;
        if (lido) conteudo = std::move(*lido);
    }
    sessao_.avisos.clear();
    if (estado != plataforma::PastaResolvida::Estado::Lido) return atualizacaoAbandonada;
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
    if (!arquivo || texto.size() + 2 > tamanhoMaximoArquivoPasta) return false;
    // The receiver collects and empties under the same lock, so a message
    // still waiting is continued, never replaced.
    ArquivoExclusivo f;
    if (!f.Abrir(*arquivo, ArquivoExclusivo::Modo::CriarSeFaltar, esperaArquivo)) return false;
    auto esperando = f.Ler(tamanhoMaximoArquivoPasta);
    if (!esperando) return false;
    const std::string novo = EmbaralharApos(*esperando, texto + "\r\n");
    // Past the limit no receiver would read it; the waiting text stays whole.
    if (esperando->size() + novo.size() > tamanhoMaximoArquivoPasta) return false;
    return f.Acrescentar(novo);
}

Coleta PastaMensagens::LerMensagem(const std::string& remetente) {
    Coleta coleta;
    // Nobody writes to oneself: that pair never exists.
    if (plataforma::IguaisSemCaixa(TirarEspacos(remetente), TirarEspacos(sessao_.usuario)))
        return coleta;
    if (!NomeSeguro(remetente) || !NomeSeguro(sessao_.usuario) || !ResolverPasta(false) ||
        resolvida_.Tamanho(NomeDoPar(sessao_.usuario, remetente) + ".msg") <= 0)
        return coleta;
    Ampulheta ampulheta(*this);
    auto arquivo = ArquivoPar(sessao_.caminhoPasta, sessao_.usuario, remetente);
    // Read and empty through one hold, so a deposit cannot fall in between and vanish.
    ArquivoExclusivo f;
    if (!f.Abrir(*arquivo, ArquivoExclusivo::Modo::Existente, esperaColeta)) {
        // Its sender is writing it now: the next tick collects it.
        if (!f.Ocupado()) coleta.estado = Coleta::Estado::FalhaLeitura;
        return coleta;
    }
    auto conteudo = f.Ler(tamanhoMaximoArquivoPasta);
    if (!conteudo) {
        coleta.estado = Coleta::Estado::FalhaLeitura;
        return coleta;
    }
    if (conteudo->empty()) return coleta;
    coleta.mensagem = EmbaralharTexto(NormalizarQuebras(*conteudo), desembaralhar);
    coleta.estado = f.Substituir({}) ? Coleta::Estado::Recebida : Coleta::Estado::FalhaLimpeza;
    return coleta;
}
