#include "Unidades.h"

#include "Arquivos.h"
#include "Interno.h"
#include "Perfil.h"
#include "Texto1252.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <unordered_map>

namespace plataforma {

namespace {

// The programs are single-threaded; the table is read and replaced on the UI thread.
std::optional<TabelaUnidades>& TabelaEmVigor() {
    static std::optional<TabelaUnidades> tabela;
    return tabela;
}

bool LetraValida(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
char Maiuscula(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

// Calls f on every piece of s between separators, empty pieces included.
template <class F> void ParaCadaParte(std::string_view s, char separador, F f) {
    for (std::size_t i = 0; i <= s.size();) {
        std::size_t j = std::min(s.find(separador, i), s.size());
        f(s.substr(i, j - i));
        i = j + 1;
    }
}

// Whether the host directory `raiz` holds `caminho` (both normalised).
bool Cobre(std::string_view raiz, std::string_view caminho) {
    return raiz == "/" || caminho == raiz ||
           (caminho.starts_with(raiz) && caminho.size() > raiz.size() &&
            caminho[raiz.size()] == '/');
}

// "/a//b/" -> "/a/b", with "." and ".." folded; "" when not absolute.
std::string NormalizarHost(std::string_view host) {
    if (host.empty() || host[0] != '/') return {};
    std::string r;
    ParaCadaParte(host, '/', [&](std::string_view comp) {
        if (comp == "..")
            r.erase(r.empty() ? 0 : r.rfind('/'));
        else if (!comp.empty() && comp != ".")
            (r += '/') += comp;
    });
    return r.empty() ? "/" : r;
}

std::string Juntar(const std::string& pasta, std::string_view nome) {
    std::string r = pasta;
    if (r.empty() || r.back() != '/') r += '/';
    r += nome;
    return r;
}

std::optional<std::string> RaizDe(char letra) {
    const auto& raizes = Unidades().raizes;
    auto it = raizes.find(Maiuscula(letra));
    if (it == raizes.end()) return std::nullopt;
    return it->second;
}

bool EhPasta(const std::string& host) {
    struct stat st;
    return stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Folder -> its names by their upper-case Windows-1252 form (the first in
// byte order for each), while a ListagensMantidas lives.
using Listagem = std::unordered_map<std::string, std::string>;
std::unordered_map<std::string, Listagem>* listagens = nullptr;
std::string raizListagens;

std::string ChaveListagem(const std::string& pasta) {
    std::string k = pasta;
    while (k.size() > 1 && k.back() == '/') k.pop_back();
    return k;
}

void Guardar(Listagem& l, std::string_view nomeHost) {
    auto [it, novo] = l.try_emplace(Maiusculas1252(NomeHostPara1252(nomeHost)), nomeHost);
    if (!novo && nomeHost < it->second) it->second = std::string(nomeHost);
}

// The one case-insensitive match of `nome` in `pasta`; with several, the first
// in byte order, so the choice does not depend on the directory's order.
std::optional<std::string> ProcurarSemCaixa(const std::string& pasta, std::string_view nome) {
    Listagem* mantida = nullptr;
    if (listagens) {
        auto it = listagens->find(ChaveListagem(pasta));
        if (it != listagens->end()) {
            auto achado = it->second.find(Maiusculas1252(nome));
            if (achado == it->second.end()) return std::nullopt;
            return achado->second;
        }
    }
    DIR* d = opendir(pasta.c_str());
    if (!d) return std::nullopt;
    const std::string chave = ChaveListagem(pasta);
    if (listagens && !raizListagens.empty() && (chave == raizListagens || chave.starts_with(raizListagens + "/")))
        mantida = &(*listagens)[chave];
    std::optional<std::string> achado;
    while (const dirent* e = readdir(d)) {
        std::string_view n = e->d_name;
        if (mantida && n != "." && n != "..") Guardar(*mantida, n);
        if (IguaisSemCaixa(NomeHostPara1252(n), nome) && (!achado || n < *achado))
            achado = std::string(n);
    }
    closedir(d);
    return achado;
}

std::optional<std::string> PastaAtualDos() {
    std::string atual = PastaAtual();
    if (atual.empty()) return std::nullopt;
    return atual;
}

TipoUnidade TipoPorSistema(std::string_view tipo, std::string_view montagem) {
    auto em = [&](std::initializer_list<std::string_view> l) {
        return std::find(l.begin(), l.end(), tipo) != l.end();
    };
    if (em({"nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs"})) return TipoUnidade::Remota;
    if (em({"iso9660", "udf"})) return TipoUnidade::CdRom;
    bool midia = montagem.starts_with("/media/") || montagem.starts_with("/run/media/");
    if (midia && em({"vfat", "msdos", "exfat"})) return TipoUnidade::Removivel;
    return TipoUnidade::Fixa;
}

// Mount points escape blanks and backslashes as octal (\040).
std::string DesfazerOctal(std::string_view s) {
    std::string r;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() &&
            std::isdigit(static_cast<unsigned char>(s[i + 1])) &&
            std::isdigit(static_cast<unsigned char>(s[i + 2])) &&
            std::isdigit(static_cast<unsigned char>(s[i + 3]))) {
            r += static_cast<char>(((s[i + 1] - '0') << 6) | ((s[i + 2] - '0') << 3) |
                                   (s[i + 3] - '0'));
            i += 3;
        } else {
            r += s[i];
        }
    }
    return r;
}

// Upper-case letters, absolute roots without a final slash.
TabelaUnidades Normalizada(TabelaUnidades tabela) {
    TabelaUnidades r;
    r.pastaWindows = std::move(tabela.pastaWindows);
    r.pastaSistema = std::move(tabela.pastaSistema);
    for (auto& [letra, raiz] : tabela.raizes) {
        std::string n = NormalizarHost(raiz);
        if (LetraValida(letra) && !n.empty()) r.raizes[Maiuscula(letra)] = n;
    }
    return r;
}

} // namespace

std::string interno::PastaPessoal() {
    if (const char* h = std::getenv("HOME"); h && *h == '/') return h;
    if (const passwd* p = getpwuid(getuid()); p && p->pw_dir && *p->pw_dir == '/') return p->pw_dir;
    return {};
}

const TabelaUnidades& Unidades() {
    auto& t = TabelaEmVigor();
    if (!t) t = CarregarTabelaUnidades();
    return *t;
}

void DefinirUnidades(TabelaUnidades tabela) {
    TabelaEmVigor() = Normalizada(std::move(tabela));
}

std::string interno::PastaXdg(const char* variavel, std::string_view padrao) {
    if (const char* v = std::getenv(variavel); v && *v == '/') return v;
    std::string pessoal = PastaPessoal();
    return pessoal.empty() ? std::string() : Juntar(pessoal, padrao);
}

std::string PastaConfiguracaoUsuario() { return interno::PastaXdg("XDG_CONFIG_HOME", ".config"); }

TabelaUnidades CarregarTabelaUnidades() {
    TabelaUnidades t;
    std::string pessoal = interno::PastaPessoal();
    if (!pessoal.empty()) t.raizes['C'] = pessoal;
    t.raizes['Z'] = "/";

    std::string config = PastaConfiguracaoUsuario();
    std::string conteudo;
    if (config.empty() || interno::LerArquivoHost(Juntar(config, "falavox-zentrava/unidades.ini"),
                                                  1 << 20, conteudo) != interno::Leitura::Lido)
        return Normalizada(std::move(t));
    // Lines add drives or replace the defaults; "Z=" with no directory removes one.
    for (const std::string& chave : ChavesDoPerfil(conteudo, "Unidades")) {
        if (chave.size() != 1 || !LetraValida(chave[0])) continue;
        std::string raiz = ValorDoPerfil(conteudo, "Unidades", chave).value_or("");
        if (raiz.empty())
            t.raizes.erase(Maiuscula(chave[0]));
        else if (raiz[0] == '/')
            t.raizes[Maiuscula(chave[0])] = raiz;
    }
    if (auto w = ValorDoPerfil(conteudo, "Pastas", "Windows"); w && !w->empty())
        t.pastaWindows = *w;
    if (auto s = ValorDoPerfil(conteudo, "Pastas", "Sistema"); s && !s->empty())
        t.pastaSistema = *s;
    return Normalizada(std::move(t));
}

std::vector<char> ListarUnidades() {
    std::vector<char> r;
    for (const auto& par : Unidades().raizes)
        r.push_back(par.first);
    return r;
}

bool UnidadePronta(char letra) {
    auto raiz = RaizDe(letra);
    return raiz && EhPasta(*raiz);
}

int64_t EspacoLivre(char letra) {
    auto raiz = RaizDe(letra);
    struct statvfs sv;
    if (!raiz || statvfs(raiz->c_str(), &sv) != 0) return -1;
    uint64_t bloco = sv.f_frsize ? sv.f_frsize : 1;
    if (sv.f_bavail > static_cast<uint64_t>(INT64_MAX) / bloco) return INT64_MAX;
    return static_cast<int64_t>(sv.f_bavail * bloco);
}

namespace {

// Calls f(device, mount point, file system type) for every line of the mount table.
template <class F> void ParaCadaMontagem(std::string_view montagens, F f) {
    ParaCadaParte(montagens, '\n', [&](std::string_view linha) {
        // device mount-point type options ...
        std::string_view campos[3];
        std::size_t p = 0;
        for (auto& c : campos) {
            while (p < linha.size() && (linha[p] == ' ' || linha[p] == '\t'))
                ++p;
            std::size_t q = p;
            while (q < linha.size() && linha[q] != ' ' && linha[q] != '\t')
                ++q;
            c = linha.substr(p, q - p);
            p = q;
        }
        if (campos[2].empty()) return;
        f(DesfazerOctal(campos[0]), DesfazerOctal(campos[1]), campos[2]);
    });
}

// The names in /dev/disk/by-label escape unsafe bytes as \xHH.
std::string DesfazerHexa(std::string_view s) {
    std::string r;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x' &&
            std::isxdigit(static_cast<unsigned char>(s[i + 2])) &&
            std::isxdigit(static_cast<unsigned char>(s[i + 3]))) {
            auto valor = [](char c) {
                return std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (c | 0x20) - 'a' + 10;
            };
            r += static_cast<char>(valor(s[i + 2]) * 16 + valor(s[i + 3]));
            i += 3;
        } else {
            r += s[i];
        }
    }
    return r;
}

} // namespace

TipoUnidade TipoPelasMontagens(std::string_view montagens, std::string_view hostReal) {
    std::size_t melhor = 0;
    bool achou = false;
    TipoUnidade tipo = TipoUnidade::Desconhecido;
    ParaCadaMontagem(montagens, [&](const std::string&, const std::string& ponto,
                                    std::string_view sistema) {
        // Later lines over the same point hide earlier mounts, hence >=.
        if (Cobre(ponto, hostReal) && (!achou || ponto.size() >= melhor)) {
            achou = true;
            melhor = ponto.size();
            tipo = TipoPorSistema(sistema, ponto);
        }
    });
    return tipo;
}

std::string DispositivoMontadoEm(std::string_view montagens, std::string_view hostReal) {
    std::string dispositivo;
    ParaCadaMontagem(montagens, [&](const std::string& d, const std::string& ponto,
                                    std::string_view) {
        if (ponto == hostReal) dispositivo = d; // the last mount over a point is the visible one
    });
    return dispositivo;
}

std::string NomeDoVolume(char letra) {
    auto raiz = RaizDe(letra);
    char real[PATH_MAX];
    if (!raiz || !realpath(raiz->c_str(), real)) return {};
    std::string montagens;
    if (interno::LerArquivoHost("/proc/self/mounts", 64 << 20, montagens) != interno::Leitura::Lido)
        return {};
    return RotuloDoDispositivo(DispositivoMontadoEm(montagens, real), "/dev/disk/by-label");
}

std::string RotuloDoDispositivo(const std::string& dispositivo, const std::string& pastaRotulos) {
    char dispReal[PATH_MAX];
    if (dispositivo.empty() || dispositivo[0] != '/' || !realpath(dispositivo.c_str(), dispReal))
        return {};
    DIR* d = opendir(pastaRotulos.c_str());
    if (!d) return {};
    std::string nome;
    while (dirent* e = readdir(d)) {
        char alvo[PATH_MAX];
        const std::string entrada = pastaRotulos + "/" + e->d_name;
        if (e->d_name[0] != '.' && realpath(entrada.c_str(), alvo) &&
            std::string_view(alvo) == dispReal) {
            nome = DesfazerHexa(e->d_name);
            break;
        }
    }
    closedir(d);
    return nome;
}

TipoUnidade TipoDaUnidade(char letra) {
    auto raiz = RaizDe(letra);
    if (!raiz) return TipoUnidade::SemRaiz;
    char real[PATH_MAX];
    if (!realpath(raiz->c_str(), real) || !EhPasta(real)) return TipoUnidade::SemRaiz;
    std::string montagens;
    if (interno::LerArquivoHost("/proc/self/mounts", 64 << 20, montagens) != interno::Leitura::Lido)
        return TipoUnidade::Desconhecido;
    return TipoPelasMontagens(montagens, real);
}

namespace {
std::string SemBarraFinal(std::string p) {
    if (p.size() > 3 && p.back() == '\\') p.pop_back();
    return p;
}
} // namespace

std::string DiretorioWindows() {
    return SemBarraFinal(Unidades().pastaWindows);
}
std::string DiretorioSistema() {
    return SemBarraFinal(Unidades().pastaSistema);
}

std::optional<std::string> CaminhoDosCompleto(std::string_view dos) {
    if (dos.empty() || dos.find('\0') != std::string_view::npos) return std::nullopt;
    std::string base; // "X:" plus the components already fixed, each after a backslash
    std::string_view resto;
    if (dos.size() >= 2 && dos[1] == ':') {
        if (!LetraValida(dos[0])) return std::nullopt;
        base = std::string(dos.substr(0, 2));
        resto = dos.substr(2);
        if (resto.empty() || resto[0] != '\\') {
            // "c:nome": relative to the current directory when it is on that drive.
            auto atual = PastaAtualDos();
            if (atual && Maiuscula((*atual)[0]) == Maiuscula(dos[0]))
                base = std::string(dos.substr(0, 1)) + atual->substr(1);
        }
    } else {
        if (dos.starts_with("\\\\")) return std::nullopt; // UNC names are not mapped
        auto atual = PastaAtualDos();
        if (!atual) return std::nullopt;
        base = dos[0] == '\\' ? atual->substr(0, 2) : *atual;
        resto = dos;
    }
    if (base.size() == 3) base.pop_back(); // "C:\" from PastaAtual
    ParaCadaParte(resto, '\\', [&](std::string_view comp) {
        if (comp == "..") {
            if (base.size() > 2) base.erase(base.rfind('\\'));
        } else if (!comp.empty() && comp != ".") {
            (base += '\\') += comp;
        }
    });
    if (base.size() == 2) base += '\\';
    return base;
}

std::optional<std::string> CaminhoHost(std::string_view dos) {
    auto completo = CaminhoDosCompleto(dos);
    if (!completo) return std::nullopt;
    auto raiz = RaizDe((*completo)[0]);
    if (!raiz) return std::nullopt;
    std::string host = *raiz;
    std::string_view resto = std::string_view(*completo).substr(3);
    if (resto.find('/') != std::string_view::npos) return std::nullopt;
    // The common case in one lookup: every component exists as given.
    std::string direto = host;
    ParaCadaParte(resto, '\\', [&](std::string_view comp) {
        if (!comp.empty()) direto = Juntar(direto, Nome1252ParaHost(comp));
    });
    struct stat st;
    if (!resto.empty() && lstat(direto.c_str(), &st) == 0) return direto;
    bool procurar = true; // false once a component is missing: nothing below it exists
    if (!resto.empty())
        ParaCadaParte(resto, '\\', [&](std::string_view comp) {
            std::string exato = Juntar(host, Nome1252ParaHost(comp));
            struct stat st;
            // A name an ANSI program wrote byte for byte is still found.
            if (procurar && lstat(exato.c_str(), &st) != 0 &&
                lstat(Juntar(host, comp).c_str(), &st) == 0)
                exato = Juntar(host, comp);
            if (procurar && lstat(exato.c_str(), &st) != 0) {
                if (auto achado = ProcurarSemCaixa(host, comp)) {
                    host = Juntar(host, *achado);
                    return;
                }
                procurar = false;
            }
            host = std::move(exato);
        });
    return host;
}

ListagensMantidas::ListagensMantidas(const std::string& raizHost) {
    delete listagens;
    listagens = new std::unordered_map<std::string, Listagem>;
    raizListagens = ChaveListagem(raizHost);
}

ListagensMantidas::~ListagensMantidas() {
    delete listagens;
    listagens = nullptr;
}

void NotarNomeCriado(const std::string& pasta, std::string_view nomeHost) {
    if (!listagens) return;
    auto it = listagens->find(ChaveListagem(pasta));
    if (it != listagens->end()) Guardar(it->second, nomeHost);
}

std::optional<std::string> CaminhoDos(std::string_view host) {
    std::string h = NormalizarHost(host);
    if (h.empty()) return std::nullopt;
    std::optional<char> letra;
    std::size_t melhor = 0;
    auto considerar = [&](char l, const std::string& raiz) {
        std::size_t tam = raiz == "/" ? 0 : raiz.size();
        if (Cobre(raiz, h) && (!letra || tam > melhor)) {
            letra = l;
            melhor = tam;
        }
    };
    for (const auto& [l, raiz] : Unidades().raizes) {
        considerar(l, raiz);
        // A root reached through a link (a linked home) still covers the real path.
        char real[PATH_MAX];
        if (realpath(raiz.c_str(), real) && raiz != real) considerar(l, NormalizarHost(real));
    }
    if (!letra) return std::nullopt;
    std::string resto;
    bool expressavel = true;
    ParaCadaParte(std::string_view(h).substr(melhor), '/', [&](std::string_view comp) {
        if (comp.empty()) return;
        std::string nome = NomeHostPara1252(comp);
        // A backslash, or a character the code page lacks, cannot be named in DOS.
        if (nome.find('\\') != std::string::npos || nome.find('?') != std::string::npos)
            expressavel = false;
        (resto += '\\') += nome;
    });
    if (!expressavel) return std::nullopt;
    if (resto.empty()) resto = "\\";
    return std::string(1, *letra) + ":" + resto;
}

namespace {

std::optional<std::string> Real(const std::optional<std::string>& host) {
    if (!host) return std::nullopt;
    char* r = realpath(host->c_str(), nullptr);
    if (!r) return std::nullopt;
    std::string s = r;
    std::free(r);
    return s;
}

} // namespace

bool MesmaPasta(std::string_view a, std::string_view b) {
    auto ra = Real(CaminhoHost(a)), rb = Real(CaminhoHost(b));
    return ra && rb && *ra == *rb && EhPasta(*ra);
}

bool PastaEssencial(std::string_view dos) {
    auto pasta = Real(CaminhoHost(dos));
    if (!pasta) return true;
    std::vector<std::optional<std::string>> protegidas{
        Real(interno::PastaPessoal()), Real(CaminhoHost(DiretorioWindows())),
        Real(CaminhoHost(DiretorioSistema()))};
    for (const auto& [letra, raiz] : Unidades().raizes)
        protegidas.push_back(Real(raiz));
    for (const auto& p : protegidas)
        if (p && Cobre(*pasta, *p)) return true;
    return false;
}

} // namespace plataforma
