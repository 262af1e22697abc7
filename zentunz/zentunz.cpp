#include "zentunz.h"

#include "Arquivos.h"
#include "Texto1252.h"
#include "Unidades.h"

#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace plataforma::literais;

namespace {

// Owns one file descriptor.
class Descritor {
public:
    explicit Descritor(int fd = -1) : fd_(fd) {}
    ~Descritor() { Fechar(); }
    Descritor(Descritor&& o) noexcept : fd_(o.fd_) { o.fd_ = -1; }
    Descritor& operator=(Descritor&& o) noexcept {
        if (this != &o) { Fechar(); fd_ = o.fd_; o.fd_ = -1; }
        return *this;
    }
    int fd() const { return fd_; }
    bool Valido() const { return fd_ >= 0; }
    bool Fechar() {
        if (fd_ < 0) return true;
        int r = close(fd_);
        fd_ = -1;
        return r == 0;
    }

private:
    int fd_;
};

struct ZipFechado {
    void operator()(zip_t* z) const { zip_discard(z); }
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};

// A temporary file that is removed unless it was renamed into place.
struct TemporarioPendente {
    int dir = -1;
    std::string nome;
    ~TemporarioPendente() {
        if (!nome.empty()) unlinkat(dir, nome.c_str(), 0);
    }
};

bool Verdadeiro(int32_t campo) { return campo != 0; }

// The member name split at '/' and '\'; nullopt when it could point outside
// the extraction folder (absolute, a drive or any colon, a ".." component).
std::optional<std::vector<std::string>> ComponentesSeguros(std::string_view nome) {
    if (nome.empty() || nome[0] == '/' || nome[0] == '\\') return std::nullopt;
    if (nome.find(':') != std::string_view::npos) return std::nullopt;
    std::vector<std::string> partes;
    std::size_t inicio = 0;
    while (inicio <= nome.size()) {
        std::size_t fim = nome.find_first_of("/\\", inicio);
        if (fim == std::string_view::npos) fim = nome.size();
        std::string_view parte = nome.substr(inicio, fim - inicio);
        if (parte == "..") return std::nullopt;
        if (!parte.empty() && parte != ".") partes.emplace_back(parte);
        inicio = fim + 1;
    }
    return partes;
}

std::string FormaComparavel(std::string_view texto1252) {
    std::string s = plataforma::Maiusculas1252(texto1252);
    std::replace(s.begin(), s.end(), '\\', '/');
    return s;
}

bool GravarTudo(int fd, const char* dados, std::size_t n) {
    while (n > 0) {
        ssize_t w = write(fd, dados, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        dados += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

enum class Desfecho { Extraido, Pulado, Recusado, Parar };

class Extracao {
public:
    explicit Extracao(const ZentunzParametros& p) : p_(p) {}

    int32_t Executar() {
        std::vector<std::string> especificacoes;
        for (int32_t k = 0; k < p_.qtdEspecificacoes; ++k)
            especificacoes.push_back(FormaComparavel(p_.especificacoes[k]));
        std::vector<bool> casou(especificacoes.size(), false);

        // The drive table in force is the one on file; the program may have
        // reloaded it since our last call.
        plataforma::DefinirUnidades(plataforma::CarregarTabelaUnidades());
        std::string nomeArquivo = p_.nomeArquivo;
        auto host = plataforma::CaminhoHost(nomeArquivo);
        int erroZip = 0;
        std::unique_ptr<zip_t, ZipFechado> zip(
            host ? zip_open(host->c_str(), ZIP_RDONLY, &erroZip) : nullptr);
        if (!zip) {
            if (!Mensagem(ZENTUNZ_ERRO_ARQUIVO,
                          "Não foi possível abrir o arquivo Zip: "_ansi + nomeArquivo))
                return ZENTUNZ_INTERROMPIDO;
            return Relatar(ZENTUNZ_ACAO_FIM, 0, 0, "") ? ZENTUNZ_ERRO_ABERTURA
                                                       : ZENTUNZ_INTERROMPIDO;
        }
        base_ = Descritor(open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        buffer_.resize(256 * 1024);

        zip_int64_t total = zip_get_num_entries(zip.get(), 0);
        for (zip_int64_t i = 0; i < total; ++i) {
            const char* bruto = zip_get_name(zip.get(), static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS);
            if (!bruto) continue;
            std::string nome = bruto; // UTF-8, as host names are
            std::string exibido = plataforma::Utf8Para1252(nome);
            if (!especificacoes.empty()) {
                std::string comparavel = FormaComparavel(exibido);
                bool algum = false;
                for (std::size_t k = 0; k < especificacoes.size(); ++k)
                    if (plataforma::CoincideCuringa(especificacoes[k], comparavel)) algum = casou[k] = true;
                if (!algum) continue;
            }
            Desfecho d = Membro(zip.get(), static_cast<zip_uint64_t>(i), nome, exibido);
            if (d == Desfecho::Parar) return ZENTUNZ_INTERROMPIDO;
            if (d == Desfecho::Recusado) avisos_ = true;
        }
        for (std::size_t k = 0; k < especificacoes.size(); ++k) {
            if (casou[k]) continue;
            avisos_ = true;
            if (!Mensagem(ZENTUNZ_ERRO_ESPECIFICACAO,
                          "Nenhum membro corresponde a: "_ansi + p_.especificacoes[k]))
                return ZENTUNZ_INTERROMPIDO;
        }
        if (!Relatar(ZENTUNZ_ACAO_FIM, 0, 0, "")) return ZENTUNZ_INTERROMPIDO;
        return avisos_ ? ZENTUNZ_AVISOS : ZENTUNZ_OK;
    }

private:
    // False when the caller asked to stop.
    bool Relatar(int32_t acao, int32_t erro, int32_t tamanho, std::string_view texto) {
        if (!p_.rotinaRelato) return true;
        relato_ = ZentunzRelato{};
        relato_.chamador = p_.chamador;
        relato_.acao = acao;
        relato_.codigoErro = erro;
        relato_.tamanho = tamanho;
        std::size_t n = std::min(texto.size(), sizeof relato_.texto - 1);
        std::memcpy(relato_.texto, texto.data(), n);
        return p_.rotinaRelato(&relato_) != -1;
    }
    bool Mensagem(int32_t erro, const std::string& texto) {
        return Relatar(ZENTUNZ_ACAO_MENSAGEM, erro, 0, texto);
    }
    Desfecho Recusar(int32_t erro, const std::string& texto) {
        return Mensagem(erro, texto) ? Desfecho::Recusado : Desfecho::Parar;
    }

    Desfecho Membro(zip_t* zip, zip_uint64_t i, const std::string& nome, const std::string& exibido) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(zip, i, 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
            return Recusar(ZENTUNZ_ERRO_DADOS, "Erro de leitura no membro: "_ansi + exibido);
        auto partes = ComponentesSeguros(nome);
        if (!partes)
            return Recusar(ZENTUNZ_ERRO_NOME, "Nome inseguro, membro recusado: "_ansi + exibido);

        zip_uint8_t sistema = 0;
        zip_uint32_t atributos = 0;
        mode_t modo = 0;
        if (zip_file_get_external_attributes(zip, i, 0, &sistema, &atributos) == 0 &&
            sistema == ZIP_OPSYS_UNIX)
            modo = static_cast<mode_t>(atributos >> 16);
        if (S_ISLNK(modo))
            return Recusar(ZENTUNZ_ERRO_LINK, "Link simbólico recusado: "_ansi + exibido);

        bool pasta = nome.back() == '/' || nome.back() == '\\' || S_ISDIR(modo);
        if (pasta) {
            if (!Verdadeiro(p_.nomesPastas) || partes->empty()) return Desfecho::Pulado;
            Descritor d = AbrirPastas(*partes, partes->size());
            if (!d.Valido()) return RecusarCaminho(exibido);
            return Desfecho::Extraido;
        }
        if (partes->empty())
            return Recusar(ZENTUNZ_ERRO_NOME, "Nome inseguro, membro recusado: "_ansi + exibido);

        if (st.encryption_method != ZIP_EM_NONE ||
            !zip_compression_method_supported(static_cast<zip_int32_t>(st.comp_method), 0))
            return Recusar(ZENTUNZ_ERRO_SUPORTE,
                           "Método de compressão ou criptografia não suportado: "_ansi + exibido);
        auto tamanho = static_cast<long long>(st.size);
        long long compactado = (st.valid & ZIP_STAT_COMP_SIZE) ? static_cast<long long>(st.comp_size) : 0;
        totalDeclarado_ += tamanho;
        if (tamanho > ZENTUNZ_LIMITE_MEMBRO || totalDeclarado_ > ZENTUNZ_LIMITE_TOTAL ||
            (tamanho >= ZENTUNZ_RAZAO_A_PARTIR_DE &&
             tamanho / std::max(compactado, 1LL) > ZENTUNZ_LIMITE_RAZAO))
            return Recusar(ZENTUNZ_ERRO_LIMITE,
                           "Membro além dos limites de tamanho, recusado: "_ansi + exibido);

        std::size_t pastas = Verdadeiro(p_.nomesPastas) ? partes->size() - 1 : 0;
        Descritor dir = AbrirPastas(*partes, pastas);
        if (!dir.Valido()) return RecusarCaminho(exibido);
        const std::string& final = partes->back();

        struct stat existente;
        if (fstatat(dir.fd(), final.c_str(), &existente, AT_SYMLINK_NOFOLLOW) == 0) {
            bool maisNovo = (st.valid & ZIP_STAT_MTIME) && st.mtime > existente.st_mtime;
            if (Verdadeiro(p_.atualizar) || Verdadeiro(p_.renovar)) {
                if (!maisNovo) return Desfecho::Pulado;
            } else if (!Verdadeiro(p_.sobrescrever)) {
                return Recusar(ZENTUNZ_ERRO_EXISTENTE, "Arquivo existente mantido: "_ansi + exibido);
            }
        } else if (Verdadeiro(p_.renovar) && !Verdadeiro(p_.atualizar)) {
            return Desfecho::Pulado;
        }

        if (!Relatar(ZENTUNZ_ACAO_INICIO, 0, static_cast<int32_t>(tamanho), exibido))
            return Desfecho::Parar;
        TemporarioPendente temporario{dir.fd(), {}};
        Descritor saida = CriarTemporario(dir.fd(), temporario.nome);
        if (!saida.Valido())
            return Recusar(ZENTUNZ_ERRO_GRAVACAO, "Não foi possível gravar: "_ansi + exibido);
        Desfecho d = Copiar(zip, i, tamanho, saida.fd(), exibido);
        if (d == Desfecho::Extraido) {
            if (st.valid & ZIP_STAT_MTIME) {
                timespec tempos[2] = {{0, UTIME_NOW}, {st.mtime, 0}};
                futimens(saida.fd(), tempos);
            }
            if (modo & 0111) {
                struct stat atual;
                if (fstat(saida.fd(), &atual) == 0)
                    fchmod(saida.fd(), (atual.st_mode & 0777) | ((atual.st_mode & 0444) >> 2));
            }
            unsigned flags = Verdadeiro(p_.sobrescrever) || Verdadeiro(p_.atualizar) ||
                                     Verdadeiro(p_.renovar)
                                 ? 0
                                 : RENAME_NOREPLACE;
            if (saida.Fechar() &&
                renameat2(dir.fd(), temporario.nome.c_str(), dir.fd(), final.c_str(), flags) == 0)
                temporario.nome.clear();
            else
                d = Recusar(ZENTUNZ_ERRO_GRAVACAO, "Não foi possível gravar: "_ansi + exibido);
        }
        return d;
    }

    Desfecho RecusarCaminho(const std::string& exibido) {
        if (errno == ELOOP || errno == ENOTDIR)
            return Recusar(ZENTUNZ_ERRO_NOME,
                           "Caminho fora da pasta de extração, membro recusado: "_ansi + exibido);
        return Recusar(ZENTUNZ_ERRO_GRAVACAO, "Não foi possível criar a pasta de: "_ansi + exibido);
    }

    // Walks down the first n components from the extraction folder, creating
    // what is missing and never following a link, so nothing can land outside.
    Descritor AbrirPastas(const std::vector<std::string>& partes, std::size_t n) {
        Descritor atual(dup(base_.fd()));
        for (std::size_t k = 0; k < n && atual.Valido(); ++k) {
            const char* c = partes[k].c_str();
            int fd = openat(atual.fd(), c, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (fd < 0 && errno == ENOENT && mkdirat(atual.fd(), c, 0777) == 0)
                fd = openat(atual.fd(), c, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            atual = Descritor(fd);
        }
        return atual;
    }

    Descritor CriarTemporario(int dir, std::string& nome) {
        for (int tentativa = 0; tentativa < 100; ++tentativa) {
            nome = ".zentunz-" + std::to_string(getpid()) + "-" + std::to_string(++contador_) + ".tmp";
            int fd = openat(dir, nome.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
            if (fd >= 0) return Descritor(fd);
            if (errno != EEXIST) break;
        }
        nome.clear(); // not ours to remove
        return Descritor();
    }

    Desfecho Copiar(zip_t* zip, zip_uint64_t i, long long tamanho, int saida, const std::string& exibido) {
        std::unique_ptr<zip_file_t, ZipFechado> f(zip_fopen_index(zip, i, 0));
        if (!f) return Recusar(ZENTUNZ_ERRO_DADOS, "Erro de leitura no membro: "_ansi + exibido);
        long long gravados = 0, proximoPasso = ZENTUNZ_BYTES_POR_PASSO;
        for (;;) {
            zip_int64_t n = zip_fread(f.get(), buffer_.data(), buffer_.size());
            if (n < 0 || gravados + n > tamanho)
                return Recusar(ZENTUNZ_ERRO_DADOS,
                               "Erro de CRC ou dados corrompidos, membro descartado: "_ansi + exibido);
            if (n == 0) break;
            if (!GravarTudo(saida, buffer_.data(), static_cast<std::size_t>(n)))
                return Recusar(ZENTUNZ_ERRO_GRAVACAO, "Não foi possível gravar: "_ansi + exibido);
            gravados += n;
            for (; gravados >= proximoPasso; proximoPasso += ZENTUNZ_BYTES_POR_PASSO)
                if (!Relatar(ZENTUNZ_ACAO_PASSO, 0, 0, "")) return Desfecho::Parar;
        }
        if (gravados != tamanho)
            return Recusar(ZENTUNZ_ERRO_DADOS,
                           "Erro de CRC ou dados corrompidos, membro descartado: "_ansi + exibido);
        return Desfecho::Extraido;
    }

    const ZentunzParametros& p_;
    ZentunzRelato relato_{};
    Descritor base_;
    std::vector<char> buffer_;
    long long totalDeclarado_ = 0;
    unsigned contador_ = 0;
    bool avisos_ = false;
};

} // namespace

extern "C" __attribute__((visibility("default"))) int32_t
zentunz_extrair(const ZentunzParametros* parametros) {
    if (!parametros || !parametros->nomeArquivo || parametros->qtdEspecificacoes < 0 ||
        parametros->qtdEspecificacoes > ZENTUNZ_MAX_ESPECIFICACOES)
        return ZENTUNZ_PARAMETROS;
    for (int32_t k = 0; k < parametros->qtdEspecificacoes; ++k)
        if (!parametros->especificacoes[k]) return ZENTUNZ_PARAMETROS;
    try {
        return Extracao(*parametros).Executar();
    } catch (...) {
        // Nothing may unwind into a C caller.
        return ZENTUNZ_FALHA_INTERNA;
    }
}
