// Disk sets in tests: source trees, the programs of disk 1 as stand-ins, and
// checks on what zentrava-gerar wrote (label files, disk sizes, the installed
// tree against the source).
#pragma once

#include "ConjuntoDiscos.h"
#include "GeradorDiscos.h"
#include "InteracaoRoteirizada.h"
#include "Perfil.h"
#include "Restauracao.h"
#include "RotuloDisco.h"
#include "Texto1252.h"
#include "mSetuplb.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include <sys/stat.h>
#include <sys/types.h>

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

// A host folder as a DOS path through Z: (= /), with a final backslash.
inline std::string PastaDos(const fs::path& host) {
    std::string s = "Z:" + host.string() + "/";
    std::replace(s.begin(), s.end(), '/', '\\');
    return plataforma::NomeHostPara1252(s);
}

// Installs the set through the installer's own start and restore: the
// start-up from disk 1's folder, then both stages of the restore (pieces
// joined and checked, archives extracted), into dirBase. An empty text means
// it all went through; otherwise how it ended and the messages shown.
inline std::string Instalar(const fs::path& saida, const fs::path& dirBase) {
    InteracaoRoteirizada ui;
    RestaurarConfiguracao();
    CriarListas();
    // As DISCO.001/zentrava starts without arguments; the destination
    // screen then gives DirBase.
    if (IniciarInstalador(ui, PastaDos(saida / "DISCO.001"), std::nullopt) != Partida::Instalar)
        return "o instalador nao partiu";
    DirBase = PastaDos(dirBase);
    mode_t mascara = ::umask(022);
    FimRestauracao fim = RestaurarInstalacao(ui);
    ::umask(mascara);
    std::string r;
    if (fim != FimRestauracao::Concluida || InstalacaoCancelada)
        r = fim == FimRestauracao::Erro ? "erro" : "cancelada";
    for (const auto& m : ui.mensagens) r += " | " + plataforma::Cp1252ParaUtf8(m.texto);
    RestaurarConfiguracao();
    return r;
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
