#pragma once
// The shared fixture of the widget tests: the bus with stub answers to the
// level's and application's queries, watched messages, trigger calls, sounds
// and log lines recorded, a step driver, an injectable pointer and random
// source, and scratch folders.

#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Log.h"
#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Object.h"
#include "engine/core/nE_ObjectTypeRegistry.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_ScriptApi.h"
#include "engine/core/nE_TriggerManager.h"
#include "engine/platform/nE_SoundHub.h"
#include "engine/scene/nE_Text.h"
#include "game/interface/nG_Inventory.h"
#include "game/interface/nG_Tasks.h"
#include "game/interface/nG_WidgetUtil.h"
#include "game/messages/nG_Messages.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

// Records the sounds widgets play ("channel:file", " looped" added when the
// play flag asks the hub to loop it); `playing` names those it reports as playing.
struct RecordingHub : nE_SoundHub
{
    std::vector<std::string> played;
    std::vector<std::string> playing;
    void PlaySound(const std::string& name, const std::string& channel, bool loop, bool, const std::string&,
                   float) override
    {
        played.push_back(channel + ":" + name.substr(name.rfind('/') + 1) + (loop ? " looped" : ""));
    }
    bool IsSoundPlaying(const std::string& name) override
    {
        return std::find(playing.begin(), playing.end(), name) != playing.end();
    }
    void SetMuted(bool) override {}
};

struct WidgetFixture : testing::Test, nE_Listener
{
    RecordingHub sounds;
    nE_SoundHub* keptHub = nullptr; // the global hub before this test's recorder
    nE_Mediator bus;
    nE_Object* room = nullptr;     // answer of 100
    bool starting = false;         // answer of 112
    float appWidth = 1024.0f;      // answer of 109
    nE_Object* layer = nullptr;    // stands in for an interface layer node, under "ne_origin"
    std::vector<std::string> sent; // "id:payload" of every watched message, in order
    std::vector<std::string> logs; // every log line
    std::string scratch;           // a folder removed afterwards, once made
    std::string oldDir;            // the working folder before EnterDir
    static float s_cursorX, s_cursorY;
    static unsigned s_randomState;
    static RecordingHub* s_sounds;

    void SetUp() override
    {
        g_mediator = &bus;
        g_widgetSoundHub = s_sounds = &sounds;
        // What plays through the global hub (the sound script functions) is heard by the same recorder.
        keptHub = g_soundHub;
        g_soundHub = &sounds;
        nE_EngineContext::Instance();
        for (int id : {int(NG_MSG_GET_CURRENT_ROOM), int(NG_MSG_GET_APP_WIDTH), int(NG_MSG_IS_LEVEL_STARTING),
                       int(NE_MSG_LOG)})
            bus.Subscribe(this, id);
        s_cursorX = s_cursorY = 0.0f;
        nE_SetCursorPosFunc(
            [](float* x, float* y)
            {
                *x = s_cursorX;
                *y = s_cursorY;
            });
        s_randomState = 1;
        nG_Tasks::s_random = [] { return static_cast<int>(s_randomState++ * 7u); };
        nG_Tasks::s_drawn = true;
        nG_Inventory::ResetPointerFlags();
        g_draggedObject = g_hoveredObject = nullptr;
        // Content modules of the tests hold plain objects.
        nE_RegisterObjectType("obj", []() { return new nE_Object(); });
        layer = nE_Attach(g_scene->GetOrigin(), std::make_unique<nE_Object>("test_layer"));
        AddProbe("probe");
    }
    // A trigger of that name that records "sender:first parameter;" in Probes().
    void AddProbe(const std::string& name)
    {
        g_triggerManager->AddTrigger(std::unique_ptr<nE_Trigger>(
            new nE_Trigger(name, "probe_calls = (probe_calls or '') .. ne_params.sender .. ':' .. "
                                 "tostring(ne_params.param_0) .. ';'")));
    }
    void TearDown() override
    {
        EXPECT_TRUE(oldDir.empty() || chdir(oldDir.c_str()) == 0);
        nE_EngineContext::Destroy();
        nE_SetCursorPosFunc(nullptr);
        nG_Tasks::s_random = nullptr;
        bus.UnsubscribeAll(this);
        g_mediator = nullptr;
        g_widgetSoundHub = nullptr;
        g_soundHub = keptHub;
        if (!scratch.empty()) std::system(("rm -rf '" + scratch + "'").c_str());
    }
    std::string MakeScratch()
    {
        char tmpl[] = "/tmp/ne_widget_XXXXXX";
        if (mkdtemp(tmpl)) scratch = tmpl;
        return scratch;
    }
    // Works in that folder until the end of the test.
    void EnterDir(const std::string& dir)
    {
        char buffer[4096];
        oldDir = getcwd(buffer, sizeof(buffer)) ? buffer : "";
        ASSERT_EQ(0, chdir(dir.c_str()));
    }
    // The sample's folder, where the widgets' pictures and animations are: none may be missing.
    void EnterSampleDir() { EnterDir(std::string(std::getenv("NE_SOURCE_DIR")) + "/sample"); }
    // A scratch folder holding `sub`, as a game's working folder would.
    void EnterScratch(const std::string& sub)
    {
        ASSERT_EQ(0, std::system(("mkdir -p " + MakeScratch() + "/" + sub).c_str()));
        EnterDir(scratch);
    }

    void Watch(std::initializer_list<int> ids)
    {
        for (int id : ids)
            bus.Subscribe(this, id);
    }
    void OnMessage(int id, void* record) override
    {
        switch (id)
        {
        case NG_MSG_GET_CURRENT_ROOM:
            static_cast<nG_MsgObject*>(record)->object = room;
            return;
        case NG_MSG_GET_APP_WIDTH:
            static_cast<nG_MsgFloat*>(record)->value = appWidth;
            return;
        case NG_MSG_IS_LEVEL_STARTING:
            static_cast<nG_MsgBool*>(record)->value = starting;
            return;
        case NE_MSG_LOG:
            logs.push_back(static_cast<const char*>(record));
            return;
        case NG_MSG_TASKS_CHANGED:
        case NG_MSG_COLLECT_HO_TASK_OBJECT:
        case NG_MSG_SCREEN_CLOSED:
        case NG_MSG_BTN_LOCK_CHANGED:
        case NG_MSG_LEVEL_BLUR:
            sent.push_back(std::to_string(id) + ":" + (static_cast<nG_MsgBool*>(record)->value ? "1" : "0"));
            return;
        case NG_MSG_HO_DIALOG:
        {
            const nG_MsgHoDialog* dialog = static_cast<nG_MsgHoDialog*>(record);
            sent.push_back(std::to_string(id) + ":" + dialog->object + "," + dialog->call);
            return;
        }
        case NG_MSG_INTERFACE_FADE:
            sent.push_back(std::to_string(id) +
                           (static_cast<nG_MsgInterfaceShow*>(record)->shown ? ":1" : ":0"));
            return;
        case NG_MSG_SHOW_DIALOG:
            sent.push_back(std::to_string(id) + ":" + static_cast<nG_MsgShowDialog*>(record)->text);
            return;
        case NG_MSG_INV_CHANGED:
        case NG_MSG_CLOSE_DIALOG:
            sent.push_back(std::to_string(id));
            return;
        default: // every other watched id carries a button name
            sent.push_back(std::to_string(id) + ":" + static_cast<nG_MsgString*>(record)->value);
        }
    }

    // Sends a record and answers it as the listeners left it: the answer of a query.
    template <class R> R Send(int id, R record = R())
    {
        bus.Send(id, &record);
        return record;
    }
    void SendString(int id, const std::string& value) { Send(id, nG_MsgString{value}); }
    void SendBool(int id, bool value) { Send(id, nG_MsgBool{value}); }
    void SendInt(int id, int value) { Send(id, nG_MsgInt{value}); }
    void ShowMinigame(float skipTime, const std::string& skipCode, const std::string& reset = "",
                      const std::string& info = "")
    {
        Send(NG_MSG_SHOW_MINIGAME, nG_MsgShowMinigame{skipTime, reset, skipCode, info});
    }
    void Send3(int id, const std::string& a, const std::string& b = "", const std::string& c = "")
    {
        Send(id, nG_MsgThreeStrings{a, b, c});
    }
    // Runs n engine ticks of dt seconds: synthetic move, queued calls, update walk.
    void Step(float dt, int n = 1)
    {
        nE_TimeStep step;
        step.step = step.elapsed = dt;
        for (int i = 0; i < n; ++i)
            g_engineContext->Update(&step);
    }
    void Input(uint32_t kind, float x, float y)
    {
        s_cursorX = x;
        s_cursorY = y;
        nE_InputEvent event;
        event.kind = kind;
        event.key = NE_MOUSE_KEYCODE;
        event.x = x;
        event.y = y;
        g_scene->DispatchInput(&event);
    }
    // A plain object with an input rectangle of w x h around (x, y).
    nE_Object* AddObject(nE_Object* parent, const std::string& name, float x, float y, float w = 40,
                         float h = 40)
    {
        auto object = std::make_unique<nE_Object>(name);
        object->SetPos(x, y);
        object->SetInputRect(nE_Rect{-w / 2, -h / 2, w, h});
        return nE_Attach(parent ? parent : layer, std::move(object));
    }
    // The HUD scaled and offset like a wide, full screen.
    void WideHud()
    {
        layer->SetPos(160, 24);
        layer->SetScale(1.25f, 1.25f);
    }
    static nE_Vec3 WorldPos(nE_Object* object)
    {
        nE_Matrix m = object->GetWorldMatrix();
        return nE_Vec3(m.At(3, 0), m.At(3, 1), 0);
    }
    static std::string TextOf(nE_Object* text) { return static_cast<nE_Text*>(text)->GetText(); }
    // An object beneath the widgets whose clicks the probe records as "below:below;".
    nE_Object* Below(float x, float y, float w = 40, float h = 40)
    {
        nE_Object* below = AddObject(layer, "below", x, y, w, h);
        below->SetZ(-1);
        below->SetEventCode(NE_EVENT_MDOWN, "probe(below)");
        return below;
    }
    std::string Probes() const { return LuaString("probe_calls"); }
    void ClearProbes() { luaL_dostring(nE_GetLua(), "probe_calls = nil"); }
    std::string LuaString(const char* global) const
    {
        lua_State* L = nE_GetLua();
        lua_getglobal(L, global);
        std::string value = lua_isstring(L, -1) ? lua_tostring(L, -1) : "";
        lua_pop(L, 1);
        return value;
    }
    // Takes over a new widget.
    template <class T> T* Add(T* widget) { return nE_Attach(layer, std::unique_ptr<T>(widget)); }
};

inline float WidgetFixture::s_cursorX = 0.0f;
inline float WidgetFixture::s_cursorY = 0.0f;
inline unsigned WidgetFixture::s_randomState = 1;
inline RecordingHub* WidgetFixture::s_sounds = nullptr;
