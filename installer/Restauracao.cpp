#include "Restauracao.h"

#include "ApagamentoSeguro.h"
#include "Arquivos.h"
#include "Integracao.h"
#include "Perfil.h"
#include "RegistroInstalacao.h"
#include "RotuloDisco.h"
#include "Texto1252.h"
#include "Unidades.h"
#include "fStrlib.h"
#include "mSetuplb.h"

#include <libdeflate.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace plataforma;
using namespace plataforma::literais;

namespace {

constexpr int tipoErro = 6;
constexpr int tipoRepetir = 10;
constexpr int respostaSim = 6;

// Closes on every way out.
class Descritor {
public:
    explicit Descritor(int fd = -1) : fd_(fd) {}
    ~Descritor() { Fechar(); }
    Descritor(const Descritor&) = delete;
    Descritor& operator=(const Descritor&) = delete;
    int operator*() const { return fd_; }
    void Trocar(int fd) {
        Fechar();
        fd_ = fd;
    }
    // The error of close itself (a write the file system could not finish).
    int Fechar() {
        int erro = 0;
        if (fd_ >= 0 && close(fd_) != 0) erro = errno;
        fd_ = -1;
        return erro;
    }

private:
    int fd_;
};

// The file being restored: unnamed until its last piece is in, then put in
// place as the record says (the old file kept until the run succeeds).
class ArquivoTemporario {
public:
    bool Criar(const std::string& pastaHost) {
        int erro = novo_.Criar(pastaHost);
        errno = erro;
        return erro == 0;
    }
    // errno-style result; 0 when the file is in place.
    int Instalar(const std::string& destinoHost) { return novo_.Instalar(destinoHost); }
    void Descartar() { novo_.Descartar(); }
    struct {
        const ArquivoNovo* a;
        int operator*() const { return a->fd(); }
    } fd{&novo_};

private:
    ArquivoNovo novo_;
};

std::set<std::string> restaurados;

std::string SemBarra(std::string host) {
    while (host.size() > 1 && host.back() == '/') host.pop_back();
    return host;
}

bool Dentro(const std::string& host, const std::optional<std::string>& pasta) {
    return pasta && DentroDe(host, *pasta);
}

// A piece: opened without waiting (a FIFO would block for good) and only
// when it is a regular file.
int AbrirPeca(const std::string& host) {
    int fd = open(host.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int erro = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        close(fd);
        errno = erro;
        return -1;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

// The mode a restored file gets: "Modo" when the label gives it (permission
// bits only), else the default, with execute bits for scripts and ELF programs.
mode_t ModoRestaurado(std::optional<uint32_t> modo, std::string_view inicio) {
    const mode_t mascara = MascaraCriacao();
    if (modo) return static_cast<mode_t>(*modo & 0777) & ~mascara;
    mode_t m = 0666 & ~mascara;
    if (inicio.starts_with("#!") || inicio.starts_with("\x7F" "ELF")) m |= (m & 0444) >> 2;
    return m;
}

struct CaminhoSeparado {
    std::string pasta, nome;
};
CaminhoSeparado Separar(const std::string& caminho) {
    std::size_t p = caminho.find_last_of("\\:");
    if (p == std::string::npos) return {"", caminho};
    return {caminho.substr(0, p + 1), caminho.substr(p + 1)};
}

bool TemComponentePai(std::string_view pasta) {
    std::size_t i = 0;
    while (i <= pasta.size()) {
        std::size_t f = pasta.find_first_of("\\:", i);
        if (f == std::string_view::npos) f = pasta.size();
        if (TirarEspacosDir(pasta.substr(i, f - i)) == "..") return true;
        i = f + 1;
    }
    return false;
}

// Reads exactly n bytes at offset unless the file ends or fails first; what
// came before a failure counts, so the caller knows the block it failed in.
std::size_t LerBloco(int fd, char* buf, std::size_t n, off_t offset) {
    std::size_t lidos = 0;
    while (lidos < n) {
        ssize_t r = pread(fd, buf + lidos, n - lidos, offset + static_cast<off_t>(lidos));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        lidos += static_cast<std::size_t>(r);
    }
    return lidos;
}

// The run copied inside the kernel, without passing through the buffer:
// the whole run, or false (the caller then takes the buffer's way, which
// tells a short piece from a write error).
bool CopiarNoNucleo(int de, off_t offset, int para, std::size_t n, bool& suportado) {
    std::size_t feito = 0;
    while (feito < n) {
        off_t o = offset + static_cast<off_t>(feito);
        ssize_t r = copy_file_range(de, &o, para, nullptr, n - feito, 0);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0 && (errno == EXDEV || errno == EINVAL || errno == EOPNOTSUPP || errno == ENOSYS))
            suportado = false;
        if (r <= 0) return false;
        feito += static_cast<std::size_t>(r);
    }
    return true;
}

int GravarBloco(int fd, const char* buf, std::size_t n) {
    while (n > 0) {
        ssize_t w = write(fd, buf, n);
        if (w < 0 && errno == EINTR) continue;
        if (w < 0) return errno;
        if (w == 0) return ENOSPC;
        buf += w;
        n -= static_cast<std::size_t>(w);
    }
    return 0;
}

std::string Decimal(int64_t v) { return std::to_string(v); }

// One run of stage 1.
class Restauracao {
public:
    Restauracao(Interacao& ui, ObservadorRestauracao* obs) : ui_(ui), obs_(obs), ritmo_(ui) {}

    FimRestauracao Executar() {
        if (!VerificarDisco(ui_, LetraDisco(), disco_)) return Cancelar();
        for (int n = 1; n <= TotalArquivos; ++n) {
            FimRestauracao fim = RestaurarArquivo(n);
            if (fim != FimRestauracao::Concluida) return fim;
        }
        return FimRestauracao::Concluida;
    }

private:
    static char LetraDisco() { return DirDisco.empty() ? 'A' : DirDisco[0]; }

    FimRestauracao Cancelar() {
        ui_.CursorNormal();
        InstalacaoCancelada = true;
        return FimRestauracao::Cancelada;
    }
    FimRestauracao Erro(const std::string& texto) {
        ui_.CursorNormal();
        ui_.Mensagem("Erro", texto, tipoErro);
        InstalacaoCancelada = true;
        return FimRestauracao::Erro;
    }
    FimRestauracao ErroArquivo(const std::string& acao, const std::string& arquivo, int erro) {
        return Erro("Não foi possível "_ansi + acao + " o arquivo " + ComHost(arquivo) + ":\r" +
                    TextoErroSistema(erro));
    }

    std::string NomeRotulo() const { return Maiusculas1252(NomeRotuloDisco(disco_)); }

    // The section of file n on the disk in use; false after the message.
    bool LerSecao(int n, bool completa, SecaoArquivo& secao, FimRestauracao& fim) {
        const TabelaPerfil* conteudo = Rotulo();
        if (!conteudo) {
            fim = Erro("Não foi possível ler o arquivo de controle "_ansi + NomeRotulo() + " em " +
                       DirDisco + ".");
            return false;
        }
        if (!conteudo->TemChaves(NomeSecaoArquivo(n))) {
            fim = Erro("O arquivo de controle "_ansi + NomeRotulo() + " não descreve o arquivo "_ansi +
                       Decimal(n) + " (seção \""_ansi + NomeSecaoArquivo(n) + "\").");
            return false;
        }
        secao = LerSecaoArquivo(*conteudo, n, completa);
        if (secao.tamanho < 0 || secao.bytesSalvo < 0 || secao.crc32Invalido) {
            fim = Erro("O arquivo de controle "_ansi + NomeRotulo() + " está danificado na seção \""_ansi +
                       NomeSecaoArquivo(n) + "\".");
            return false;
        }
        return true;
    }

    // The label file of the disk in use, parsed once for all its files.
    const TabelaPerfil* Rotulo() {
        const std::string caminho = DirDisco + NomeRotuloDisco(disco_);
        if (!rotulo_ || caminhoRotulo_ != caminho) {
            rotulo_ = LerTabelaPerfil(caminho);
            caminhoRotulo_ = caminho;
        }
        return rotulo_ ? &*rotulo_ : nullptr;
    }

    FimRestauracao RestaurarArquivo(int n) {
        SecaoArquivo secao;
        FimRestauracao fim = FimRestauracao::Concluida;
        if (!LerSecao(n, true, secao, fim)) return fim;
        auto [pasta, nome] = Separar(secao.nome);
        if (nome.empty() || !ArquivoExiste(DirDisco + nome)) return FimRestauracao::Concluida;

        ExpandirMacros(pasta);
        if (pasta.empty()) pasta = DirBase;
        if (!pasta.ends_with('\\')) pasta += '\\';
        // A folder without a drive belongs below the destination, never
        // wherever the current folder happens to be (the disk itself).
        if (pasta.size() < 2 || pasta[1] != ':')
            pasta = (pasta[0] == '\\' ? DirBase.substr(0, 2) : DirBase) + pasta;
        const std::string destino = pasta + nome;
        if (TemComponentePai(pasta))
            return Erro("O arquivo "_ansi + secao.nome + " não foi restaurado: o caminho sai da pasta de destino."_ansi);
        auto pastaHost = CaminhoHost(pasta);
        auto destinoHost = CaminhoHost(destino);
        if (!pastaHost || !destinoHost)
            return Erro("O arquivo "_ansi + secao.nome +
                        " não foi restaurado: nenhuma unidade corresponde à pasta "_ansi + pasta + ".");
        // The disks write into the application's folder and the Windows and
        // system folders, nowhere else the user may write.
        if (!Dentro(SemBarra(*pastaHost), CaminhoHost(DirBase)) &&
            !Dentro(SemBarra(*pastaHost), CaminhoHost(DirWindows)) &&
            !Dentro(SemBarra(*pastaHost), CaminhoHost(DirSistema)))
            return Erro("O arquivo "_ansi + secao.nome + " não foi restaurado: a pasta "_ansi + pasta + " (" +
                        NomeHostPara1252(*pastaHost) +
                        ") fica fora da pasta do aplicativo, da pasta do Windows e da pasta do sistema."_ansi);
        if (!PastaExiste(pasta)) {
            errno = 0;
            if (!CriarPastasRegistradas(SemBarra(*pastaHost)))
                return Erro("Não foi possível criar a pasta "_ansi + pasta + ":\r" + TextoErroSistema(errno));
        }
        if (PastaExiste(destino)) return ErroArquivo("criar", destino, EISDIR);
        if (int a = Atributos(destino); a >= 0 && (a & atrSomenteLeitura))
            return ErroArquivo("criar", destino, EACCES);

        ArquivoTemporario temporario;
        if (!temporario.Criar(*pastaHost)) return ErroArquivo("criar", destino, errno);

        copiados_ = 0;
        inicio_.clear();
        bool primeira = true;
        for (uint8_t faltam = secao.qtdDiscos; faltam > 0; --faltam) {
            if (!primeira) {
                if (disco_ >= 255)
                    return Erro("O arquivo "_ansi + destino + " continua além do disco 255.");
                ++disco_;
                // A Cancelar pressed just before is not lost behind the prompt.
                ritmo_.Agora();
                if (InstalacaoCancelada) return FimRestauracao::Cancelada;
                if (!VerificarDisco(ui_, LetraDisco(), disco_)) return Cancelar();
                SecaoArquivo continuacao;
                if (!LerSecao(n, false, continuacao, fim)) return fim;
                secao.bytesSalvo = continuacao.bytesSalvo;
                secao.crc32 = continuacao.crc32;
            }
            primeira = false;
            ui_.CursorOcupado();
            if (obs_)
                obs_->Rotulos("Disco " + Decimal(disco_) + "/" + Decimal(TotalDiscos),
                              "Arquivo " + Decimal(n) + "/" + Decimal(TotalArquivos),
                              "Espaço Requerido: "_ansi + Decimal(TotalBytes / 1024) + " KB",
                              "Restaurando " + nome + " (" + Decimal(secao.tamanho) + " bytes) ...");
            fim = CopiarPeca(DirDisco + nome, secao, *temporario.fd, destino);
            if (fim != FimRestauracao::Concluida) return fim;
            ui_.CursorNormal();
            if (InstalacaoCancelada) return FimRestauracao::Cancelada;
        }
        if (copiados_ < secao.tamanho)
            return Erro("O arquivo "_ansi + destino + " ficaria com " + Decimal(copiados_) +
                        " bytes, mas deveria ter " + Decimal(secao.tamanho) +
                        ". Os discos de instalação estão incompletos."_ansi);
        const mode_t modo = ModoRestaurado(secao.modo, inicio_);
        if (fchmod(*temporario.fd, modo) != 0) return ErroArquivo("gravar", destino, errno);
        if (int erro = temporario.Instalar(*destinoHost)) return ErroArquivo("gravar", destino, erro);
        restaurados.insert(*destinoHost);
        return FimRestauracao::Concluida;
    }

    // Appends one piece to the destination in runs of whole blocks; the block
    // that cannot be read whole, or a piece whose CRC-32 differs, is offered again.
    FimRestauracao CopiarPeca(const std::string& peca, const SecaoArquivo& secao, int destino,
                              const std::string& nomeDestino) {
        auto pecaHost = CaminhoHost(peca);
        Descritor origem(pecaHost ? AbrirPeca(*pecaHost) : -1);
        if (*origem < 0) return ErroArquivo("abrir", peca, pecaHost ? errno : ENOENT);

        const int64_t inicioPeca = copiados_;
        for (;;) {
            uint32_t crc = 0;
            int32_t resta = secao.bytesSalvo;
            off_t offset = 0;
            while (resta > 0) {
                ritmo_.Talvez();
                if (InstalacaoCancelada) break;
                const auto n = std::min(static_cast<std::size_t>(resta), buffer_.size());
                // The CRC and the first bytes need the data in hand.
                const bool noNucleo = copiaNoNucleo_ && !secao.crc32 && inicio_.size() >= 4;
                if (noNucleo && CopiarNoNucleo(*origem, offset, destino, n, copiaNoNucleo_)) {
                    Avancar(n, offset, resta, secao.tamanho);
                    continue;
                }
                // Whatever a failed kernel copy wrote is undone.
                if (noNucleo && (ftruncate(destino, copiados_) != 0 || lseek(destino, copiados_, SEEK_SET) < 0))
                    return ErroArquivo("gravar", nomeDestino, errno);
                const std::size_t lidos = LerBloco(*origem, buffer_.data(), n, offset);
                // The whole blocks before a failure go in; the question is
                // about the block it happened in, when the run starts there.
                const std::size_t inteiros = lidos == n ? n : lidos / tamanhoBloco * tamanhoBloco;
                if (inteiros == 0) {
                    ritmo_.Agora();
                    if (InstalacaoCancelada) break;
                    if (!RepetirLeitura()) return Cancelar();
                    // The user may have put the disk back: read it afresh.
                    origem.Trocar(AbrirPeca(*pecaHost));
                    continue;
                }
                if (int erro = GravarBloco(destino, buffer_.data(), inteiros))
                    return ErroArquivo("gravar", nomeDestino, erro);
                if (inicio_.size() < 4)
                    inicio_.append(buffer_.data(), std::min<std::size_t>(4 - inicio_.size(), inteiros));
                // libdeflate's CRC-32 (carry-less multiply) is several times zlib's.
                if (secao.crc32) crc = libdeflate_crc32(crc, buffer_.data(), inteiros);
                Avancar(inteiros, offset, resta, secao.tamanho);
            }
            if (!secao.crc32 || InstalacaoCancelada || crc == *secao.crc32) return FimRestauracao::Concluida;
            ritmo_.Agora();
            if (InstalacaoCancelada) return FimRestauracao::Concluida;
            if (!RepetirLeitura()) return Cancelar();
            // The whole piece again, over what it wrote.
            if (ftruncate(destino, inicioPeca) != 0 || lseek(destino, inicioPeca, SEEK_SET) < 0)
                return ErroArquivo("gravar", nomeDestino, errno);
            copiados_ = inicioPeca;
            if (inicioPeca == 0) inicio_.clear();
            origem.Trocar(AbrirPeca(*pecaHost));
        }
    }

    // The progress of a run, one position per block as if moved one by one.
    void Avancar(std::size_t n, off_t& offset, int32_t& resta, int32_t tamanho) {
        for (std::size_t feito = 0; feito < n; feito += tamanhoBloco) {
            copiados_ += std::min<int64_t>(tamanhoBloco, static_cast<int64_t>(n - feito));
            if (obs_) obs_->Posicao(PosicaoProgresso(copiados_, tamanho));
        }
        offset += static_cast<off_t>(n);
        resta -= static_cast<int32_t>(n);
    }

    bool RepetirLeitura() {
        ui_.CursorNormal();
        bool sim = ui_.Mensagem("Erro",
                                "Problemas durante a leitura do arquivo. Deseja repetir a operação ???"_ansi,
                                tipoRepetir) == respostaSim;
        if (sim) ui_.CursorOcupado();
        return sim;
    }

    Interacao& ui_;
    ObservadorRestauracao* obs_;
    RitmoEventos ritmo_;
    std::optional<TabelaPerfil> rotulo_;
    std::string caminhoRotulo_;
    int disco_ = 1;
    int64_t copiados_ = 0;
    bool copiaNoNucleo_ = true;
    std::string inicio_; // the file's first bytes: is it a program?
    std::vector<char> buffer_ = std::vector<char>(std::size_t{tamanhoBloco} * blocosPorLeitura);
};

} // namespace

std::set<std::string>& ArquivosRestaurados() {
    return restaurados;
}

int PosicaoProgresso(int64_t copiados, int32_t tamanho) {
    if (tamanho <= 0) return 100;
    double p = std::trunc(static_cast<double>(copiados) / tamanho * 100.0);
    return p >= 100.0 ? 100 : p <= 0.0 ? 0 : static_cast<int>(p);
}

void BarraExtracao::Progresso(TTipoProgresso tipo, int32_t tamanho) {
    switch (tipo) {
    case tpMembro:
        minimo = 1;
        posicao = 1;
        maximo = tamanho / 32768 > 1 ? tamanho / 32768 : 1;
        // A member under one report's worth fills its bar at once.
        if (tamanho < 32768 && posicao < maximo) ++posicao;
        break;
    case tpPasso:
        if (posicao < maximo) ++posicao;
        break;
    case tpFim:
        minimo = 1;
        maximo = 10;
        posicao = 1;
        break;
    }
}

FimRestauracao RestaurarArquivos(Interacao& ui, ObservadorRestauracao* observador) {
    restaurados.clear();
    // Only this run writes into the application's folder while it copies.
    ListagensMantidas listagens(CaminhoHost(DirBase).value_or(""));
    return Restauracao(ui, observador).Executar();
}

namespace {

struct Membro {
    std::string nome, host;
    uint32_t tamanho = 0, crc = 0;
    bool conhecido = false; // size and CRC in the local header
};

// The members the engine will write, recorded before it writes them (their
// folders created, files they replace kept). Unsafe names, which the engine
// refuses, are left out.
bool PrepararMembros(const TExtratorZip& extrator, const std::string& base, std::vector<Membro>& membros) {
    for (const TEntradaZip& e : extrator.Diretorio()) {
        std::string nome = e.nome;
        std::replace(nome.begin(), nome.end(), '\\', '/');
        bool inseguro = nome.empty() || nome[0] == '/';
        for (std::size_t i = 0; !inseguro && i <= nome.size();) {
            std::size_t f = std::min(nome.find('/', i), nome.size());
            inseguro = nome.compare(i, f - i, "..") == 0 && f - i == 2;
            i = f + 1;
        }
        if (inseguro) continue;
        const bool pasta = nome.back() == '/';
        const std::string host = SemBarra(base + "/" + nome);
        const std::string acima = pasta ? host : host.substr(0, host.rfind('/'));
        if (!CriarPastasRegistradas(acima)) return false;
        if (pasta) continue;
        Membro m{nome, host, e.tamanhoOriginal, e.crc32, (e.flags & 8) == 0};
        if (!GuardarAntigo(host)) return false;
        if (RegistroAberto()) {
            char crc[9];
            std::snprintf(crc, sizeof crc, "%08x", m.crc);
            if (!Registrar("membro", {NoRegistro(host), std::to_string(m.tamanho), crc})) return false;
        }
        membros.push_back(std::move(m));
    }
    return true;
}

// A member whose file holds other bytes than the archive's: the engine could
// not write it (the old file kept, a disk that filled).
bool MembroConfere(const Membro& m) {
    if (!m.conhecido) return true;
    int fd = open(m.host.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    int64_t tamanho = 0;
    uint32_t crc = 0;
    const bool ok = MedirArquivo(fd, tamanho, crc) && tamanho == m.tamanho && crc == m.crc;
    close(fd);
    return ok;
}

} // namespace

FimRestauracao DescompactarArquivos(Interacao& ui, TExtratorZip& extrator) {
    const auto base = CaminhoHost(DirBase);
    auto falhar = [&](const std::string& texto) {
        ui.CursorNormal();
        ui.Mensagem("Erro", texto, tipoErro);
        InstalacaoCancelada = true;
        return FimRestauracao::Erro;
    };
    for (std::size_t i = 0; i < ArquivosDescompactar.size() && !InstalacaoCancelada; ++i) {
        const std::string arquivo = CamposEntrada(ArquivosDescompactar, i).front();
        if (!ArquivoExiste(arquivo)) continue;
        // Only an archive this run restored into the application's folder is
        // extracted and deleted: never a file of the user's named by the list.
        const auto host = CaminhoHost(arquivo);
        if (!base || !host || !Dentro(*host, base) || !restaurados.count(*host)) continue;
        ui.CursorOcupado();
        try {
            extrator.DefinirArquivoZip(arquivo);
        } catch (const EErroZip& e) {
            // A damaged archive ends the run; it stays on disk to be looked at.
            ui.CursorNormal();
            ui.Mensagem("Erro", e.what(), tipoErro);
            InstalacaoCancelada = true;
            return FimRestauracao::Erro;
        }
        extrator.PastaExtracao = DirBase;
        extrator.OpcoesExtracao = {extrNomesPastas, extrSobrescrever};
        std::vector<Membro> membros;
        if ((RegistroAberto() && !Registrar("zip", {NoRegistro(*host)})) ||
            !PrepararMembros(extrator, SemBarra(*base), membros))
            return falhar("Não foi possível extrair o arquivo "_ansi + arquivo + ":\r" + TextoErroSistema(errno));
        std::string falha;
        const TEventoMensagem anterior = extrator.AoNotificar;
        extrator.AoNotificar = [&](TExtratorZip& z, int32_t codigo, const std::string& texto) {
            if (falha.empty() && (codigo == ZENTUNZ_ERRO_GRAVACAO || codigo == ZENTUNZ_ERRO_DADOS ||
                                  codigo == ZENTUNZ_ERRO_LIMITE))
                falha = texto;
            if (anterior) anterior(z, codigo, texto);
        };
        try {
            extrator.Extrair();
        } catch (const std::exception&) {
            ui.CursorNormal();
            ui.Mensagem("Erro", "Erro fatal no módulo de descompactação. Operação abortada."_ansi, tipoErro);
        }
        extrator.AoNotificar = anterior;
        // Stopped on purpose: the caller knows whether the run goes on.
        if (InstalacaoCancelada) break;
        if (extrator.ResultadoExtracao() == ZENTUNZ_INTERROMPIDO) membros.clear();
        for (const Membro& m : membros)
            if (falha.empty() && !MembroConfere(m)) falha = m.nome;
        // A member that did not land whole means the application is not there.
        if (!falha.empty())
            return falhar("Não foi possível extrair o arquivo "_ansi + arquivo + " (" + NomeHostPara1252(*host) +
                          "):\r" + NomeHostPara1252(falha));
        if (RegistroAberto()) Registrar("removido", {NoRegistro(*host)});
        ApagarArquivo(arquivo);
        ui.CursorNormal();
    }
    return InstalacaoCancelada ? FimRestauracao::Cancelada : FimRestauracao::Concluida;
}

FimRestauracao RestaurarInstalacao(Interacao& ui, ObservadorRestauracao* observador) {
    FimRestauracao fim = RestaurarArquivos(ui, observador);
    if (fim != FimRestauracao::Concluida || InstalacaoCancelada) return fim;
    TExtratorZip extrator(ui);
    RitmoEventos ritmo(ui);
    extrator.AoProgredir = [&](TExtratorZip&, TTipoProgresso tipo, const std::string& membro,
                               int32_t tamanho) {
        if (observador) observador->Extracao(tipo, membro, tamanho);
        ritmo.Talvez();
    };
    return DescompactarArquivos(ui, extrator);
}

std::string TextoErroSistema(int erro) {
    switch (erro) {
    case ENOENT: return "O arquivo ou a pasta não existe."_ansi;
    case ENOTDIR: return "Uma parte do caminho não é uma pasta."_ansi;
    case EISDIR: return "O caminho é uma pasta, não um arquivo."_ansi;
    case EACCES:
    case EPERM: return "Acesso negado."_ansi;
    case EROFS: return "O disco está protegido contra gravação."_ansi;
    case ENOSPC: return "Não há espaço suficiente no disco."_ansi;
    case EDQUOT: return "A cota de disco do usuário foi excedida."_ansi;
    case EIO: return "Erro de leitura ou gravação no dispositivo."_ansi;
    case ENAMETOOLONG: return "O nome do arquivo é longo demais."_ansi;
    case EMFILE:
    case ENFILE: return "Há arquivos abertos demais."_ansi;
    case EFBIG: return "O arquivo é grande demais para o disco."_ansi;
    case EBUSY:
    case ETXTBSY: return "O arquivo está em uso."_ansi;
    case EEXIST: return "O arquivo já existe."_ansi;
    case ELOOP: return "O caminho passa por vínculos demais."_ansi;
    case EINVAL: return "O arquivo não é um arquivo comum."_ansi;
    case 0: return "Motivo desconhecido."_ansi;
    default: return "Erro do sistema "_ansi + std::to_string(erro) + ".";
    }
}
