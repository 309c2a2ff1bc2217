// Loading a module file of 1,000 objects, and one trigger call from an
// object's event to its Lua code, each beside its bare baseline:
//  - BM_ModuleLoad: nE_Module reading, parsing and building the objects;
//  - BM_TinyXmlParse: TinyXML parsing the same file alone;
//  - BM_TriggerCall: the trigger manager calling "moved(12, left)" as an
//    object's event does (lookup, parameters, code), on a state made as the
//    game's is (budget, watchdog);
//  - BM_LuaPcall: luaL_loadbuffer + lua_pcall of the same code, nothing else;
//  - BM_LuaPcallCompiled: lua_pcall of that code compiled once;
//  - BM_LuaFreshParams: the least a trigger call does on top of that: a fresh
//    ne_params table of its three fields set as the global, then the pcall.

#include "engine/core/nE_LuaGuard.h"
#include "engine/core/nE_Module.h"
#include "engine/core/nE_TriggerManager.h"
#include "engine/scene/nE_Engine.h"

#include <benchmark/benchmark.h>
#include <lua.hpp>
#include <tinyxml.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace
{

const int kObjects = 1000;
const char kCode[] = "local p = ne_params; total = (total or 0) + tonumber(p.param_0) + #p.param_1";

// A scratch working folder holding "bench_mod.xml".
const std::string& ModuleFolder()
{
    static std::string dir;
    if (!dir.empty()) return dir;
    char tmpl[] = "/tmp/ne_bench_mod_XXXXXX";
    if (!mkdtemp(tmpl)) return dir;
    dir = tmpl;
    std::ofstream out(dir + "/bench_mod.xml");
    out << "<module name=\"bench_mod\"><objs><obj name=\"holder\">\n";
    for (int i = 0; i < kObjects; ++i)
        out << "<spr name=\"s" << i << "\" pos_x=\"" << (i * 37) % 1024 << "\" pos_y=\"" << (i * 53) % 768
            << "\" res=\"none\" visible=\"" << (i % 2) << "\"/>\n";
    out << "</obj></objs><trigs><trig name=\"moved\"><code>" << kCode << "</code></trig></trigs>"
        << "<code>total = 0</code></module>\n";
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    });
    return dir;
}

bool EnterFolder()
{
    static bool once = [] {
        nE_RegisterEngineKinds();
        return !ModuleFolder().empty() && chdir(ModuleFolder().c_str()) == 0;
    }();
    return once;
}

void BM_ModuleLoad(benchmark::State& state)
{
    if (!EnterFolder()) return state.SkipWithError("no scratch folder");
    for (auto _ : state)
    {
        nE_Module module("bench_mod");
        benchmark::DoNotOptimize(module.GetHolder());
    }
    state.counters["objects"] = kObjects;
}
BENCHMARK(BM_ModuleLoad)->Unit(benchmark::kMicrosecond);

void BM_TinyXmlParse(benchmark::State& state)
{
    if (!EnterFolder()) return state.SkipWithError("no scratch folder");
    for (auto _ : state)
    {
        TiXmlDocument doc("bench_mod.xml");
        benchmark::DoNotOptimize(doc.LoadFile());
    }
}
BENCHMARK(BM_TinyXmlParse)->Unit(benchmark::kMicrosecond);

void BM_TriggerCall(benchmark::State& state)
{
    lua_State* L = nE_NewLuaState(kGameLuaLimits);
    {
        nE_TriggerManager triggers(L);
        triggers.AddTrigger(std::make_unique<nE_Trigger>("moved", kCode));
        const std::string sender = "button", text = "moved(12, left)";
        for (auto _ : state)
            triggers.Call(sender, text);
    }
    nE_CloseLuaState(L);
}
BENCHMARK(BM_TriggerCall);

// ne_params as the trigger sees it, set once.
lua_State* BareState()
{
    lua_State* L = luaL_newstate();
    luaL_openlibs(L);
    luaL_dostring(L, "ne_params = {param_0 = '12', param_1 = 'left', sender = 'button'}");
    return L;
}

void BM_LuaPcall(benchmark::State& state)
{
    lua_State* L = BareState();
    for (auto _ : state)
    {
        luaL_loadbuffer(L, kCode, sizeof(kCode) - 1, "code");
        lua_pcall(L, 0, 0, 0);
    }
    lua_close(L);
}
BENCHMARK(BM_LuaPcall);

void BM_LuaPcallCompiled(benchmark::State& state)
{
    lua_State* L = BareState();
    luaL_loadbuffer(L, kCode, sizeof(kCode) - 1, "code");
    for (auto _ : state)
    {
        lua_pushvalue(L, -1);
        lua_pcall(L, 0, 0, 0);
    }
    lua_close(L);
}
BENCHMARK(BM_LuaPcallCompiled);

void BM_LuaFreshParams(benchmark::State& state)
{
    lua_State* L = BareState();
    luaL_loadbuffer(L, kCode, sizeof(kCode) - 1, "code");
    const int code = lua_gettop(L);
    // Keys made once and fetched by number, values given with their lengths:
    // no hashing of a key, no strlen, as the trigger manager does it.
    const std::string keys[] = {"ne_params", "param_0", "param_1", "sender"};
    const std::string values[] = {"12", "left", "button"};
    lua_createtable(L, 4, 0);
    for (int i = 0; i < 4; ++i)
    {
        lua_pushlstring(L, keys[i].data(), keys[i].size());
        lua_rawseti(L, -2, i + 1);
    }
    const int keyTable = lua_gettop(L);
    for (auto _ : state)
    {
        lua_rawgeti(L, keyTable, 1);
        lua_createtable(L, 0, 3);
        for (int i = 0; i < 3; ++i)
        {
            lua_rawgeti(L, keyTable, i + 2);
            lua_pushlstring(L, values[i].data(), values[i].size());
            lua_rawset(L, -3);
        }
        lua_rawset(L, LUA_GLOBALSINDEX);
        lua_pushvalue(L, code);
        lua_pcall(L, 0, 0, 0);
    }
    lua_close(L);
}
BENCHMARK(BM_LuaFreshParams);

} // namespace

BENCHMARK_MAIN();
