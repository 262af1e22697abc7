// The file a member is written to before it takes its real name. Where the
// file system allows, it has no name at all until it is complete (O_TMPFILE),
// so a killed extraction leaves nothing behind; elsewhere it is named
// ".zentunz-PID-N.tmp" beside its destination and locked while it is written,
// and the next extraction into that folder removes the ones nobody holds.
#pragma once

#include <string>

#include <sys/types.h>

namespace zentunz {

class SaidaTemporaria {
public:
    SaidaTemporaria() = default;
    ~SaidaTemporaria(); // removes what was not published
    SaidaTemporaria(const SaidaTemporaria&) = delete;
    SaidaTemporaria& operator=(const SaidaTemporaria&) = delete;

    // In the folder open as dir (which must outlive this object), with the
    // permission bits modo, the creation mask already applied to them.
    bool Criar(int dir, mode_t modo);
    int fd() const { return fd_; }
    // Sets the permission bits modo, closes the file and gives it its name;
    // RENAME_NOREPLACE in flags keeps an existing file. False, with nothing
    // left behind, when that fails.
    bool Publicar(const std::string& nome, unsigned flags, mode_t modo);

private:
    bool Nomear();
    int dir_ = -1;
    int fd_ = -1;
    mode_t modo_ = 0;  // the bits it was created with
    std::string nome_; // the temporary name, while the file has one
};

// Removes the temporary files that no live extraction holds.
void LimparTemporariosAbandonados(int dir);

} // namespace zentunz
