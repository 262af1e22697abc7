// The one way the program cores reach the user. The windows implement it with
// ExibirMensagem, SolicitarValor and the application cursor; tests with a
// scripted fake. Texts are Windows-1252 bytes.
#pragma once

#include <string>

class Interacao {
public:
    virtual ~Interacao() = default;
    // A message of kind 0..12 (see fMsgdlg); returns the button's result.
    virtual int Mensagem(const std::string& titulo, const std::string& texto, int tipo) = 0;
    // The platform's plain message box (caption, text, OK), where a Part asks
    // for it instead of the program's own dialog.
    virtual void MensagemSimples(const std::string& titulo, const std::string& texto) = 0;
    // The input box; true and valor changed only when confirmed.
    virtual bool SolicitarValor(const std::string& titulo, const std::string& prompt,
                                std::string& valor) = 0;
    // The disk prompt for a disk kept in a folder that is not there: 1 to
    // look again, 2 to give up, 3 once the user pointed at a folder (pasta, a
    // DOS path). Where nothing can browse, the plain disk prompt.
    virtual int PedirPastaDisco(const std::string& titulo, const std::string& texto,
                                std::string& /*pasta*/) {
        return Mensagem(titulo, texto, 11);
    }
    virtual void CursorOcupado() = 0;
    virtual void CursorNormal() = 0;
    virtual void ProcessarEventos() = 0;
};
