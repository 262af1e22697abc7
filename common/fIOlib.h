// Path routines in DOS paths (drive, colon, backslashes; a forward slash is
// not a separator) and the recursive deletion of a directory tree.
//
// ListarPastas changes the process's current directory while it runs and
// uses one module-level list: callers must not run it in parallel with
// itself or with code that relies on the current directory.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class Interacao;

// The directory part, always ending in a backslash ("carta.txt" -> "carta.txt\").
std::string ExtrairPasta(std::string_view caminho);
// The last component; a drive root ("c:\") gives the empty text.
std::string ExtrairNome(std::string_view caminho);

// The `lista de pastas`: the directories ListarPastas found, each parent
// before its children, paths as on disk.
std::vector<std::string>& ListaDePastas();

// Appends every subdirectory below `pasta`, depth first, to the list and
// leaves the current directory at the parent of `pasta`. Symbolic links and
// directories with attributes outside the plain ones are not entered; a
// directory that cannot be entered is not listed below and changes nothing.
void ListarPastas(std::string_view pasta);

// Deletes the directory with all its files (read-only, hidden and system
// included) and subdirectories. Failures are silent: what cannot be deleted
// stays, and so do its ancestors. Works from one descriptor of the directory
// (a link given as `pasta` is left alone), never follows a link inside it
// (the link is deleted itself), never enters another mount or another
// drive's root, never changes a file's mode, and refuses a drive root
// entirely. With `interacao`, the busy cursor is shown while it works.
void ApagarPasta(std::string_view pasta, Interacao* interacao = nullptr);
