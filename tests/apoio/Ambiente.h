// Sets an environment variable for one test and puts the old value back.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

class Ambiente {
public:
    Ambiente(const char* nome, const std::string& valor) : nome_(nome) {
        if (const char* v = std::getenv(nome)) antigo_ = v;
        setenv(nome, valor.c_str(), 1);
    }
    ~Ambiente() {
        if (antigo_)
            setenv(nome_, antigo_->c_str(), 1);
        else
            unsetenv(nome_);
    }
    Ambiente(const Ambiente&) = delete;
    Ambiente& operator=(const Ambiente&) = delete;

private:
    const char* nome_;
    std::optional<std::string> antigo_;
};
