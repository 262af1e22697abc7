// desktop-file-validate over a written menu file: its complaints, or "" when valid.
#pragma once

#include <cstdio>
#include <string>

inline std::string ValidarDesktop(const std::string& arquivo) {
#ifdef FZ_DESKTOP_FILE_VALIDATE
    std::string comando = "'" FZ_DESKTOP_FILE_VALIDATE "' '" + arquivo + "' 2>&1";
    std::string saida;
    FILE* p = popen(comando.c_str(), "r");
    if (!p) return "desktop-file-validate não pôde ser executado";
    char buf[512];
    while (std::fgets(buf, sizeof buf, p)) saida += buf;
    int estado = pclose(p);
    if (estado != 0 && saida.empty()) saida = "desktop-file-validate falhou";
    return saida;
#else
    return "desktop-file-validate não instalado (pacote desktop-file-utils)";
#endif
}
