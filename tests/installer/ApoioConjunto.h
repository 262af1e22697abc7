// Disk sets in tests: source trees, the programs of disk 1 as stand-ins, and
// checks on what zentrava-gerar wrote (label files, disk sizes, the installed
// tree against the source).
#pragma once

#include "GeradorDiscos.h"
#include "Perfil.h"
#include "RotuloDisco.h"
#include "Texto1252.h"
#include "mSetuplb.h"

#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include <sys/stat.h>

namespace conjunto {

namespace fs = std::filesystem;

inline std::string Ler(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

inline void Escrever(const fs::path& p, const std::string& bytes, fs::perms modo = fs::perms(0644)) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
    fs::permissions(p, modo);
}

inline std::string Bytes(std::size_t n, unsigned semente) {
    std::string s(n, '\0');
    uint32_t x = semente * 2654435761u + 1;
    for (auto& c : s) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 23);
    }
    return s;
}

// Stand-ins for zentrava and its engine: small, so a floppy takes them.
inline fs::path ProgramasFalsos(const fs::path& pasta) {
    Escrever(pasta / "zentrava", "#!/bin/sh\nexit 0\n", fs::perms(0755));
    Escrever(pasta / "libzentunz.so", std::string(100, 'L'), fs::perms(0755));
    return pasta;
}

inline void Projeto(const fs::path& arquivo, const std::string& utf8) {
    std::string t = plataforma::Utf8Para1252(utf8);
    Escrever(arquivo, t);
}

class ObservadorTeste : public ObservadorGerador {
public:
    std::vector<std::string> avisos;
    std::vector<int> discos;
    void Aviso(const std::string& t) override { avisos.push_back(plataforma::Cp1252ParaUtf8(t)); }
    void DiscoGravado(int d, int, int64_t) override { discos.push_back(d); }
};

inline std::string Pasta3(int d) {
    std::string n = std::to_string(d);
    return "DISCO." + std::string(3 - n.size(), '0') + n;
}

inline int ContarDiscos(const fs::path& saida) {
    int n = 0;
    while (fs::is_directory(saida / Pasta3(n + 1))) ++n;
    return n;
}

// The largest a disk folder holds, counted in the disk's allocation units.
inline int64_t MaiorDisco(const fs::path& saida, const TamanhoDisco& disco) {
    int64_t maior = 0;
    for (int d = 1; d <= ContarDiscos(saida); ++d) {
        int64_t soma = 0;
        for (const auto& e : fs::directory_iterator(saida / Pasta3(d)))
            soma += Ocupado(disco, static_cast<int64_t>(e.file_size()));
        maior = std::max(maior, soma);
    }
    return maior;
}

// A name two files of one disk share, without regard to case ("" if none).
inline std::string NomeRepetidoNumDisco(const fs::path& saida) {
    for (int d = 1; d <= ContarDiscos(saida); ++d) {
        std::set<std::string> nomes;
        for (const auto& e : fs::directory_iterator(saida / Pasta3(d)))
            if (!nomes.insert(plataforma::Maiusculas1252(e.path().filename().string())).second)
                return e.path().string();
    }
    return {};
}

inline int ValorInfo(const fs::path& saida, const char* chave) {
    std::string cmd = Ler(saida / "DISCO.001" / "zentrava.cmd");
    return plataforma::InteiroDoTexto(plataforma::ValorDoPerfil(cmd, "Info", chave).value_or(""), 0,
                                      false);
}

inline std::string Rotulo(const fs::path& saida, int d) {
    return Ler(saida / Pasta3(d) / NomeRotuloDisco(d));
}

inline fs::path Destino(const fs::path& dirBase, const std::string& nome1252) {
    std::string rel = nome1252.substr(9); // "@DIRBASE\"
    std::replace(rel.begin(), rel.end(), '\\', '/');
    return dirBase / plataforma::Nome1252ParaHost(rel);
}

// Installs the set the way the restore reads it: sections in order, the disk
// only moving forward, pieces joined, each piece's CRC-32 and size checked,
// the mode applied; then the archives of "Descompactar Arquivos" extracted
// below dirBase and deleted. An empty text means it all went through.
inline std::string Remontar(const fs::path& saida, const fs::path& dirBase) {
    const int total = ValorInfo(saida, "Total Arquivos");
    int d = 1;
    for (int n = 1; n <= total; ++n) {
        SecaoArquivo s = LerSecaoArquivo(Rotulo(saida, d), n, true);
        if (s.nome.empty()) return "sem secao " + std::to_string(n) + " no disco " + std::to_string(d);
        std::string peca = plataforma::Nome1252ParaHost(s.nome.substr(s.nome.rfind('\\') + 1));
        fs::path destino = Destino(dirBase, s.nome);
        fs::create_directories(destino.parent_path());
        std::string dados;
        for (int k = 0; k < s.qtdDiscos; ++k) {
            SecaoArquivo p = k == 0 ? s : LerSecaoArquivo(Rotulo(saida, ++d), n, false);
            std::string bytes = Ler(saida / Pasta3(d) / peca);
            if (static_cast<int32_t>(bytes.size()) != p.bytesSalvo)
                return peca + ": Bytes Salvo errado no disco " + std::to_string(d);
            uint32_t crc = static_cast<uint32_t>(
                crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
            if (!p.crc32 || *p.crc32 != crc) return peca + ": CRC32 errado no disco " + std::to_string(d);
            dados += bytes;
        }
        if (static_cast<int32_t>(dados.size()) != s.tamanho) return peca + ": Tamanho errado";
        Escrever(destino, dados, fs::perms(s.modo.value_or(0644)));
    }
    std::string cmd = Ler(saida / "DISCO.001" / "zentrava.cmd");
    for (const auto& chave : plataforma::ChavesDoPerfil(cmd, "Descompactar Arquivos")) {
        fs::path zipHost =
            Destino(dirBase, *plataforma::ValorDoPerfil(cmd, "Descompactar Arquivos", chave));
        int erro = 0;
        zip_t* z = zip_open(zipHost.c_str(), ZIP_RDONLY, &erro);
        if (!z) return "zip ilegivel: " + zipHost.string();
        for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i) {
            auto u = static_cast<zip_uint64_t>(i);
            zip_stat_t st;
            zip_stat_index(z, u, 0, &st);
            std::string dados(st.size, '\0');
            zip_file_t* f = zip_fopen_index(z, u, 0);
            zip_fread(f, dados.data(), st.size);
            zip_fclose(f);
            zip_uint8_t so = 0;
            zip_uint32_t atributos = 0;
            zip_file_get_external_attributes(z, u, 0, &so, &atributos);
            if (so != ZIP_OPSYS_UNIX || st.comp_method != ZIP_CM_DEFLATE) return "membro sem modo ou sem deflate";
            Escrever(dirBase / st.name, dados, fs::perms((atributos >> 16) & 0777));
        }
        zip_close(z);
        fs::remove(zipHost);
    }
    return {};
}

// "" when both trees hold the same files, bytes and rwx bits.
inline std::string CompararArvores(const fs::path& esperado, const fs::path& obtido) {
    std::map<std::string, fs::path> a, b;
    for (const auto& e : fs::recursive_directory_iterator(esperado))
        if (e.is_regular_file()) a[fs::relative(e.path(), esperado).string()] = e.path();
    for (const auto& e : fs::recursive_directory_iterator(obtido))
        if (e.is_regular_file()) b[fs::relative(e.path(), obtido).string()] = e.path();
    for (const auto& [rel, p] : a) {
        auto it = b.find(rel);
        if (it == b.end()) return "falta " + rel;
        if (Ler(p) != Ler(it->second)) return "conteudo difere: " + rel;
        if ((fs::status(p).permissions() & fs::perms(0777)) !=
            (fs::status(it->second).permissions() & fs::perms(0777)))
            return "modo difere: " + rel;
    }
    for (const auto& [rel, p] : b)
        if (!a.count(rel)) return "sobra " + rel;
    return {};
}

} // namespace conjunto
