#include "engine/core/nE_Log.h"

#include "de50/de50_base.h"
#include "engine/core/nE_Mediator.h"

#include <cstdarg>
#include <cstdio>
#include <set>

namespace
{
// A listener of message 2 may log in turn; past this depth lines still reach
// the debug output but are not broadcast again.
const int kMaxBroadcastDepth = 4;
int s_depth = 0;
std::set<std::string> s_warned;

void Emit(const char* line)
{
    if (g_mediator && s_depth < kMaxBroadcastDepth)
    {
        ++s_depth;
        g_mediator->Send(NE_MSG_LOG, const_cast<char*>(line));
        --s_depth;
    }
    DE50::WriteDbg("%s", line);
}
} // namespace

void nE_Log(const char* text)
{
    Emit(text ? text : "(null)");
}

void nE_Log(const std::string& text)
{
    Emit(text.c_str());
}

void nE_LogDetail::Formatted(const char* format, ...)
{
    if (!format)
    {
        Emit("(null)");
        return;
    }
    char buffer[512] = {}; // per call: a nested log cannot overwrite this line
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    Emit(buffer);
}

void nE_WarnOnce(const std::string& key, const std::string& line)
{
    if (s_warned.insert(key).second) Emit(line.c_str());
}

void nE_ForgetWarnings()
{
    s_warned.clear();
}

namespace
{
std::string IssuesLine(const std::string& prefix, const std::string& first, int count)
{
    std::string line = prefix + ": " + first;
    if (count > 1) line += " (and " + std::to_string(count - 1) + " more such mistakes in the file)";
    return line;
}
} // namespace

void nE_FileIssues::Log() const
{
    if (m_count > 0) Emit(IssuesLine(m_prefix, m_first, m_count).c_str());
}

void nE_FileIssues::LogOnce(const std::string& key) const
{
    if (m_count > 0) nE_WarnOnce(key, IssuesLine(m_prefix, m_first, m_count));
}
