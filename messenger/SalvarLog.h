// SalvarLog: writes a message log to the text file the user chose, asking
// before it replaces one. The file is replaced whole or not at all, so a
// failed save leaves a previous file as it was. Texts are Windows-1252 bytes,
// paths DOS paths.
#pragma once

#include <string>
#include <string_view>

class Interacao;

// A name typed without an extension is a text file: ".txt" is added.
std::string CompletarExtensao(std::string_view caminho);

// texto: the log's lines joined by CR LF, written exactly so, to the path
// completed by CompletarExtensao. An existing file is replaced only when the
// user answers "&Sim"; a failure shows its error. True when written.
bool GravarLog(std::string_view texto, std::string_view caminho, Interacao& ui);
