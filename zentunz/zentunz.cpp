#include "zentunz.h"

#include "LeituraZip.h"
#include "Temporario.h"

#include "Arquivos.h"
#include "Texto1252.h"
#include "Unidades.h"

#include <isa-l/igzip_lib.h>
#include <libdeflate.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace plataforma::literais;
using zentunz::LeituraZip;
using zentunz::SaidaTemporaria;

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
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

bool Verdadeiro(int32_t campo) { return campo != 0; }

// The member name split at '/' and '\'; nullopt when it could point outside
// the extraction folder (absolute, a drive or any colon, a ".." component) or
// holds a control character, which no one could type or see in a listing.
std::optional<std::vector<std::string>> ComponentesSeguros(std::string_view nome) {
    if (nome.empty() || nome[0] == '/' || nome[0] == '\\') return std::nullopt;
    if (nome.find(':') != std::string_view::npos) return std::nullopt;
    if (std::any_of(nome.begin(), nome.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }))
        return std::nullopt;
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

constexpr auto limiteMembro = static_cast<zip_uint64_t>(ZENTUNZ_LIMITE_MEMBRO);
constexpr auto limiteTotal = static_cast<zip_uint64_t>(ZENTUNZ_LIMITE_TOTAL);
constexpr auto limiteRazao = static_cast<zip_uint64_t>(ZENTUNZ_LIMITE_RAZAO);
constexpr auto razaoAPartirDe = static_cast<zip_uint64_t>(ZENTUNZ_RAZAO_A_PARTIR_DE);
// Members up to this size are inflated whole, in memory: at most twice this
// much scratch memory; larger ones stream in a few hundred KiB. The fuzz
// target lowers it, so that its small inputs stream too.
#ifndef ZENTUNZ_LIMITE_EM_MEMORIA
#define ZENTUNZ_LIMITE_EM_MEMORIA (64 << 20)
#endif
constexpr zip_uint64_t limiteEmMemoria = ZENTUNZ_LIMITE_EM_MEMORIA;
constexpr std::size_t blocoGravacao = 256 * 1024, blocoLeitura = 256 * 1024;

// Scratch memory that grows to the largest need and is never cleared: what
// is asked of it is overwritten whole.
class Rascunho {
public:
    char* Tamanho(std::size_t n) {
        n = std::max<std::size_t>(n, 1);
        if (n > capacidade_) {
            dados_ = std::make_unique_for_overwrite<char[]>(n);
            capacidade_ = n;
        }
        return dados_.get();
    }

private:
    std::unique_ptr<char[]> dados_;
    std::size_t capacidade_ = 0;
};

// A member on its way to its temporary file.
struct Escrita {
    explicit Escrita(int f) : fd(f) {}
    int fd;
    zip_uint64_t gravados = 0, proximoPasso = ZENTUNZ_BYTES_POR_PASSO;
    std::string inicio; // its first bytes
};

// The mode a member gets: the Unix mode the archive carries, else the default,
// with execute bits wherever it can be read when its first bytes are those of
// a script or an ELF program. Never setuid, setgid or sticky; the creation
// mask always applies.
mode_t ModoDoMembro(std::optional<mode_t> unix, std::string_view inicio, mode_t mascara) {
    if (unix) return *unix & 0777 & ~mascara;
    mode_t m = 0666 & ~mascara;
    if (inicio.starts_with("#!") || inicio.starts_with("\x7F" "ELF")) m |= (m & 0444) >> 2;
    return m & ~mascara;
}

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
        std::unique_ptr<zip_t, ZipFechado> zip;
        if (host && arquivo_.Abrir(*host)) zip = AbrirZip();
        if (!zip)
            return RecusarArquivo(ZENTUNZ_ERRO_ARQUIVO,
                                  "Não foi possível abrir o arquivo Zip: "_ansi + nomeArquivo);
        auto faixas = zentunz::FaixasDosMembros(arquivo_);
        if (!faixas || !Concordam(zip.get(), *faixas))
            return RecusarArquivo(ZENTUNZ_ERRO_ARQUIVO, "Arquivo Zip danificado: "_ansi + nomeArquivo);
        // Members sharing bytes are how a small archive expands without limit.
        if (zentunz::HaSobreposicao(*faixas))
            return RecusarArquivo(ZENTUNZ_ERRO_SOBREPOSICAO,
                                  "Arquivo Zip com membros sobrepostos, nada foi extraído: "_ansi +
                                      nomeArquivo);
        faixas_ = std::move(*faixas);
        base_ = Descritor(open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        mascara_ = plataforma::MascaraCriacao();
        descompressor_.reset(libdeflate_alloc_decompressor());

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
    // libzip reads the file itself: a short read is an error to it too.
    std::unique_ptr<zip_t, ZipFechado> AbrirZip() {
        zip_t* z = nullptr;
        int erro = 0, fd = dup(arquivo_.fd());
        if (fd >= 0 && !(z = zip_fdopen(fd, ZIP_RDONLY, &erro))) close(fd);
        return std::unique_ptr<zip_t, ZipFechado>(z);
    }

    // Our reading of the central directory must be libzip's, member for member.
    static bool Concordam(zip_t* zip, const std::vector<zentunz::FaixaMembro>& faixas) {
        if (zip_get_num_entries(zip, 0) != static_cast<zip_int64_t>(faixas.size())) return false;
        for (zip_uint64_t i = 0; i < faixas.size(); ++i) {
            const char* nome = zip_get_name(zip, i, ZIP_FL_ENC_RAW);
            zip_stat_t st;
            zip_stat_init(&st);
            if (!nome || faixas[i].nome != nome || zip_stat_index(zip, i, 0, &st) != 0 ||
                !(st.valid & ZIP_STAT_COMP_SIZE) || st.comp_size != faixas[i].compactado)
                return false;
        }
        return true;
    }

    // The archive as a whole is refused: one message, the end of the batch.
    int32_t RecusarArquivo(int32_t erro, const std::string& texto) {
        if (!Mensagem(erro, texto)) return ZENTUNZ_INTERROMPIDO;
        return Relatar(ZENTUNZ_ACAO_FIM, 0, 0, "") ? ZENTUNZ_ERRO_ABERTURA : ZENTUNZ_INTERROMPIDO;
    }

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
            return RecusarLeitura(exibido);
        auto partes = ComponentesSeguros(nome);
        if (!partes)
            return Recusar(ZENTUNZ_ERRO_NOME, "Nome inseguro, membro recusado: "_ansi + exibido);

        zip_uint8_t sistema = 0;
        zip_uint32_t atributos = 0;
        mode_t modo = 0;
        std::optional<mode_t> modoUnix;
        if (zip_file_get_external_attributes(zip, i, 0, &sistema, &atributos) == 0 &&
            sistema == ZIP_OPSYS_UNIX) {
            modo = static_cast<mode_t>(atributos >> 16);
            if (modo & 07777) modoUnix = modo;
        }
        if (S_ISLNK(modo))
            return Recusar(ZENTUNZ_ERRO_LINK, "Link simbólico recusado: "_ansi + exibido);

        bool pasta = nome.back() == '/' || nome.back() == '\\' || S_ISDIR(modo);
        if (pasta) {
            if (!Verdadeiro(p_.nomesPastas) || partes->empty()) return Desfecho::Pulado;
            if (Pasta(*partes, partes->size()) < 0) return RecusarCaminho(exibido);
            return Desfecho::Extraido;
        }
        if (partes->empty())
            return Recusar(ZENTUNZ_ERRO_NOME, "Nome inseguro, membro recusado: "_ansi + exibido);

        if (st.encryption_method != ZIP_EM_NONE ||
            !zip_compression_method_supported(static_cast<zip_int32_t>(st.comp_method), 0))
            return Recusar(ZENTUNZ_ERRO_SUPORTE,
                           "Método de compressão ou criptografia não suportado: "_ansi + exibido);
        // Sizes are 64-bit unsigned in the archive; every sum is checked so
        // that no forged size can wrap around a limit.
        const zip_uint64_t tamanho = st.size;
        const zip_uint64_t compactado = (st.valid & ZIP_STAT_COMP_SIZE) ? st.comp_size : 0;
        if (tamanho > limiteMembro || tamanho > limiteTotal - totalDeclarado_ ||
            (tamanho >= razaoAPartirDe && tamanho / std::max<zip_uint64_t>(compactado, 1) > limiteRazao))
            return Recusar(ZENTUNZ_ERRO_LIMITE,
                           "Membro além dos limites de tamanho, recusado: "_ansi + exibido);

        std::size_t pastas = Verdadeiro(p_.nomesPastas) ? partes->size() - 1 : 0;
        const int dir = Pasta(*partes, pastas);
        if (dir < 0) return RecusarCaminho(exibido);
        const std::string& final = partes->back();

        // Overwriting everything needs no look at what is there: publishing replaces it.
        const bool olhar =
            !Verdadeiro(p_.sobrescrever) || Verdadeiro(p_.atualizar) || Verdadeiro(p_.renovar);
        struct stat existente;
        if (olhar && fstatat(dir, final.c_str(), &existente, AT_SYMLINK_NOFOLLOW) == 0) {
            bool maisNovo = (st.valid & ZIP_STAT_MTIME) && st.mtime > existente.st_mtime;
            if (Verdadeiro(p_.atualizar) || Verdadeiro(p_.renovar)) {
                if (!maisNovo) return Desfecho::Pulado;
            } else if (!Verdadeiro(p_.sobrescrever)) {
                return Recusar(ZENTUNZ_ERRO_EXISTENTE, "Arquivo existente mantido: "_ansi + exibido);
            }
        } else if (Verdadeiro(p_.renovar) && !Verdadeiro(p_.atualizar)) {
            return Desfecho::Pulado;
        }

        totalDeclarado_ += tamanho;
        if (!Relatar(ZENTUNZ_ACAO_INICIO, 0, static_cast<int32_t>(tamanho), exibido))
            return Desfecho::Parar;
        if (limparPasta_) {
            LimparUmaVez(dir);
            limparPasta_ = false;
        }
        SaidaTemporaria saida;
        if (!saida.Criar(dir, ModoDoMembro(modoUnix, "", mascara_)))
            return Recusar(ZENTUNZ_ERRO_GRAVACAO, "Não foi possível gravar: "_ansi + exibido);
        Escrita escrita(saida.fd());
        Desfecho d = EmMemoria(i, st)    ? CopiarInteiro(i, st, escrita, exibido)
                     : EmFluxoProprio(st) ? CopiarEmFluxo(i, st, escrita, exibido)
                                          : Copiar(zip, i, tamanho, escrita, exibido);
        if (d != Desfecho::Extraido) return d;
        if (st.valid & ZIP_STAT_MTIME) {
            timespec tempos[2] = {{0, UTIME_NOW}, {st.mtime, 0}};
            futimens(saida.fd(), tempos);
        }
        unsigned flags =
            Verdadeiro(p_.sobrescrever) || Verdadeiro(p_.atualizar) || Verdadeiro(p_.renovar)
                ? 0
                : RENAME_NOREPLACE;
        if (!saida.Publicar(final, flags, ModoDoMembro(modoUnix, escrita.inicio, mascara_)))
            return Recusar(ZENTUNZ_ERRO_GRAVACAO, "Não foi possível gravar: "_ansi + exibido);
        return Desfecho::Extraido;
    }

    Desfecho RecusarCaminho(const std::string& exibido) {
        if (errno == ELOOP || errno == ENOTDIR)
            return Recusar(ZENTUNZ_ERRO_NOME,
                           "Caminho fora da pasta de extração, membro recusado: "_ansi + exibido);
        return Recusar(ZENTUNZ_ERRO_GRAVACAO, "Não foi possível criar a pasta de: "_ansi + exibido);
    }

    // The folder of the first n components, open: members of one folder come
    // together, so the last one stays open for the next.
    int Pasta(const std::vector<std::string>& partes, std::size_t n) {
        int fd = base_.fd();
        if (n > 0 && !(pasta_.Valido() && caminhoPasta_.size() == n &&
                       std::equal(caminhoPasta_.begin(), caminhoPasta_.end(), partes.begin()))) {
            caminhoPasta_.clear();
            pasta_ = AbrirPastas(partes, n);
            if (!pasta_.Valido()) return -1;
            caminhoPasta_.assign(partes.begin(), partes.begin() + static_cast<std::ptrdiff_t>(n));
            limparPasta_ = true;
        }
        if (n > 0) fd = pasta_.fd();
        if (fd != ultimaPasta_) limparPasta_ = true;
        ultimaPasta_ = fd;
        return fd;
    }

    // Walks down the first n components from the extraction folder, creating
    // what is missing and never following a link, so nothing can land outside.
    Descritor AbrirPastas(const std::vector<std::string>& partes, std::size_t n) {
        Descritor atual;
        for (std::size_t k = 0; k < n; ++k) {
            const int de = k == 0 ? base_.fd() : atual.fd();
            const char* c = partes[k].c_str();
            int fd = openat(de, c, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (fd < 0 && errno == ENOENT && mkdirat(de, c, 0777) == 0)
                fd = openat(de, c, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            atual = Descritor(fd);
            if (!atual.Valido()) break;
        }
        return atual;
    }

    // The temporary files an earlier, killed extraction left in a folder go
    // the first time this one writes there.
    void LimparUmaVez(int dir) {
        struct stat st;
        if (fstat(dir, &st) == 0 && limpas_.emplace(st.st_dev, st.st_ino).second)
            zentunz::LimparTemporariosAbandonados(dir);
    }

    Desfecho Gravar(Escrita& e, const char* dados, std::size_t n, const std::string& exibido) {
        if (e.inicio.size() < 4) e.inicio.append(dados, std::min(n, 4 - e.inicio.size()));
        if (!GravarTudo(e.fd, dados, n))
            return Recusar(ZENTUNZ_ERRO_GRAVACAO, "Não foi possível gravar: "_ansi + exibido);
        e.gravados += n;
        for (; e.gravados >= e.proximoPasso; e.proximoPasso += ZENTUNZ_BYTES_POR_PASSO)
            if (!Relatar(ZENTUNZ_ACAO_PASSO, 0, 0, "")) return Desfecho::Parar;
        return Desfecho::Extraido;
    }

    // Deflated and stored members of bounded size are read whole and go
    // through libdeflate in one call, their CRC checked before a byte is
    // written: about twice as fast as zlib's stream.
    bool EmMemoria(zip_uint64_t i, const zip_stat_t& st) const {
        return descompressor_ && (st.valid & ZIP_STAT_CRC) && st.size <= limiteEmMemoria &&
               // the compressed size sizes the read buffer: bounded only by the file's
               faixas_[i].compactado <= limiteEmMemoria &&
               (st.comp_method == ZIP_CM_DEFLATE || st.comp_method == ZIP_CM_STORE) &&
               faixas_[i].fim <= arquivo_.Tamanho();
    }

    Desfecho CopiarInteiro(zip_uint64_t i, const zip_stat_t& st, Escrita& e, const std::string& exibido) {
        const zentunz::FaixaMembro& f = faixas_[i];
        char* lido = entrada_.Tamanho(f.compactado);
        if (!arquivo_.Ler(f.dados, lido, f.compactado)) return RecusarLeitura(exibido);
        const char* dados = lido;
        if (st.comp_method == ZIP_CM_DEFLATE) {
            char* inflado = saida_.Tamanho(st.size);
            if (libdeflate_deflate_decompress(descompressor_.get(), dados, f.compactado, inflado, st.size,
                                              nullptr) != LIBDEFLATE_SUCCESS)
                return RecusarDados(exibido);
            dados = inflado;
        } else if (f.compactado != st.size) {
            return RecusarDados(exibido);
        }
        if (libdeflate_crc32(0, dados, st.size) != st.crc) return RecusarDados(exibido);
        for (zip_uint64_t feito = 0; feito < st.size;) {
            auto n = static_cast<std::size_t>(std::min<zip_uint64_t>(blocoGravacao, st.size - feito));
            if (Desfecho d = Gravar(e, dados + feito, n, exibido); d != Desfecho::Extraido) return d;
            feito += n;
        }
        return Desfecho::Extraido;
    }

    // Deflated and stored members too large for memory come from our own
    // reads of the archive, deflate through ISA-L's streaming inflater: as
    // fast as libdeflate, in a few hundred KiB whatever the member's size.
    bool EmFluxoProprio(const zip_stat_t& st) const {
        return (st.valid & ZIP_STAT_CRC) && (st.comp_method == ZIP_CM_DEFLATE || st.comp_method == ZIP_CM_STORE);
    }

    Desfecho CopiarEmFluxo(zip_uint64_t i, const zip_stat_t& st, Escrita& e, const std::string& exibido) {
        const zentunz::FaixaMembro& f = faixas_[i];
        char* entrada = entrada_.Tamanho(blocoLeitura);
        zip_uint64_t lidos = 0;
        // The next run of compressed bytes; 0 at the member's end, -1 when the archive fails.
        auto Ler = [&]() -> int64_t {
            auto n = static_cast<std::size_t>(std::min<zip_uint64_t>(blocoLeitura, f.compactado - lidos));
            if (n > 0 && !arquivo_.Ler(f.dados + lidos, entrada, n)) return -1;
            lidos += n;
            return static_cast<int64_t>(n);
        };
        if (st.comp_method == ZIP_CM_STORE) {
            if (f.compactado != st.size) return RecusarDados(exibido);
            uint32_t crc = 0;
            for (int64_t n; (n = Ler()) != 0;) {
                if (n < 0) return RecusarLeitura(exibido);
                auto k = static_cast<std::size_t>(n);
                crc = libdeflate_crc32(crc, entrada, k);
                if (Desfecho d = Gravar(e, entrada, k, exibido); d != Desfecho::Extraido) return d;
            }
            return crc == st.crc ? Desfecho::Extraido : RecusarDados(exibido);
        }

        if (!inflador_) inflador_ = std::make_unique<inflate_state>();
        inflate_state& z = *inflador_;
        isal_inflate_init(&z);
        z.crc_flag = ISAL_GZIP_NO_HDR; // raw deflate, its CRC-32 kept as it goes
        char* saida = saida_.Tamanho(blocoGravacao);
        while (z.block_state != ISAL_BLOCK_FINISH) {
            if (z.avail_in == 0) {
                int64_t n = Ler();
                if (n < 0) return RecusarLeitura(exibido);
                z.next_in = reinterpret_cast<uint8_t*>(entrada);
                z.avail_in = static_cast<uint32_t>(n);
            }
            const uint32_t antes = z.avail_in;
            z.next_out = reinterpret_cast<uint8_t*>(saida);
            z.avail_out = static_cast<uint32_t>(blocoGravacao);
            if (isal_inflate(&z) != ISAL_DECOMP_OK) return RecusarDados(exibido);
            const std::size_t feitos = blocoGravacao - z.avail_out;
            // Nothing taken and nothing given: the stream ends before its last block.
            if (feitos == 0 && z.avail_in == antes) return RecusarDados(exibido);
            if (feitos > st.size - e.gravados) return RecusarDados(exibido); // beyond its declared size
            if (Desfecho d = Gravar(e, saida, feitos, exibido); d != Desfecho::Extraido) return d;
        }
        if (e.gravados != st.size || z.crc != st.crc) return RecusarDados(exibido);
        return Desfecho::Extraido;
    }

    // Streams the member through libzip, which checks its CRC at the end.
    Desfecho Copiar(zip_t* zip, zip_uint64_t i, zip_uint64_t tamanho, Escrita& e, const std::string& exibido) {
        std::unique_ptr<zip_file_t, ZipFechado> f(zip_fopen_index(zip, i, 0));
        if (!f) return RecusarLeitura(exibido);
        for (;;) {
            char* bloco = entrada_.Tamanho(blocoGravacao);
            zip_int64_t lidos = zip_fread(f.get(), bloco, blocoGravacao);
            if (lidos < 0 && FalhaDeLeitura(zip_file_get_error(f.get())))
                return RecusarLeitura(exibido);
            if (lidos < 0 || e.gravados + static_cast<zip_uint64_t>(lidos) > tamanho)
                return RecusarDados(exibido);
            if (lidos == 0) break;
            Desfecho d = Gravar(e, bloco, static_cast<std::size_t>(lidos), exibido);
            if (d != Desfecho::Extraido) return d;
        }
        if (e.gravados != tamanho) return RecusarDados(exibido);
        return Desfecho::Extraido;
    }

    // The archive could not be read (it may have shrunk or gone since it was opened).
    static bool FalhaDeLeitura(zip_error_t* erro) {
        int codigo = zip_error_code_zip(erro);
        return codigo == ZIP_ER_READ || codigo == ZIP_ER_SEEK || codigo == ZIP_ER_EOF;
    }
    Desfecho RecusarLeitura(const std::string& exibido) {
        return Recusar(ZENTUNZ_ERRO_DADOS, "Erro de leitura no membro: "_ansi + exibido);
    }
    Desfecho RecusarDados(const std::string& exibido) {
        return Recusar(ZENTUNZ_ERRO_DADOS,
                       "Erro de CRC ou dados corrompidos, membro descartado: "_ansi + exibido);
    }

    const ZentunzParametros& p_;
    ZentunzRelato relato_{};
    LeituraZip arquivo_;
    std::vector<zentunz::FaixaMembro> faixas_;
    Descritor base_;
    mode_t mascara_ = 022;
    Rascunho entrada_, saida_;
    std::unique_ptr<libdeflate_decompressor, ZipFechado> descompressor_;
    std::unique_ptr<inflate_state> inflador_;
    Descritor pasta_; // the folder of the last member, and its path
    std::vector<std::string> caminhoPasta_;
    int ultimaPasta_ = -1;
    bool limparPasta_ = true;
    zip_uint64_t totalDeclarado_ = 0;
    std::set<std::pair<dev_t, ino_t>> limpas_;
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
