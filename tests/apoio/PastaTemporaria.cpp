#include "PastaTemporaria.h"

#include "Unidades.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

PastaTemporaria::PastaTemporaria(char letra) : letra_(letra) {
    std::string modelo = (fs::temp_directory_path() / "fz-XXXXXX").string();
    if (!mkdtemp(modelo.data())) throw std::runtime_error("mkdtemp");
    host_ = modelo;
    plataforma::TabelaUnidades t;
    t.raizes['Z'] = "/";
    t.raizes[static_cast<char>(std::toupper(letra))] = host_;
    plataforma::DefinirUnidades(t);
    if (chdir(host_.c_str()) != 0) throw std::runtime_error("chdir");
}

PastaTemporaria::~PastaTemporaria() {
    if (chdir("/") != 0) {}
    std::error_code e;
    // Read-only folders left by a test would stop remove_all.
    for (auto it = fs::recursive_directory_iterator(host_, e); !e && it != fs::end(it); it.increment(e))
        if (!it->is_symlink()) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, e);
    fs::remove_all(host_, e);
}

void PastaTemporaria::Escrever(const std::string& relativo, const std::string& bytes) const {
    fs::path p = fs::path(host_) / relativo;
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
}

std::string PastaTemporaria::Ler(const std::string& relativo) const {
    std::ifstream f(fs::path(host_) / relativo, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

bool PastaTemporaria::Existe(const std::string& relativo) const {
    std::error_code e;
    return fs::exists(fs::symlink_status(fs::path(host_) / relativo, e));
}
