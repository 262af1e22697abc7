// The text print stream's page layout and its jobs, on a recording device
// with a fixed-pitch font: 10 units a character ('W' 150, wider than the
// page), lines 12 high, tabs every 8 x 5 = 40; pages 100 x 100.
#include "FluxoTexto.h"
#include "InteracaoRoteirizada.h"
#include "Texto1252.h"

#include <gtest/gtest.h>

using namespace plataforma::literais;

namespace {

struct Metricas : MetricasFonte {
    int Largura(std::string_view t) const override {
        int l = 0;
        for (char c : t) l += c == 'W' ? 150 : 10;
        return l;
    }
    int Altura() const override { return 12; }
    int LarguraMedia() const override { return 5; }
};

struct Texto {
    int pagina, x, y;
    std::string texto;
    bool operator==(const Texto&) const = default;
};

struct Trabalho {
    std::string titulo;
    int paginas = 1;
    std::vector<Texto> textos;
    bool terminado = false;
};

std::ostream& operator<<(std::ostream& o, const Texto& t) {
    return o << "{p" << t.pagina << " " << t.x << "," << t.y << " '" << t.texto << "'}";
}

class Gravador : public FluxoImpressao {
public:
    std::vector<Trabalho> trabalhos;
    int falharDesenhoNumero = 0; // the n-th drawing (counted over all jobs) fails
    bool falharInicio = false;

    bool IniciarTrabalho(const std::string& titulo) override {
        if (falharInicio) return false;
        trabalhos.emplace_back().titulo = titulo;
        return true;
    }
    const MetricasFonte& Metricas() const override { return metricas_; }
    int LarguraPagina() const override { return 100; }
    int AlturaPagina() const override { return 100; }
    bool DesenharTexto(int x, int y, std::string_view texto) override {
        if (++desenhos_ == falharDesenhoNumero) return false;
        Trabalho& t = trabalhos.back();
        t.textos.push_back({t.paginas, x, y, std::string(texto)});
        return true;
    }
    bool NovaPagina() override {
        ++trabalhos.back().paginas;
        return true;
    }
    bool Terminar() override {
        trabalhos.back().terminado = true;
        return true;
    }

    // One job holding the lines.
    std::vector<Texto> Imprimir(const std::vector<std::string>& linhas) {
        InteracaoRoteirizada ui;
        EXPECT_TRUE(ImprimirCopias(linhas, 1, *this, ui));
        return trabalhos.back().textos;
    }

private:
    ::Metricas metricas_;
    int desenhos_ = 0;
};

} // namespace

TEST(FluxoTexto, LinhasSemMargemELinhaLongaContinuaAbaixo) {
    Gravador g;
    // 25 characters on a page 10 wide: cut at any character, not at words.
    const auto textos = g.Imprimir({"um", "abcde fghijklmnopqrstuvwxy", "fim"});
    const std::vector<Texto> esperados = {{1, 0, 0, "um"},
                                          {1, 0, 14, "abcde fghi"},
                                          {1, 0, 28, "jklmnopqrs"},
                                          {1, 0, 42, "tuvwxy"},
                                          {1, 0, 56, "fim"}};
    EXPECT_EQ(textos, esperados);
    EXPECT_EQ(g.trabalhos[0].paginas, 1); // the final page break leaves no blank sheet
}

TEST(FluxoTexto, LinhaVaziaAvancaAAlturaDaFonte) {
    Gravador g;
    const auto textos = g.Imprimir({"a", "", "", "b"});
    const std::vector<Texto> esperados = {{1, 0, 0, "a"}, {1, 0, 38, "b"}}; // 14 + 12 + 12
    EXPECT_EQ(textos, esperados);
}

TEST(FluxoTexto, LogLongoSegueEmOutrasPaginasDoTopo) {
    Gravador g;
    std::vector<std::string> linhas;
    for (int i = 0; i < 20; ++i) linhas.push_back("l" + std::to_string(i));
    const auto textos = g.Imprimir(linhas);
    // A page is full once y passes 100 - 2 x 14: six lines, at 0, 14 .. 70.
    ASSERT_EQ(textos.size(), 20u);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(textos[i].pagina, 1 + i / 6) << i;
        EXPECT_EQ(textos[i].x, 0);
        EXPECT_EQ(textos[i].y, 14 * (i % 6)) << i;
    }
    EXPECT_EQ(g.trabalhos[0].paginas, 4);
}

TEST(FluxoTexto, LogQueEnchePaginaExataNaoDeixaFolhaEmBranco) {
    for (int n : {6, 12}) {
        Gravador g;
        g.Imprimir(std::vector<std::string>(n, "x"));
        EXPECT_EQ(g.trabalhos[0].paginas, n / 6) << n;
    }
    // A form feed the text asks for still gives its page.
    Gravador g;
    g.Imprimir({"x", "\f", "y"});
    EXPECT_EQ(g.trabalhos[0].paginas, 2);
}

TEST(FluxoTexto, LinhasVaziasAteOFimDaPaginaNaoCortamOTexto) {
    Gravador g;
    // 14, then empty lines 26 .. 98: still on the page, but "b" 12 high would
    // end at 110; it starts the next page instead.
    std::vector<std::string> linhas = {"a"};
    for (int i = 0; i < 7; ++i) linhas.push_back("");
    linhas.push_back("b");
    linhas.push_back("");
    linhas.push_back("c");
    const auto textos = g.Imprimir(linhas);
    const std::vector<Texto> esperados = {{1, 0, 0, "a"}, {2, 0, 0, "b"}, {2, 0, 26, "c"}};
    EXPECT_EQ(textos, esperados);

    // Past the page height the empty lines themselves turn the page.
    Gravador h;
    linhas = {"a"};
    for (int i = 0; i < 8; ++i) linhas.push_back("");
    linhas.push_back("b");
    EXPECT_EQ(h.Imprimir(linhas).back(), (Texto{2, 0, 0, "b"}));
}

TEST(FluxoTexto, TabulacaoEQuebraDePagina) {
    Gravador g;
    const auto textos =
        g.Imprimir({"a\tb", "\tc", "abcd\te", "x\fy", "\f", "z", "abcdefghi\tj", "\f\fk"});
    const std::vector<Texto> esperados = {
        {1, 0, 0, "a"},  {1, 40, 0, "b"},     // to the next multiple of 40
        {1, 40, 14, "c"},                     // from 0 too
        {1, 0, 28, "abcd"}, {1, 80, 28, "e"}, // from 40 exactly, on to 80
        {1, 0, 42, "x"},  {2, 0, 0, "y"},     // a form feed: next page, top left
        {3, 0, 12, "z"},                      // the form feed's own line still advances
        {3, 0, 26, "abcdefghi"}, {3, 0, 40, "j"}, // a tab past the edge: next line
        {5, 0, 0, "k"},                       // two form feeds: a blank page between
    };
    EXPECT_EQ(textos, esperados);
}

TEST(FluxoTexto, CaractereMaisLargoQueAPagina) {
    Gravador g;
    const auto textos = g.Imprimir({"W", "aWb"});
    const std::vector<Texto> esperados = {
        {1, 0, 0, "W"}, {1, 0, 14, "a"}, {1, 0, 28, "W"}, {1, 0, 42, "b"}};
    EXPECT_EQ(textos, esperados);
}

TEST(ImprimirCopias, UmTrabalhoFalavoxPorCopia) {
    Gravador g;
    InteracaoRoteirizada ui;
    EXPECT_TRUE(ImprimirCopias({"linha", "outra"}, 3, g, ui));
    ASSERT_EQ(g.trabalhos.size(), 3u);
    for (const Trabalho& t : g.trabalhos) {
        EXPECT_EQ(t.titulo, "Falavox");
        EXPECT_TRUE(t.terminado);
        EXPECT_EQ(t.textos, g.trabalhos[0].textos);
        EXPECT_EQ(t.textos.size(), 2u);
    }
    EXPECT_TRUE(ui.mensagens.empty());

    // An empty log: one job per copy, with no text and a single page.
    Gravador vazio;
    EXPECT_TRUE(ImprimirCopias({}, 2, vazio, ui));
    ASSERT_EQ(vazio.trabalhos.size(), 2u);
    for (const Trabalho& t : vazio.trabalhos) {
        EXPECT_TRUE(t.textos.empty());
        EXPECT_EQ(t.paginas, 1);
        EXPECT_TRUE(t.terminado);
    }
}

TEST(ImprimirCopias, FalhaNaLinhaFechaOTrabalhoEPulaAsCopiasSeguintes) {
    Gravador g;
    g.falharDesenhoNumero = 3; // the first line of the second copy
    InteracaoRoteirizada ui;
    ui.CursorOcupado();
    EXPECT_FALSE(ImprimirCopias({"a", "b"}, 3, g, ui));
    ASSERT_EQ(g.trabalhos.size(), 2u);
    EXPECT_TRUE(g.trabalhos[1].terminado);
    EXPECT_TRUE(g.trabalhos[1].textos.empty());
    ASSERT_EQ(ui.mensagens.size(), 1u);
    EXPECT_EQ(ui.mensagens[0].titulo, "Erro");
    EXPECT_EQ(ui.mensagens[0].texto,
              "Ocorreu um erro durante a impressão do arquivo de mensagens."_ansi);
    EXPECT_EQ(ui.mensagens[0].tipo, 6);
    EXPECT_EQ(ui.cursorOcupado, 0);
}

TEST(ImprimirCopias, TrabalhoQueNaoComecaAvisaAComunicacao) {
    Gravador g;
    g.falharInicio = true;
    InteracaoRoteirizada ui;
    EXPECT_FALSE(ImprimirCopias({"a"}, 2, g, ui));
    ASSERT_EQ(ui.mensagens.size(), 1u);
    EXPECT_EQ(ui.mensagens[0].texto,
              "Ocorreu um erro durante a tentativa de comunicação com a impressora."_ansi);
}
