// RegistroInstalacao: the record of every change an installation makes,
// zentrava-instalacao.log in the application folder. A UTF-8 text file, one
// line per change, fields separated by tabs; bytes that are not printable
// UTF-8 (and tab, backslash) are written \xHH, so any host name survives.
// Lines are appended and reach the file one write each, in the order the
// changes are made and before each one, so a killed run leaves a record of
// all it may have done. A run's lines start with "inicio" and end with "fim";
// a later installation into the same folder appends its own run.
//
//   inicio  <date> <disks> <DOS folder> <host folder> criada|vazia|ocupada|
//           instalada (an older installer's folder, without a record)
//   pasta   <folder>             created (intent: before mkdir)
//   copia   <file> <old copy>    the file's old bytes kept under that name
//   arquivo <file> <size> <crc>  created or replaced, restored from the disks
//   membro  <file> <size> <crc>  extracted from an archive
//   menu    <file>               a menu file written
//   temporario <file>            a named temporary (removed when found)
//   zip <archive>; removido <file>; programa <line>; mensagem <text>
//   ini     <file> <section> <key> antes <old value> | ausente [sem-secao]
//   fim     concluida | desfeita
//
// Paths inside the application folder are relative to it ('/' separated);
// others are absolute host paths. The installer is single-threaded: one
// record is open per process.
#pragma once

#include "ApagamentoSeguro.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>

inline constexpr char nomeRegistroInstalacao[] = "zentrava-instalacao.log";

struct LinhaRegistro {
    std::string tipo;
    std::vector<std::string> campos; // decoded host bytes
    std::size_t inicio = 0;          // offset of the line in the file
};

std::string CodificarCampo(std::string_view bytes);
std::string DecodificarCampo(std::string_view campo);
// Complete lines only: a last line without its line end is left out.
std::vector<LinhaRegistro> AnalisarRegistro(std::string_view conteudo);

// ---- The record of the run in progress ----

// Opens (creates) the record in the application folder, host path, and
// appends to it. False (errno set) when it cannot be opened.
bool AbrirRegistro(const std::string& pastaAppHost);
void FecharRegistro();
bool RegistroAberto();
// The application folder of the open record (host path, no final slash).
const std::string& PastaRegistro();
// One line, written whole; false when the write failed (the run must stop).
bool Registrar(std::string_view tipo, const std::vector<std::string>& campos);
// How a host path is written in the record: relative inside the folder.
std::string NoRegistro(const std::string& host);
// A second file that gets every line too (and the messages); "" stops it.
bool EspelharLinhas(const std::string& host);
void EspelharMensagem(std::string_view texto);

// Creates the host folder with its missing parents, each recorded first.
// False (errno set) on failure.
bool CriarPastasRegistradas(const std::string& host);
// Before a file at `host` is replaced: when it exists its bytes are kept
// under a hidden name beside it and recorded ("copia"). False on failure.
bool GuardarAntigo(const std::string& host);

// A new file written whole, then put in place under its name: unnamed until
// then (O_TMPFILE), or under a recorded temporary name where the file system
// has no unnamed files, so a killed run leaves nothing behind.
class ArquivoNovo {
public:
    ArquivoNovo() = default;
    ~ArquivoNovo();
    ArquivoNovo(const ArquivoNovo&) = delete;
    ArquivoNovo& operator=(const ArquivoNovo&) = delete;
    // 0 or an errno value.
    int Criar(const std::string& pastaHost, mode_t modo = 0600);
    int fd() const { return fd_; }
    // Records the file (`tipo` "arquivo", "membro" or "menu"; the old one kept
    // first) and puts it at destinoHost, in the folder given to Criar.
    int Instalar(const std::string& destinoHost, std::string_view tipo = "arquivo");
    void Descartar();

private:
    int fd_ = -1;
    std::string pasta_, nomeado_;
};

// Size and CRC-32 of an open file, read from its start.
bool MedirArquivo(int fd, int64_t& tamanho, uint32_t& crc);

// ---- Rolling back and reading a record ----

// What may be written or deleted outside the application folder: menu
// files, the Windows and system folders, the INI files of this installation.
using PermissaoCaminho = std::function<bool(const std::string& host)>;

struct ResultadoDesfazer {
    bool havia = false;                // there was a run to roll back
    plataforma::ResultadoApagamento r; // what could not be undone
};
// Rolls back the last run of the record in pastaAppHost when it has no "fim"
// (a killed run) or `mesmoConcluida` is false and it is the run in progress;
// the record is cut back to before that run (deleted when it was the first,
// and then the folder too when the run created it). Old copies and
// temporaries of a finished run are removed.
ResultadoDesfazer DesfazerRegistro(const std::string& pastaAppHost, const PermissaoCaminho& fora);

// What the record says the installations made, for the uninstall.
struct ResumoRegistro {
    bool valido = false;
    bool pastaCriada = false;         // an installation created the folder
    std::string pastaHost;            // the folder the first run named
    std::vector<std::string> arquivos; // relative, created by an installation
    std::vector<std::string> pastas;   // relative, created
    std::vector<std::string> menus;    // absolute: menu files written (created)
    std::vector<std::string> pastasMenu; // absolute: menu folders created
};
ResumoRegistro ResumirRegistro(std::string_view conteudo);
