// The texts the messenger keeps scrambled in its data (EmbaralharTexto,
// direction 0) and unscrambles each time it shows them, so the program's
// name is not lying in the executable as plain text.
#pragma once

#include "fStrlib.h"

#include <string>
#include <string_view>

inline constexpr std::string_view tituloEmbaralhado = "sThTq|W";

// "Falavox": the main window's caption and the splash.
inline std::string TituloPrograma() { return EmbaralharTexto(tituloEmbaralhado, desembaralhar); }
