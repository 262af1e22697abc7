// The disk label files zentrava.001, zentrava.002, ...: one INI section
// "Arquivo #n" per file whose data lies on the disk. The disk where a file
// starts holds its whole section; each later disk holds only the bytes of the
// file stored on it. Both the restore (reading) and the tool that builds disk
// sets (writing) use this unit, so the format lives in one place.
//
// Beyond the original format, two optional keys: "CRC32" (eight hexadecimal
// digits, the CRC-32 of this disk's piece) and "Modo" (octal Unix mode of the
// file, on the disk where it starts). Label files without them read as before.
#pragma once

#include "Perfil.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct SecaoArquivo {
    std::string nome;            // "Nome": destination folder (macros allowed) and name
    int32_t tamanho = 0;         // "Tamanho": all pieces together
    int32_t bytesSalvo = 0;      // "Bytes Salvo": the piece on this disk
    uint8_t qtdDiscos = 1;       // "Qtd.Discos": disks from the first one on
    std::optional<uint32_t> crc32; // "CRC32" of this disk's piece
    bool crc32Invalido = false;  // the key is there but is not eight hex digits
    std::optional<uint32_t> modo;  // "Modo", octal
};

// "Arquivo #" + n, without leading zeros.
std::string NomeSecaoArquivo(int n);

// Reads section n from a label file's content. `completa` false reads only
// what a continuation disk carries ("Bytes Salvo", "CRC32").
SecaoArquivo LerSecaoArquivo(std::string_view conteudo, int n, bool completa);
// The same from a label file parsed once, as the restore reads it.
SecaoArquivo LerSecaoArquivo(const plataforma::TabelaPerfil& rotulo, int n, bool completa);

// The section's text, CR LF lines, for a label file being written.
std::string TextoSecaoArquivo(const SecaoArquivo& secao, int n, bool completa);
