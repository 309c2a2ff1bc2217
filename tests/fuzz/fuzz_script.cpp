// The script surface against the sample's start level: each input is a
// sequence of calls of the engine's and the game's script functions with
// arguments of every kind (names the level knows, numbers, strings, tables,
// a table whose every look-up raises an error), ticks and draws between
// them. No handler may raise a Lua error or leave more than its results on
// its frame, and the scene stays one tree. Every input starts from the level
// freshly loaded in a fresh engine context.
#include "de50/de50_test.h"
#include "engine/core/nE_Object.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_StringTable.h"
#include "engine/core/nE_Xml.h"
#include "engine/platform/nE_SoundHub_Pl5.h"
#include "engine/scene/nE_AnimSprite.h"
#include "fuzz_game.h"
#include "game/app/nG_Application.h"
#include "game/app/nG_Config.h"
#include "game/app/nG_Mediator.h"
#include "game/app/nG_ScriptApi.h"
#include "game/app/nG_Settings.h"
#include "support/script_call.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <filesystem>
#include <set>

namespace
{
std::vector<nE_ScriptFunction> g_functions;
// Object names, attribute names and values, trigger texts and resources of
// the sample's levels: the words content passes.
std::vector<std::string> g_words;

void CollectWords(const TiXmlElement* e, std::set<std::string>& words)
{
    for (; e; e = e->NextSiblingElement())
    {
        words.insert(e->ValueStr());
        for (const TiXmlAttribute* a = e->FirstAttribute(); a; a = a->Next())
            words.insert(a->NameTStr()), words.insert(a->ValueStr());
        CollectWords(e->FirstChildElement(), words);
    }
}

void CollectSampleWords()
{
    std::set<std::string> words = {"", "ng_rooms_hub", "ng_global", "sfx", "soundtrack", "CURSOR_HAND"};
    for (const auto& entry : std::filesystem::directory_iterator("assets/levels"))
    {
        TiXmlDocument doc;
        if (entry.path().extension() == ".xml" && nE_XmlLoadFile(doc, entry.path().string()) == nE_XmlResult::Ok)
            CollectWords(doc.RootElement(), words);
    }
    g_words.assign(words.begin(), words.end());
}

void Tick(float dt)
{
    DE50::Test::AdvanceClock(uint32_t(dt * 1000.0f));
    fuzz::Tick(dt);
}

void StartLevel()
{
    fuzz::StartContext();
    auto application = std::make_unique<nG_Application>();
    g_application = application.get();
    g_scene->AttachObject(g_scene->GetOrigin(), std::move(application));
    g_application->LoadLevel(g_config->GetStartModule(), g_config->GetStartTrigger());
    for (int i = 0; i < 3; ++i)
        Tick(0.125f);
}

void StopLevel()
{
    delete g_application;
    g_application = nullptr;
    nE_EngineContext::Destroy();
}

void PushArgument(lua_State* L, FuzzedDataProvider& in)
{
    switch (in.ConsumeIntegralInRange(0, 8))
    {
    case 0: lua_pushnil(L); break;
    case 1: lua_pushboolean(L, in.ConsumeBool()); break;
    case 2: lua_pushinteger(L, in.ConsumeIntegralInRange(-2, 2000)); break;
    case 3: lua_pushnumber(L, in.ConsumeFloatingPoint<double>()); break;
    case 4: lua_pushstring(L, in.ConsumeRandomLengthString(64).c_str()); break;
    case 5: lua_newtable(L); break;
    case 6:
        lua_newtable(L);
        for (int i = 1, n = in.ConsumeIntegralInRange(0, 4); i <= n; ++i)
        {
            lua_pushstring(L, g_words[in.ConsumeIntegralInRange<size_t>(0, g_words.size() - 1)].c_str());
            lua_rawseti(L, -2, i);
        }
        break;
    case 7: lua_getglobal(L, "trap"); break;
    default: lua_pushstring(L, g_words[in.ConsumeIntegralInRange<size_t>(0, g_words.size() - 1)].c_str());
    }
}

// Every object's parent holds it and no object is met twice; the named ones
// are gathered for the look-up check.
void CheckTree(nE_Object* o, std::set<nE_Object*>& seen, std::vector<nE_Object*>& named)
{
    if (!seen.insert(o).second) std::abort();
    if (!o->GetName().empty()) named.push_back(o);
    for (int i = 0; i < o->GetChildCount(); ++i)
    {
        nE_Object* child = o->GetChild(i);
        if (!child || child->GetParent() != o) std::abort();
        CheckTree(child, seen, named);
    }
}

// Names find an object of that name: 64 of them spread over the tree, as each
// look-up walks the tree (all of them took a tenth of the time).
void CheckNames(const std::vector<nE_Object*>& named)
{
    const size_t stride = named.size() / 64 + 1;
    for (size_t i = 0; i < named.size(); i += stride)
    {
        nE_Object* found = g_scene->FindObject(named[i]->GetName());
        if (!found || found->GetName() != named[i]->GetName()) std::abort();
    }
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::EnterSampleCopy();
    DE50::Test::SetUrlOpener([](const std::string&) { return false; });
    DE50::Test::SetClock(0);
    g_mediator = new nG_Mediator();
    g_config = new nG_Config();
    g_stringTable = new nE_StringTable();
    g_config->Load();
    g_settings = new nG_Settings();
    g_settings->Load();
    fuzz::RegisterGameTypes();
    fuzz::MakeResourcesAndRenderer();
    size_t count = 0;
    const nE_ScriptFunction* engine = nE_GetScriptApiTable(&count);
    g_functions.assign(engine, engine + count);
    const nE_ScriptFunction* game = nG_GetScriptApiTable(&count);
    // Quitting would end the fuzzer; without the shell it does nothing, but it is no surface.
    for (size_t i = 0; i < count; ++i)
        if (std::string(game[i].name) != "Quit") g_functions.push_back(game[i]);
    CollectSampleWords();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    StartLevel();
    lua_State* L = nE_GetLua();
    luaL_dostring(L, "trap = setmetatable({}, {__index = function() error('trap') end, __newindex = "
                     "function() error('trap') end, __len = function() error('trap') end})");
    script_probe::g_table = g_functions.data();
    FuzzedDataProvider in(data, size);
    for (int calls = 0; calls < 32 && in.remaining_bytes() > 0; ++calls)
    {
        lua_settop(L, 0);
        lua_pushinteger(L, in.ConsumeIntegralInRange<lua_Integer>(0, lua_Integer(g_functions.size()) - 1));
        lua_pushcclosure(L, script_probe::Call, 1);
        const int args = in.ConsumeIntegralInRange(0, 6);
        for (int i = 0; i < args; ++i)
            PushArgument(L, in);
        script_probe::g_returned = script_probe::g_top = -1;
        if (lua_pcall(L, args, LUA_MULTRET, 0) != 0 || script_probe::g_returned != script_probe::g_top)
            std::abort();
        lua_settop(L, 0);
        if (in.ConsumeBool()) Tick(in.PickValueInArray({0.0f, 0.017f, 0.125f, 1.0f, 5.0f}));
    }
    Tick(0.125f);
    std::set<nE_Object*> seen;
    std::vector<nE_Object*> named;
    CheckTree(g_scene->GetOrigin(), seen, named);
    CheckTree(g_scene->GetStorage(), seen, named);
    CheckNames(named);
    if (lua_gettop(L) != 0) std::abort();
    StopLevel();
    return 0;
}
