// A scripted Interacao: records every message and answers from a queue.
#pragma once

#include "Interacao.h"

#include <deque>
#include <string>
#include <vector>

struct MensagemRegistrada {
    std::string titulo, texto;
    int tipo;
};

class InteracaoRoteirizada : public Interacao {
public:
    std::vector<MensagemRegistrada> mensagens;
    std::deque<int> respostas;           // for Mensagem; empty -> padrao
    std::deque<std::string> valores;     // for SolicitarValor; empty -> cancelled
    int padrao = 1;
    int cursorOcupado = 0;               // nesting depth now
    int vezesOcupado = 0;
    int eventosProcessados = 0;

    int Mensagem(const std::string& t, const std::string& x, int tipo) override {
        mensagens.push_back({t, x, tipo});
        if (respostas.empty()) return padrao;
        int r = respostas.front();
        respostas.pop_front();
        return r;
    }
    void MensagemSimples(const std::string& t, const std::string& x) override {
        mensagens.push_back({t, x, -1});
    }
    bool SolicitarValor(const std::string& t, const std::string& p, std::string& v) override {
        mensagens.push_back({t, p, -2});
        if (valores.empty()) return false;
        v = valores.front();
        valores.pop_front();
        return true;
    }
    void CursorOcupado() override { ++cursorOcupado; ++vezesOcupado; }
    void CursorNormal() override { cursorOcupado = 0; }
    void ProcessarEventos() override { ++eventosProcessados; }
};
