#pragma once
// Process state a test changes and must put back: environment variables and
// the file-size limit that makes writes fail as on a full disk.

#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/resource.h>

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

// Makes every file write beyond `bytes` fail as a full disk would.
struct FullDisk
{
    rlimit saved{};
    void (*oldHandler)(int) = nullptr;
    explicit FullDisk(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved);
        oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FullDisk()
    {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
    }
};
