// The profile list, then the current profile's game data laid over the
// scripts' table. The game data's checksum line is made right for inputs
// whose first byte is even, so the parser behind it is reached.
#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_LuaXml.h"
#include "game/app/nG_ProfileList.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool once = [] {
        fuzz::Scratch();
        nE_EngineContext::Instance();
        return true;
    }();
    (void)once;
    // Each input starts from an empty folder: earlier inputs' game data would
    // be rebuilt into a refused list, and their kept copies would pile up.
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(fuzz::Scratch(), ec))
        std::filesystem::remove_all(entry.path(), ec);
    const std::vector<std::string> parts = fuzz::Split(data, size, 2);
    fuzz::Write("profile_list.xml", parts[0]);
    nG_ProfileList list;
    std::string game = parts[1];
    if (size > 0 && data[0] % 2 == 0)
        game = "<!--" +
               std::to_string(nE_ByteSum(reinterpret_cast<const unsigned char*>(game.data()), int(game.size()))) +
               "-->" + game;
    const std::string file = nG_GameDataFileName(list.GetCurrentName());
    if (!file.empty()) fuzz::Write(file, game);
    lua_State* L = nE_GetLua();
    luaL_dostring(L, "ng_global = {}");
    list.LoadGame();
    // This input's tables freed now: memory still held after an input has
    // the fuzzer look for leaks, a whole-heap scan each time.
    luaL_dostring(L, "ng_global = nil");
    lua_gc(L, LUA_GCCOLLECT, 0);
    return 0;
}
