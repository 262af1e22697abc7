#include "PastaMensagens.h"

#include "Arquivos.h"
#include "Texto1252.h"
#include "Unidades.h"
#include "fStrlib.h"

#include <algorithm>
#include <array>
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
// Two names, "_" and ".msg" stay within a 255-character file name.
constexpr std::size_t tamanhoMaximoNome = 120;

using Linhas = std::vector<std::string>;

std::string ArquivoNaPasta(const std::string& pasta, std::string_view nome) {
    std::string r = pasta;
    if (!r.empty() && r.back() != '\\') r += '\\';
    r += nome;
    return r;
}

std::string ArquivoUsuarios(const std::string& pasta) { return ArquivoNaPasta(pasta, "users.fvx"); }

// CR LF, a lone CR or a lone LF ends a line; a NUL ends the text.
Linhas LinhasDe(std::string_view bytes) {
    bytes = bytes.substr(0, bytes.find('\0'));
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

// A name that can become part of a file name inside the folder and nowhere else.
bool NomeSeguro(std::string_view nome) {
    if (nome.size() > tamanhoMaximoNome) return false;
    std::string n = TirarEspacos(nome);
    if (n.empty() || n.find("..") != std::string::npos) return false;
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

std::optional<std::string> LerAberto(ArquivoExclusivo& f, const std::string& dos,
                                     ArquivoExclusivo::Modo modo) {
    if (!f.Abrir(dos, modo)) return std::nullopt;
    return f.Ler(tamanhoMaximoArquivoPasta);
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
             "Não use \\ / : * ? \" < > | nem \"..\" no nome."_ansi);
        return -2;
    }
    // One hold of users.fvx from the read to the write, so a station logging
    // on at the same moment fails at once instead of overwriting this logon.
    ArquivoExclusivo arquivo;
    auto conteudo = LerAberto(arquivo, ArquivoUsuarios(caminho), ArquivoExclusivo::Modo::Existente);
    if (!conteudo) {
        arquivo.Fechar();
        Erro("Erro ao abrir o arquivo de usuários."_ansi);
        return -3;
    }
    Linhas linhas = LinhasDe(*conteudo);
    sessao_.usuarios = Seguros(linhas);
    if (linhas.size() >= capacidadeSala) {
        arquivo.Fechar();
        Erro("Esta sala já está com a capacidade esgotada."_ansi);
        return -4;
    }
    if (Contem(linhas, usuario)) return 0;
    linhas.push_back(usuario);
    if (!arquivo.Substituir(TextoDe(linhas))) {
        arquivo.Fechar();
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
    // The pair files are made while users.fvx is held and from what it holds
    // now: a logoff deletes its pair files under the same hold, so none can be
    // recreated here for a station that has just left. When another station
    // holds the file the pairs are left out: they are only a convenience, the
    // first deposit creates its file and a missing one means nothing waits.
    ArquivoExclusivo arquivo;
    auto conteudo = LerAberto(arquivo, ArquivoUsuarios(caminho), ArquivoExclusivo::Modo::Existente);
    if (!conteudo) return true;
    const Linhas nomes = Seguros(LinhasDe(*conteudo));
    if (nomes.empty() || plataforma::IguaisSemCaixa(nomes.front(), usuario) ||
        !Contem(nomes, usuario))
        return true;
    for (const auto& a : nomes) {
        for (const auto& b : nomes) {
            const std::string par = NomeDoPar(a, b);
            if (plataforma::IguaisSemCaixa(TirarEspacos(a), TirarEspacos(b))) continue;
            if (!GarantirArquivo(ArquivoNaPasta(caminho, par + ".msg"))) {
                arquivo.Fechar();
                Erro("Erro ao criar o arquivo " + par + ".msg");
                return false;
            }
        }
    }
    return true;
}

Desconexao PastaMensagens::DesconectarUsuario(const std::string& usuario) {
    Ampulheta ampulheta(*this);
    const int atualizacao = AtualizarUsuarios();
    if (atualizacao == atualizacaoAbandonada) return Desconexao::Abandonada;
    if (!Contem(sessao_.usuarios, usuario)) return Desconexao::Concluida;

    const std::string& pasta = sessao_.caminhoPasta;
    ArquivoExclusivo arquivo;
    auto conteudo = LerAberto(arquivo, ArquivoUsuarios(pasta), ArquivoExclusivo::Modo::CriarSeFaltar);
    Linhas linhas;
    bool gravado = false;
    if (conteudo) {
        linhas = LinhasDe(*conteudo);
        // The file had vanished: rebuild it from the last list read.
        if (atualizacao == -1 && linhas.empty()) linhas = sessao_.usuarios;
        std::erase_if(linhas, [&](const std::string& l) { return plataforma::IguaisSemCaixa(l, usuario); });
        gravado = arquivo.Substituir(TextoDe(linhas));
    }
    if (!gravado) {
        arquivo.Fechar();
        Erro("Erro ao atualizar o arquivo de usuários."_ansi);
        return Desconexao::Falhou;
    }
    sessao_.usuarios = Seguros(linhas);
    // Still under the hold of users.fvx, for the reason given in CriarArquivosMensagem.
    for (const auto& r : sessao_.usuarios) {
        for (const auto& par : {ArquivoPar(pasta, r, usuario), ArquivoPar(pasta, usuario, r)})
            if (par) plataforma::ApagarArquivo(*par);
    }
    return Desconexao::Concluida;
}

int PastaMensagens::AtualizarUsuarios() {
    Ampulheta ampulheta(*this);
    const std::string arquivo = ArquivoUsuarios(sessao_.caminhoPasta);
    if (!plataforma::ArquivoExiste(arquivo)) return -1;
    sessao_.avisos.clear();
    auto conteudo = plataforma::LerArquivoExclusivo(arquivo, tamanhoMaximoArquivoPasta);
    if (!conteudo) return atualizacaoAbandonada;
    Linhas novos = Seguros(LinhasDe(*conteudo));
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
    if (!arquivo) return false;
    const std::string conteudo = EmbaralharTexto(texto, embaralhar) + "\r\n";
    // No receiver would read it.
    if (conteudo.size() > tamanhoMaximoArquivoPasta) return false;
    return plataforma::GravarArquivoExclusivo(*arquivo, conteudo);
}

Coleta PastaMensagens::LerMensagem(const std::string& remetente) {
    Ampulheta ampulheta(*this);
    Coleta coleta;
    auto arquivo = ArquivoPar(sessao_.caminhoPasta, sessao_.usuario, remetente);
    if (!arquivo || TamanhoArquivo(*arquivo) <= 0) return coleta;
    // Read and empty through one hold, so a deposit cannot fall in between and vanish.
    ArquivoExclusivo f;
    auto conteudo = LerAberto(f, *arquivo, ArquivoExclusivo::Modo::Existente);
    if (!conteudo) {
        coleta.estado = Coleta::Estado::FalhaLeitura;
        return coleta;
    }
    if (conteudo->empty()) return coleta;
    coleta.mensagem = EmbaralharTexto(NormalizarQuebras(*conteudo), desembaralhar);
    coleta.estado = f.Substituir({}) ? Coleta::Estado::Recebida : Coleta::Estado::FalhaLimpeza;
    return coleta;
}
