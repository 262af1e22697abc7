/* zentunz: the zip extraction engine of the installer.
 *
 * One call extracts the members of one archive into the process's current
 * folder. The caller fills a ZentunzParametros record and passes its address;
 * during the call the engine reports through the caller's routine, on the
 * caller's thread, and stops as soon as that routine returns -1.
 *
 * Texts crossing this interface are NUL-terminated Windows-1252 bytes: the
 * archive name is a DOS path (resolved through the drive table in its file,
 * read again at every call), the requested member names (especificacoes) take '*'
 * and '?' as wildcards, '/' and '\' alike, compared without regard to case.
 * Booleans are -1 (true) and 0 (false).
 *
 * Members are never written outside the current folder: names that are
 * absolute, carry a drive or a colon, hold a ".." component or a control
 * character are refused, as are symbolic links, members that could not be
 * written without following a link already on disk, and members beyond the
 * size limits below. An archive whose members share bytes is refused whole,
 * before anything is written. A member is written to a temporary file beside
 * its destination (unnamed where the file system allows, so that a killed
 * extraction leaves nothing) and linked or renamed into place only once
 * complete, its CRC checked and its mode set, so a failed or interrupted
 * member never leaves a partial file under its real name.
 *
 * Memory: a member of up to 64 MiB is inflated whole, in scratch memory of
 * at most twice that, kept until the call returns; a larger one streams
 * through about 600 KiB, whatever its size.
 *
 * A member keeps the permission bits of the Unix mode the archive carries
 * (never setuid, setgid or sticky); without one, a member that starts as a
 * script ("#!") or an ELF program gets the execute bits wherever it can be
 * read. The process's creation mask applies to both.
 */
#ifndef ZENTUNZ_H
#define ZENTUNZ_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define ZENTUNZ_MAX_ESPECIFICACOES 4097
#define ZENTUNZ_TAMANHO_TEXTO 1024

/* Report actions. */
#define ZENTUNZ_ACAO_INICIO 1    /* a member begins: texto = name, tamanho = size */
#define ZENTUNZ_ACAO_PASSO 2     /* once per 32768 bytes written of the member */
#define ZENTUNZ_ACAO_FIM 3       /* end of the batch (not sent after a stop) */
#define ZENTUNZ_ACAO_MENSAGEM 4  /* codigoErro and texto say what went wrong */

#define ZENTUNZ_BYTES_POR_PASSO 32768

/* Error codes of action 4. */
#define ZENTUNZ_ERRO_ARQUIVO 1       /* the archive cannot be opened or read */
#define ZENTUNZ_ERRO_NOME 2          /* unsafe member name, refused */
#define ZENTUNZ_ERRO_LINK 3          /* symbolic link member, refused */
#define ZENTUNZ_ERRO_LIMITE 4        /* beyond a size or ratio limit, refused */
#define ZENTUNZ_ERRO_DADOS 5         /* CRC or data error, member not kept */
#define ZENTUNZ_ERRO_GRAVACAO 6      /* the member could not be written */
#define ZENTUNZ_ERRO_EXISTENTE 7     /* file exists and overwrite is off: kept */
#define ZENTUNZ_ERRO_SUPORTE 8       /* encrypted or unknown compression method */
#define ZENTUNZ_ERRO_ESPECIFICACAO 9 /* a requested member name matched nothing */
#define ZENTUNZ_ERRO_SOBREPOSICAO 10 /* members share bytes: archive refused whole */

/* Limits. A member above ZENTUNZ_LIMITE_MEMBRO also would not fit the signed
 * 32-bit size of the report. Deflate cannot pass about 1032:1, so the ratio
 * limit only stops other methods and forged sizes. */
#define ZENTUNZ_LIMITE_MEMBRO 2147483647LL
#define ZENTUNZ_LIMITE_TOTAL (8LL * 1024 * 1024 * 1024)
#define ZENTUNZ_LIMITE_RAZAO 1100
#define ZENTUNZ_RAZAO_A_PARTIR_DE (1024LL * 1024) /* members smaller are not checked */

/* Results of zentunz_extrair. */
#define ZENTUNZ_OK 0              /* every selected member extracted (or skipped by update/freshen) */
#define ZENTUNZ_AVISOS 1          /* done, but some members were refused or failed (action 4 each) */
#define ZENTUNZ_INTERROMPIDO 2    /* the report routine returned -1 */
#define ZENTUNZ_ERRO_ABERTURA 3   /* the archive could not be opened or was refused whole (action 4) */
#define ZENTUNZ_PARAMETROS 4      /* invalid record: null pointer or count out of range */
#define ZENTUNZ_FALHA_INTERNA 5   /* the engine itself failed (out of memory and the like) */

typedef struct ZentunzRelato ZentunzRelato;
typedef int32_t (*ZentunzRotinaRelato)(ZentunzRelato* relato);

/* The fields in record order; the pointer types are parameters so that the
 * 32-bit layout can be checked on any build (see the static_asserts). */
#define ZENTUNZ_CAMPOS_RELATO(PCHAMADOR)                                                          \
    int32_t naoLido0;                                                                              \
    PCHAMADOR chamador;                                                                            \
    int32_t naoLido8;                                                                              \
    int32_t naoLido12;                                                                             \
    int32_t acao;                                                                                  \
    int32_t codigoErro;                                                                            \
    int32_t tamanho;                                                                               \
    char texto[ZENTUNZ_TAMANHO_TEXTO];

#define ZENTUNZ_CAMPOS_PARAMETROS(PCHAMADOR, PROTINA, PTEXTO)                                     \
    int32_t constante0;                                                                            \
    PCHAMADOR chamador;                                                                            \
    int32_t constante110;                                                                          \
    PROTINA rotinaRelato;                                                                          \
    int32_t rastrear;                                                                              \
    int32_t naoDefinido20;                                                                         \
    int32_t opcao24;                                                                               \
    int32_t opcao28;                                                                               \
    int32_t opcao32;                                                                               \
    int32_t opcao36;                                                                               \
    int32_t opcao40;                                                                               \
    int32_t detalhado;                                                                             \
    int32_t atualizar;                                                                             \
    int32_t renovar;                                                                               \
    int32_t nomesPastas;                                                                           \
    int32_t sobrescrever;                                                                          \
    int32_t qtdEspecificacoes;                                                                     \
    PTEXTO nomeArquivo;                                                                            \
    int32_t constante7;                                                                            \
    PTEXTO especificacoes[ZENTUNZ_MAX_ESPECIFICACOES];

struct ZentunzRelato {
    ZENTUNZ_CAMPOS_RELATO(void*)
};

typedef struct ZentunzParametros {
    ZENTUNZ_CAMPOS_PARAMETROS(void*, ZentunzRotinaRelato, const char*)
} ZentunzParametros;

/* Extracts as the record says; returns one of the results above. */
int32_t zentunz_extrair(const ZentunzParametros* parametros);

#ifdef __cplusplus
} /* extern "C" */

namespace zentunz_layout {
// The same fields with 4-byte stand-ins for the pointers: the 32-bit layout.
struct Relato32 {
    ZENTUNZ_CAMPOS_RELATO(uint32_t)
};
struct Parametros32 {
    ZENTUNZ_CAMPOS_PARAMETROS(uint32_t, uint32_t, uint32_t)
};
constexpr bool b32 = sizeof(void*) == 4;
} // namespace zentunz_layout

static_assert(offsetof(zentunz_layout::Relato32, chamador) == 4);
static_assert(offsetof(zentunz_layout::Relato32, acao) == 16);
static_assert(offsetof(zentunz_layout::Relato32, codigoErro) == 20);
static_assert(offsetof(zentunz_layout::Relato32, tamanho) == 24);
static_assert(offsetof(zentunz_layout::Relato32, texto) == 28);
static_assert(offsetof(zentunz_layout::Parametros32, chamador) == 4);
static_assert(offsetof(zentunz_layout::Parametros32, constante110) == 8);
static_assert(offsetof(zentunz_layout::Parametros32, rotinaRelato) == 12);
static_assert(offsetof(zentunz_layout::Parametros32, rastrear) == 16);
static_assert(offsetof(zentunz_layout::Parametros32, opcao40) == 40);
static_assert(offsetof(zentunz_layout::Parametros32, detalhado) == 44);
static_assert(offsetof(zentunz_layout::Parametros32, sobrescrever) == 60);
static_assert(offsetof(zentunz_layout::Parametros32, qtdEspecificacoes) == 64);
static_assert(offsetof(zentunz_layout::Parametros32, nomeArquivo) == 68);
static_assert(offsetof(zentunz_layout::Parametros32, constante7) == 72);
static_assert(offsetof(zentunz_layout::Parametros32, especificacoes) == 76);
static_assert(sizeof(zentunz_layout::Parametros32) == 76 + 4 * ZENTUNZ_MAX_ESPECIFICACOES);

// The native layout: the 32-bit one on a 32-bit build, the pointers widened
// to 8 bytes (and what follows them moved) on ours.
static_assert(zentunz_layout::b32 || sizeof(void*) == 8);
static_assert(offsetof(ZentunzRelato, chamador) == (zentunz_layout::b32 ? 4 : 8));
static_assert(offsetof(ZentunzRelato, acao) == (zentunz_layout::b32 ? 16 : 24));
static_assert(offsetof(ZentunzRelato, texto) == (zentunz_layout::b32 ? 28 : 36));
static_assert(offsetof(ZentunzParametros, rotinaRelato) == (zentunz_layout::b32 ? 12 : 24));
static_assert(offsetof(ZentunzParametros, rastrear) == (zentunz_layout::b32 ? 16 : 32));
static_assert(offsetof(ZentunzParametros, qtdEspecificacoes) == (zentunz_layout::b32 ? 64 : 80));
static_assert(offsetof(ZentunzParametros, nomeArquivo) == (zentunz_layout::b32 ? 68 : 88));
static_assert(offsetof(ZentunzParametros, constante7) == (zentunz_layout::b32 ? 72 : 96));
static_assert(offsetof(ZentunzParametros, especificacoes) == (zentunz_layout::b32 ? 76 : 104));
static_assert(sizeof(ZentunzParametros) ==
              (zentunz_layout::b32 ? 16464 : 104 + 8 * ZENTUNZ_MAX_ESPECIFICACOES));
#endif

#endif /* ZENTUNZ_H */
