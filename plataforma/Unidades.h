// The DOS namespace: drive letters mapped onto host directories, so every path
// inside the programs stays a Windows path (drive, colon, backslashes), as the
// files shared with Windows stations carry them.
//
// The drive table is the file unidades.ini in $XDG_CONFIG_HOME/falavox-zentrava
// (default ~/.config): section [Unidades] with one line per letter (F=/mnt/rede),
// section [Pastas] with Windows= and Sistema= (DOS paths). Without a table:
// C: = home directory, Z: = /, Windows c:\windows, system c:\windows\system.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plataforma {

struct TabelaUnidades {
    std::map<char, std::string> raizes; // upper-case letter -> absolute host directory
    std::string pastaWindows = "c:\\windows";
    std::string pastaSistema = "c:\\windows\\system";
};

// The table in force: loaded from the drive table file on first use.
const TabelaUnidades& Unidades();
// Replaces the table in force (tests, or a reload after the file changed).
void DefinirUnidades(TabelaUnidades tabela);
// Reads the table from the configuration directory (defaults when absent).
TabelaUnidades CarregarTabelaUnidades();
// The user's configuration directory (host path): $XDG_CONFIG_HOME when it is
// absolute, else ~/.config; empty when there is no home directory.
std::string PastaConfiguracaoUsuario();

// Drive types as GetDriveType answers them.
enum class TipoUnidade {
    Desconhecido = 0, SemRaiz = 1, Removivel = 2, Fixa = 3, Remota = 4, CdRom = 5
};

std::vector<char> ListarUnidades();      // letters in order, upper case
bool UnidadePronta(char letra);          // mapped and its host directory exists
int64_t EspacoLivre(char letra);         // bytes free for the user; -1 when it cannot be queried
TipoUnidade TipoDaUnidade(char letra);   // from the mount table of its host directory
// The type of the mount that holds hostReal (a resolved path), given the text
// of /proc/self/mounts: nfs/cifs remote, iso9660/udf CD, vfat under /media removable.
TipoUnidade TipoPelasMontagens(std::string_view montagens, std::string_view hostReal);
// The label of the volume mounted at the drive's root itself (UTF-8, as the
// host names it); empty when the root is a folder inside a mount, or the
// volume has no label.
std::string NomeDoVolume(char letra);
// The device mounted exactly at hostReal, given the text of /proc/self/mounts.
std::string DispositivoMontadoEm(std::string_view montagens, std::string_view hostReal);
// The label of a device: the name of its link in pastaRotulos (/dev/disk/by-label,
// where unsafe bytes are written \xHH); empty when it has none.
std::string RotuloDoDispositivo(const std::string& dispositivo, const std::string& pastaRotulos);
std::string DiretorioWindows();
std::string DiretorioSistema();

// Makes a DOS path absolute: a path without a drive is taken relative to the
// current directory ("\x" to the current drive's root); "." and ".." are
// folded. The result uses backslashes and keeps the case given.
std::optional<std::string> CaminhoDosCompleto(std::string_view dos);

// DOS -> host: case-insensitive per component, the exact match first, else the
// one case-insensitive match (of several, the first in byte order); a missing
// component keeps the case it was given. UNC names (\\server) are not mapped.
// Forward slashes are not separators (a component holding '/' cannot exist on
// the host and gives nullopt). Empty when no drive maps the path.
std::optional<std::string> CaminhoHost(std::string_view dos);

// While one lives, a folder inside `raizHost` searched for a name without
// regard to case is read once and its names kept, and the names this process
// creates there are added through NotarNomeCriado: filling a folder with
// thousands of new files would otherwise read it again for every one. Only
// for work that is the one writer of the folders it fills (the restore of an
// installation into its folder).
class ListagensMantidas {
public:
    explicit ListagensMantidas(const std::string& raizHost);
    ~ListagensMantidas();
    ListagensMantidas(const ListagensMantidas&) = delete;
    ListagensMantidas& operator=(const ListagensMantidas&) = delete;
};
// `nomeHost` was just created in the host folder `pasta`.
void NotarNomeCriado(const std::string& pasta, std::string_view nomeHost);
// host -> DOS through the drive whose root is the longest prefix.
std::optional<std::string> CaminhoDos(std::string_view host);

// True when both DOS paths name the same existing directory, links resolved.
bool MesmaPasta(std::string_view a, std::string_view b);
// True when deleting the DOS folder would take along a drive's root, the
// user's home folder, or the Windows or system folder: it is one of them or
// holds one (links resolved). A folder that cannot be resolved counts too.
bool PastaEssencial(std::string_view dos);

} // namespace plataforma
