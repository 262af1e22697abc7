// Installation disk sets for the restore's tests: image folders DISCO.nnn
// below a temporary folder, each with its label file (CR LF lines) and the
// pieces beside it, and the installation settings pointed at them.
#pragma once

#include "PastaTemporaria.h"
#include "RotuloDisco.h"
#include "mSetuplb.h"

#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

class ConjuntoDiscos {
public:
    // Disks in <pasta>/INST/DISCO.001 ...; DirBase <pasta>/APLIC.
    ConjuntoDiscos(const PastaTemporaria& pasta, int discos) : pasta_(pasta), discos_(discos) {
        RestaurarConfiguracao();
        CriarListas();
        for (int d = 1; d <= discos; ++d) pasta_.Escrever(Rotulo(d), "");
        DirDisco = pasta_.Dos() + "INST\\DISCO.001\\";
        // Through Z: (= /), which the engine's copy of the drive table maps too.
        DirBase = "Z:" + pasta_.Host() + "/APLIC/";
        for (char& c : DirBase)
            if (c == '/') c = '\\';
        TotalDiscos = static_cast<int16_t>(discos);
    }

    static std::string Disco(int d) {
        std::string nnn = std::to_string(d);
        return "INST/DISCO." + std::string(3 - nnn.size(), '0') + nnn + "/";
    }
    static std::string Rotulo(int d) { return Disco(d) + NomeRotuloDisco(d); }

    // File n starting on disk `disco`, one piece per entry of `pecas` on
    // consecutive disks, cut from `dados`. Returns the disk where it ends.
    int Arquivo(int n, int disco, const std::string& nome, const std::string& dados,
                const std::vector<int32_t>& pecas, bool crc = false,
                std::optional<uint32_t> modo = std::nullopt) {
        std::string curto = nome.substr(nome.find_last_of('\\') + 1);
        std::size_t inicio = 0;
        for (std::size_t i = 0; i < pecas.size(); ++i, ++disco) {
            std::string peca = dados.substr(inicio, static_cast<std::size_t>(pecas[i]));
            inicio += peca.size();
            SecaoArquivo s;
            s.nome = nome;
            s.tamanho = static_cast<int32_t>(dados.size());
            s.bytesSalvo = pecas[i];
            s.qtdDiscos = static_cast<uint8_t>(pecas.size());
            s.modo = modo;
            if (crc) s.crc32 = Crc(peca);
            Acrescentar(Rotulo(disco), TextoSecaoArquivo(s, n, i == 0));
            pasta_.Escrever(Disco(disco) + curto, peca);
        }
        TotalArquivos = static_cast<int16_t>(std::max<int>(TotalArquivos, n));
        return disco - 1;
    }

    void Acrescentar(const std::string& relativo, const std::string& texto) const {
        std::ofstream(std::filesystem::path(pasta_.Host()) / relativo,
                      std::ios::binary | std::ios::app)
            << texto;
    }

    static uint32_t Crc(const std::string& bytes) {
        return static_cast<uint32_t>(crc32(crc32(0L, Z_NULL, 0),
                                           reinterpret_cast<const Bytef*>(bytes.data()),
                                           static_cast<uInt>(bytes.size())));
    }

    // Bytes that differ at every position, so a piece out of order shows.
    static std::string Dados(std::size_t tamanho, unsigned semente = 1) {
        std::string s(tamanho, '\0');
        uint32_t x = semente * 2654435761u + 1;
        for (auto& c : s) {
            x = x * 1103515245u + 12345u;
            c = static_cast<char>(x >> 24);
        }
        return s;
    }

private:
    const PastaTemporaria& pasta_;
    int discos_;
};
