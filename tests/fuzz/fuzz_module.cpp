// A module file as a level loads it: its object trees (every kind the game
// knows) into a fresh engine context, its code block run in the game's Lua,
// each object attached to the scene as content attaches it (so that it loads
// its resources: the sample's pictures, fonts, particles and videos are at
// hand), each of its triggers called once, then a few ticks and draws. The
// watchdog and the memory budget of the game's Lua bound every input.
#include "engine/core/nE_Module.h"
#include "engine/core/nE_StringTable.h"
#include "engine/core/nE_TriggerManager.h"
#include "engine/core/nE_Xml.h"
#include "fuzz_game.h"

namespace
{
// The names of the module's triggers, as far as the text names them.
std::vector<std::string> TriggerNames(const std::string& text)
{
    std::vector<std::string> names;
    TiXmlDocument doc;
    if (nE_XmlParse(doc, text, "mod.xml") != nE_XmlResult::Ok || !doc.RootElement()) return names;
    const TiXmlElement* trigs = doc.RootElement()->FirstChildElement("trigs");
    for (const TiXmlElement* t = trigs ? trigs->FirstChildElement("trig") : nullptr; t && names.size() < 8;
         t = t->NextSiblingElement("trig"))
        if (t->Attribute("name")) names.push_back(t->Attribute("name"));
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
