// The program group service, standing in for the Program Manager's DDE
// conversation. It takes the same command strings ("[CreateGroup(name)]",
// "[AddItem(command line,name)]") and makes a group a named submenu of the
// desktop's application menu, as freedesktop.org menus expect it:
//   $XDG_DATA_HOME/applications/<group>/<item>.desktop   one entry per item
//   $XDG_DATA_HOME/desktop-directories/<id>.directory    the submenu's name
//   $XDG_CONFIG_HOME/menus/applications-merged/<id>.menu ties them together
// Texts are Windows-1252; the files are written in UTF-8, each atomically.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <functional>
#include <vector>

namespace plataforma {

// A command string, carriage return included, is at most this long.
inline constexpr std::size_t maxComandoGrupo = 255;

// The "Programs" folder (the applications folder) as a DOS path; nullopt when
// no drive maps it.
std::optional<std::string> PastaProgramas();

// An argument as a command carries it: in double quotes when it holds blanks,
// commas, brackets, parentheses or quotes, a quote inside written twice.
std::string ArgumentoComando(std::string_view argumento);

// A group name that names exactly one folder directly inside the applications
// folder: not empty, no path separator, no "..", not "." and no control
// character. Only such groups are created or removed.
bool NomeGrupoValido(std::string_view nome);

// One conversation: the group of the last CreateGroup is the current one.
class ServicoGrupos {
public:
    // One or more commands, each "[Name(argument,...)]", blanks and line ends
    // around them ignored. False when they cannot be carried out: too long,
    // malformed, an unknown command, an item without a group, a group name
    // that is no single folder, or a file that cannot be written. Nothing is
    // done for a string that does not parse whole.
    bool Executar(std::string_view comandos);

private:
    bool CriarGrupo(const std::string& nome);
    bool AdicionarItem(const std::string& linha, std::string nome);
    std::optional<std::string> grupo_;
};

// Called before each menu folder is created and each menu file written, with
// its host path: the installer records them (and keeps a file it replaces).
// False stops that write. An empty function removes it.
using RegistroMenus = std::function<bool(const std::string& host, bool pasta)>;
void DefinirRegistroMenus(RegistroMenus registro);

// The folders menu files live in (host paths): the applications folder, the
// desktop-directories folder and the merged menus folder.
std::vector<std::string> PastasMenus();

// An item whose command is given as host arguments, quoted for Exec as the
// desktop entry format asks: in the group's folder when grupo is not empty
// (its submenu updated), else one entry of its own in the applications
// folder. The entry's host path, or nullopt when it cannot be written.
std::optional<std::string> AdicionarItemHost(std::string_view grupo, std::string_view nome,
                                             const std::vector<std::string>& argumentos);

// After items of a group were removed: with entries left in its folder the
// submenu is written again for them; otherwise the folder (when empty) and
// the submenu's files go.
void AtualizarMenuGrupo(std::string_view nome);

// Removes the group's .directory and merged menu files (the group's folder
// goes with ApagarPasta, through PastaProgramas). Names NomeGrupoValido
// refuses are left alone.
void RemoverMenuGrupo(std::string_view nome);

} // namespace plataforma
