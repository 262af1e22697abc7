#include "RegistroInstalacao.h"

#include "Perfil.h"
#include "Unidades.h"

#include <libdeflate.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <random>
#include <set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace plataforma;

namespace {

struct Estado {
    int fd = -1;
    int espelho = -1;
    std::string pasta;
};
Estado estado;

bool GravarTudo(int fd, std::string_view s) {
    while (!s.empty()) {
        ssize_t w = write(fd, s.data(), s.size());
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        s.remove_prefix(static_cast<std::size_t>(w));
    }
    return true;
}

// Length of the well-formed UTF-8 sequence at s[i], 0 when there is none.
std::size_t Sequencia(std::string_view s, std::size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
    if (c >= 0xF5 || n == 0 || i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
    const auto c1 = static_cast<unsigned char>(s[i + 1]);
    if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 >= 0xA0) || (c == 0xF0 && c1 < 0x90) ||
        (c == 0xF4 && c1 >= 0x90))
        return 0;
    return n;
}

std::string Aleatorio() {
    static std::mt19937_64 gerador{std::random_device{}()};
    static const char letras[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string r;
    for (int i = 0; i < 8; ++i) r += letras[gerador() % 62];
    return r;
}

std::string Pai(const std::string& host) {
    auto b = host.rfind('/');
    return b == 0 ? "/" : host.substr(0, b);
}

std::string Hex8(uint32_t v) {
    char b[9];
    std::snprintf(b, sizeof b, "%08x", v);
    return b;
}

bool Absoluto(const std::string& c) {
    return !c.empty() && c[0] == '/';
}

// Where a record path lives: its folder opened without following links (below
// the application folder for a relative path; an absolute one only when
// allowed) and its last name.
struct Lugar {
    PastaAberta pai;
    std::string nome;
};
std::optional<Lugar> Localizar(int app, const std::string& caminho, const PermissaoCaminho& fora) {
    auto b = caminho.rfind('/');
    std::string nome = b == std::string::npos ? caminho : caminho.substr(b + 1);
    if (nome.empty() || nome == "." || nome == "..") return std::nullopt;
    Lugar l;
    l.nome = nome;
    if (Absoluto(caminho)) {
        if (!fora || !fora(caminho)) return std::nullopt;
        l.pai = AbrirPastaHost(Pai(caminho));
    } else {
        l.pai = AbrirAbaixo(app, b == std::string::npos ? "" : std::string_view(caminho).substr(0, b));
    }
    if (!l.pai.Aberta()) return std::nullopt;
    return l;
}

bool Existe(const Lugar& l) {
    struct stat st;
    return fstatat(*l.pai, l.nome.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

// A file (never a folder) the run wrote.
void RemoverArquivo(int app, const std::string& caminho, const PermissaoCaminho& fora,
                    ResultadoApagamento& r) {
    auto l = Localizar(app, caminho, fora);
    if (!l) return;
    struct stat st;
    if (fstatat(*l->pai, l->nome.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return;
    if (S_ISDIR(st.st_mode) || (unlinkat(*l->pai, l->nome.c_str(), 0) != 0 && errno != ENOENT))
        r.Restou(caminho);
}

void RemoverPastaVazia(int app, const std::string& caminho, const PermissaoCaminho& fora,
                       ResultadoApagamento& r) {
    auto l = Localizar(app, caminho, fora);
    if (!l || !Existe(*l)) return;
    // Not empty: something not of this run is in it, and it stays.
    if (!RemoverEntrada(*l->pai, l->nome, false, r) && errno != ENOTEMPTY && errno != EEXIST)
        r.Restou(caminho + "/");
}

void DevolverCopia(int app, const std::string& arquivo, const std::string& copia,
                   const PermissaoCaminho& fora, ResultadoApagamento& r) {
    auto de = Localizar(app, copia, fora);
    auto para = Localizar(app, arquivo, fora);
    struct stat velho, atual;
    if (!de || !para || fstatat(*de->pai, de->nome.c_str(), &velho, AT_SYMLINK_NOFOLLOW) != 0) return;
    // Killed before the replacement landed, the copy is still a second name
    // of the file: rename would do nothing and leave the copy behind.
    if (fstatat(*para->pai, para->nome.c_str(), &atual, AT_SYMLINK_NOFOLLOW) == 0 && MesmoArquivo(velho, atual)) {
        if (unlinkat(*de->pai, de->nome.c_str(), 0) != 0 && errno != ENOENT) r.Restou(copia);
        return;
    }
    if (renameat(*de->pai, de->nome.c_str(), *para->pai, para->nome.c_str()) != 0)
        r.Restou(arquivo);
}

void DevolverIni(int app, const std::vector<std::string>& c, const PermissaoCaminho& fora,
                 ResultadoApagamento& r) {
    if (c.size() < 4) return;
    std::string host = Absoluto(c[0]) ? c[0] : estado.pasta + "/" + c[0];
    if (Absoluto(c[0]) ? !(fora && fora(c[0])) : !Localizar(app, c[0], fora)) return;
    auto dos = CaminhoDos(host);
    bool ok = dos && (c[3] == "ausente" ? ApagarChavePerfil(*dos, c[1], c[2])
                                        : c.size() > 4 && GravarPerfil(*dos, c[1], c[2], c[4]));
    // A section the entry brought along goes with it once empty again.
    if (ok && c[3] == "ausente" && c.size() > 4 && c[4] == "sem-secao" && ListarChavesPerfil(*dos, c[1]).empty())
        ok = ApagarSecaoPerfil(*dos, c[1]);
    if (!ok) r.Restou(c[0]);
}

std::optional<std::string> LerRegistro(int app) {
    int fd = openat(app, nomeRegistroInstalacao, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string conteudo;
    char buf[65536];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        conteudo.append(buf, static_cast<std::size_t>(n));
    }
    close(fd);
    return conteudo;
}

} // namespace

std::string CodificarCampo(std::string_view s) {
    static const char hex[] = "0123456789ABCDEF";
    std::string r;
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t n = c >= 0x80 ? Sequencia(s, i) : (c >= 0x20 && c != 0x7F && c != '\\') ? 1 : 0;
        if (n == 0) {
            r += "\\x";
            r += hex[c >> 4];
            r += hex[c & 15];
            ++i;
        } else {
            r.append(s.substr(i, n));
            i += n;
        }
    }
    return r;
}

std::string DecodificarCampo(std::string_view s) {
    std::string r;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() + 1 && s[i + 1] == 'x') {
            unsigned v = 0;
            if (std::sscanf(std::string(s.substr(i + 2, 2)).c_str(), "%2x", &v) == 1) {
                r += static_cast<char>(v);
                i += 3;
                continue;
            }
        }
        r += s[i];
    }
    return r;
}

std::vector<LinhaRegistro> AnalisarRegistro(std::string_view conteudo) {
    std::vector<LinhaRegistro> r;
    std::size_t i = 0;
    while (i < conteudo.size()) {
        std::size_t fim = conteudo.find('\n', i);
        if (fim == std::string_view::npos) break;
        std::string_view linha = conteudo.substr(i, fim - i);
        LinhaRegistro l;
        l.inicio = i;
        i = fim + 1;
        if (linha.empty() || linha[0] == '#') continue;
        std::size_t p = 0;
        bool primeiro = true;
        while (p <= linha.size()) {
            std::size_t t = linha.find('\t', p);
            if (t == std::string_view::npos) t = linha.size();
            std::string campo = DecodificarCampo(linha.substr(p, t - p));
            if (primeiro)
                l.tipo = std::move(campo);
            else
                l.campos.push_back(std::move(campo));
            primeiro = false;
            p = t + 1;
        }
        r.push_back(std::move(l));
    }
    return r;
}

bool AbrirRegistro(const std::string& pastaAppHost) {
    FecharRegistro();
    PastaAberta app = AbrirPastaHost(pastaAppHost);
    if (!app.Aberta()) return false;
    const bool novo = faccessat(*app, nomeRegistroInstalacao, F_OK, AT_SYMLINK_NOFOLLOW) != 0;
    int fd = openat(*app, nomeRegistroInstalacao,
                    O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1) {
        close(fd);
        errno = EINVAL;
        return false;
    }
    estado.fd = fd;
    estado.pasta = pastaAppHost;
    while (estado.pasta.size() > 1 && estado.pasta.back() == '/') estado.pasta.pop_back();
    if (novo && !GravarTudo(fd, "# Zentrava 8: registro do que a instalação mudou nesta pasta.\n")) {
        FecharRegistro();
        return false;
    }
    return true;
}

void FecharRegistro() {
    if (estado.fd >= 0) close(estado.fd);
    estado.fd = -1;
    estado.pasta.clear();
}

bool RegistroAberto() {
    return estado.fd >= 0;
}

const std::string& PastaRegistro() {
    return estado.pasta;
}

bool Registrar(std::string_view tipo, const std::vector<std::string>& campos) {
    std::string linha = CodificarCampo(tipo);
    for (const auto& c : campos) (linha += '\t') += CodificarCampo(c);
    linha += '\n';
    if (estado.espelho >= 0) GravarTudo(estado.espelho, linha);
    if (estado.fd < 0) return true;
    if (GravarTudo(estado.fd, linha)) return true;
    if (errno == 0) errno = EIO;
    return false;
}

std::string NoRegistro(const std::string& host) {
    const std::string& p = estado.pasta;
    if (host == p) return ".";
    if (!p.empty() && host.size() > p.size() + 1 && host.compare(0, p.size(), p) == 0 &&
        host[p.size()] == '/')
        return host.substr(p.size() + 1);
    return host;
}

bool EspelharLinhas(const std::string& host) {
    if (estado.espelho >= 0) close(estado.espelho);
    estado.espelho = -1;
    if (host.empty()) return true;
    estado.espelho = open(host.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    return estado.espelho >= 0;
}

void EspelharMensagem(std::string_view texto) {
    if (estado.espelho < 0) return;
    std::string t(texto);
    std::replace(t.begin(), t.end(), '\r', ' ');
    GravarTudo(estado.espelho, "mensagem\t" + CodificarCampo(t) + "\n");
}

bool CriarPastasRegistradas(const std::string& host) {
    std::vector<std::string> faltam;
    struct stat st;
    for (std::string p = host; p.size() > 1; p = Pai(p)) {
        if (stat(p.c_str(), &st) == 0) {
            if (!S_ISDIR(st.st_mode)) {
                errno = ENOTDIR;
                return false;
            }
            break;
        }
        faltam.push_back(p);
    }
    for (auto it = faltam.rbegin(); it != faltam.rend(); ++it) {
        if (RegistroAberto() && !Registrar("pasta", {NoRegistro(*it)})) return false;
        if (mkdir(it->c_str(), 0777) != 0 && errno != EEXIST) return false;
        NotarNomeCriado(Pai(*it), it->substr(it->rfind('/') + 1));
    }
    return true;
}

bool GuardarAntigo(const std::string& host) {
    struct stat st;
    if (!RegistroAberto() || lstat(host.c_str(), &st) != 0) return true;
    if (S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        return false;
    }
    const std::string copia = Pai(host) + "/.zentrava-copia-" + Aleatorio();
    if (!Registrar("copia", {NoRegistro(host), NoRegistro(copia)})) return false;
    // A second name keeps the file where it is until its replacement lands;
    // where the file system has none, the old file moves aside.
    return link(host.c_str(), copia.c_str()) == 0 || rename(host.c_str(), copia.c_str()) == 0;
}

ArquivoNovo::~ArquivoNovo() {
    Descartar();
}

int ArquivoNovo::Criar(const std::string& pastaHost, mode_t modo) {
    Descartar();
    pasta_ = pastaHost;
    while (pasta_.size() > 1 && pasta_.back() == '/') pasta_.pop_back();
    fd_ = open(pasta_.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, modo);
    if (fd_ >= 0) return 0;
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return errno;
    nomeado_ = pasta_ + "/.zentrava-" + Aleatorio();
    if (RegistroAberto() && !Registrar("temporario", {NoRegistro(nomeado_)})) {
        nomeado_.clear();
        return errno ? errno : EIO;
    }
    fd_ = open(nomeado_.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, modo);
    if (fd_ < 0) {
        int e = errno;
        nomeado_.clear();
        return e;
    }
    return 0;
}

int ArquivoNovo::Instalar(const std::string& destinoHost, std::string_view tipo) {
    int64_t tamanho = 0;
    uint32_t crc = 0;
    if (fd_ < 0) return EBADF;
    if (!MedirArquivo(fd_, tamanho, crc)) return errno ? errno : EIO;
    if (!GuardarAntigo(destinoHost)) return errno;
    if (RegistroAberto() &&
        !Registrar(tipo, {NoRegistro(destinoHost), std::to_string(tamanho), Hex8(crc)}))
        return errno ? errno : EIO;
    int erro = 0;
    if (!nomeado_.empty()) {
        if (rename(nomeado_.c_str(), destinoHost.c_str()) != 0) erro = errno;
    } else {
        const std::string proprio = "/proc/self/fd/" + std::to_string(fd_);
        if (linkat(AT_FDCWD, proprio.c_str(), AT_FDCWD, destinoHost.c_str(), AT_SYMLINK_FOLLOW) != 0) {
            if (errno != EEXIST) return errno;
            // The old file is still there (kept by a second name): replace it
            // in one rename.
            const std::string passagem = pasta_ + "/.zentrava-" + Aleatorio();
            if (RegistroAberto() && !Registrar("temporario", {NoRegistro(passagem)}))
                return errno ? errno : EIO;
            if (linkat(AT_FDCWD, proprio.c_str(), AT_FDCWD, passagem.c_str(), AT_SYMLINK_FOLLOW) != 0)
                return errno;
            if (rename(passagem.c_str(), destinoHost.c_str()) != 0) {
                erro = errno;
                unlink(passagem.c_str());
            }
        }
    }
    if (erro) return erro;
    NotarNomeCriado(Pai(destinoHost), destinoHost.substr(destinoHost.rfind('/') + 1));
    nomeado_.clear();
    int fd = fd_;
    fd_ = -1;
    return close(fd) == 0 ? 0 : errno;
}

void ArquivoNovo::Descartar() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    if (!nomeado_.empty()) unlink(nomeado_.c_str());
    nomeado_.clear();
}

bool MedirArquivo(int fd, int64_t& tamanho, uint32_t& crc) {
    // The file was just written, so this reads the page cache: libdeflate's
    // CRC keeps it a small share of the copy.
    std::vector<char> buf(1 << 18);
    uint32_t c = 0;
    off_t pos = 0;
    for (;;) {
        ssize_t n = pread(fd, buf.data(), buf.size(), pos);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        c = libdeflate_crc32(c, buf.data(), static_cast<std::size_t>(n));
        pos += n;
    }
    tamanho = pos;
    crc = c;
    return true;
}

ResultadoDesfazer DesfazerRegistro(const std::string& pastaAppHost, const PermissaoCaminho& fora) {
    ResultadoDesfazer res;
    PastaAberta app = AbrirPastaHost(pastaAppHost);
    if (!app.Aberta()) return res;
    auto conteudo = LerRegistro(*app);
    if (!conteudo) return res;
    auto linhas = AnalisarRegistro(*conteudo);
    auto ultimo = std::find_if(linhas.rbegin(), linhas.rend(),
                               [](const LinhaRegistro& l) { return l.tipo == "inicio"; });
    if (ultimo == linhas.rend()) return res;
    const std::size_t inicioRun = ultimo->inicio;
    const bool primeiro = std::count_if(linhas.begin(), linhas.end(),
                                        [](const LinhaRegistro& l) { return l.tipo == "inicio"; }) == 1;
    const bool criada = ultimo->campos.size() > 4 && ultimo->campos[4] == "criada";
    std::vector<LinhaRegistro> run(ultimo.base(), linhas.end());
    const bool terminou = std::any_of(run.begin(), run.end(),
                                      [](const LinhaRegistro& l) { return l.tipo == "fim"; });
    const std::string pastaAntes = estado.pasta;
    estado.pasta = pastaAppHost; // relative INI paths resolve against it
    auto Restaurar = [&] { estado.pasta = pastaAntes; };

    ResultadoApagamento& r = res.r;
    if (terminou) {
        // Done with them; a kill may have kept them from going.
        for (const auto& l : run)
            if ((l.tipo == "copia" && l.campos.size() > 1) || (l.tipo == "temporario" && !l.campos.empty()))
                RemoverArquivo(*app, l.tipo == "copia" ? l.campos[1] : l.campos[0], fora, r);
        Restaurar();
        return res;
    }
    res.havia = true;
    std::vector<std::string> acima; // the folder itself and its parents it created
    for (auto it = run.rbegin(); it != run.rend(); ++it) {
        const auto& c = it->campos;
        if (c.empty()) continue;
        if (it->tipo == "arquivo" || it->tipo == "membro" || it->tipo == "menu" || it->tipo == "temporario")
            RemoverArquivo(*app, c[0], fora, r);
        else if (it->tipo == "copia" && c.size() > 1)
            DevolverCopia(*app, c[0], c[1], fora, r);
        else if (it->tipo == "ini")
            DevolverIni(*app, c, fora, r);
        else if (it->tipo == "pasta" && (c[0] == "." || (Absoluto(c[0]) && pastaAppHost.starts_with(c[0] + "/"))))
            acima.push_back(c[0]);
        else if (it->tipo == "pasta")
            RemoverPastaVazia(*app, c[0], fora, r);
    }
    Restaurar();
    if (!r.Completo()) return res; // kept whole, so a later run can finish it
    if (!primeiro || !criada) {
        // Back to what an earlier installation left.
        int fd = openat(*app, nomeRegistroInstalacao, O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
        bool ok = fd >= 0 && (!primeiro ? ftruncate(fd, static_cast<off_t>(inicioRun)) == 0
                                        : unlinkat(*app, nomeRegistroInstalacao, 0) == 0);
        if (fd >= 0) close(fd);
        if (!ok) r.Restou(nomeRegistroInstalacao);
        return res;
    }
    if (unlinkat(*app, nomeRegistroInstalacao, 0) != 0 && errno != ENOENT) {
        r.Restou(nomeRegistroInstalacao);
        return res;
    }
    if (!RemoverPastaAberta(*app, pastaAppHost)) {
        if (errno != ENOTEMPTY && errno != EEXIST) r.Restou(".");
        return res;
    }
    for (const auto& p : acima)
        if (p != "." && rmdir(p.c_str()) != 0) break; // only while empty
    return res;
}

ResumoRegistro ResumirRegistro(std::string_view conteudo) {
    ResumoRegistro r;
    std::set<std::string> jaCriados;
    struct Run {
        std::vector<std::string> arquivos, pastas, menus, pastasMenu, removidos;
        std::set<std::string> copiados;
    } run;
    bool emRun = false;
    auto Fechar = [&](bool valer) {
        if (valer) {
            for (auto& p : run.arquivos)
                if (jaCriados.insert(p).second) r.arquivos.push_back(p);
            for (auto& p : run.menus)
                if (jaCriados.insert(p).second) r.menus.push_back(p);
            for (auto& p : run.pastas) r.pastas.push_back(p);
            for (auto& p : run.pastasMenu) r.pastasMenu.push_back(p);
            for (auto& p : run.removidos) {
                jaCriados.erase(p);
                std::erase(r.arquivos, p);
            }
        }
        run = Run{};
        emRun = false;
    };
    for (const LinhaRegistro& l : AnalisarRegistro(conteudo)) {
        const auto& c = l.campos;
        if (l.tipo == "inicio") {
            if (emRun) Fechar(true);
            emRun = true;
            if (!r.valido && c.size() > 4) {
                r.valido = true;
                r.pastaHost = c[3];
                r.pastaCriada = c[4] == "criada" || c[4] == "instalada";
            }
            continue;
        }
        if (!emRun || c.empty()) continue;
        if (l.tipo == "fim") {
            Fechar(c[0] != "desfeita");
        } else if (l.tipo == "copia") {
            run.copiados.insert(c[0]);
        } else if (l.tipo == "arquivo" || l.tipo == "membro" || l.tipo == "menu") {
            // A file replaced counts only when an installation made it first.
            if (run.copiados.count(c[0]) && !jaCriados.count(c[0])) continue;
            (Absoluto(c[0]) ? run.menus : run.arquivos).push_back(c[0]);
        } else if (l.tipo == "removido") {
            run.removidos.push_back(c[0]);
        } else if (l.tipo == "pasta" && c[0] != ".") {
            (Absoluto(c[0]) ? run.pastasMenu : run.pastas).push_back(c[0]);
        }
    }
    if (emRun) Fechar(true);
    return r;
}
