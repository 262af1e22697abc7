// TEMPORARY stand-ins, removed as soon as the real units land: the screens
// (mApresnt, mPathapl), the restore window (mRestore) and the integration core.
#pragma once

#include "Interacao.h"

#include <QDialog>

class TfrmApresnt : public QDialog {
public:
    explicit TfrmApresnt(QWidget* pai = nullptr);
};
class TfrmPathApl : public QDialog {
public:
    explicit TfrmPathApl(QWidget* pai = nullptr);
};
class TfrmRestore : public QDialog {
public:
    explicit TfrmRestore(QWidget* pai = nullptr);
};

bool AlterarArquivosINI(Interacao& ui);
bool ExecutarArquivos(Interacao& ui);
bool CriarGrupodePrograma(Interacao& ui);
void Desinstalar(Interacao& ui);
