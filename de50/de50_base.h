#pragma once
// The engine library's string type and debug output.

#include <string>

namespace DE50
{

// The library's string: a thin type over the standard narrow string.
class str : public std::string
{
public:
    using std::string::string;
    str() = default;
    str(const std::string& s) : std::string(s) {}
    str(std::string&& s) : std::string(std::move(s)) {}
    const char* c() const { return c_str(); }
};

// printf-style debug output to standard error; adds the line end and never fails.
void WriteDbg(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The same output; the caller vouches for the format and its arguments.
void WriteDbgUnsafe(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace DE50
