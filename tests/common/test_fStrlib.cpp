#include "fStrlib.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

TEST(fStrlib, PartesEsquerdaEDireita) {
    EXPECT_EQ(Esquerda("abc", 0), "");
    EXPECT_EQ(Direita("abc", 0), "");
    EXPECT_EQ(Esquerda("abc", 5), "abc");
    EXPECT_EQ(Direita("abc", 5), "abc");
    EXPECT_EQ(Esquerda("abc", 2), "ab");
    EXPECT_EQ(Direita("c:\\dados\\", 1), "\\");
    EXPECT_EQ(Esquerda("a:\\setup", 2), "a:");
    const std::string longo = std::string(200, 'x') + std::string(100, 'y');
    EXPECT_EQ(Esquerda(longo, 255), longo.substr(0, 255));
    EXPECT_EQ(Direita(longo, 100), std::string(100, 'y'));
}

TEST(fStrlib, TirarEspacosSoRemoveOCaractere32) {
    EXPECT_EQ(TirarEspacos("   "), "");
    EXPECT_EQ(TirarEspacos("  a b  "), "a b");
    EXPECT_EQ(TirarEspacosEsq("  a "), "a ");
    EXPECT_EQ(TirarEspacosDir("  a "), "  a");
    EXPECT_EQ(TirarEspacos("\ta\t"), "\ta\t");
    EXPECT_EQ(TirarEspacos(""), "");
    // Beyond 255 characters nothing is cut.
    const std::string valor = std::string(300, 'v');
    EXPECT_EQ(TirarEspacos(std::string(10, ' ') + valor + std::string(270, ' ')), valor);
}

TEST(fStrlib, ReplicarCompletarEStrVazia) {
    EXPECT_EQ(Replicar(0, '*'), "");
    EXPECT_EQ(Replicar(-1, '*'), "");
    EXPECT_EQ(Replicar(INT16_MIN, '*'), "");
    EXPECT_EQ(Replicar(3, '*'), "***");
    EXPECT_EQ(CompletarEsq("7", 3, '0'), "007");
    EXPECT_EQ(CompletarEsq("1234", 3, '0'), "1234");
    EXPECT_EQ(CompletarEsq("", 2, ' '), "  ");
    EXPECT_EQ(CompletarEsq("ab", -5, '0'), "ab");
    EXPECT_EQ(CompletarEsq(std::string(300, 'x'), 3, '0'), std::string(300, 'x'));
    EXPECT_EQ(CompletarEsq("x", INT16_MAX, '0').size(), 32767u);
    EXPECT_TRUE(StrVazia(""));
    EXPECT_FALSE(StrVazia(" "));
}

TEST(fStrlib, ValorInteiroLeAteOPrimeiroCaractereInvalido) {
    EXPECT_EQ(ValorInteiro("12x"), 12);
    EXPECT_EQ(ValorInteiro(""), 0);
    EXPECT_EQ(ValorInteiro("   "), 0);
    EXPECT_EQ(ValorInteiro("  $1F"), 31);
    EXPECT_EQ(ValorInteiro("$ff"), 255);
    EXPECT_EQ(ValorInteiro("-$10"), -16);
    EXPECT_EQ(ValorInteiro("-12"), -12);
    EXPECT_EQ(ValorInteiro("+7"), 7);
    EXPECT_EQ(ValorInteiro(" 1 2"), 1);
    EXPECT_EQ(ValorInteiro("0042"), 42);
    // Only spaces are skipped.
    EXPECT_EQ(ValorInteiro("\t5"), 0);
    // A sign or "$" without digits reads nothing.
    EXPECT_EQ(ValorInteiro("-"), 0);
    EXPECT_EQ(ValorInteiro("-x"), 0);
    EXPECT_EQ(ValorInteiro("+"), 0);
    EXPECT_EQ(ValorInteiro("$"), 0);
    EXPECT_EQ(ValorInteiro("$g"), 0);
    EXPECT_EQ(ValorInteiro("--1"), 0);
}

TEST(fStrlib, ValorInteiroForaDaFaixa) {
    EXPECT_EQ(ValorInteiro("2147483647"), INT32_MAX);
    EXPECT_EQ(ValorInteiro("-2147483648"), INT32_MIN);
    EXPECT_EQ(ValorInteiro("2147483648"), INT32_MAX);
    EXPECT_EQ(ValorInteiro("-2147483649"), INT32_MIN);
    EXPECT_EQ(ValorInteiro(std::string(400, '9')), INT32_MAX);
    EXPECT_EQ(ValorInteiro("-" + std::string(400, '9') + "x"), INT32_MIN);
    // Hexadecimal is a 32-bit pattern, as colour values are written.
    EXPECT_EQ(ValorInteiro("$FFFFFFFF"), -1);
    EXPECT_EQ(ValorInteiro("$80000000"), INT32_MIN);
    EXPECT_EQ(ValorInteiro("$00FF0000"), 0x00FF0000);
    EXPECT_EQ(ValorInteiro("-$80000000"), INT32_MIN);
    EXPECT_EQ(ValorInteiro("$" + std::string(40, 'F')), -1);
    EXPECT_EQ(ValorInteiro("$000000000000001"), 1);
}

TEST(fStrlib, AlfabetosSaoPermutacoesDoSimples) {
    ASSERT_EQ(alfabetoSimples.size(), 91u);
    EXPECT_EQ(alfabetoSimples.substr(0, 29), "!#$%&()*+,-./:;<=>?@[\\]^_{|}~");
    EXPECT_EQ(alfabetoSimples.substr(29, 10), "0123456789");
    for (char c = 33; c < 127; ++c)
        EXPECT_EQ(alfabetoSimples.find(c) == std::string_view::npos,
                  c == '"' || c == '\'' || c == '`')
            << c;
    std::string ordenado(alfabetoSimples);
    std::sort(ordenado.begin(), ordenado.end());
    for (std::string_view a : {alfabetoA, alfabetoB}) {
        std::string s(a);
        std::sort(s.begin(), s.end());
        EXPECT_EQ(s, ordenado);
    }
    for (std::size_t k = 0; k < 91; ++k) {
        EXPECT_NE(alfabetoA[k], alfabetoSimples[k]) << k;
        EXPECT_NE(alfabetoB[k], alfabetoSimples[k]) << k;
        EXPECT_NE(alfabetoA[k], alfabetoB[k]) << k;
    }
}

TEST(fStrlib, EmbaralharAlternaAlfabetoAOPalavra) {
    // Pins the stored format: a change of alphabet would make every station
    // unable to read the others' messages.
    EXPECT_EQ(EmbaralharTexto("Ola mundo  ANA", 0), "1hT 5Y{rJ  #Z#");
    const std::string limpo(alfabetoSimples);
    EXPECT_EQ(EmbaralharTexto(limpo, 0), alfabetoA);
    EXPECT_EQ(EmbaralharTexto("x " + limpo, 0),
              EmbaralharTexto("x", 0) + " " + std::string(alfabetoB));
    EXPECT_EQ(EmbaralharTexto("x y " + limpo, 0).substr(4), alfabetoA);
    // Every space flips, also several in a row.
    EXPECT_EQ(EmbaralharTexto("  " + limpo, 0).substr(2), alfabetoA);
    EXPECT_EQ(EmbaralharTexto("   " + limpo, 0).substr(3), alfabetoB);
    EXPECT_EQ(EmbaralharTexto(std::string(alfabetoA), 1), limpo);
    EXPECT_EQ(EmbaralharTexto("a " + std::string(alfabetoB), 1).substr(2), limpo);
}

TEST(fStrlib, EmbaralharDeixaForaDoAlfabetoNoLugar) {
    // Windows-1252: \xE7 ç, \xE3 ã, \xC9 É, \xFC ü, \xFF ÿ, \x80 €.
    const std::string fora = "\"'`\t\r\n\x01\xE7\xE3\xC9\xFC\xFF\x80 \"'`\xE7\xE3";
    EXPECT_EQ(EmbaralharTexto(fora, 0), fora);
    EXPECT_EQ(EmbaralharTexto(fora, 1), fora);
    const std::string misto = "a\xE7\xE3o \"\xC9\"";
    const std::string r = EmbaralharTexto(misto, 0);
    EXPECT_EQ(r.substr(1, 2), "\xE7\xE3");
    EXPECT_NE(r[0], 'a');
    EXPECT_EQ(r.substr(4), " \"\xC9\"");
    EXPECT_EQ(EmbaralharTexto(r, 1), misto);
    EXPECT_EQ(EmbaralharTexto("", 0), "");
}

TEST(fStrlib, EmbaralharIdaEVoltaEmTodosOsBytes) {
    std::string todos;
    for (int c = 0; c < 256; ++c)
        todos += static_cast<char>(c);
    // Each byte in an odd word and in an even word, with runs of spaces.
    for (const std::string& texto : {todos, "w " + todos, "  " + todos + "   " + todos}) {
        const std::string e = EmbaralharTexto(texto, 0);
        ASSERT_EQ(e.size(), texto.size());
        EXPECT_NE(e, texto);
        for (std::size_t i = 0; i < texto.size(); ++i)
            EXPECT_EQ(e[i] == ' ', texto[i] == ' ');
        EXPECT_EQ(EmbaralharTexto(e, 1), texto);
        EXPECT_EQ(EmbaralharTexto(EmbaralharTexto(texto, 1), 0), texto);
    }
    // Scrambling twice is not unscrambling.
    EXPECT_NE(EmbaralharTexto(EmbaralharTexto("Mensagem secreta", 0), 0), "Mensagem secreta");
}
