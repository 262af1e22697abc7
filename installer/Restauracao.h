// Restauracao: the installer's real work, without windows. Stage 1 copies
// every file of the installation from the disks (joining the pieces of a file
// split over several disks); stage 2 extracts the archives that the command
// file lists. Both read the installation settings of mSetuplb (DirDisco,
// DirBase, the totals, ArquivosDescompactar) and set InstalacaoCancelada when
// they end early; they never clear it.
//
// Every message goes through the Interacao, which is also asked to process
// pending events as the copy goes (RitmoEventos): that is how a "Cancelar"
// press, which sets InstalacaoCancelada, reaches the copy; it stops before
// the next block. A file is written under a
// temporary name beside its destination and renamed into place once its last
// piece is in, so an interrupted restore never leaves part of a file under
// the real name.
#pragma once

#include "Interacao.h"
#include "mExtrZip.h"

#include <chrono>
#include <cstdint>
#include <set>
#include <string>

// What the restore shows while it works; each call is optional to honour.
class ObservadorRestauracao {
public:
    virtual ~ObservadorRestauracao() = default;
    // Once per piece: "Disco d/T", "Arquivo n/T", "Espaço Requerido: k KB"
    // and "Restaurando NOME (t bytes) ...".
    virtual void Rotulos(const std::string& /*disco*/, const std::string& /*arquivo*/,
                         const std::string& /*bytes*/, const std::string& /*atual*/) {}
    // Once per block, in order: 0..100 of the current file.
    virtual void Posicao(int /*posicao*/) {}
    // The extractor's reports, when the restore drives its own extractor.
    virtual void Extracao(TTipoProgresso /*tipo*/, const std::string& /*membro*/,
                          int32_t /*tamanho*/) {}
};

enum class FimRestauracao {
    Concluida,
    Cancelada, // a disk refused, a read error not retried, or InstalacaoCancelada
    Erro,      // a file error; its message was shown
};

// The unit of progress, of the read-error question and of a Cancelar; reads
// and writes move runs of whole blocks where no single block is at stake.
inline constexpr int32_t tamanhoBloco = 10240;
inline constexpr int32_t blocosPorLeitura = 25;

// Processing events costs the window a repaint and the kernel its wake-ups,
// while a click only has to reach the work within a frame: events are
// processed when intervaloEventos of work has passed since the last time
// (the first call at once), and on Agora, before a question. Pictures of the
// windows set it to 0 to catch given moments of a run.
inline std::chrono::steady_clock::duration intervaloEventos = std::chrono::milliseconds(30);
class RitmoEventos {
public:
    explicit RitmoEventos(Interacao& ui) : ui_(ui), intervalo_(intervaloEventos) {}
    void Talvez() {
        if (std::chrono::steady_clock::now() >= proximo_) Agora();
    }
    void Agora() {
        ui_.ProcessarEventos();
        proximo_ = std::chrono::steady_clock::now() + intervalo_;
    }

private:
    Interacao& ui_;
    std::chrono::steady_clock::duration intervalo_;
    std::chrono::steady_clock::time_point proximo_{};
};

// Stage 1. Starts from disk 1 of DirDisco.
FimRestauracao RestaurarArquivos(Interacao& ui, ObservadorRestauracao* observador = nullptr);

// Stage 2: each archive of ArquivosDescompactar that stage 1 of this run
// restored into DirBase is extracted below DirBase by `extrator` (folder
// names kept, files overwritten), each member recorded first, and then
// deleted; any other file the list names is left alone. A damaged archive
// ends the stage with its message (Erro) and is kept; a member that did not
// land whole (a full disk, a file that cannot be replaced) ends it too.
FimRestauracao DescompactarArquivos(Interacao& ui, TExtratorZip& extrator);

// The host paths of the files stage 1 of this run restored.
std::set<std::string>& ArquivosRestaurados();

// Both stages as one "Instalar" press runs them, with an extractor of its
// own whose reports reach the observer and process events.
FimRestauracao RestaurarInstalacao(Interacao& ui, ObservadorRestauracao* observador = nullptr);

// The progress position of a file: the truncated percentage of copiados in
// tamanho, at most 100; 100 when the size is 0 or unknown.
int PosicaoProgresso(int64_t copiados, int32_t tamanho);

// The extraction bar: one step per engine report, about one per 32768 bytes
// of the member, up to its maximum.
struct BarraExtracao {
    int minimo = 0, maximo = 100, posicao = 0;
    void Progresso(TTipoProgresso tipo, int32_t tamanho);
};

// The system's reason for a failure (an errno value), in Portuguese.
std::string TextoErroSistema(int erro);
