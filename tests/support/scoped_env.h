#pragma once
// Process state a test changes and must put back: environment variables.

#include <cstdlib>
#include <string>

// Keeps an environment variable (and sets it when a value is given) until it goes out of scope.
struct EnvVar
{
    std::string name, old;
    bool had;
    explicit EnvVar(const char* n) : name(n), had(std::getenv(n) != nullptr)
    {
        old = had ? std::getenv(n) : "";
    }
    EnvVar(const char* n, const std::string& value) : EnvVar(n) { setenv(n, value.c_str(), 1); }
    ~EnvVar() { had ? (void)setenv(name.c_str(), old.c_str(), 1) : (void)unsetenv(name.c_str()); }
};
