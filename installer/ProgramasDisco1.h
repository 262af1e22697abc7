// The programs disk 1 carries: zentrava and its engine, stripped of debug
// information; for a self-contained set also every shared library they load
// that a desktop without Qt 6 may lack, Qt's xcb platform plugin and a
// qt.conf, all found beside the program through RUNPATH and qt.conf.
// Messages are Windows-1252 texts; host paths are UTF-8.
#pragma once

#include "CopiaPrivada.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct ProgramaDisco1 {
    std::filesystem::path origem;
    std::filesystem::path destino; // relative to the disk's folder
    std::string runpath;           // set on the copy when not empty
};

// What the target is expected to have: the C library, the X11/xcb client
// libraries and the GL libraries (the ones its drivers match).
bool BibliotecaDoSistema(std::string_view soname);

// The list, checked before anything is written: the programs in `pasta`
// (the engine beside them, else the one this process runs with) and, when
// `autonomo`, their libraries by `ldd` and the xcb plugin.
std::optional<std::string> ListarProgramasDisco1(const std::filesystem::path& pasta, bool autonomo,
                                                 std::vector<ProgramaDisco1>& lista);

// Copies into `pasta` (below each one's destination), stripped where `strip`
// can and with its RUNPATH; `avisos` gets what could not be stripped.
std::optional<std::string> PrepararProgramasDisco1(const std::vector<ProgramaDisco1>& lista,
                                                   const std::filesystem::path& pasta,
                                                   std::vector<std::string>& avisos);

// The oldest glibc the prepared copies run on ("2.35"), by the symbol
// versions they ask for; empty when `objdump` cannot tell.
std::string GlibcNecessaria(const std::vector<ProgramaDisco1>& lista, const std::filesystem::path& pasta);

// qt.conf beside zentrava: the plugins below the libraries' folder.
std::string TextoQtConf();
