// ModoSilencioso: the installation (or, with "/X", the uninstall) with no
// window and no display: the same start-up and the same window-free sequence
// as the windowed run, the destination from --destino (or the command file's
// folder on drive C:), checked as the destination screen checks it. Every
// message goes to standard error, one line each; questions get the refusing
// answer, so a missing disk ends the run instead of waiting. With --log the
// record of every change and every message go to that file as well. On a
// terminal, standard output gets one line per file with the percentage done.
//
// Plain C++: nothing here opens a connection to a display.
#pragma once

#include "Interacao.h"
#include "OpcoesLinha.h"
#include "Restauracao.h"

#include <cstdio>
#include <string>

// Messages as lines for the administrator: "zentrava: <caption>: <text>",
// the text's line breaks made blanks, in UTF-8 (the terminal's and the
// record's).
class InteracaoSilenciosa : public Interacao {
public:
    explicit InteracaoSilenciosa(std::FILE* saida = stderr) : saida_(saida) {}
    int Mensagem(const std::string& titulo, const std::string& texto, int tipo) override;
    void MensagemSimples(const std::string& titulo, const std::string& texto) override;
    bool SolicitarValor(const std::string&, const std::string&, std::string&) override {
        return false;
    }
    int PedirPastaDisco(const std::string& titulo, const std::string& texto, std::string&) override;
    void CursorOcupado() override {}
    void CursorNormal() override {}
    void ProcessarEventos() override {}

private:
    void Linha(const std::string& titulo, const std::string& texto);
    std::FILE* saida_;
};

// The line per file: the whole installation's percentage by bytes.
class ProgressoTerminal : public ObservadorRestauracao {
public:
    explicit ProgressoTerminal(std::FILE* saida) : saida_(saida) {}
    void Rotulos(const std::string& disco, const std::string& arquivo, const std::string& bytes,
                 const std::string& atual) override;
    void Extracao(TTipoProgresso tipo, const std::string& membro, int32_t tamanho) override;

private:
    std::FILE* saida_;
    std::string arquivo_;   // the file being copied ("Arquivo n/T")
    int64_t concluidos_ = 0; // bytes of the files copied before it
    int64_t atual_ = 0;      // its size
};

// The destination --destino names (a host path or a DOS path with its
// drive), as DirBase wants it: DOS, final backslash. Empty after `erro`
// (UTF-8) was set.
std::string DestinoSilencioso(const std::string& destino, std::string& erro);

// The whole unattended run; returns the exit status (SaidaZentrava).
// `dirInstalador` is the DOS folder of the program the user started.
int ExecutarSilencioso(const OpcoesLinha& opcoes, const std::string& dirInstalador);
