// The authoring guide's function reference must name every function the
// engine and the game register, and nothing they do not.

#include "engine/core/nE_ScriptApi.h"
#include "game/app/nG_ScriptApi.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <string>

namespace
{
// The first column of the reference's table rows: | `Name` | ...
std::set<std::string> GuideFunctions(const std::string& path)
{
    std::ifstream file(path);
    std::set<std::string> names;
    std::string line;
    bool inReference = false;
    const std::regex row("^\\| `([A-Za-z_0-9]+)` \\|");
    while (std::getline(file, line))
    {
        if (line.rfind("## ", 0) == 0) inReference = line == "## Script function reference";
        std::smatch m;
        if (inReference && std::regex_search(line, m, row)) names.insert(m[1]);
    }
    return names;
}

std::set<std::string> Registered()
{
    std::set<std::string> names;
    for (auto table : {nE_GetScriptApiTable, nG_GetScriptApiTable})
    {
        size_t count = 0;
        const nE_ScriptFunction* f = table(&count);
        for (size_t i = 0; i < count; ++i)
            names.insert(f[i].name);
    }
    return names;
}
} // namespace

TEST(AuthoringGuide, ReferenceNamesExactlyTheRegisteredFunctions)
{
    std::set<std::string> guide = GuideFunctions(std::string(NE_SOURCE_DIR_DEFAULT) + "/docs/authoring.md");
    ASSERT_FALSE(guide.empty()) << "no reference table found in docs/authoring.md";
    for (const std::string& name : Registered())
        EXPECT_TRUE(guide.count(name)) << name << " is registered but missing from docs/authoring.md";
    for (const std::string& name : guide)
        EXPECT_TRUE(Registered().count(name)) << name << " is in docs/authoring.md but not registered";
}
