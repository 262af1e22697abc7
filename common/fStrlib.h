// Text routines shared by both programs: left and right parts, trimming,
// filling on the left, integer reading and the reversible scrambling of the
// texts the programs store (message files, the uninstall log's title).
//
// Texts are Windows-1252 bytes. Counts are the widths the stored formats and
// callers use (Esquerda/Direita 0..255). Texts of any length are accepted: the
// trimming and padding routines work on the whole text, never cut it at 255;
// only Esquerda and Direita are limited by their count, so they return at
// most 255 characters.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

std::string Replicar(int16_t quantidade, char caractere); // empty when quantidade <= 0
std::string Esquerda(std::string_view texto, uint8_t n);  // the first n characters
std::string Direita(std::string_view texto, uint8_t n);   // the last n characters
std::string TirarEspacosEsq(std::string_view texto);      // leading spaces (32 only)
std::string TirarEspacosDir(std::string_view texto);      // trailing spaces (32 only)
std::string TirarEspacos(std::string_view texto);
bool StrVazia(std::string_view texto); // length 0; spaces are not empty
// The text with fill characters on its left up to largura; never cut.
std::string CompletarEsq(std::string_view texto, int16_t largura, char preenchimento);

// The number the text spells: leading spaces, an optional sign, then decimal
// digits or "$" and hexadecimal digits. Reading stops at the first other
// character; without any digit the result is 0 (sign not applied).
// Out of range: decimal saturates at INT32_MIN/INT32_MAX; hexadecimal is a
// 32-bit pattern ("$FFFFFFFF" is -1, as colour constants are written), and
// more than 32 significant bits saturate to all ones.
int32_t ValorInteiro(std::string_view texto);

// A substitution that switches between two alphabets at every space; spaces
// and characters outside the 91-character alphabet stay, the length is kept.
inline constexpr int embaralhar = 0;
inline constexpr int desembaralhar = 1;
// direcao 0 scrambles; any other value unscrambles.
std::string EmbaralharTexto(std::string_view texto, int direcao);

// The alphabets themselves, for callers and tests that must check the shared
// format: the plain one and the two substitutions, 91 characters each.
extern const std::string_view alfabetoSimples;
extern const std::string_view alfabetoA;
extern const std::string_view alfabetoB;
