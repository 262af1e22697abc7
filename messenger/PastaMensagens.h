// The message folder store: the users file users.fvx and the pair files
// receiver_sender.msg of a message folder, and every operation the messenger
// performs on them. Stations on other machines share the same files, each
// through its own client (see ArquivosSala.h for what holds across clients).
// users.fvx is only ever replaced whole, by a rename, and only under the
// room's lock, so a crash leaves the old list or the new one and concurrent
// logons never lose a name; the poll reads it without a lock. A pair file is
// held for each deposit; a collection renames it away before reading it; a
// deposit continues a message still waiting instead of replacing it, and one
// that finds the file held waits a moment before it fails.
//
// Callers guarantee: the folder list, the last session and the auto-create
// setting of the Sessao are loaded before ReconectarUsuario or a logon runs.
// Every message to the user goes through the Interacao; nothing is thrown.
// A user name becomes part of a file name only when it is safe (no path
// separators, drive colon, wildcards or control characters), so nothing
// outside the message folder is ever touched.
#pragma once

#include "ArquivosSala.h"
#include "Interacao.h"
#include "Sessao.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

// Size in bytes from a directory lookup (no handle left open); -1 when missing.
int64_t TamanhoArquivo(std::string_view nomeArquivo);

// Larger than any legitimate users file: such a file is damaged.
inline constexpr std::size_t tamanhoMaximoArquivoPasta = 64 * 1024;
// A pair file of any size another station may write is read up to this, far
// above anything a station composes; one past it is set aside.
inline constexpr std::size_t tamanhoMaximoMensagem = 8 * 1024 * 1024;

// AtualizarUsuarios: the users file could not be read (another station held
// it). Nothing was shown; the caller abandons its whole event.
inline constexpr int atualizacaoAbandonada = -2;

enum class Desconexao {
    Concluida,  // the name is no longer in the users file
    Abandonada, // the refresh could not read the users file; nothing changed, nothing shown
    Falhou,     // the users file could not be written; the message was shown
};

struct Coleta {
    enum class Estado {
        Nada,         // no message waiting
        Recebida,     // mensagem holds it; the file is empty again
        FalhaLeitura, // the file is untouched
        FalhaLimpeza, // mensagem holds it, but the file still does
    };
    Estado estado = Estado::Nada;
    std::string mensagem;
};

class PastaMensagens {
public:
    PastaMensagens(Sessao& sessao, Interacao& interacao) : sessao_(sessao), ui_(interacao) {}
    PastaMensagens(const PastaMensagens&) = delete;
    PastaMensagens& operator=(const PastaMensagens&) = delete;

    Interacao& Ui() { return ui_; }

    bool VerificarPasta(const std::string& nome, const std::string& caminho);
    // 1 appended, 0 already there, -1 folder, -2 name refused, -3 users file, -4 room full.
    int ConectarUsuario(const std::string& nome, const std::string& caminho,
                        const std::string& usuario);
    bool CriarArquivosMensagem(const std::string& nome, const std::string& caminho,
                               const std::string& usuario);
    Desconexao DesconectarUsuario(const std::string& usuario);
    // -1 users file missing, 0 unchanged, 1 notices produced, atualizacaoAbandonada.
    int AtualizarUsuarios();
    bool ReconectarUsuario();
    // false: the file could not be written (the caller reports it).
    bool GravarMensagem(const std::string& destinatario, const std::string& texto);
    Coleta LerMensagem(const std::string& remetente);

private:
    class Ampulheta;
    int Perguntar(const std::string& titulo, const std::string& texto, int tipo);
    void Erro(const std::string& texto);
    bool ResolverPasta(bool deNovo);
    // The pair files between usuario and every other name, both ways.
    void ApagarPares(const std::string& pasta, const std::vector<std::string>& nomes,
                     const std::string& usuario);

    Sessao& sessao_;
    Interacao& ui_;
    int ocupado_ = 0; // nesting of operations holding the busy cursor
    sala::Pasta pasta_;          // the current folder, for the poll
    std::string pastaResolvida_; // the DOS path pasta_ was made from
    std::map<std::string, sala::Retida> pendentes_; // pair files whose collection is half done
};
