#pragma once
// Helpers shared by the engine core tests.

#include "engine/core/nE_Log.h"
#include "engine/core/nE_LuaGuard.h"
#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Object.h"
#include "engine/core/nE_Scene.h"

#include "support/lua_eval.h"

#include <gtest/gtest.h>
#include <lua.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

typedef std::vector<std::string> Lines;

// Installs its own bus as the global one and keeps every log line sent on it.
struct LogCapture : nE_Listener
{
    nE_Mediator bus;
    Lines lines;
    LogCapture()
    {
        nE_ForgetWarnings(); // each test sees its own once-per-name warnings
        g_mediator = &bus;
        bus.Subscribe(this, NE_MSG_LOG);
    }
    ~LogCapture() override
    {
        bus.UnsubscribeAll(this);
        g_mediator = nullptr;
    }
    void OnMessage(int, void* record) override { lines.push_back(static_cast<const char*>(record)); }
    int Count(const std::string& prefix) const
    {
        int n = 0;
        for (const std::string& line : lines)
            n += line.compare(0, prefix.size(), prefix) == 0;
        return n;
    }
};

// A Lua state made as the game's is, closed with its owner. Declare it
// before anything that uses the state, so that it is closed last.
struct LuaState
{
    lua_State* L = nE_NewLuaState(kGameLuaLimits);
    ~LuaState() { nE_CloseLuaState(L); }
    operator lua_State*() const { return L; }
};

inline nE_Object* MakePlain()
{
    return new nE_Object();
}

// A fresh directory under /tmp, removed with what was written into it.
struct TempDir
{
    std::string path;
    TempDir()
    {
        char pattern[] = "/tmp/ne_core_test_XXXXXX";
        if (mkdtemp(pattern)) path = pattern;
    }
    ~TempDir()
    {
        if (!path.empty()) std::filesystem::remove_all(path);
    }
    // Writes <dir>/<name> and answers its full path.
    std::string Write(const std::string& name, const std::string& text)
    {
        std::ofstream(path + "/" + name, std::ios::binary) << text;
        return path + "/" + name;
    }
};

inline nE_InputEvent MouseEvent(uint32_t kind, float x, float y)
{
    return nE_InputEvent{kind, NE_MOUSE_KEYCODE, 0, x, y};
}

// Stands in for the platform pointer, which the scene reads through
// nE_SetCursorPosFunc(ReadTestPointer).
inline float g_pointerX = -1000.0f, g_pointerY = -1000.0f;

inline void ReadTestPointer(float* x, float* y)
{
    *x = g_pointerX, *y = g_pointerY;
}

// A platform mouse event: the pointer moves first, then the scene sees it.
inline void SendMouse(nE_Scene* scene, uint32_t kind, float x, float y)
{
    g_pointerX = x, g_pointerY = y;
    nE_InputEvent e = MouseEvent(kind, x, y);
    scene->DispatchInput(&e);
}

// Expects the matrix to carry the origin to (x, y).
inline void ExpectAt(float x, float y, const nE_Matrix& m)
{
    nE_Vec3 p;
    nE_Matrix::TransformPoint(p, nE_Vec3(0, 0, 0), m);
    EXPECT_NEAR(x, p.x, 1e-3f);
    EXPECT_NEAR(y, p.y, 1e-3f);
}

inline nE_TimeStep Step(float dt)
{
    nE_TimeStep s;
    s.step = s.elapsed = dt;
    return s;
}
