// The destination rules that the destination screen and the unattended mode
// share: the folder "&OK" builds, the space a drive must have, and the texts
// the screen shows about them. Plain C++.
#pragma once

#include <cstdint>
#include <string>

// The destination that "&OK" builds from the folder typed (pasta), the drive
// selected (letra, any case) and the suggested folder (sugerida). A text that
// already names a drive ("d:\x") keeps that drive. The result's drive is in
// lower case.
std::string DestinoInstalacao(const std::string& pasta, char letra, const std::string& sugerida);

// True when the drive has room for TotalBytes; a drive that cannot be
// queried never has.
bool EspacoSuficiente(char letra);

// True when the text begins with a drive letter and a colon.
bool LetraDeDrive(const std::string& texto);

// The message that refuses a folder text holding '/' (a host path typed where
// a DOS folder goes), saying which drive and folder reach it.
std::string TextoPastaComBarra(const std::string& pasta);
// Bytes as megabytes for the screen: "1.234,5 MB"; a size needed is rounded
// up (never "0,0 MB"), a size free down.
std::string TextoMB(int64_t bytes, bool paraCima = true);
