// The messenger's reading of a users file of any content, through the only
// entry that reaches it, the poll's refresh: whatever the file holds, the
// users list keeps only names that are safe inside a file name, and the
// notices say exactly who came and who went.
#include "InteracaoRoteirizada.h"
#include "PastaMensagens.h"
#include "Texto1252.h"
#include "Unidades.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

void Exigir(bool condicao) {
    if (!condicao) __builtin_trap();
}

struct Sala {
    fs::path raiz;
    Sala() {
        std::string modelo = (fs::temp_directory_path() / "fz-usuarios-XXXXXX").string();
        if (!mkdtemp(modelo.data())) std::abort();
        raiz = modelo;
        plataforma::TabelaUnidades t;
        t.raizes['M'] = raiz.string();
        plataforma::DefinirUnidades(t);
    }
    ~Sala() {
        std::error_code e;
        fs::remove_all(raiz, e);
    }
};

bool Contem(const std::vector<std::string>& lista, const std::string& nome) {
    return std::any_of(lista.begin(), lista.end(),
                       [&](const std::string& l) { return plataforma::IguaisSemCaixa(l, nome); });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dados, std::size_t n) {
    static Sala sala;
    std::ofstream(sala.raiz / "users.fvx", std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(dados), static_cast<std::streamsize>(n));

    Sessao sessao;
    sessao.caminhoPasta = "m:\\";
    sessao.usuarios = {"ANA", "JOSE"};
    const auto antes = sessao.usuarios;
    InteracaoRoteirizada ui;
    PastaMensagens pasta(sessao, ui);
    const int r = pasta.AtualizarUsuarios();
    Exigir(r == 0 || r == 1 || r == atualizacaoAbandonada);
    Exigir(ui.mensagens.empty());
    if (r == atualizacaoAbandonada) return 0;

    std::size_t esperados = 0;
    for (const auto& nome : sessao.usuarios) {
        // ".." may stand in a name: a pair file "a_b.msg" is never a component of its own.
        Exigir(!nome.empty());
        for (unsigned char c : nome) Exigir(c >= 32 && c != 127 && !std::strchr("\\/:*?\"<>|", c));
        esperados += !Contem(antes, nome);
    }
    for (const auto& nome : antes) esperados += !Contem(sessao.usuarios, nome);
    Exigir(sessao.avisos.size() == esperados && (r == 1) == (esperados > 0));
    return 0;
}
