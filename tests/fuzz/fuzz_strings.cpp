// A string-table workbook, then look-ups of the keys listed in the second part
// (one per line, with its parameters after tabs).
#include "engine/core/nE_StringTable.h"
#include "fuzz_support.h"

#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Scratch();
    const std::vector<std::string> parts = fuzz::Split(data, size, 2);
    fuzz::Write("strings.xml", parts[0]);
    nE_StringTable table;
    table.Load("strings");
    std::istringstream lines(parts[1]);
    for (std::string line; std::getline(lines, line);)
    {
        std::vector<std::string> p(6);
        std::istringstream fields(line);
        for (size_t i = 0; i < p.size() && std::getline(fields, p[i], '\t'); ++i)
        {
        }
        table.GetText(p[0], p[1], p[2], p[3], p[4], p[5]);
    }
    return 0;
}
