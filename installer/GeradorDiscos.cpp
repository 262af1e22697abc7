#include "GeradorDiscos.h"

#include "Arquivos.h"
#include "Perfil.h"
#include "ProgramasDisco1.h"
#include "Restauracao.h"
#include "RotuloDisco.h"
#include "Texto1252.h"
#include "fStrlib.h"
#include "mSetuplb.h"

#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <set>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace plataforma;
using namespace plataforma::literais;

namespace {

// Room kept on a disk for one more complete section, so the next file can
// always start where the last one ended (the restore only moves forward).
constexpr int64_t reservaSecao = 512;
const char* const nomeNomesRepetidos = "zentrava-nomes.zip";

std::string Host1252(const fs::path& p) { return NomeHostPara1252(p.string()); }


// Why Windows could not create a file or folder of this name; nullopt when it could.
std::optional<std::string> MotivoNomeWindows(std::string_view c) {
    if (c.empty()) return "um nome vazio (duas barras seguidas)"_ansi;
    if (c.size() > 255) return "tem mais de 255 caracteres"_ansi;
    for (unsigned char ch : c) {
        if (ch < 32) return "tem um caractere de controle"_ansi;
        if (std::strchr("<>:\"/\\|?*", ch))
            return "tem o caractere proibido "_ansi + std::string(1, static_cast<char>(ch));
    }
    if (c.back() == ' ' || c.back() == '.') return "termina em ponto ou espaço, que o Windows tira"_ansi;
    std::string base = Maiusculas1252(c.substr(0, c.find('.')));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    static const char* const dispositivos[] = {"CON", "PRN", "AUX", "NUL"};
    bool dispositivo = false;
    for (const char* d : dispositivos) dispositivo = dispositivo || base == d;
    dispositivo = dispositivo || (base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) &&
                                  base[3] >= '1' && base[3] <= '9');
    if (dispositivo)
        return "é um nome de dispositivo reservado do Windows ("_ansi + base + ")";
    return std::nullopt;
}

std::string UltimoComponente(std::string_view nome) {
    std::size_t b = nome.rfind('\\');
    return std::string(b == std::string_view::npos ? nome : nome.substr(b + 1));
}

int64_t Nanossegundos(const struct stat& st) {
    return static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

// A link is followed, unless it leads nowhere or back into a folder above it.
std::optional<std::string> ConferirVinculo(const FonteProjeto& f, const fs::path& p) {
    std::error_code ec;
    if (!fs::is_symlink(p, ec)) return std::nullopt;
    const fs::path alvo = fs::canonical(p, ec);
    if (ec)
        return f.chave + ": o vínculo simbólico "_ansi + Host1252(p) +
               " não leva a nenhum arquivo (quebrado ou em laço)."_ansi;
    for (fs::path acima = p.parent_path();; acima = acima.parent_path()) {
        if (fs::canonical(acima, ec) == alvo)
            return f.chave + ": o vínculo simbólico "_ansi + Host1252(p) +
                   " leva a uma pasta que o contém ("_ansi + Host1252(alvo) +
                   "): a árvore não teria fim."_ansi;
        if (!acima.has_relative_path()) return std::nullopt;
    }
}

// Every file a project line names: the pattern's last component matched
// against its folder; a matched folder (or a folder named without pattern)
// gives its whole tree below the destination.
std::optional<std::string> Coletar(const FonteProjeto& f, const fs::path& pastaProjeto,
                                   std::vector<ArquivoConjunto>& saida) {
    std::string fonteHost = Nome1252ParaHost(f.fonte);
    fs::path caminho = pastaProjeto / fonteHost;
    std::string ultimo = caminho.filename().string();
    bool curinga = ultimo.find_first_of("*?") != std::string::npos;
    std::vector<std::pair<fs::path, std::string>> achados; // host path, relative name (1252)
    std::error_code ec;

    auto arvore = [&](const fs::path& pasta, const std::string& prefixo) -> std::optional<std::string> {
        std::vector<std::pair<fs::path, std::string>> itens;
        fs::recursive_directory_iterator it(pasta, fs::directory_options::follow_directory_symlink, ec), fim;
        auto ilegivel = [&](const fs::path& onde) {
            return f.chave + ": não foi possível ler a pasta "_ansi + Host1252(onde) + ": " +
                   TextoErroSistema(ec.value());
        };
        if (ec) return ilegivel(pasta);
        for (; it != fim; it.increment(ec)) {
            if (ec) return ilegivel(pasta);
            if (auto e = ConferirVinculo(f, it->path())) return e;
            if (!it->is_regular_file(ec)) continue;
            std::string rel = Host1252(it->path().lexically_relative(pasta));
            std::replace(rel.begin(), rel.end(), '/', '\\');
            itens.emplace_back(it->path(), prefixo + rel);
        }
        std::sort(itens.begin(), itens.end(),
                  [](const auto& a, const auto& b) { return a.second < b.second; });
        achados.insert(achados.end(), itens.begin(), itens.end());
        return std::nullopt;
    };

    if (curinga) {
        fs::path pasta = caminho.parent_path();
        std::string padrao = NomeHostPara1252(ultimo);
        std::vector<fs::directory_entry> entradas;
        for (fs::directory_iterator it(pasta, ec), fim; !ec && it != fim; it.increment(ec))
            entradas.push_back(*it);
        std::sort(entradas.begin(), entradas.end());
        for (const auto& e : entradas) {
            std::string nome = Host1252(e.path().filename());
            if (!CoincideCuringa(padrao, nome)) continue;
            if (auto erro = ConferirVinculo(f, e.path())) return erro;
            if (e.is_directory(ec)) {
                if (auto erro = arvore(e.path(), nome + "\\")) return erro;
            } else if (e.is_regular_file(ec)) {
                achados.emplace_back(e.path(), nome);
            }
        }
    } else if (fs::is_directory(caminho, ec)) {
        if (auto erro = arvore(caminho, "")) return erro;
    } else if (fs::is_regular_file(caminho, ec)) {
        achados.emplace_back(caminho, Host1252(caminho.filename()));
    }
    if (achados.empty())
        return f.chave + ": nenhum arquivo encontrado em "_ansi + Host1252(caminho) + ".";
    // The destination's folders after its macro or drive, by the same rules.
    for (std::size_t c = 0, b; (b = f.destino.find('\\', c)) != std::string::npos; c = b + 1) {
        std::string parte = f.destino.substr(c, b - c);
        bool inicio = c == 0 && (parte.empty() || parte[0] == '@' ||
                                 (parte.size() == 2 && parte[1] == ':'));
        if (auto motivo = inicio ? std::nullopt : MotivoNomeWindows(parte))
            return f.chave + ": a pasta \""_ansi + parte + "\" do destino não é aceita pelo Windows: "_ansi +
                   *motivo + ".";
    }

    for (auto& [host, rel] : achados) {
        ArquivoConjunto a;
        a.host = host;
        a.nome = f.destino + rel;
        a.peca = UltimoComponente(a.nome);
        a.origem = Host1252(host);
        std::size_t c = 0;
        while (c <= rel.size()) {
            std::size_t b = rel.find('\\', c);
            if (b == std::string::npos) b = rel.size();
            if (auto motivo = MotivoNomeWindows(rel.substr(c, b - c)))
                return a.origem + ": o nome \""_ansi + rel.substr(c, b - c) +
                       "\" não é aceito pelo Windows: "_ansi + *motivo + ".";
            c = b + 1;
        }
        if (a.nome.size() > 255)
            return a.origem + ": o destino "_ansi + a.nome +
                   " passa de 255 caracteres, o limite do arquivo de rótulo."_ansi;
        struct stat st {};
        if (::stat(host.c_str(), &st) != 0)
            return a.origem + ": " + TextoErroSistema(errno);
        a.tamanho = st.st_size;
        a.modo = st.st_mode & 0777;
        a.modificado = Nanossegundos(st);
        a.inode = st.st_ino;
        saida.push_back(std::move(a));
    }
    return std::nullopt;
}

// A source that changed since it was gathered would give a set whose sizes
// or pieces belong to different versions of it.
std::optional<std::string> ConferirInalterado(int fd, const ArquivoConjunto& a) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return a.origem + ": " + TextoErroSistema(errno);
    if (st.st_size != a.tamanho || Nanossegundos(st) != a.modificado || st.st_ino != a.inode)
        return a.origem + ": o arquivo mudou enquanto o conjunto era gerado; gere-o de novo "
                          "quando nada estiver gravando na árvore de origem."_ansi;
    return std::nullopt;
}

uint32_t Crc(uint32_t crc, const char* dados, std::size_t n) {
    return static_cast<uint32_t>(
        crc32(crc, reinterpret_cast<const Bytef*>(dados), static_cast<uInt>(n)));
}

class Descritor {
public:
    explicit Descritor(int fd) : fd_(fd) {}
    ~Descritor() { if (fd_ >= 0) ::close(fd_); }
    Descritor(const Descritor&) = delete;
    Descritor& operator=(const Descritor&) = delete;
    int fd() const { return fd_; }
    bool Fechar() { int f = fd_; fd_ = -1; return ::close(f) == 0; }

private:
    int fd_;
};

bool GravarTudo(int fd, const char* dados, std::size_t n) {
    while (n > 0) {
        ssize_t w = ::write(fd, dados, n);
        if (w < 0 && errno == EINTR) continue;
        if (w == 0) errno = ENOSPC;
        if (w <= 0) return false;
        dados += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

// Copies `bytes` bytes from `inicio` of `de` into a new file `para`; the CRC-32
// of what was written in `crc`, over the very buffer written. A gathered
// source is checked unchanged before and after.
std::optional<std::string> CopiarTrecho(const fs::path& de, int64_t inicio, int64_t bytes,
                                        const fs::path& para, mode_t modo, uint32_t& crc,
                                        const std::atomic<bool>* interromper,
                                        const ArquivoConjunto* fonte = nullptr) {
    Descritor origem(::open(de.c_str(), O_RDONLY | O_CLOEXEC));
    if (origem.fd() < 0) return Host1252(de) + ": " + TextoErroSistema(errno);
    const bool conferir = fonte && fonte->modificado >= 0;
    if (conferir)
        if (auto e = ConferirInalterado(origem.fd(), *fonte)) return e;
    Descritor destino(::open(para.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, modo));
    if (destino.fd() < 0) return Host1252(para) + ": " + TextoErroSistema(errno);
    static constexpr std::size_t bloco = 1 << 20;
    std::unique_ptr<char[]> buf(new char[bloco]);
    crc = Crc(0, nullptr, 0);
    while (bytes > 0) {
        if (interromper && interromper->load()) return "Interrompido pelo usuário."_ansi;
        std::size_t n = static_cast<std::size_t>(std::min<int64_t>(bytes, bloco));
        ssize_t r = ::pread(origem.fd(), buf.get(), n, inicio);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return Host1252(de) + ": " + TextoErroSistema(errno);
        if (r == 0) return Host1252(de) + ": o arquivo encolheu enquanto era lido."_ansi;
        crc = Crc(crc, buf.get(), static_cast<std::size_t>(r));
        if (!GravarTudo(destino.fd(), buf.get(), static_cast<std::size_t>(r)))
            return Host1252(para) + ": " + TextoErroSistema(errno);
        inicio += r;
        bytes -= r;
    }
    if (conferir)
        if (auto e = ConferirInalterado(origem.fd(), *fonte)) return e;
    if (!destino.Fechar()) return Host1252(para) + ": " + TextoErroSistema(errno);
    return std::nullopt;
}

std::optional<std::string> GravarArquivo(const fs::path& para, std::string_view bytes) {
    Descritor d(::open(para.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (d.fd() < 0 || !GravarTudo(d.fd(), bytes.data(), bytes.size()) || !d.Fechar())
        return Host1252(para) + ": " + TextoErroSistema(errno);
    return std::nullopt;
}

std::optional<std::string> NomeMembro(std::string_view nome1252);

// libzip's reasons, in the words the rest of the generator uses.
std::string ErroZip(zip_t* z) {
    zip_error_t* e = zip_get_error(z);
    if (zip_error_system_type(e) == ZIP_ET_SYS && zip_error_code_system(e) != 0)
        return TextoErroSistema(zip_error_code_system(e));
    switch (zip_error_code_zip(e)) {
    case ZIP_ER_CHANGED: return "o arquivo mudou enquanto era compactado."_ansi;
    case ZIP_ER_MEMORY: return "falta memória."_ansi;
    case ZIP_ER_NOENT: return TextoErroSistema(ENOENT);
    case ZIP_ER_READ: return "erro de leitura."_ansi;
    case ZIP_ER_WRITE: return "erro de gravação."_ansi;
    default: return "o arquivo zip não pôde ser gravado (erro "_ansi +
                    std::to_string(zip_error_code_zip(e)) + " da libzip).";
    }
}

// A deflated archive of the members, each with its Unix mode, so the
// extraction keeps what was executable.
std::optional<std::string> CriarPacote(const fs::path& arquivo, const std::vector<ArquivoConjunto>& m) {
    int erro = 0;
    zip_t* z = zip_open(arquivo.c_str(), ZIP_CREATE | ZIP_EXCL, &erro);
    if (!z) return Host1252(arquivo) + ": não foi possível criar o arquivo zip."_ansi;
    auto falha = [&](const std::string& onde) {
        std::string msg = onde + ": " + ErroZip(z);
        zip_discard(z);
        return msg;
    };
    for (const auto& membro : m) {
        zip_source_t* s = zip_source_file(z, membro.host.c_str(), 0, -1);
        if (!s) return falha(membro.origem);
        zip_int64_t i = zip_file_add(z, NomeMembro(membro.nome)->c_str(), s, ZIP_FL_ENC_UTF_8);
        if (i < 0) {
            zip_source_free(s);
            return falha(membro.origem);
        }
        auto u = static_cast<zip_uint64_t>(i);
        if (zip_set_file_compression(z, u, ZIP_CM_DEFLATE, 0) != 0 ||
            zip_file_set_external_attributes(z, u, 0, ZIP_OPSYS_UNIX,
                                             static_cast<zip_uint32_t>(S_IFREG | membro.modo) << 16) != 0)
            return falha(membro.origem);
    }
    if (zip_close(z) != 0) return falha(Host1252(arquivo));
    for (const auto& membro : m) {
        Descritor d(::open(membro.host.c_str(), O_RDONLY | O_CLOEXEC));
        if (d.fd() < 0) return membro.origem + ": " + TextoErroSistema(errno);
        if (auto e = ConferirInalterado(d.fd(), membro)) return e;
    }
    return std::nullopt;
}

// Member name of a destination below @DIRBASE.
std::optional<std::string> NomeMembro(std::string_view nome1252) {
    if (Maiusculas1252(nome1252.substr(0, 9)) != "@DIRBASE\\") return std::nullopt;
    std::string m = Cp1252ParaUtf8(nome1252.substr(9));
    std::replace(m.begin(), m.end(), '\\', '/');
    return m;
}

SecaoArquivo Secao(const ArquivoConjunto& a, int64_t bytes, int qtdDiscos) {
    SecaoArquivo s;
    s.nome = a.nome;
    s.tamanho = static_cast<int32_t>(a.tamanho);
    s.bytesSalvo = static_cast<int32_t>(bytes);
    s.qtdDiscos = static_cast<uint8_t>(qtdDiscos);
    s.crc32 = 0;
    s.modo = a.modo;
    return s;
}

// The longest the section can get once the file's disk count is known.
int64_t TamanhoSecao(const ArquivoConjunto& a, std::size_t i, int64_t bytes, bool primeira) {
    return static_cast<int64_t>(
        TextoSecaoArquivo(Secao(a, bytes, maxDiscos), static_cast<int>(i + 1), primeira).size());
}

// Files of one piece name never follow each other: the layout separates them
// by starting the second on a new disk, which needs another file between them.
// A file that follows its namesake moves to the first place between two
// other names (never the very first for a program's namesake).
void SepararNomesIguais(std::vector<ArquivoConjunto>& a) {
    auto nome = [&a](std::size_t k) { return Maiusculas1252(a[k].peca); };
    for (std::size_t i = 1; i < a.size(); ++i) {
        const std::string n = nome(i);
        if (n != nome(i - 1)) continue;
        for (std::size_t j = NomeDePrograma(a[i].peca) ? 1 : 0; j < i; ++j)
            if ((j == 0 || nome(j - 1) != n) && nome(j) != n) {
                std::rotate(a.begin() + static_cast<std::ptrdiff_t>(j),
                            a.begin() + static_cast<std::ptrdiff_t>(i),
                            a.begin() + static_cast<std::ptrdiff_t>(i + 1));
                break;
            }
    }
}

struct PastaProvisoria {
    fs::path caminho;
    bool manter = false;
    ~PastaProvisoria() {
        std::error_code ec;
        if (!manter && !caminho.empty()) fs::remove_all(caminho, ec);
    }
};

// Disk d's folder: on disk 1 the programs and the command file, then the
// pieces and the label file with their CRCs. `ocupado` is what it takes.
std::optional<std::string> EscreverDisco(const fs::path& raiz, std::size_t d,
                                         const std::vector<ArquivoConjunto>& arquivos,
                                         const PlanoDiscos& plano, const TamanhoDisco& disco,
                                         const std::vector<fs::path>& programas,
                                         const fs::path& pastaProgramas, const std::string& cmd,
                                         const std::atomic<bool>* interromper, int64_t& ocupado) {
    std::error_code ec;
    fs::path pasta = raiz / ("DISCO." + CompletarEsq(std::to_string(d), 3, '0'));
    if (!fs::create_directory(pasta, ec))
        return Host1252(pasta) + ": " + TextoErroSistema(ec.value());
    ocupado = 0;
    uint32_t crc = 0;
    for (const fs::path& prog : programas) {
        const fs::path de = pastaProgramas / prog, para = pasta / prog;
        int64_t n = static_cast<int64_t>(fs::file_size(de, ec));
        if (prog.has_parent_path()) fs::create_directories(para.parent_path(), ec);
        if (auto e = CopiarTrecho(de, 0, n, para, prog == "qt.conf" ? 0644 : 0755, crc, interromper))
            return e;
        ocupado += Ocupado(disco, n);
    }
    if (d == 1) {
        if (auto e = GravarArquivo(pasta / "zentrava.cmd", cmd)) return e;
        ocupado += Ocupado(disco, static_cast<int64_t>(cmd.size()));
    }
    std::vector<uint32_t> crcs;
    for (const PecaPlano& p : plano.discos[d - 1]) {
        const ArquivoConjunto& a = arquivos[p.arquivo];
        if (auto e = CopiarTrecho(a.host, p.inicio, p.bytes, pasta / Nome1252ParaHost(a.peca), 0644,
                                  crc, interromper, &a))
            return e;
        crcs.push_back(crc);
        ocupado += Ocupado(disco, p.bytes);
    }
    std::string rotulo = TextoRotulo(arquivos, plano, d, crcs);
    if (auto e = GravarArquivo(pasta / NomeRotuloDisco(static_cast<int>(d)), rotulo)) return e;
    ocupado += Ocupado(disco, static_cast<int64_t>(rotulo.size()));
    if (!disco.ilimitado && ocupado > disco.bytes)
        return "Erro interno: o disco "_ansi + std::to_string(d) + " passou do tamanho.";
    return std::nullopt;
}

// The finished set takes the output's name; an output being replaced is put
// back if that fails.
std::optional<std::string> PorNoLugar(PastaProvisoria& prov, const fs::path& saida) {
    std::error_code ec;
    // The hidden folder was private while it was being built.
    ::chmod(prov.caminho.c_str(), 0777 & ~plataforma::MascaraCriacao());
    fs::path antiga;
    if (fs::exists(fs::symlink_status(saida, ec))) {
        antiga = prov.caminho.string() + ".antiga";
        fs::rename(saida, antiga, ec);
        if (ec) return Host1252(saida) + ": " + TextoErroSistema(ec.value());
    }
    fs::rename(prov.caminho, saida, ec);
    if (ec) {
        std::string msg = Host1252(saida) + ": " + TextoErroSistema(ec.value());
        std::error_code ec2;
        if (!antiga.empty()) fs::rename(antiga, saida, ec2);
        return msg;
    }
    prov.manter = true;
    if (!antiga.empty()) fs::remove_all(antiga, ec);
    return std::nullopt;
}

ResumoGerador Resumir(const std::vector<ArquivoConjunto>& arquivos, const PlanoDiscos& plano,
                      int64_t totalBytes) {
    ResumoGerador r;
    r.discos = static_cast<int>(plano.discos.size());
    r.arquivos = static_cast<int>(arquivos.size());
    r.totalBytes = totalBytes;
    std::size_t maior = 0;
    for (std::size_t i = 0; i < arquivos.size(); ++i)
        if (arquivos[i].tamanho > r.maiorTamanho) {
            r.maiorTamanho = arquivos[i].tamanho;
            r.maiorNome = arquivos[i].nome;
            maior = i;
        }
    for (std::size_t d = 0; d < plano.discos.size(); ++d)
        for (const auto& p : plano.discos[d])
            if (p.arquivo == maior && r.maiorTamanho >= 0) {
                if (!r.maiorPrimeiroDisco) r.maiorPrimeiroDisco = static_cast<int>(d + 1);
                r.maiorUltimoDisco = static_cast<int>(d + 1);
            }
    return r;
}

// What --substituir may replace: an earlier set (only DISCO.nnn folders) or
// an empty folder, never a folder of the user's named by mistake.
bool ConjuntoAnterior(const fs::path& saida) {
    std::error_code ec;
    if (!fs::is_directory(fs::symlink_status(saida, ec))) return false;
    for (fs::directory_iterator it(saida, ec), fim; it != fim; it.increment(ec)) {
        if (ec) return false;
        const std::string n = it->path().filename().string();
        if (n.size() != 9 || !n.starts_with("DISCO.") ||
            !std::all_of(n.begin() + 6, n.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
            !it->is_directory(ec) || it->is_symlink(ec))
            return false;
    }
    return !ec;
}

// The project file whole: a regular file of a project's size (a folder or a
// disk image named by mistake is refused, not read).
std::optional<std::string> LerProjetoHost(const fs::path& projeto, std::string& conteudo) {
    constexpr off_t limite = 16 << 20;
    const std::string nome = Host1252(projeto);
    Descritor f(::open(projeto.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st {};
    if (f.fd() < 0 || ::fstat(f.fd(), &st) != 0)
        return "Não foi possível ler o arquivo de projeto "_ansi + nome + ": " + TextoErroSistema(errno);
    if (!S_ISREG(st.st_mode)) return "O arquivo de projeto "_ansi + nome + " não é um arquivo."_ansi;
    if (st.st_size > limite)
        return "O arquivo de projeto "_ansi + nome + " é grande demais para um projeto ("_ansi +
               std::to_string(st.st_size) + " bytes)."_ansi;
    conteudo.resize(static_cast<std::size_t>(st.st_size));
    std::size_t lidos = 0;
    while (lidos < conteudo.size()) {
        ssize_t r = ::read(f.fd(), conteudo.data() + lidos, conteudo.size() - lidos);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0)
            return "Não foi possível ler o arquivo de projeto "_ansi + nome + ": " + TextoErroSistema(errno);
        if (r == 0) break;
        lidos += static_cast<std::size_t>(r);
    }
    conteudo.resize(lidos);
    return std::nullopt;
}

fs::path PastaDoExecutavel() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : exe.parent_path();
}

} // namespace

void OrdenarParaDiscos(std::vector<ArquivoConjunto>& arquivos) {
    // Programs' namesakes go last, where a disk other than the first can take them.
    std::stable_partition(arquivos.begin(), arquivos.end(),
                          [](const ArquivoConjunto& a) { return !NomeDePrograma(a.peca); });
    SepararNomesIguais(arquivos);
}

int64_t Ocupado(const TamanhoDisco& disco, int64_t bytes) {
    return (bytes + disco.unidade - 1) / disco.unidade * disco.unidade;
}

bool NomeDePrograma(std::string_view peca) {
    std::string n = Minusculas1252(peca);
    return n == "zentrava" || n == "zentrava.cmd" || n.starts_with("libzentunz.so") ||
           n == "qt.conf" || n == pastaBibliotecas;
}

bool NomeDeRotulo(std::string_view peca) {
    std::string n = Minusculas1252(peca);
    return n.size() == 12 && n.starts_with("zentrava.") &&
           std::all_of(n.begin() + 9, n.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<std::string> PlanejarDiscos(const std::vector<ArquivoConjunto>& arquivos,
                                          const TamanhoDisco& disco, int64_t reservaDisco1,
                                          PlanoDiscos& plano) {
    const int64_t C = disco.bytes;
    if (reservaDisco1 + Ocupado(disco, 2 * reservaSecao) > C)
        return "O disco de "_ansi + std::to_string(C) +
               " bytes não comporta os programas de instalação do disco 1 ("_ansi +
               std::to_string(reservaDisco1) +
               " bytes, sem os símbolos de depuração): escolha em [Discos] Tamanho um disco "
               "maior (ex.: 20M, CD, DVD) ou indique com --programas uma pasta com um zentrava e "
               "uma libzentunz.so menores (um conjunto --autonomo precisa de um CD)."_ansi;
    plano = {};
    int64_t usado = 0, rotulo = 0;
    std::set<std::string> nomes;
    auto novoDisco = [&]() -> bool {
        if (plano.discos.size() >= static_cast<std::size_t>(maxDiscos)) return false;
        usado = plano.discos.empty() ? reservaDisco1 : 0;
        rotulo = 0;
        nomes.clear();
        plano.discos.emplace_back();
        return true;
    };
    const std::string demais = "O conjunto passa de 255 discos, o limite do instalador."_ansi;
    novoDisco();

    for (std::size_t i = 0; i < arquivos.size(); ++i) {
        const ArquivoConjunto& a = arquivos[i];
        const std::string nomeU = Maiusculas1252(a.peca);
        bool repetido = nomes.count(nomeU) > 0;
        if (repetido || (plano.discos.size() == 1 && NomeDePrograma(a.peca))) {
            const ArquivoConjunto* anterior = i > 0 ? &arquivos[i - 1] : nullptr;
            if (disco.ilimitado || !anterior || Maiusculas1252(anterior->peca) == nomeU)
                return a.origem + ": não há como pôr "_ansi + a.peca + " num disco sem outro "
                       "arquivo de mesmo nome ou sem os programas do disco 1; ponha-o numa pasta "
                       "de [Compactar]."_ansi;
            // The previous file carries its last byte onto a new disk, where
            // this one then starts.
            PecaPlano& ultima = plano.discos.back().back();
            int64_t t = ultima.bytes > 0 ? 1 : 0;
            ultima.bytes -= t;
            const int64_t desde = ultima.inicio + ultima.bytes;
            std::size_t de = plano.discos.size();
            if (!novoDisco()) return demais;
            plano.discos.back().push_back({i - 1, desde, t, false});
            usado = Ocupado(disco, t);
            rotulo = TamanhoSecao(*anterior, i - 1, t, false);
            nomes.insert(Maiusculas1252(anterior->peca));
            plano.avisos.push_back(
                a.origem + ": começa no disco "_ansi + std::to_string(de + 1) +
                (repetido ? ", porque o disco "_ansi + std::to_string(de) +
                                " já tem um arquivo chamado "_ansi + a.peca + "."
                          : ", porque o disco 1 leva um programa de instalação de mesmo nome."_ansi));
        }

        int64_t restante = a.tamanho, inicio = 0;
        for (bool primeira = true;; primeira = false) {
            int64_t ls = TamanhoSecao(a, i, restante, primeira);
            int64_t cabe = C - usado - Ocupado(disco, rotulo + ls);
            int64_t cabeEFecha = C - usado - Ocupado(disco, rotulo + ls + reservaSecao);
            bool fim = Ocupado(disco, restante) <= cabeEFecha;
            int64_t p = restante;
            if (!fim) p = std::min(std::max<int64_t>(0, cabe / disco.unidade * disco.unidade),
                                   std::max<int64_t>(0, restante - 1));
            plano.discos.back().push_back({i, inicio, p, primeira});
            usado += Ocupado(disco, p);
            rotulo += TamanhoSecao(a, i, p, primeira);
            nomes.insert(nomeU);
            inicio += p;
            restante -= p;
            if (fim) break;
            if (!novoDisco()) return demais;
        }
    }
    return std::nullopt;
}

std::string TextoRotulo(const std::vector<ArquivoConjunto>& arquivos, const PlanoDiscos& plano,
                        std::size_t d, const std::vector<uint32_t>& crcs) {
    std::string t;
    const auto& pecas = plano.discos.at(d - 1);
    for (std::size_t k = 0; k < pecas.size(); ++k) {
        const PecaPlano& p = pecas[k];
        int qtd = 1;
        if (p.primeira)
            for (std::size_t e = d; e < plano.discos.size(); ++e) {
                const auto& outras = plano.discos[e];
                if (outras.empty() || outras.front().arquivo != p.arquivo) break;
                ++qtd;
            }
        SecaoArquivo s = Secao(arquivos[p.arquivo], p.bytes, qtd);
        s.crc32 = k < crcs.size() ? crcs[k] : 0;
        if (!t.empty()) t += "\r\n";
        t += TextoSecaoArquivo(s, static_cast<int>(p.arquivo + 1), p.primeira);
    }
    return t;
}

std::optional<std::string> GerarDiscos(const OpcoesGerador& o, ObservadorGerador& obs,
                                       ResumoGerador& resumo) {
    std::error_code ec;
    const std::string saida1252 = Host1252(o.saida);

    // ---- Everything that can be refused without writing ----
    std::string bytes, conteudo;
    if (auto e = LerProjetoHost(o.projeto, bytes)) return e;
    if (auto e = DecodificarProjeto(bytes, conteudo)) return Host1252(o.projeto) + ", " + *e;
    ProjetoDiscos projeto;
    if (auto e = LerProjeto(conteudo, projeto)) return Host1252(o.projeto) + ": " + *e;
    for (const auto& a : projeto.avisos) obs.Aviso(a);
    const TamanhoDisco& disco = projeto.disco;

    if (fs::exists(fs::symlink_status(o.saida, ec))) {
        if (!o.substituir)
            return "A pasta de saída "_ansi + saida1252 +
                   " já existe (use --substituir para trocá-la)."_ansi;
        if (!ConjuntoAnterior(o.saida))
            return "A pasta de saída "_ansi + saida1252 +
                   " já existe e não é um conjunto de discos (só pastas DISCO.nnn); ela não "
                   "será trocada."_ansi;
    }
    fs::path pai = fs::absolute(o.saida, ec).parent_path();
    if (!fs::is_directory(pai, ec))
        return "A pasta "_ansi + Host1252(pai) + ", onde a saída ficaria, não existe."_ansi;

    // The installer finds disk n by the first "DISCO." of its own path.
    if (Maiusculas1252(Host1252(fs::absolute(o.saida, ec))).find("DISCO.") != std::string::npos)
        return "A pasta de saída "_ansi + saida1252 +
               " tem \"DISCO.\" no caminho: o zentrava troca os discos mudando o primeiro "
               "\"DISCO.\" do seu caminho e nunca acharia o disco 2. Escolha outra pasta."_ansi;

    std::vector<ProgramaDisco1> programas;
    if (auto e = ListarProgramasDisco1(o.programas.empty() ? PastaDoExecutavel() : o.programas,
                                       o.autonomo, programas))
        return e;

    const fs::path pastaProjeto = fs::absolute(o.projeto, ec).parent_path();
    std::vector<ArquivoConjunto> arquivos;
    for (const auto& f : projeto.arquivos)
        if (auto e = Coletar(f, pastaProjeto, arquivos)) return e;
    struct Pacote {
        std::string nome;                 // on the disks
        std::vector<ArquivoConjunto> membros;
        std::string chave;
    };
    std::vector<Pacote> pacotes;
    for (const auto& f : projeto.compactar) {
        Pacote p{f.arquivoZip, {}, f.chave};
        if (auto e = Coletar(f, pastaProjeto, p.membros)) return e;
        pacotes.push_back(std::move(p));
    }

    for (const auto& a : arquivos)
        if (NomeDeRotulo(a.peca))
            return a.origem + ": o nome "_ansi + a.peca +
                   " é reservado para os arquivos de rótulo dos discos."_ansi;

    // A disk holds one file of a name: the namesakes go into an archive,
    // extracted below DirBase, rather than onto disks of their own.
    {
        Pacote p{nomeNomesRepetidos, {}, "[Arquivos]"};
        std::set<std::string> vistos;
        std::vector<ArquivoConjunto> ficam;
        for (auto& a : arquivos) {
            std::string u = Maiusculas1252(a.peca);
            if (!vistos.insert(u).second || NomeDePrograma(a.peca)) {
                // Elsewhere, disks of a size can still keep them apart.
                if (!NomeMembro(a.nome) && !disco.ilimitado) {
                    ficam.push_back(std::move(a));
                    continue;
                }
                if (!NomeMembro(a.nome))
                    return a.origem + ": tem o nome de outro arquivo ou de um programa do disco 1, "
                           "e seu destino não está abaixo de @DIRBASE para ir num arquivo zip."_ansi;
                obs.Aviso(a.origem + ": vai no arquivo "_ansi + nomeNomesRepetidos +
                          ", porque o conjunto já tem um arquivo ou programa chamado "_ansi +
                          a.peca + ".");
                p.membros.push_back(std::move(a));
            } else {
                ficam.push_back(std::move(a));
            }
        }
        arquivos = std::move(ficam);
        if (!p.membros.empty()) pacotes.push_back(std::move(p));
    }

    int64_t totalBytes = 0;
    std::set<std::string> destinos;
    auto conferir = [&](const ArquivoConjunto& a) -> std::optional<std::string> {
        if (a.tamanho > maxBytes)
            return a.origem + ": arquivo de "_ansi + std::to_string(a.tamanho) +
                   " bytes; o instalador aceita até 2147483647 bytes por arquivo."_ansi;
        if (!destinos.insert(Maiusculas1252(a.nome)).second)
            return a.origem + ": outro arquivo já vai para "_ansi + a.nome + ".";
        totalBytes += a.tamanho;
        return std::nullopt;
    };
    for (const auto& a : arquivos)
        if (auto e = conferir(a)) return e;
    for (const auto& p : pacotes) {
        for (const auto& m : p.membros) {
            if (auto e = conferir(m)) return e;
            if (!NomeMembro(m.nome))
                return p.chave + ": destino fora de @DIRBASE."_ansi;
        }
        ArquivoConjunto z;
        z.nome = "@DIRBASE\\" + p.nome;
        z.peca = p.nome;
        z.origem = p.chave;
        if (MotivoNomeWindows(p.nome) || NomeDeRotulo(p.nome))
            return p.chave + ": o nome "_ansi + p.nome + " não serve para um arquivo zip."_ansi;
        if (!destinos.insert(Maiusculas1252(z.nome)).second)
            return p.chave + ": outro arquivo já vai para "_ansi + z.nome + ".";
    }
    const std::size_t totalArquivos = arquivos.size() + pacotes.size();
    if (totalArquivos > static_cast<std::size_t>(maxArquivos))
        return "O conjunto teria "_ansi + std::to_string(totalArquivos) +
               " arquivos; o instalador aceita até 32767."_ansi;
    if (totalBytes > maxBytes)
        return "O conjunto precisa de "_ansi + std::to_string(totalBytes) +
               " bytes instalados; o instalador aceita até 2147483647 (Total Bytes)."_ansi;
    for (const auto& p : pacotes) {
        std::string entrada = "item" + std::to_string(projeto.listas[listaDescompactar].size() + 1) +
                              "=@DIRBASE\\" + p.nome;
        if (entrada.size() + 1 > 255) return p.chave + ": nome de arquivo zip longo demais."_ansi;
        projeto.listas[listaDescompactar].push_back("@DIRBASE\\" + p.nome);
    }

    // ---- The set is built beside the output and renamed into place ----
    PastaProvisoria prov;
    {
        std::string modelo = (pai / ("." + o.saida.filename().string() + ".gerando-XXXXXX")).string();
        if (!::mkdtemp(modelo.data()))
            return "Não foi possível criar uma pasta em "_ansi + Host1252(pai) + ": " +
                   TextoErroSistema(errno);
        prov.caminho = modelo;
    }
    // The programs as disk 1 carries them, measured before the layout.
    const fs::path pastaProgramas = prov.caminho / ".programas";
    std::vector<std::string> avisosProgramas;
    if (auto e = PrepararProgramasDisco1(programas, pastaProgramas, avisosProgramas)) return e;
    for (const auto& a : avisosProgramas) obs.Aviso(a);
    std::vector<fs::path> programasDisco1;
    for (const auto& p : programas) programasDisco1.push_back(p.destino);
    if (o.autonomo) {
        if (auto e = GravarArquivo(pastaProgramas / "qt.conf", TextoQtConf())) return e;
        programasDisco1.emplace_back("qt.conf");
    }
    const fs::path pastaPacotes = prov.caminho / ".pacotes";
    if (!pacotes.empty() && !fs::create_directory(pastaPacotes, ec))
        return Host1252(pastaPacotes) + ": " + TextoErroSistema(ec.value());
    for (const auto& p : pacotes) {
        fs::path z = pastaPacotes / Nome1252ParaHost(p.nome);
        if (auto e = CriarPacote(z, p.membros)) return *e;
        ArquivoConjunto a;
        a.host = z;
        a.nome = "@DIRBASE\\" + p.nome;
        a.peca = p.nome;
        a.tamanho = static_cast<int64_t>(fs::file_size(z, ec));
        a.origem = p.chave;
        if (ec || a.tamanho > maxBytes)
            return p.chave + ": o arquivo zip passa de 2147483647 bytes."_ansi;
        totalBytes += a.tamanho;
        arquivos.push_back(std::move(a));
    }
    if (totalBytes > maxBytes)
        return "Com os arquivos zip, o conjunto precisa de "_ansi + std::to_string(totalBytes) +
               " bytes; o instalador aceita até 2147483647 (Total Bytes)."_ansi;

    const std::string glibc = o.autonomo ? GlibcNecessaria(programas, pastaProgramas) : "";
    OrdenarParaDiscos(arquivos);
    for (std::size_t i = 0; i < arquivos.size(); ++i) {
        SecaoArquivo s = Secao(arquivos[i], arquivos[i].tamanho, 1);
        SecaoArquivo lida = LerSecaoArquivo(TextoSecaoArquivo(s, 1, true), 1, true);
        if (lida.nome != s.nome)
            return arquivos[i].origem + ": o destino "_ansi + s.nome +
                   " não pode ser escrito no arquivo de rótulo."_ansi;
    }

    int64_t reserva1 = 0;
    for (const auto& p : programasDisco1)
        reserva1 += Ocupado(disco, static_cast<int64_t>(fs::file_size(pastaProgramas / p, ec)));
    reserva1 += Ocupado(disco, static_cast<int64_t>(
                                   TextoArquivoComandos(projeto, maxDiscos, maxArquivos, maxBytes).size()));
    PlanoDiscos plano;
    if (auto e = PlanejarDiscos(arquivos, disco, reserva1, plano)) return e;
    for (const auto& a : plano.avisos) obs.Aviso(a);

    const int totalDiscos = static_cast<int>(plano.discos.size());
    const std::string cmd =
        TextoArquivoComandos(projeto, totalDiscos, static_cast<int>(arquivos.size()), totalBytes);
    for (std::size_t d = 1; d <= plano.discos.size(); ++d) {
        int64_t ocupado = 0;
        if (auto e = EscreverDisco(prov.caminho, d, arquivos, plano, disco,
                                   d == 1 ? programasDisco1 : std::vector<fs::path>{},
                                   pastaProgramas, cmd,
                                   o.interromper, ocupado))
            return e;
        obs.DiscoGravado(static_cast<int>(d), totalDiscos, ocupado);
    }
    fs::remove_all(pastaPacotes, ec);
    fs::remove_all(pastaProgramas, ec);

    if (auto e = PorNoLugar(prov, o.saida)) return e;
    resumo = Resumir(arquivos, plano, totalBytes);
    resumo.glibc = glibc;
    return std::nullopt;
}
