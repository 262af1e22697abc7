#include "Destino.h"

#include "Texto1252.h"
#include "Unidades.h"
#include "fStrlib.h"
#include "mSetuplb.h"

#include <algorithm>
#include <cctype>
#include <optional>

using namespace plataforma::literais;

bool LetraDeDrive(const std::string& texto) {
    return texto.size() >= 2 && texto[1] == ':' &&
           std::isalpha(static_cast<unsigned char>(texto[0]));
}

bool EspacoSuficiente(char letra) {
    const int64_t livre =
        plataforma::EspacoLivre(static_cast<char>(std::toupper(static_cast<unsigned char>(letra))));
    return livre >= 0 && livre >= TotalBytes;
}

std::string TextoPastaComBarra(const std::string& pasta) {
    std::string texto = "A pasta \""_ansi + pasta +
                        "\" tem \"/\": aqui a pasta é escrita como no DOS, com \"\\\" e um drive."_ansi;
    std::optional<std::string> dos;
    if (!pasta.empty() && pasta.front() == '/')
        dos = plataforma::CaminhoDos(plataforma::Nome1252ParaHost(pasta));
    if (dos && dos->size() > 2)
        return texto + "\rPara instalar em " + pasta + ", escolha o drive " +
               plataforma::Maiusculas1252(dos->substr(0, 2)) + " e informe a pasta " + dos->substr(2) +
               ".";
    return texto + "\rPara uma pasta fora do seu diretório pessoal, escolha o drive Z: (a raiz /) "
                   "e informe o caminho com \"\\\", como \\opt\\aplic."_ansi;
}

std::string TextoMB(int64_t bytes, bool paraCima) {
    const int64_t decimos =
        (std::max<int64_t>(bytes, 0) * 10 + (paraCima ? 1048575 : 0)) / 1048576;
    std::string inteiro = std::to_string(decimos / 10);
    for (int i = static_cast<int>(inteiro.size()) - 3; i > 0; i -= 3) inteiro.insert(i, ".");
    return inteiro + "," + std::to_string(decimos % 10) + " MB";
}

std::string DestinoInstalacao(const std::string& pasta, char letra, const std::string& sugerida) {
    std::string texto = pasta;
    // Floppies are never a destination, whatever the case of the letter.
    const std::string inicio = plataforma::Minusculas1252(Esquerda(texto, 2));
    if (StrVazia(texto) || texto.size() < 4 || inicio == "a:" || inicio == "b:") texto = sugerida;
    std::string drive(1, static_cast<char>(std::tolower(static_cast<unsigned char>(letra))));
    if (LetraDeDrive(texto)) {
        // A folder that names its drive (pasted, or the suggested one) keeps
        // it instead of getting a second drive in front.
        drive = plataforma::Minusculas1252(texto.substr(0, 1));
        texto.erase(0, 2);
    }
    std::string destino = drive + ":";
    if (texto.empty() || texto.front() != '\\') destino += '\\';
    destino += texto;
    if (destino.back() != '\\') destino += '\\';
    return destino;
}

