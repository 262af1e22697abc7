// Archives built by the tests with libzip, and the damage they then do to them.
#pragma once

#include <zip.h>

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
            if (i >= 0) zip_set_file_compression(z, static_cast<zip_uint64_t>(i), m.metodo, 0);
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

// Declares another uncompressed size for the first member, in its local and
// its central header alike: the size a forged archive would claim.
inline void DeclararTamanho(const std::string& host, uint32_t tamanho) {
    std::string b = LerHost(host);
    auto gravar = [&](std::size_t pos) {
        for (int k = 0; k < 4; ++k) b[pos + k] = static_cast<char>(tamanho >> (8 * k));
    };
    gravar(22);
    std::size_t central = b.find(std::string("PK\x01\x02", 4));
    if (central == std::string::npos) throw std::runtime_error("no central header");
    gravar(central + 24);
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
