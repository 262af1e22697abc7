// The shape of the dialogs' test seams: while an object of a class derived
// from this one lives, the dialog's entry asks it instead of opening the
// window, and it answers from a queue. Nested ones stack; the innermost
// answers. User-interface thread only, like the dialogs.
#pragma once

#include <deque>
#include <optional>

template <class Derivada, class Resposta> class RespostaEmPilha {
public:
    RespostaEmPilha(const RespostaEmPilha&) = delete;
    RespostaEmPilha& operator=(const RespostaEmPilha&) = delete;

    // The innermost one alive, or null.
    static Derivada* Atual() { return atual_; }

protected:
    RespostaEmPilha() : anterior_(atual_) { atual_ = static_cast<Derivada*>(this); }
    ~RespostaEmPilha() { atual_ = anterior_; }

    void Enfileirar(std::optional<Resposta> r) { respostas_.push_back(std::move(r)); }
    // The next answer; nullopt for a queued cancel and when the queue is empty.
    std::optional<Resposta> Proxima() {
        if (respostas_.empty()) return std::nullopt;
        std::optional<Resposta> r = std::move(respostas_.front());
        respostas_.pop_front();
        return r;
    }

private:
    inline static Derivada* atual_ = nullptr;
    Derivada* anterior_;
    std::deque<std::optional<Resposta>> respostas_;
};
