// CopiaPrivada: lets the disks of a set be swapped in their drive. A program
// that runs from the first disk keeps that medium busy (its image and its
// engine are mapped from it, and the shell may have left the current folder
// there), so `umount` fails at the next disk's prompt. Before any disk change
// the program therefore goes on from a copy of itself and its engine in a
// private temporary folder, by exec: the same process, so whoever started it
// keeps the windows' owner and the exit status.
#pragma once

#include <optional>
#include <string>
#include <vector>

// The folder beside the program where a self-contained set carries its
// libraries (and Qt's plugins below it), found through RUNPATH and qt.conf.
inline constexpr const char* pastaBibliotecas = "zentrava-lib";

// First thing in main, before any window or display. Returns when the
// program goes on as it is: it already is the copy, nothing needs one (a
// single disk on a fixed drive, or neither the program nor its engine on the
// disks' file system), or the copy could not be made (said on standard
// error; the installation still runs from the disk). `argumento` is the
// classic first argument, argv[1]; a "/D" folder relative to the current
// folder is made absolute in both when the current folder changes.
void ContinuarDeCopiaPrivada(char** argv, std::optional<std::string>& argumento);

// The host folder of the program the user started: the original's, when this
// is the private copy.
std::string PastaDoPrograma();

// The copy's folder (host path), empty when this is no copy.
const std::string& PastaCopiaPrivada();

// The program image and the engine this process runs (host paths): the
// files to copy when the installer keeps a copy of itself, since the disk
// they came from may be out of the drive by then.
std::string ExecutavelEmUso();
std::string MotorEmUso();

// What else the program in `pastaPrograma` needs to run from a copy: in a
// self-contained set, qt.conf and every file of the libraries' folder
// (names relative to `pastaPrograma`, folders before their files); empty
// when the program uses the system's libraries.
std::vector<std::string> ArquivosAutonomos(const std::string& pastaPrograma);
