// The installer's changes to the system, after the files are restored: the
// INI entries, the programs started, the program group, and the uninstall
// that "/X" runs. Each walks its list of the setup library (mSetuplb) in
// order, reading every entry by the one list-entry rule, and shows its
// messages through the Interacao given.
#pragma once

#include "Interacao.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

// Writes field 4 under key field 3 of section field 2 into the INI file of
// field 1, for existing files only, each old value recorded first. False
// when a file could not be written (its message shown): the sequence stops.
bool AlterarArquivosINI(Interacao& ui);

// Starts field 1 + " " + field 3 with show-window code field 2, for existing
// programs only, without waiting. False when field 2 is not an integer: the
// message was shown and the sequence stops. Each start is recorded.
bool ExecutarArquivos(Interacao& ui);

// Field 2 of "Executar Arquivos" as the installer converts it: the whole text
// is the number (blanks before it, a sign, decimal digits, or "$" / "0x" and
// hexadecimal ones); nullopt otherwise.
std::optional<int32_t> InteiroEstrito(std::string_view texto);

// Sends "[CreateGroup(group)]" and one "[AddItem(command line,name)]" per item
// to the program group service. False when a command could not be sent: the
// message was shown; the caller frees the lists and ends the program at once.
bool CriarGrupodePrograma(Interacao& ui);

// A DOS path as a Linux user reads it in a message: "c:\\x (/home/ana/x)".
std::string ComHost(const std::string& dos);

// Test seams: what starts a program (WinExec) and what carries out a group
// command (the DDE execute). An empty function puts the real one back.
using IniciadorProgramas = std::function<bool(std::string_view linha, int mostrar)>;
using EnviadorComandos = std::function<bool(std::string_view comando)>;
void DefinirIniciadorProgramas(IniciadorProgramas iniciador);
void DefinirEnviadorComandos(EnviadorComandos enviador);
