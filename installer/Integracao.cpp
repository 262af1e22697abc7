#include "Integracao.h"

#include "Arquivos.h"
#include "GrupoProgramas.h"
#include "Perfil.h"
#include "Programas.h"
#include "RegistroInstalacao.h"
#include "Texto1252.h"
#include "Unidades.h"
#include "fIOlib.h"
#include "mSetuplb.h"

#include <charconv>
#include <cstdint>
#include <optional>

using namespace plataforma;
using namespace plataforma::literais;

namespace {

IniciadorProgramas iniciador;
EnviadorComandos enviador;

// The conversation opens with the first command and lasts as long as the program.
bool EnviarComando(std::string_view comando) {
    if (enviador) return enviador(comando);
    static ServicoGrupos progman;
    return progman.Executar(comando);
}

std::string Campo(const std::vector<std::string>& campos, std::size_t n) {
    return n <= campos.size() ? campos[n - 1] : std::string();
}

} // namespace

std::optional<int32_t> InteiroEstrito(std::string_view t) {
    while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
    bool negativo = !t.empty() && t.front() == '-';
    if (!t.empty() && (t.front() == '-' || t.front() == '+')) t.remove_prefix(1);
    int base = 10;
    if (t.starts_with('$')) {
        base = 16;
        t.remove_prefix(1);
    } else if (t.starts_with("0x") || t.starts_with("0X")) {
        base = 16;
        t.remove_prefix(2);
    }
    uint64_t v = 0;
    auto [fim, erro] = std::from_chars(t.data(), t.data() + t.size(), v, base);
    if (t.empty() || erro != std::errc() || fim != t.data() + t.size()) return std::nullopt;
    if (base == 16) {
        if (v > 0xFFFFFFFFu) return std::nullopt;
        auto r = static_cast<uint32_t>(v);
        return static_cast<int32_t>(negativo ? 0u - r : r);
    }
    if (v > (negativo ? 0x80000000ull : 0x7FFFFFFFull)) return std::nullopt;
    return static_cast<int32_t>(negativo ? -static_cast<int64_t>(v) : static_cast<int64_t>(v));
}

void DefinirIniciadorProgramas(IniciadorProgramas i) {
    iniciador = std::move(i);
}

void DefinirEnviadorComandos(EnviadorComandos e) {
    enviador = std::move(e);
}

std::string ComHost(const std::string& dos) {
    auto host = CaminhoHost(dos);
    return host ? dos + " (" + NomeHostPara1252(*host) + ")" : dos;
}

bool AlterarArquivosINI(Interacao& ui) {
    for (std::size_t i = 0; i < ArquivosINI.size(); ++i) {
        auto campos = CamposEntrada(ArquivosINI, i);
        const std::string arquivo = Campo(campos, 1), secao = Campo(campos, 2),
                          chave = Campo(campos, 3);
        // Without a section and key there is nothing the entry could mean.
        if (!ArquivoExiste(arquivo) || secao.empty() || chave.empty()) continue;
        bool gravado = true;
        if (auto host = CaminhoHost(arquivo); host && RegistroAberto()) {
            // The old value first, so a rollback can put it back.
            const std::string conteudo = LerConteudoPerfil(arquivo).value_or("");
            auto antes = ValorDoPerfil(conteudo, secao, chave);
            const bool semSecao = ChavesDoPerfil(conteudo, secao).empty() &&
                                  AlterarPerfil(conteudo, secao, std::nullopt, std::nullopt) == conteudo;
            gravado = antes ? Registrar("ini", {NoRegistro(*host), secao, chave, "antes", *antes})
                            : Registrar("ini", {NoRegistro(*host), secao, chave, "ausente", semSecao ? "sem-secao" : ""});
        }
        if (!gravado || !GravarPerfil(arquivo, secao, chave, Campo(campos, 4))) {
            ui.CursorNormal();
            ui.Mensagem("Erro", "Não foi possível gravar no arquivo "_ansi + ComHost(arquivo) + ".", 6);
            return false;
        }
    }
    return true;
}

bool ExecutarArquivos(Interacao& ui) {
    for (std::size_t i = 0; i < ArquivosExecutar.size(); ++i) {
        auto campos = CamposEntrada(ArquivosExecutar, i);
        const std::string programa = Campo(campos, 1);
        if (!ArquivoExiste(programa)) continue;
        auto mostrar = InteiroEstrito(Campo(campos, 2));
        if (!mostrar) {
            ui.CursorNormal();
            ui.Mensagem("Erro", "'" + Campo(campos, 2) + "' não é um número inteiro válido."_ansi, 6);
            return false;
        }
        // The start's result is not looked at: a program that cannot start
        // does not stop the installation.
        const std::string linha = programa + " " + Campo(campos, 3);
        if (RegistroAberto() && !Registrar("programa", {linha})) return false;
        if (iniciador)
            iniciador(linha, *mostrar);
        else
            IniciarPrograma(linha, *mostrar);
    }
    return true;
}

bool CriarGrupodePrograma(Interacao& ui) {
    if (GrupoPrograma.empty()) return true;
    if (!EnviarComando("[CreateGroup(" + ArgumentoComando(GrupoPrograma) + ")]\r")) {
        ui.CursorNormal();
        ui.Mensagem("Erro", "Não posso criar o grupo.\rO aplicativo não foi instalado corretamente."_ansi, 6);
        return false;
    }
    for (std::size_t i = 0; i < ItensGrupo.size(); ++i) {
        auto campos = CamposEntrada(ItensGrupo, i);
        if (!EnviarComando("[AddItem(" + ArgumentoComando(Campo(campos, 2)) + "," +
                           ArgumentoComando(Campo(campos, 1)) + ")]\r")) {
            ui.CursorNormal();
            ui.Mensagem("Erro", "Não posso criar o item.\rO aplicativo não foi instalado corretamente."_ansi, 6);
            return false;
        }
    }
    return true;
}
