// Interacao for the real programs: the cores' messages go to the message
// dialog, the busy cursor to the application's override cursor.
#pragma once

#include "Interacao.h"

class InteracaoJanelas : public Interacao {
public:
    int Mensagem(const std::string& titulo, const std::string& texto, int tipo) override;
    void MensagemSimples(const std::string& titulo, const std::string& texto) override;
    bool SolicitarValor(const std::string& titulo, const std::string& prompt,
                        std::string& valor) override;
    // The disk prompt with "&Procurar..." between "&OK" and "&Cancelar".
    int PedirPastaDisco(const std::string& titulo, const std::string& texto,
                        std::string& pasta) override;
    // One level only: a busy cursor set twice is still cleared by one CursorNormal.
    void CursorOcupado() override;
    void CursorNormal() override;
    void ProcessarEventos() override;
};
