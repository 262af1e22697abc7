// Path routines in DOS paths (drive, colon, backslashes; a forward slash is
// not a separator) and the recursive deletion of a directory tree.
//
// The directory routines change the process's current directory while they
// run and use one module-level list: callers must not run them in parallel
// with each other or with code that relies on the current directory.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class Interacao;

// The directory part, always ending in a backslash ("carta.txt" -> "carta.txt\").
std::string ExtrairPasta(std::string_view caminho);
// The last component; a drive root ("c:\") gives the empty text.
std::string ExtrairNome(std::string_view caminho);

// The `lista de pastas`: the directories of the deletion in progress, each
// parent before its children, paths as on disk. ApagarPasta empties it when it
// starts and when it ends.
std::vector<std::string>& ListaDePastas();

// Appends every subdirectory below `pasta`, depth first, to the list and
// leaves the current directory at the parent of `pasta`. Symbolic links and
// directories with attributes outside the plain ones are not entered; a
// directory that cannot be entered is not listed below and changes nothing.
void ListarPastas(std::string_view pasta);

// Deletes the directory with all its files (read-only, hidden and system
// included) and subdirectories, then restores the current directory. Failures
// are silent: what cannot be deleted stays, and so do its ancestors. Never
// follows a symbolic link (one inside the tree is deleted itself; one given as
// `pasta` is left alone), never enters a directory it cannot make current, and
// refuses a drive root entirely. With `interacao`, the busy cursor is shown
// while it works.
void ApagarPasta(std::string_view pasta, Interacao* interacao = nullptr);
