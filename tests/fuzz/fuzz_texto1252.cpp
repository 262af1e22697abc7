// The Windows-1252 routines and the wildcard matcher over any bytes: the
// round trips are exact, case changes keep the length and compare equal, and
// the matcher agrees with a plain dynamic-programming matcher.
#include "Arquivos.h"
#include "Texto1252.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

void Exigir(bool condicao) {
    if (!condicao) __builtin_trap();
}

// '*' any run, '?' one character, the rest one for one without regard to case.
bool Referencia(std::string_view p, std::string_view n) {
    std::vector<std::vector<char>> casa(p.size() + 1, std::vector<char>(n.size() + 1, 0));
    casa[p.size()][n.size()] = 1;
    for (std::size_t i = p.size(); i-- > 0;)
        for (std::size_t j = n.size() + 1; j-- > 0;) {
            if (p[i] == '*')
                casa[i][j] = casa[i + 1][j] || (j < n.size() && casa[i][j + 1]);
            else
                casa[i][j] = j < n.size() && (p[i] == '?' || plataforma::IguaisSemCaixa(p.substr(i, 1), n.substr(j, 1))) &&
                             casa[i + 1][j + 1];
        }
    return casa[0][0];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dados, std::size_t n) {
    using namespace plataforma;
    const std::string bytes(reinterpret_cast<const char*>(dados), n);

    const std::string utf8 = Cp1252ParaUtf8(bytes);
    Exigir(Utf8Valido(utf8));
    Exigir(Utf8Para1252(utf8) == bytes);
    Exigir(NomeHostPara1252(Nome1252ParaHost(bytes)) == bytes);
    Exigir(Utf8Para1252(bytes).size() <= bytes.size());
    NomeHostPara1252(bytes);

    const std::string maiusculas = Maiusculas1252(bytes), minusculas = Minusculas1252(bytes);
    Exigir(maiusculas.size() == bytes.size() && minusculas.size() == bytes.size());
    Exigir(IguaisSemCaixa(bytes, maiusculas) && IguaisSemCaixa(bytes, minusculas));
    Exigir(Maiusculas1252(maiusculas) == maiusculas);
    for (unsigned char c : bytes) {
        int volta = ByteDe1252(CodigoDe1252(c));
        Exigir(volta == c || volta == -1);
    }

    // Pattern and name, split at the first NUL; short, as names are.
    const std::size_t corte = bytes.find('\0');
    if (corte != std::string::npos && bytes.size() <= 96) {
        std::string_view padrao(bytes.data(), corte), nome(bytes.data() + corte + 1, bytes.size() - corte - 1);
        Exigir(CoincideCuringa(padrao, nome) == Referencia(padrao, nome));
    }
    return 0;
}
