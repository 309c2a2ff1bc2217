// The player's game data as it grows: "ng_global" of about 0.1, 1 and 10 MB
// (as saved) in a Lua state made as the game's is, saved and loaded through the
// game's own code (nG_ProfileList::SaveGame / LoadGame) in a scratch user folder:
//  - BM_SaveGame/<KB>, BM_LoadGame/<KB>: time per call, the saved file's size
//    (file_mb) and the most the process held during a call above what it held
//    before it, the heap's free pages handed back first (peak_extra_mb).

#include "bench/fixtures/bench_env.h"
#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_LuaGuard.h"
#include "game/app/nG_ProfileList.h"

#include <benchmark/benchmark.h>
#include <lua.hpp>
#include <malloc.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace
{

// A scratch user folder for the whole process, removed at exit.
const std::string& UserFolder()
{
    static std::string dir;
    if (!dir.empty()) return dir;
    char tmpl[] = "/tmp/ne_bench_saves_XXXXXX";
    if (!mkdtemp(tmpl)) return dir;
    dir = tmpl;
    setenv("NOTENGINE_USER_DIR", dir.c_str(), 1);
    std::atexit(
        []
        {
            std::error_code ec;
            std::filesystem::remove_all(dir, ec);
        });
    return dir;
}

// What a game keeps: its progress, and a journal of `entries` records of
// strings, numbers, flags and small lists, as scripts write them.
bool FillGameData(lua_State* L, int entries)
{
    const std::string code =
        "ng_global = { progress = { room = 'sample_room1', starts = 3, lamps = { true, false, true } }, "
        "journal = {} } "
        "for i = 1, " +
        std::to_string(entries) +
        " do ng_global.journal[i] = { name = 'entry_' .. i, room = 'sample_room' .. (i % 7), "
        "found = i % 3 == 0, x = i * 0.5, seen = { i, i + 1, i + 2 }, "
        "note = 'The keeper climbed the spiral stair at dusk.' } end";
    return luaL_dostring(L, code.c_str()) == 0;
}

double FileMb(const std::string& name)
{
    std::error_code ec;
    const auto size = std::filesystem::file_size(UserFolder() + "/" + name, ec);
    return ec ? 0 : double(size) / (1024.0 * 1024.0);
}

// The saved size of one journal entry, from a save of 1,000.
double BytesPerEntry(nG_ProfileList& list, lua_State* L)
{
    const int sample = 1000;
    if (!FillGameData(L, sample) || !list.SaveGame()) return 0;
    return FileMb(nG_GameDataFileName("bench")) * 1024.0 * 1024.0 / sample;
}

struct Saves
{
    nE_LuaState lua;
    nG_ProfileList* list = nullptr;
    bool ok = false;

    explicit Saves(double kilobytes)
    {
        if (UserFolder().empty()) return;
        lua.L = nE_NewLuaState(kGameLuaLimits);
        g_luaState = &lua;
        list = new nG_ProfileList();
        list->Add("bench"); // already listed when an earlier benchmark saved
        if (!lua.L || !list->SetCurrent("bench")) return;
        const double perEntry = BytesPerEntry(*list, lua.L);
        if (perEntry <= 0) return;
        const int entries = std::max(1, int(kilobytes * 1024.0 / perEntry));
        ok = FillGameData(lua.L, entries) && list->SaveGame();
    }
    ~Saves()
    {
        delete list;
        g_luaState = nullptr;
        nE_CloseLuaState(lua.L);
    }
};

// One timed call per iteration; the peak is started again before each.
template <class Call> void Measure(benchmark::State& state, Call call)
{
    const double kb = benchenv::Tiny() ? 1.0 : double(state.range(0));
    Saves saves(kb);
    if (!saves.ok) return state.SkipWithError("no scratch user folder, Lua state or first save");
    double peakExtra = 0;
    for (auto _ : state)
    {
        state.PauseTiming();
        malloc_trim(0); // what earlier calls freed must not hide this one's peak
        benchenv::ResetPeak();
        const double before = benchenv::ResidentMb();
        state.ResumeTiming();
        if (!call(*saves.list))
        {
            state.SkipWithError("the game refused the save or the load");
            break;
        }
        state.PauseTiming();
        peakExtra = std::max(peakExtra, benchenv::PeakMb() - before);
        state.ResumeTiming();
    }
    state.counters["file_mb"] = FileMb(nG_GameDataFileName("bench"));
    state.counters["peak_extra_mb"] = peakExtra;
}

void BM_SaveGame(benchmark::State& state)
{
    Measure(state, [](nG_ProfileList& list) { return list.SaveGame(); });
}
BENCHMARK(BM_SaveGame)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadGame(benchmark::State& state)
{
    Measure(state, [](nG_ProfileList& list) { return list.LoadGame(); });
}
BENCHMARK(BM_LoadGame)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
