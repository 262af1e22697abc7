#include "Texto1252.h"

#include <gtest/gtest.h>

using namespace plataforma;
using namespace plataforma::literais;

TEST(Texto1252, LiteralAnsiConverteEmTempoDeCompilacao) {
    EXPECT_EQ("Atenção"_ansi, std::string("Aten\xE7\xE3o"));
    EXPECT_EQ("€ – “x”"_ansi, std::string("\x80 \x96 \x93x\x94"));
    EXPECT_EQ("日"_ansi, "?");
    EXPECT_EQ(""_ansi, "");
}

TEST(Texto1252, TodoByteVaiEVoltaPorUtf8) {
    std::string todos;
    for (int b = 0; b < 256; ++b)
        todos += static_cast<char>(b);
    std::string utf8 = Cp1252ParaUtf8(todos);
    EXPECT_EQ(Utf8Para1252(utf8), todos);
    EXPECT_EQ(Cp1252ParaUtf8("\x80\x9F\xE7"), "€Ÿç");
    EXPECT_EQ(CodigoDe1252(0x81), U'\u0081');
    EXPECT_EQ(ByteDe1252(U'\u2122'), 0x99);
    EXPECT_EQ(ByteDe1252(U'\u0100'), -1);
}

TEST(Texto1252, ForaDaTabelaOuMalFormadoViraInterrogacao) {
    EXPECT_EQ(Utf8Para1252("a日本b😀"), "a??b?");
    EXPECT_EQ(Utf8Para1252("\xC3"), "?");                // truncated
    EXPECT_EQ(Utf8Para1252("\xC3("), "?(");              // the next character survives
    EXPECT_EQ(Utf8Para1252("\xC0\xAF"), "??");           // overlong
    EXPECT_EQ(Utf8Para1252("\xED\xA0\x80"), "???");      // surrogate
    EXPECT_EQ(Utf8Para1252("\xF4\x90\x80\x80"), "????"); // beyond U+10FFFF
}

TEST(Texto1252, CaixaDasLetrasAcentuadas) {
    EXPECT_EQ(Maiusculas1252("ação é ñ þ"_ansi), "AÇÃO É Ñ Þ"_ansi);
    EXPECT_EQ(Minusculas1252("AÇÃO É Ñ Þ"_ansi), "ação é ñ þ"_ansi);
    EXPECT_EQ(Maiusculas1252("šœžÿ"_ansi), "ŠŒŽŸ"_ansi);
    EXPECT_EQ(Minusculas1252("ŠŒŽŸ"_ansi), "šœžÿ"_ansi);
    // Signs and letters without a case pair stay.
    EXPECT_EQ(Maiusculas1252("÷ßµ"_ansi), "÷ßµ"_ansi);
    EXPECT_EQ(Minusculas1252("×"_ansi), "×"_ansi);
    EXPECT_TRUE(IguaisSemCaixa("JOSÉ"_ansi, "josé"_ansi));
    EXPECT_FALSE(IguaisSemCaixa("JOSE", "josé"_ansi));
    EXPECT_FALSE(IguaisSemCaixa("abc", "abcd"));
}
