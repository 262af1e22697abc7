// A whole installation for the sequence's tests: a two-disk set (a file split
// over both disks, an archive to extract, an INI file of its own and one of
// the Windows folder, a program, a group item) in a temporary drive C:, the
// user's menu folders inside it, and snapshots of the whole sandbox.
#pragma once

#include "../zentunz/ApoioZip.h"
#include "Ambiente.h"
#include "ApoioConjunto.h"
#include "ConjuntoDiscos.h"
#include "Integracao.h"
#include "InteracaoRoteirizada.h"
#include "PastaTemporaria.h"
#include "RegistroInstalacao.h"
#include "SequenciaInstalacao.h"
#include "Texto1252.h"
#include "mSetuplb.h"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

// Every path below a folder (links not followed) with its kind, mode, and
// content or target: equal snapshots mean nothing changed.
inline std::map<std::string, std::string> Retrato(const std::string& raiz) {
    std::map<std::string, std::string> r;
    std::error_code e;
    for (auto it = fs::recursive_directory_iterator(raiz, fs::directory_options::none, e);
         !e && it != fs::end(it); it.increment(e)) {
        struct stat st;
        const std::string p = it->path().string();
        if (lstat(p.c_str(), &st) != 0) continue;
        std::string d = std::to_string(st.st_mode) + ":";
        if (S_ISREG(st.st_mode)) d += conjunto::Ler(p);
        if (S_ISLNK(st.st_mode)) d += fs::read_symlink(p, e).string();
        r[p.substr(raiz.size())] = d;
    }
    return r;
}

// The paths whose entries differ between two snapshots.
inline std::vector<std::string> Diferencas(const std::map<std::string, std::string>& a,
                                           const std::map<std::string, std::string>& b) {
    std::vector<std::string> r;
    for (const auto& [p, d] : a)
        if (!b.count(p) || b.at(p) != d) r.push_back(p);
    for (const auto& [p, d] : b)
        if (!a.count(p)) r.push_back(p);
    return r;
}

class Sequencia {
public:
    PastaTemporaria t;
    Ambiente dados{"XDG_DATA_HOME", t.Host() + "/dados"};
    Ambiente config{"XDG_CONFIG_HOME", t.Host() + "/config"};
    InteracaoRoteirizada ui;
    std::vector<std::string> iniciados;

    Sequencia() {
        t.Escrever("prog/zentrava", "#!/bin/sh\nexit 0\n");
        t.Escrever("prog/libzentunz.so", std::string(64, 'L'));
        t.Escrever("windows/win.ini", "[Outro]\r\nx=1\r\n");
        DefinirCopiaInstalador(t.Host() + "/prog/zentrava", t.Host() + "/prog/libzentunz.so");
        DefinirIniciadorProgramas([this](std::string_view l, int) {
            iniciados.emplace_back(l);
            return true;
        });
    }
    ~Sequencia() {
        DefinirIniciadorProgramas({});
        DefinirCopiaInstalador("", "");
        RestaurarConfiguracao();
    }

    std::string App() const { return t.Host() + "/APLIC"; }

    // The disks of version `versao` and the settings of its command file.
    void Montar(int versao = 1) {
        std::error_code e;
        fs::remove_all(t.Host() + "/INST", e);
        ConjuntoDiscos c(t, 2);
        LerDiretoriosWindows();
        const std::string v = std::to_string(versao);
        auto inteiro = [&](int n, int disco, const char* nome, const std::string& bytes) {
            c.Arquivo(n, disco, nome, bytes, {static_cast<int32_t>(bytes.size())});
        };
        inteiro(1, 1, "@DIRBASE\\APP.INI", "[Geral]\r\nNome=Vendas " + v + "\r\n");
        CriarZip(t.Host() + "/zip.tmp", {{"dados/clientes.txt", "Ana;Rua A\r\n" + v},
                                         {"nota.txt", std::string(70000, 'n') + v},
                                         {"dados/grande.bin", ConjuntoDiscos::Dados(150000, versao)}});
        const std::string zip = conjunto::Ler(t.Host() + "/zip.tmp");
        inteiro(2, 1, "@DIRBASE\\DADOS.ZIP", zip);
        const std::string grande = ConjuntoDiscos::Dados(300000, 10 + versao);
        c.Arquivo(3, 1, "@DIRBASE\\ARQUIVOS\\GRANDE.DAT", grande, {200000, 100000}, true);
        inteiro(4, 2, "@DIRBASE\\LEIAME.TXT", "Sistema de Vendas " + v + "\r\n");
        TotalBytes = 400000;
        Titulo = "Sistema de Vendas";
        GrupoPrograma = "Vendas";
        ItensGrupo = {"item1=Leia-me,@DIRBASE\\LEIAME.TXT"};
        ArquivosDescompactar = {"item1=@DIRBASE\\DADOS.ZIP"};
        ArquivosINI = {"item1=@DIRBASE\\APP.INI,Geral,Pasta,@DIRBASE\\DADOS",
                       "item2=@WINDIR\\WIN.INI,Vendas,Pasta,@DIRBASE"};
        ArquivosExecutar = {"item1=@DIRBASE\\APP.INI,1,/s"};
        DirOrigem = DirDisco;
    }

    // Everything a user's machine holds: the application, the menus, the
    // Windows folder and what else the test put in the sandbox.
    std::map<std::string, std::string> Tudo() const {
        auto r = Retrato(t.Host());
        std::erase_if(r, [](const auto& p) { return p.first.starts_with("/INST") || p.first.starts_with("/zip.tmp"); });
        return r;
    }

    // The host paths the record and the menu may leave or change.
    static bool DaAplicacao(const std::string& p) {
        return p.starts_with("/APLIC") || p.starts_with("/dados") || p.starts_with("/config") ||
               p == "/windows/win.ini";
    }
};
