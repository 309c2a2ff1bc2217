#pragma once
// Shared by the fuzz targets: one scratch folder per process that is both the
// working folder and the user folder, files written into it, and inputs cut
// into parts.

#include <lua.hpp>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <unistd.h>
#include <vector>

namespace fuzz
{

// Makes the scratch folder once and enters it; answers its path with a final '/'.
inline const std::string& Scratch()
{
    static std::string dir;
    if (dir.empty())
    {
        // In memory where there is such a folder: saves wait for the disk otherwise.
        char shm[] = "/dev/shm/ne_fuzz_XXXXXX", tmp[] = "/tmp/ne_fuzz_XXXXXX";
        const char* tmpl = mkdtemp(shm) ? shm : mkdtemp(tmp);
        if (!tmpl) std::abort();
        dir = std::string(tmpl) + "/";
        setenv("NOTENGINE_USER_DIR", tmpl, 1);
        setenv("ALSOFT_DRIVERS", "null", 1);
        if (chdir(tmpl) != 0) std::abort();
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(dir, ec);
        });
    }
    return dir;
}

// Writes the bytes as a file under the scratch folder, making its folders.
inline void Write(const std::string& relative, const std::string& bytes)
{
    const std::filesystem::path path = Scratch() + relative;
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// The input cut at each "\n@@\n", padded with empty parts to `count`; the last
// part keeps any further separators.
inline std::vector<std::string> Split(const uint8_t* data, size_t size, size_t count)
{
    static const std::string kCut = "\n@@\n";
    std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> parts;
    size_t from = 0;
    while (parts.size() + 1 < count)
    {
        const size_t at = text.find(kCut, from);
        if (at == std::string::npos) break;
        parts.push_back(text.substr(from, at - from));
        from = at + kCut.size();
    }
    parts.push_back(text.substr(from));
    parts.resize(count);
    return parts;
}

// Stops the state's code after a bounded number of instructions from now.
inline void ResetBudget(lua_State* L)
{
    lua_sethook(
        L, [](lua_State* S, lua_Debug*) { luaL_error(S, "instruction limit"); }, LUA_MASKCOUNT, 1000000);
}

// A Lua state without the libraries that reach the system.
inline lua_State* BoundedLua()
{
    lua_State* L = luaL_newstate();
    const std::pair<const char*, lua_CFunction> libs[] = {
        {"", luaopen_base}, {LUA_TABLIBNAME, luaopen_table}, {LUA_STRLIBNAME, luaopen_string},
        {LUA_MATHLIBNAME, luaopen_math}};
    for (const auto& lib : libs)
    {
        lua_pushcfunction(L, lib.second);
        lua_pushstring(L, lib.first);
        lua_call(L, 1, 0);
    }
    for (const char* name : {"dofile", "loadfile", "require", "collectgarbage"})
    {
        lua_pushnil(L);
        lua_setglobal(L, name);
    }
    ResetBudget(L);
    return L;
}

} // namespace fuzz
