// The authoring guide's function reference must name every function the
// engine and the game register, and nothing they do not; the files it says
// the HUD reads are the sample's.

#include "engine/core/nE_ScriptApi.h"
#include "engine/scene/nE_Engine.h"
#include "game/app/nG_ScriptApi.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <vector>

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

// The first column of the HUD's file table: `interface/main/main_left`, `main_right`
// names two files of one folder.
std::vector<std::string> HudFiles(const std::string& path)
{
    std::ifstream file(path);
    std::vector<std::string> names;
    std::string line;
    bool inTable = false;
    const std::regex name("`([^`]+)`");
    while (std::getline(file, line))
    {
        if (line.rfind("## ", 0) == 0) inTable = line.rfind("## Interface: every file the HUD reads", 0) == 0;
        if (!inTable || line.rfind("| `", 0) != 0) continue;
        std::string cell = line.substr(2, line.find(" |", 2) - 2), folder;
        for (std::sregex_iterator m(cell.begin(), cell.end(), name), end; m != end; ++m)
        {
            std::string n = (*m)[1];
            if (n.find('/') != std::string::npos)
                folder = n.substr(0, n.rfind('/') + 1);
            else
                n = folder + n;
            names.push_back(n);
        }
    }
    return names;
}

std::set<std::string> Registered()
{
    nE_RegisterEngineKinds(); // lists the engine's functions
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

TEST(AuthoringGuide, EveryFileOfTheHudTableIsInTheSample)
{
    const std::string source = NE_SOURCE_DIR_DEFAULT;
    std::vector<std::string> files = HudFiles(source + "/docs/authoring.md");
    EXPECT_GT(files.size(), 60u) << "the HUD's file table was not found in docs/authoring.md";
    for (const std::string& name : files)
    {
        bool found = false;
        for (const char* extension : {".png", ".jpg", ".xml", ".ogg"})
            found = found || std::filesystem::exists(source + "/sample/assets/" + name + extension);
        EXPECT_TRUE(found) << name << " is in the guide's HUD table but not under sample/assets/";
    }
}
