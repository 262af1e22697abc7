// File services in DOS paths, with the behaviour of the Windows calls the
// programs were written against. Every call reports failure by its result and
// never throws; a path that no drive maps simply fails.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <sys/types.h>

namespace plataforma {

// Windows attribute bits.
inline constexpr int atrSomenteLeitura = 1; // no owner write bit, or the user may not write
inline constexpr int atrOculto = 2;         // name starts with a dot
inline constexpr int atrSistema = 4;        // never set here
inline constexpr int atrVolume = 8;         // never set here
inline constexpr int atrDiretorio = 16;
inline constexpr int atrArquivo = 32;       // regular file
inline constexpr int atrReparse = 1024;     // symbolic link; never followed

bool ArquivoExiste(std::string_view dos);   // a regular file (a link to one counts)
bool PastaExiste(std::string_view dos);     // a directory (a link to one counts)
bool CriarPasta(std::string_view dos);      // with its parents; true when it exists afterwards
bool RemoverPasta(std::string_view dos);    // empty directory only
bool ApagarArquivo(std::string_view dos);   // a file or a symbolic link, never a directory;
                                            // a read-only file is refused, as on Windows
bool RenomearArquivo(std::string_view de, std::string_view para); // fails when the target exists
int64_t TamanhoArquivo(std::string_view dos); // from a directory lookup; -1 when missing,
                                              // 0 for a folder or a link (not followed)
int Atributos(std::string_view dos);        // -1 when missing (the link itself is examined)
// Only read-only is carried out: clearing it adds the owner write bit, setting
// it removes every write bit (of files only: a folder would stop deletions).
bool DefinirAtributos(std::string_view dos, int atributos);

std::string PastaAtual();                   // DOS path of the process's current directory
bool DefinirPastaAtual(std::string_view dos);

struct EntradaBusca {
    std::string nome;          // as on disk (Windows-1252 bytes of the host name)
    int atributos = 0;
    int64_t tamanho = 0;
    int64_t modificado = 0;    // seconds since 1970 (UTC)
};

// FindFirst/FindNext: the pattern's last component holds the wildcards ('*'
// and '?', case-insensitive, "*.*" matches every name); "." and ".." come
// first, except at a drive root, as on Windows; the rest in case-insensitive
// order. An entry is returned when it has no hidden, system or directory bit
// outside the mask (the Windows rule): plain files and links always match, a
// directory needs 16, a dot name needs 2. Names holding a backslash are not listed.
// '*' any run of characters, '?' one character, letters without regard to case.
bool CoincideCuringa(std::string_view padrao, std::string_view nome);

class BuscaArquivos {
public:
    BuscaArquivos();
    ~BuscaArquivos();
    BuscaArquivos(const BuscaArquivos&) = delete;
    BuscaArquivos& operator=(const BuscaArquivos&) = delete;
    bool Primeiro(std::string_view padraoDos, int mascara, EntradaBusca& entrada);
    bool Proximo(EntradaBusca& entrada);
    void Fechar();

private:
    struct Estado;
    std::unique_ptr<Estado> estado_;
};

// A file opened "with no sharing allowed": an exclusive non-blocking flock, so a
// second opener (this process or another station) fails at once, or after
// `espera` when it is given and the file stays held. Held for one operation
// only: open, work, destroy. Only a regular file with one name opens: a
// symbolic link, a FIFO or a hard link planted in a shared folder is refused,
// so nothing outside the folder is written through it.
class ArquivoExclusivo {
public:
    enum class Modo { Existente, CriarSeFaltar };
    ArquivoExclusivo() = default;
    ~ArquivoExclusivo();
    ArquivoExclusivo(const ArquivoExclusivo&) = delete;
    ArquivoExclusivo& operator=(const ArquivoExclusivo&) = delete;

    bool Abrir(std::string_view dos, Modo modo, std::chrono::milliseconds espera = {});
    bool Aberto() const { return fd_ >= 0; }
    // The last Abrir failed only because another opener held the file.
    bool Ocupado() const { return ocupado_; }
    // The whole content; nullopt on a read error or when larger than limite.
    std::optional<std::string> Ler(std::size_t limite);
    // Truncates, then writes everything through the same handle.
    bool Substituir(std::string_view bytes);
    // Adds at the end; on failure the file is cut back to what it held.
    bool Acrescentar(std::string_view bytes);
    void Fechar();

private:
    bool TentarAbrir(const std::string& host, Modo modo);
    int fd_ = -1;
    bool ocupado_ = false;
};

// One-shot helpers over ArquivoExclusivo.
std::optional<std::string> LerArquivoExclusivo(std::string_view dos, std::size_t limite);
bool GravarArquivoExclusivo(std::string_view dos, std::string_view bytes); // creates when missing
// Writes beside the target and renames over it, so readers see the old or the
// new file whole and a failure leaves the old one untouched. The old file's
// mode is kept; a read-only target is refused; a link is replaced, not followed.
// The temporary file is locked while it lives; one left by a writer that was
// killed (its lock gone with it) is deleted by the next write of the target.
bool GravarArquivoAtomico(std::string_view dos, std::string_view bytes);
bool CriarArquivoVazio(std::string_view dos); // no lock; an existing file is truncated;
                                              // never through a symbolic or hard link

// The process's file creation mask; read through /proc where it can be, as
// umask() only reads it by setting it.
mode_t MascaraCriacao();

// A folder resolved once for many lookups of names that stand in it exactly as
// given (files this program created): each lookup is one system call and a
// missing name costs no more than a present one. For a poll.
class PastaResolvida {
public:
    bool Resolver(std::string_view pastaDos);
    // Size from a directory lookup (a link is not followed); -1 when missing.
    int64_t Tamanho(std::string_view nome) const;
    // The whole file, without a lock: for files only ever replaced by rename.
    // Falhou on a read error or when larger than limite.
    enum class Estado { Lido, Ausente, Falhou };
    Estado Ler(std::string_view nome, std::size_t limite, std::string& conteudo) const;

private:
    std::string Host(std::string_view nome) const;
    std::string host_;
};

} // namespace plataforma
