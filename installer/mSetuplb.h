// mSetuplb: the installer's setup library. The installation settings and
// directories that the command line and the command file zentrava.cmd fill,
// the four action lists, the macros and the one rule by which every list entry
// is read, the check that an installation disk is present, the start-up that
// ties them together, and the uninstall log.
//
// Module-level state, one set per run: the installer is single-threaded and
// every routine here runs on its user-interface thread. Texts are
// Windows-1252 bytes; paths are DOS paths (plataforma/Unidades.h). Every
// message to the user goes through the Interacao given; nothing is thrown.
#pragma once

#include "Interacao.h"
#include "Perfil.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A colour as 0x00BBGGRR; 0x80000000 + index names a system colour of the
// desktop, 0x1FFFFFFF is "clNone". The windows turn it into pixels.
using TCor = uint32_t;
inline constexpr TCor corSistema = 0x80000000u;
inline constexpr TCor clNone = 0x1FFFFFFFu;
inline constexpr TCor clWhite = 0xFFFFFFu, clBlue = 0xFF0000u, clRed = 0x0000FFu,
                      clAqua = 0xFFFF00u, clBlack = 0u;

// ---- Installation settings (section "Info" of the command file) ----
extern std::string Titulo;          // "Titulo": first 35 characters, trimmed
extern TCor CorTitulo;              // "Cor Titulo"
extern TCor CorSombra;              // "Cor Sombra"
extern std::string SubTitulo;       // "Sub-Titulo": first 60, trimmed
extern std::string Rodape;          // "Rodape": first 60, trimmed
extern TCor CorSubTitulo;           // "Cor Sub-Titulo"
extern TCor CorFundo1, CorFundo2;   // "Cor de Fundo 1", "Cor de Fundo 2"
extern std::string Instalacao;      // the installation code: first 6, trimmed
extern std::string DirBase;         // suggested folder; the full destination once chosen
extern int16_t TotalDiscos;
extern int16_t TotalArquivos;
extern int32_t TotalBytes;
extern std::string GrupoPrograma;   // "Grupo de Programa", as read

// ---- Directories (DOS paths) ----
extern std::string DirInstalador;   // the installer's folder, final backslash
extern std::string DirOrigem;       // where zentrava.001 is
extern std::string DirDisco;        // the disk in use
extern std::string PastaDesinstalacaoHost; // "/X" with a host path: that path, its case kept
extern std::string DirWindows;      // no final backslash
extern std::string DirSistema;      // no final backslash

extern bool InstalacaoCancelada;

// ---- The four lists: "key=value" texts in file order ----
extern std::vector<std::string> ItensGrupo;           // "Itens do Grupo"
extern std::vector<std::string> ArquivosDescompactar; // "Descompactar Arquivos"
extern std::vector<std::string> ArquivosINI;          // "Configurar Arquivos INI"
extern std::vector<std::string> ArquivosExecutar;     // "Executar Arquivos"
void CriarListas();
void LiberarListas();

// Every setting back to its default and the flag cleared (a new run, or a test).
void RestaurarConfiguracao();

void LerDiretoriosWindows();

// Reads the settings and lists. False when the file is missing, unreadable,
// is no command file (no "Info" section, binary content) or a colour is
// neither a name nor a number; the settings read before the failure keep the
// values they got. The hourglass is shown while it reads.
bool LerArquivoComandos(Interacao& ui, std::string_view arquivoDos);

// The key and value of every entry of a list section of an INI text, in file
// order: a key met again and an empty value give no entry.
std::vector<std::pair<std::string, std::string>> EntradasSecao(std::string_view conteudo,
                                                               std::string_view secao);
std::vector<std::pair<std::string, std::string>> EntradasSecao(const plataforma::TabelaPerfil& tabela,
                                                               std::string_view secao);

// A colour name (without regard to case) or an integer, decimal or "$" and
// hexadecimal digits; nullopt for anything else.
std::optional<TCor> ConverterCor(std::string_view texto);

// "@DIRBASE" (with the character after it), "@WINDIR", "@SYSDIR", in that
// order, give DOS paths. "@PASTABASE", "@PASTAWINDOWS", "@PASTASISTEMA" give
// the host paths of the same folders (for Linux programs), without a final
// slash and with their case kept when `minusculas` lowers the rest; a macro
// name inside an inserted directory is never expanded.
void ExpandirMacros(std::string& texto, bool minusculas = false);
// The host path of a DOS folder as a text of the program, no final slash;
// empty when no drive maps it.
std::string PastaHost(std::string_view dos);

// The fields of entry `indice` (from 0) of a list, read the one way every
// user of a list reads them: the "item" + number + "=" prefix removed by its
// length, split at commas, each field's macros expanded, and fields 2 and
// later in lower case when `camposMinusculos` (every list but the archives').
std::vector<std::string> CamposEntrada(std::string_view entrada, std::size_t indice,
                                       bool camposMinusculos);
// The same for entry `indice` of one of the four lists above.
std::vector<std::string> CamposEntrada(const std::vector<std::string>& lista,
                                       std::size_t indice);

// "zentrava." + the disk number in three digits.
std::string NomeRotuloDisco(int disco);

// True when disk `disco` is available: image folders "DISCO.nnn" are moved to
// without a question (true even when the folder is missing); otherwise the
// label file is asked for until it appears or the user cancels (false).
bool VerificarDisco(Interacao& ui, char letra, int disco);

// The folder after "/D" or "/X" (argumento holds the switch), as the command
// line gives it (host bytes): a host path (it starts with '/') goes through
// the drive table, and one that no drive maps gives the empty text; anything
// else is a DOS path. Upper case, final backslash.
std::string PastaDoArgumento(std::string_view argumento);

// The start-up of the installer, before any window is shown. `dirInstalador`
// is the DOS folder of the executable; `argumento` the first command-line
// argument as the host gives it (UTF-8), if any: "/D" or "/X" and a DOS path,
// or a host path starting with '/', taken through the drive table. Shows the
// fatal messages itself.
enum class Partida {
    Instalar,    // settings and lists read, first disk present
    Desinstalar, // "/X": DirDisco names the folder of the uninstall log
    Encerrar,    // a fatal message was shown; the program ends at once
};
Partida IniciarInstalador(Interacao& ui, std::string_view dirInstalador,
                          std::optional<std::string_view> argumento);

// ---- The uninstall log zentrava.log: one record of 1133 bytes ----
inline constexpr std::size_t tamanhoLogDesinstalacao = 1133;
struct LogDesinstalacao {
    std::string titulo;    // unscrambled
    std::string grupo;
    std::string dirBase;   // lower case, final backslash
    std::string dirOrigem; // lower case
};
// The record of the settings in force, byte for byte.
std::string RegistroLogDesinstalacao();
// Replaces the file atomically; false when it cannot be written.
bool GravarLogDesinstalacao(Interacao& ui, std::string_view arquivoDos);
// False when the file is missing, is not 1133 bytes, does not start with 26,
// or holds a length beyond its field.
bool LerLogDesinstalacao(Interacao& ui, std::string_view arquivoDos, LogDesinstalacao& log);
