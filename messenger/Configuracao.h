// The messenger's settings file falv.ini: the folder list (section "Pastas de
// Mensagens", one key per folder, name = path), the last session and the
// auto-create setting (section "Logon"), and the rules every folder entry
// follows. Texts are Windows-1252 bytes; paths are DOS paths. Failures are
// shown through the Interacao and the in-memory state stays usable.
#pragma once

#include "Interacao.h"
#include "Sessao.h"

#include <string>
#include <string_view>

inline constexpr std::size_t maxNomePasta = 15;

// The program's folder in lower case with a final backslash; empty when the
// executable's folder has no DOS path.
std::string PastaDoPrograma();
// Where the settings live for a program in `pastaPrograma` (DOS path, final
// backslash): falv.ini beside the program when one is there or the folder is
// writable (a copy in a user's folder, stations started from a shared drive);
// otherwise, as for an installed program, falv.ini in the user's
// configuration folder (PastaConfiguracaoFalv), created by the first save.
// The folder a package installs the program into never gets a new one.
// Empty when no DOS path names the file.
std::string ArquivoConfiguracao(const std::string& pastaPrograma = PastaDoPrograma());
// $XDG_CONFIG_HOME/falavox\ (default ~/.config) as a DOS path; empty when unmapped.
std::string PastaConfiguracaoFalv();

// A folder name as typed becomes this: blanks around it dropped, the first 15
// characters, upper case.
std::string NomeDePasta(std::string_view digitado);
// A folder path is kept in lower case with a final backslash (a drive root
// keeps its single one); an empty path stays empty.
std::string CaminhoDePasta(std::string_view caminho);
// Whether the name survives a round trip through the settings file: not empty,
// no control characters, no '=', not starting like a section or a comment.
bool NomeDePastaValido(std::string_view nome);
// Index of the folder of that name (case-insensitive), -1 when absent; `ignorar`
// skips one entry (the one being edited).
int IndicePasta(const Sessao& s, std::string_view nome, int ignorar = -1);

// Replaces the folder list with the file's; with `completa` also the last
// session and the auto-create setting. A missing file is no failure. An entry
// that breaks the rules of the list (empty path, a name repeated or unusable)
// is left out. On a failure what was read so far stays.
void CarregarConfiguracao(Sessao& s, const std::string& arquivoIni, bool completa, Interacao& ui);
// The dialog's OK: the folder list and the auto-create setting.
bool SalvarPastas(const Sessao& s, const std::string& arquivoIni, Interacao& ui);
// Program end: the folder list and the whole Logon section.
bool SalvarConfiguracao(const Sessao& s, const std::string& arquivoIni, Interacao& ui);
