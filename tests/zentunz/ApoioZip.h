// Archives built by the tests with libzip, and the damage they then do to them.
#pragma once

#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <sys/stat.h>

struct MembroZip {
    std::string nome;
    std::string dados;
    int32_t metodo = ZIP_CM_DEFLATE;
    bool link = false;     // a Unix symbolic link whose target is dados
    time_t hora = 0;       // 0: libzip's default (now)
    uint32_t nivel = 0;    // compression level, 0: libzip's default
};

inline void CriarZip(const std::string& host, const std::vector<MembroZip>& membros) {
    int erro = 0;
    zip_t* z = zip_open(host.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &erro);
    if (!z) throw std::runtime_error("zip_open " + host);
    for (const auto& m : membros) {
        zip_int64_t i;
        if (!m.nome.empty() && m.nome.back() == '/') {
            i = zip_dir_add(z, m.nome.c_str(), ZIP_FL_ENC_GUESS);
        } else {
            zip_source_t* s = zip_source_buffer(z, m.dados.data(), m.dados.size(), 0);
            i = zip_file_add(z, m.nome.c_str(), s, ZIP_FL_ENC_GUESS);
            if (i >= 0) zip_set_file_compression(z, static_cast<zip_uint64_t>(i), m.metodo, m.nivel);
        }
        if (i < 0) throw std::runtime_error(std::string("zip_add ") + zip_strerror(z));
        auto u = static_cast<zip_uint64_t>(i);
        if (m.link)
            zip_file_set_external_attributes(z, u, 0, ZIP_OPSYS_UNIX,
                                             static_cast<zip_uint32_t>(S_IFLNK | 0777) << 16);
        if (m.hora) zip_file_set_mtime(z, u, m.hora, 0);
    }
    if (zip_close(z) != 0) throw std::runtime_error(std::string("zip_close ") + zip_strerror(z));
}

inline std::string LerHost(const std::string& host) {
    std::ifstream f(host, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

inline void GravarHost(const std::string& host, const std::string& bytes) {
    std::ofstream(host, std::ios::binary | std::ios::trunc) << bytes;
}

// Puts another 32-bit value in a field of the first member's local header
// and the same field of its central header.
inline void GravarCampo(const std::string& host, std::size_t local, std::size_t central, uint32_t valor) {
    std::string b = LerHost(host);
    auto gravar = [&](std::size_t pos) {
        for (int k = 0; k < 4; ++k) b[pos + k] = static_cast<char>(valor >> (8 * k));
    };
    gravar(local);
    std::size_t c = b.find(std::string("PK\x01\x02", 4));
    if (c == std::string::npos) throw std::runtime_error("no central header");
    gravar(c + central);
    GravarHost(host, b);
}

// Declares another uncompressed size for the first member: the size a forged
// archive would claim.
inline void DeclararTamanho(const std::string& host, uint32_t tamanho) { GravarCampo(host, 22, 24, tamanho); }

inline void DeclararCrc(const std::string& host, uint32_t crc) { GravarCampo(host, 14, 16, crc); }

inline uint32_t Crc32(const std::string& dados) {
    return static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(dados.data()), static_cast<uInt>(dados.size())));
}

// Archives written byte by byte, for what libzip would not write: forged
// Zip64 sizes, central entries that share or run into local data.
struct LocalCru {
    std::string nome;
    std::string dados;   // stored as given, or deflated
    bool deflate = true;
    std::size_t lacuna = 0; // zero bytes after the data, counted as compressed data
};
struct CentralCru {
    std::string nome;
    std::size_t local = 0;  // the local member it points at
    uint64_t tamanho = 0;   // declared size; Zip64 from 0xFFFFFFFF up (0: the real one)
    uint64_t compactado = 0; // declared compressed size (0: the real one)
};

inline std::string Deflate(const std::string& dados) {
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    std::string saida(deflateBound(&z, dados.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(dados.data()));
    z.avail_in = static_cast<uInt>(dados.size());
    z.next_out = reinterpret_cast<Bytef*>(saida.data());
    z.avail_out = static_cast<uInt>(saida.size());
    deflate(&z, Z_FINISH);
    saida.resize(z.total_out);
    deflateEnd(&z);
    return saida;
}

inline void CriarZipCru(const std::string& host, const std::vector<LocalCru>& locais,
                        const std::vector<CentralCru>& centrais) {
    std::string b;
    auto le = [&](uint64_t v, int n) {
        for (int k = 0; k < n; ++k) b += static_cast<char>(v >> (8 * k));
    };
    struct Escrito { uint64_t posicao, tamanho, compactado; uint32_t crc; uint16_t metodo; };
    std::vector<Escrito> escritos;
    for (const auto& l : locais) {
        std::string dados = (l.deflate ? Deflate(l.dados) : l.dados) + std::string(l.lacuna, '\0');
        Escrito e{b.size(), l.dados.size(), dados.size(),
                  static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(l.dados.data()),
                                              static_cast<uInt>(l.dados.size()))),
                  static_cast<uint16_t>(l.deflate ? 8 : 0)};
        escritos.push_back(e);
        le(0x04034B50, 4); le(45, 2); le(0, 2); le(e.metodo, 2); le(0, 4); le(e.crc, 4);
        le(e.compactado, 4); le(e.tamanho, 4); le(l.nome.size(), 2); le(0, 2);
        b += l.nome + dados;
    }
    uint64_t inicioCentral = b.size();
    for (const auto& c : centrais) {
        const Escrito& e = escritos.at(c.local);
        uint64_t tamanho = c.tamanho ? c.tamanho : e.tamanho;
        uint64_t compactado = c.compactado ? c.compactado : e.compactado;
        bool zip64 = tamanho >= 0xFFFFFFFF;
        le(0x02014B50, 4); le(0x031E, 2); le(45, 2); le(0, 2); le(e.metodo, 2); le(0, 4);
        le(e.crc, 4); le(compactado, 4); le(zip64 ? 0xFFFFFFFF : tamanho, 4);
        le(c.nome.size(), 2); le(zip64 ? 12 : 0, 2); le(0, 2); le(0, 2); le(0, 2);
        le(0100644u << 16, 4); le(e.posicao, 4);
        b += c.nome;
        if (zip64) { le(1, 2); le(8, 2); le(tamanho, 8); }
    }
    uint64_t tamanhoCentral = b.size() - inicioCentral;
    le(0x06054B50, 4); le(0, 2); le(0, 2); le(centrais.size(), 2); le(centrais.size(), 2);
    le(tamanhoCentral, 4); le(inicioCentral, 4); le(0, 2);
    GravarHost(host, b);
}

// A DOS path that every copy of the drive table maps the same way: Z: is /.
inline std::string DosDe(const std::filesystem::path& host) {
    std::string s = "Z:" + host.string();
    for (char& c : s)
        if (c == '/') c = '\\';
    return s;
}

// Every path below raiz, relative, sorted.
inline std::vector<std::string> ConteudoDe(const std::filesystem::path& raiz) {
    std::vector<std::string> r;
    for (auto& e : std::filesystem::recursive_directory_iterator(raiz))
        r.push_back(e.path().lexically_relative(raiz).string());
    std::sort(r.begin(), r.end());
    return r;
}
