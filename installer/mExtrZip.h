// TExtratorZip: the installer's zip component. It reads an archive's
// directory itself, from the local file headers, and hands the extraction to
// the engine zentunz, turning the engine's reports into its events. Everything
// runs on the caller's thread, the engine's reports included; an AoProgredir
// handler may process events, and from there cancel (Cancelar) or reach
// Extrair again, which then returns at once.
#pragma once

#include "Interacao.h"
#include "zentunz.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <istream>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

enum TOpcaoInclusao {
    inclNomesPastas, inclSubpastas, inclMover, inclRenovar, inclAtualizar, inclHoraZip, inclForcarDOS
};
enum TOpcaoExtracao { extrNomesPastas, extrSobrescrever, extrRenovar, extrAtualizar };
using TOpcoesInclusao = std::set<TOpcaoInclusao>;
using TOpcoesExtracao = std::set<TOpcaoExtracao>;

// 0 a member begins (Filename, FileSize), 1 a progress step, 2 end of the batch.
enum TTipoProgresso : int { tpMembro = 0, tpPasso = 1, tpFim = 2 };

// The 26 bytes after a local header's signature, then the member's name.
struct TEntradaZip {
    uint16_t versaoNecessaria = 0, flags = 0, metodo = 0, hora = 0, data = 0;
    uint32_t crc32 = 0, tamanhoCompactado = 0, tamanhoOriginal = 0;
    uint16_t tamanhoNome = 0, tamanhoExtra = 0;
    std::string nome;
};

// A failure of the component; what() is Windows-1252 text for the user.
class EErroZip : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TExtratorZip;
using TEventoProgresso = std::function<void(TExtratorZip& Sender, TTipoProgresso TipoProgr,
                                            const std::string& Filename, int32_t FileSize)>;
using TEventoMensagem =
    std::function<void(TExtratorZip& Sender, int32_t ErrCode, const std::string& Message)>;
using TEventoNotificacao = std::function<void(TExtratorZip& Sender)>;

// The directory reading over an open archive: appends the entries of the
// local headers until the central directory; throws EErroZip ("Erro 1".."Erro
// 5 na leitura do arquivo Zip"), keeping the entries read before the failure.
void LerDiretorioZip(std::istream& arquivo, std::vector<TEntradaZip>& diretorio);

class TExtratorZip {
public:
    explicit TExtratorZip(Interacao& interacao);
    TExtratorZip(const TExtratorZip&) = delete;
    TExtratorZip& operator=(const TExtratorZip&) = delete;

    bool Detalhado = false;
    bool Rastrear = false;                 // implies Detalhado for the engine
    int NivelCompressao = 9;               // for adding; extraction ignores it
    TOpcoesInclusao OpcoesInclusao;        // for adding; extraction ignores them
    TOpcoesExtracao OpcoesExtracao;
    std::string PastaExtracao;             // DOS path; created when missing
    std::vector<std::string> Especificacoes; // empty: every member; cleared by Extrair
    TEventoProgresso AoProgredir;
    TEventoMensagem AoNotificar;
    TEventoNotificacao AoLerDiretorio;

    const std::string& ArquivoZip() const { return arquivoZip_; }
    // Stores the name and reads the archive's directory again: a missing file
    // gives an empty list; a damaged one throws EErroZip.
    void DefinirArquivoZip(const std::string& arquivoDos);
    const std::vector<TEntradaZip>& Diretorio() const { return diretorio_; }

    // Extracts ArquivoZip into PastaExtracao, which becomes the process's
    // current folder. Throws EErroZip when that folder cannot be used or there
    // are more member names in Especificacoes than the engine takes; a failure inside the
    // engine's call is shown to the user and not thrown.
    void Extrair();

    bool Ocupado() const { return ocupado_; }
    bool Cancelado() const { return cancelado_; }
    void Cancelar() { cancelado_ = true; } // the engine stops at its next report
    int32_t ResultadoExtracao() const { return resultado_; } // ZENTUNZ_* of zentunz.h
    // The record as Extrair fills it; its texts are valid only during the call.
    const ZentunzParametros& Parametros() const { return parametros_; }

private:
    static int32_t RotinaRelato(ZentunzRelato* relato);
    int32_t Relatado(const ZentunzRelato& relato);
    void PreencherParametros();
    void Encerrar();

    Interacao& interacao_;
    std::string arquivoZip_;
    std::vector<TEntradaZip> diretorio_;
    ZentunzParametros parametros_{};
    std::string copiaArquivo_;
    std::vector<std::string> copiasEspecificacoes_;
    std::exception_ptr falhaEvento_;
    int32_t resultado_ = 0;
    bool ocupado_ = false;
    bool cancelado_ = false;
};
