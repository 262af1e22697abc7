// A temporary host folder for one test, mapped as a drive of the DOS namespace.
#pragma once

#include <string>

class PastaTemporaria {
public:
    // Creates the folder and maps it as drive `letra` (C: by default), on top
    // of Z: = / so paths outside it stay reachable for checks.
    explicit PastaTemporaria(char letra = 'C');
    ~PastaTemporaria();
    PastaTemporaria(const PastaTemporaria&) = delete;
    PastaTemporaria& operator=(const PastaTemporaria&) = delete;

    const std::string& Host() const { return host_; }   // /tmp/fz-XXXXXX
    std::string Dos() const { return std::string(1, letra_) + ":\\"; }
    // Writes a host file below the folder (relative path with '/'), creating folders.
    void Escrever(const std::string& relativo, const std::string& bytes) const;
    std::string Ler(const std::string& relativo) const;
    bool Existe(const std::string& relativo) const;

private:
    std::string host_;
    char letra_;
};
