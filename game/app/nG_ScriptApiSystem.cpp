// The game's script functions that drive the program and the desktop:
// quitting, copying a file to the documents folder, the wallpaper and the
// browser, the platform answers, and the old names kept alive with a warning.

#include "game/app/nG_ScriptApi.h"

#include "engine/core/nE_Log.h"
#include "engine/platform/nE_System.h"
#include "game/app/nG_ScriptApiUtil.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace
{
using namespace nG_ScriptUtil;

void OpenUrl(const std::string& url)
{
    if (!nE_OpenBrowser(url)) nE_LogFmt("Warning: OpenBrowser: the address \"%s\" could not be opened.", url);
}

// Copies `path` (relative to the working directory) into the game's folder
// under the user's documents; answers the copy's full name, empty on failure.
std::string CopyToDocuments(const std::string& path)
{
    namespace fs = std::filesystem;
    std::string documents = nG_DocumentsFolder();
    size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (documents.empty() || name.empty())
    {
        nE_LogFmt("Warning: CopyFileToMyDocs: no documents folder or no file name in \"%s\".", path);
        return std::string();
    }
    fs::path folder = fs::path(documents) / nE_GetPlatformGameName();
    fs::path target = folder / name;
    std::error_code ec;
    fs::create_directories(folder, ec);
    fs::path source = fs::current_path(ec) / path;
    if (!fs::copy_file(source, target, fs::copy_options::overwrite_existing, ec) || ec)
    {
        nE_LogFmt2("Warning: CopyFileToMyDocs: could not copy %s to %s.", source.string(), target.string());
        return std::string();
    }
    return target.string();
}

int Deprecated(lua_State* L, const char* name)
{
    nE_LogFmt("WARNING: %s is deprecated!!!", name);
    return Nothing(L);
}
} // namespace

std::string nG_DocumentsFolder()
{
    const char* xdg = std::getenv("XDG_DOCUMENTS_DIR");
    if (xdg && *xdg) return xdg;
    const char* home = std::getenv("HOME");
    if (home && *home) return std::string(home) + "/Documents";
    return std::string();
}

namespace nG_ScriptApi
{
using namespace nG_ScriptUtil;

// ---- the program ----

int Quit(lua_State* L)
{
    lua_settop(L, 0);
    if (g_gameScriptServices.quit) g_gameScriptServices.quit();
    return 0;
}

// ---- desktop ----

int CopyFileToMyDocs(lua_State* L)
{
    std::string path = nE_ArgString(L, 1);
    lua_settop(L, 0);
    CopyToDocuments(path);
    return 0;
}

// The picture still lands in the documents folder; the desktop itself has no
// portable wallpaper call, which the log says; no result either way.
int SetWallpaper(lua_State* L)
{
    std::string path = nE_ArgString(L, 1);
    lua_settop(L, 0);
    std::string target = CopyToDocuments(path);
    nE_LogFmt("Warning: SetWallpaper: the desktop wallpaper cannot be set on this platform (%s).",
              target.empty() ? path : target);
    return 0;
}

int OpenBrowser(lua_State* L)
{
    std::string url = nE_ArgString(L, 1);
    lua_settop(L, 0);
    OpenUrl(url);
    return 0;
}

// ---- platform answers ----

int IsMac(lua_State* L)
{
    return PushInt(L, 0);
}

int IsiSplashPressed(lua_State* L)
{
    double value = nE_TruncateToInt(lua_tonumber(L, 1));
    lua_settop(L, 0);
    lua_pushnumber(L, value);
    return 1;
}

int IsRated(lua_State* L)
{
    return PushInt(L, nE_ArgInt(L, 1));
}

int IsIOS(lua_State* L)
{
    lua_settop(L, 0);
    lua_pushnumber(L, 0.0);
    return 1;
}

int IosStub(lua_State* L)
{
    return Nothing(L);
}

// ---- old names ----

int SwitchToGame(lua_State* L)
{
    return Deprecated(L, "SwitchToGame");
}

int SwitchToExtraGame(lua_State* L)
{
    return Deprecated(L, "SwitchToExtraGame");
}

int SwitchToMenu(lua_State* L)
{
    return Deprecated(L, "SwitchToMenu");
}

int GetCurrentProfileId(lua_State* L)
{
    return Deprecated(L, "GetCurrentProfileId");
}

int GetNumProfiles(lua_State* L)
{
    return Deprecated(L, "GetNumProfiles");
}

int GetProfileNameById(lua_State* L)
{
    return Deprecated(L, "GetProfileNameById");
}

int SaveProfile(lua_State* L)
{
    return Deprecated(L, "SaveProfile");
}

int IsCorruptedProfile(lua_State* L)
{
    return Deprecated(L, "IsCorruptedProfile");
}

int SetGameMode(lua_State* L)
{
    return Deprecated(L, "SetGameMode");
}

int GetGameMode(lua_State* L)
{
    return Deprecated(L, "GetGameMode");
}
} // namespace nG_ScriptApi
