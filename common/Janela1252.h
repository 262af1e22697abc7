// The window edge of the texts: inside the programs a text is Windows-1252
// bytes, a window shows a QString. Every conversion between the two goes
// through here, so a character Windows-1252 cannot hold becomes '?' the same
// way everywhere.
#pragma once

#include <QString>

#include <string>

QString ParaQString(const std::string& texto1252);
std::string Para1252(const QString& texto);
