// A module file as a level loads it: its object trees (every kind the game
// knows) into a fresh engine context, its code block run in the game's Lua,
// each object attached to the scene as content attaches it (so that it loads
// its resources: the sample's pictures, fonts, particles and videos are at
// hand), each of its triggers called once, then a few ticks and draws. The
// watchdog and the memory budget of the game's Lua bound every input.
#include "engine/core/nE_Module.h"
#include "engine/core/nE_StringTable.h"
#include "engine/core/nE_TriggerManager.h"
#include "fuzz_game.h"

#include <cctype>
#include <string_view>

namespace
{
// The names of the module's triggers, as far as the text names them: a scan
// of each "<trig" tag's name attribute (a second XML parse of inputs up to
// 1.2 MB would take a fifth of the time). Names with entities or in comments
// may come out wrong; a call of a name the module lacks is a case too.
std::vector<std::string> TriggerNames(const std::string& text)
{
    std::vector<std::string> names;
    size_t at = text.find("<trigs");
    while (at != std::string::npos && names.size() < 8)
    {
        at = text.find("<trig", at + 1);
        if (at == std::string::npos || at + 5 >= text.size()) break;
        if (!std::isspace(static_cast<unsigned char>(text[at + 5]))) continue;
        const std::string_view tag = std::string_view(text).substr(at, text.find('>', at) - at);
        const size_t name = tag.find("name=");
        if (name == std::string_view::npos || name + 6 >= tag.size()) continue;
        const char quote = tag[name + 5];
        const size_t close = tag.find(quote, name + 6);
        if ((quote == '"' || quote == '\'') && close != std::string_view::npos)
            names.emplace_back(tag.substr(name + 6, close - name - 6));
    }
    return names;
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::EnterSampleCopy();
    g_stringTable = new nE_StringTable();
    g_stringTable->Load("assets/strings");
    fuzz::RegisterGameTypes();
    fuzz::MakeResourcesAndRenderer();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    fuzz::Write("mod.xml", text);
    fuzz::StartContext();
    {
        nE_Module module("mod");
        module.Run();
    }
    nE_Object* storage = g_scene->GetStorage();
    for (int i = 0; i < 64 && storage->GetChildCount() > 0; ++i)
        g_scene->MoveObject(g_scene->GetOrigin(), storage->GetChild(0));
    for (const std::string& name : TriggerNames(text))
        g_triggerManager->Call("fuzz", name);
    for (int i = 0; i < 3; ++i)
        fuzz::Tick(0.25f);
    nE_EngineContext::Destroy();
    return 0;
}
