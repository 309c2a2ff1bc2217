#pragma once
// Diagnostics: each line goes out on the bus as message 2 and to the engine
// library's debug output. Logging never fails and never stops the program.

#include <string>

enum
{
    NE_MSG_LOG = 2
};

void nE_Log(const char* text);
void nE_Log(const std::string& text);

// Logs the line only the first time `key` is seen, so that a mistake met every
// frame names itself once. The keys are forgotten with the engine context.
void nE_WarnOnce(const std::string& key, const std::string& line);
void nE_ForgetWarnings();

// What is wrong with one file, said in one line once the file has been read:
// the first mistake in full, then how many more there were. The line starts
// with the prefix, for example "Warning: flashanim \"doors/door.xml\"".
class nE_FileIssues
{
public:
    explicit nE_FileIssues(std::string prefix) : m_prefix(std::move(prefix)) {}
    void Add(const std::string& what)
    {
        if (m_count++ == 0) m_first = what;
    }
    int Count() const { return m_count; }
    // Logs the line when anything was added; nothing otherwise.
    void Log() const;
    // The same, only the first time `key` is seen (as nE_WarnOnce): for files
    // that each object using them reads again.
    void LogOnce(const std::string& key) const;

private:
    std::string m_prefix;
    std::string m_first;
    int m_count = 0;
};

namespace nE_LogDetail
{
void Formatted(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A null text prints a placeholder; strings print as their text.
inline const char* Arg(const char* s)
{
    return s ? s : "(null)";
}
inline const char* Arg(char* s)
{
    return s ? s : "(null)";
}
inline const char* Arg(const std::string& s)
{
    return s.c_str();
}
template <class T> T Arg(T v)
{
    return v;
}
} // namespace nE_LogDetail

template <class A> void nE_LogFmt(const char* format, const A& a)
{
    nE_LogDetail::Formatted(format, nE_LogDetail::Arg(a));
}

template <class A, class B> void nE_LogFmt2(const char* format, const A& a, const B& b)
{
    nE_LogDetail::Formatted(format, nE_LogDetail::Arg(a), nE_LogDetail::Arg(b));
}
