#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Log.h"
#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Module.h"
#include "engine/core/nE_Object.h"
#include "engine/core/nE_ObjectTypeRegistry.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_TriggerManager.h"

#include <gtest/gtest.h>
#include <lua.hpp>
#include <tinyxml.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
struct LogLines : nE_Listener
{
    std::vector<std::string> lines;
    void OnMessage(int, void* record) override { lines.push_back(static_cast<const char*>(record)); }
};

nE_Object* MakePlain()
{
    return new nE_Object();
}

struct ModuleFixture : testing::Test
{
    nE_Mediator bus;
    LogLines log;
    std::string dir;
    std::vector<std::string> files;
    lua_State* L = nullptr;
    std::unique_ptr<nE_Scene> scene;
    std::unique_ptr<nE_TriggerManager> triggers;

    void SetUp() override
    {
        g_mediator = &bus;
        bus.Subscribe(&log, NE_MSG_LOG);
        char pattern[] = "/tmp/ne_module_test_XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        dir = pattern;
        nE_RegisterObjectType("obj", MakePlain);
        nE_RegisterObjectType("item", MakePlain);
        L = luaL_newstate();
        luaL_openlibs(L);
        scene = std::make_unique<nE_Scene>();
        triggers = std::make_unique<nE_TriggerManager>(L);
    }
    void TearDown() override
    {
        triggers.reset();
        scene.reset();
        lua_close(L);
        for (const std::string& f : files)
            std::remove(f.c_str());
        rmdir(dir.c_str());
        bus.UnsubscribeAll(&log);
        g_mediator = nullptr;
    }
    // Writes <dir>/<name>.xml and answers the module name to load it by.
    std::string Write(const std::string& name, const std::string& text)
    {
        std::string path = dir + "/" + name + ".xml";
        std::ofstream(path, std::ios::binary) << text;
        files.push_back(path);
        return dir + "/" + name;
    }
    void Load(const std::string& module)
    {
        nE_Module m(module);
        m.Run(scene.get(), triggers.get(), L);
    }
    nE_Object* Storage() { return scene->GetStorage(); }
    std::string Global(const char* name)
    {
        lua_getglobal(L, name);
        const char* s = lua_tostring(L, -1);
        std::string out = s ? s : "nil";
        lua_pop(L, 1);
        return out;
    }
};

const char kRoom[] = R"xml(<?xml version="1.0"?>
<module name="room1">
  <objs>
    <obj name="holder" pos_x="100" visible="0">
      <obj name="door" pos_x="5" event_mdown="open_door(1)">
        <item name="knob" pos_y="2"/>
      </obj>
      <item name="lamp" pos_z="-1"/>
    </obj>
    <obj name="second_holder"><obj name="never"/></obj>
  </objs>
  <trigs>
    <trig name="open_door"><code>opened = ne_params.param_0</code></trig>
    <trig name="nocode"/>
  </trigs>
  <code>loaded = 'room1'</code>
</module>
)xml";
} // namespace

TEST_F(ModuleFixture, HolderIsDiscardedAndItsChildrenGoToStorage)
{
    Load(Write("room", kRoom));
    ASSERT_EQ(2, Storage()->GetChildCount());
    nE_Object* door = scene->FindObject("door");
    ASSERT_NE(nullptr, door);
    EXPECT_EQ(Storage(), door->GetParent());
    EXPECT_FLOAT_EQ(5.0f, door->GetX()); // the holder's x is not carried over
    EXPECT_TRUE(door->IsVisible());
    EXPECT_EQ("open_door(1)", door->GetEventCode(NE_EVENT_MDOWN));
    ASSERT_NE(nullptr, door->FindChild("knob", false));
    EXPECT_FLOAT_EQ(2.0f, door->FindChild("knob", false)->GetY());
    EXPECT_EQ(nullptr, scene->FindObject("holder"));
    EXPECT_EQ(nullptr, scene->FindObject("second_holder"));
    EXPECT_EQ(nullptr, scene->FindObject("never"));
    EXPECT_FALSE(door->AreResourcesLoaded());
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(ModuleFixture, TriggersAndCodeAreHandedOver)
{
    Load(Write("room", kRoom));
    EXPECT_EQ("room1", Global("loaded"));
    ASSERT_NE(nullptr, triggers->GetTrigger("nocode"));
    EXPECT_EQ("", triggers->GetTrigger("nocode")->GetCode());
    EXPECT_TRUE(triggers->Call("door", "nocode"));
    triggers->Call("door", "open_door(7)");
    EXPECT_EQ("7", Global("opened"));
}

TEST_F(ModuleFixture, LoadingTwiceKeepsFirstTriggersButStoresObjectsAgain)
{
    std::string first = Write("a", "<module><trigs><trig name='t'><code>v = 'first'</code></trig>"
                                   "<trig name='t'><code>v = 'dup'</code></trig></trigs>"
                                   "<objs><obj><obj name='x'/></obj></objs></module>");
    std::string second = Write("b", "<module><trigs><trig name='t'><code>v = 'second'</code></trig></trigs>"
                                    "<objs><obj><obj name='x'/></obj></objs></module>");
    Load(first);
    Load(second);
    triggers->Call("s", "t");
    EXPECT_EQ("first", Global("v"));
    EXPECT_EQ(1u, triggers->GetTriggerCount());
    EXPECT_EQ(2, Storage()->GetChildCount());
}

TEST_F(ModuleFixture, MultiLineCodeWithCommentsKeepsItsLineBreaks)
{
    TiXmlBase::SetCondenseWhiteSpace(true); // the module must not depend on the global setting
    std::string name = Write("code", "<module name='m'>\n<trigs><trig name='t'><code>\n"
                                     "-- a comment line\n  t_ran = 1 -- trailing\n"
                                     "t_ran = t_ran + 1\n</code></trig></trigs>\n"
                                     "<code>\n-- first comment\nlocal a = 'x  y'\n"
                                     "  --[[ block\n comment ]] code_ran = a\n</code></module>");
    nE_Module m(name);
    EXPECT_NE(std::string::npos, m.GetCode().find("\n-- first comment\n"));
    m.Run(scene.get(), triggers.get(), L);
    EXPECT_TRUE(TiXmlBase::IsWhiteSpaceCondensed());
    TiXmlBase::SetCondenseWhiteSpace(false);
    EXPECT_EQ("x  y", Global("code_ran"));
    triggers->Call("s", "t");
    EXPECT_EQ("2", Global("t_ran"));
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(ModuleFixture, MalformedXmlLogsRowAndColumnAndLoadsNothing)
{
    std::string name = Write("bad", "<module>\n<objs>\n  <obj name='a'\n</objs>\n</module>\n");
    nE_Module m(name);
    EXPECT_EQ(nullptr, m.GetHolder());
    ASSERT_EQ(1u, log.lines.size());
    const std::string& line = log.lines[0];
    EXPECT_EQ(0u, line.find("Error while parsing xml file: " + name + ".xml. Description: "));
    // The attribute list of line 3 runs into "</objs>", the first character of line 4.
    EXPECT_NE(std::string::npos, line.find(", line: 4, pos: 1")) << line;

    nE_Module other(Write("bad2", "<module>\n  <obj x='1' & />\n</module>"));
    ASSERT_EQ(2u, log.lines.size());
    EXPECT_NE(std::string::npos, log.lines[1].find(", line: 2, pos: 14")) << log.lines[1]; // the "&"
}

TEST_F(ModuleFixture, MissingFileIsSilentAndEmpty)
{
    nE_Module m(dir + "/nothing_here");
    m.Run(scene.get(), triggers.get(), L);
    EXPECT_EQ(0, Storage()->GetChildCount());
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(ModuleFixture, UnregisteredTypeDropsOnlyItsSubtree)
{
    Load(Write("types", "<module><objs><obj>"
                        "<obj name='before'/>"
                        "<ghost name='g'><obj name='under_ghost'/></ghost>"
                        "<obj name='parent'><ghost name='g2'/><obj name='sibling'/></obj>"
                        "</obj></objs></module>"));
    EXPECT_NE(nullptr, scene->FindObject("before"));
    EXPECT_NE(nullptr, scene->FindObject("sibling"));
    EXPECT_EQ(nullptr, scene->FindObject("g"));
    EXPECT_EQ(nullptr, scene->FindObject("under_ghost"));
    EXPECT_EQ(nullptr, scene->FindObject("g2"));
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(ModuleFixture, UnregisteredHolderMeansNoObjects)
{
    Load(Write("ghost", "<module><objs><ghost><obj name='a'/></ghost></objs>"
                        "<code>still_runs = 'yes'</code></module>"));
    EXPECT_EQ(0, Storage()->GetChildCount());
    EXPECT_EQ("yes", Global("still_runs"));
}

TEST_F(ModuleFixture, WithoutModuleElementPartsAreReadFromTheDocument)
{
    Load(Write("flat", "<objs><obj><obj name='f'/></obj></objs><code>flat = 1</code>"));
    EXPECT_NE(nullptr, scene->FindObject("f"));
    EXPECT_EQ("1", Global("flat"));
    Load(Write("empty_module", "<module name='e'/><code>flat = 2</code>"));
    EXPECT_EQ("2", Global("flat"));
}

TEST_F(ModuleFixture, CodeErrorLogsOnceAndLeavesTheStackAsFound)
{
    lua_pushstring(L, "keep");
    Load(Write("err", "<module name='errmod'><code>error('oops')</code></module>"));
    Load(Write("syntax", "<module name='synmod'><code>this is not lua</code></module>"));
    Load(Write("values", "<module name='valmod'><code>return 1, 2, 3</code></module>"));
    ASSERT_EQ(2u, log.lines.size());
    EXPECT_EQ(0u, log.lines[0].find("Error: module errmod try to execute code - lua error: "));
    EXPECT_NE(std::string::npos, log.lines[0].find("oops"));
    EXPECT_EQ(0u, log.lines[1].find("Error: module synmod"));
    ASSERT_EQ(1, lua_gettop(L));
    EXPECT_STREQ("keep", lua_tostring(L, 1));
}

TEST_F(ModuleFixture, RunWithoutSceneOrManagerDropsThosePartsSafely)
{
    nE_Module m(Write("room", kRoom));
    EXPECT_NE(nullptr, m.GetHolder());
    EXPECT_EQ(2u, m.GetTriggerCount());
    m.Run(nullptr, nullptr, nullptr);
    EXPECT_EQ(nullptr, m.GetHolder());
    EXPECT_EQ(0u, m.GetTriggerCount());
}

TEST_F(ModuleFixture, ObjectsNamedLikeRootsAreOrdinaryChildren)
{
    Load(Write("roots", "<module><objs><obj><obj name='ne_storage'><obj name='inner'/></obj>"
                        "<obj name='ne_origin'/></obj></objs></module>"));
    EXPECT_EQ(2, Storage()->GetChildCount());
    EXPECT_NE(nullptr, Storage()->FindChild("inner", true));
}

TEST(ObjectTypeRegistry, CreateByNameAndReplaceRegistration)
{
    EXPECT_EQ(nullptr, nE_CreateObject("no_such_type", "x"));
    EXPECT_FALSE(nE_IsObjectTypeRegistered("no_such_type"));
    nE_RegisterObjectType("reg_test", [] { return static_cast<nE_Object*>(nullptr); });
    EXPECT_EQ(nullptr, nE_CreateObject("reg_test", "x"));
    nE_RegisterObjectType("reg_test", MakePlain);
    std::unique_ptr<nE_Object> o(nE_CreateObject("reg_test", "named"));
    ASSERT_NE(nullptr, o);
    EXPECT_EQ("named", o->GetName());
    EXPECT_EQ(nullptr, o->GetParent());
    EXPECT_FALSE(o->AreResourcesLoaded());
    EXPECT_EQ(nullptr, nE_CreateObjectFromXml(nullptr));
}

TEST(ObjectTypeRegistry, TriggerFromXmlTakesNameAndFirstText)
{
    TiXmlDocument doc;
    doc.Parse("<trigs><trig name='a'><code><!-- note -->x = 1</code></trig><trig><code/></trig></trigs>");
    TiXmlElement* first = doc.RootElement()->FirstChildElement("trig");
    std::unique_ptr<nE_Trigger> a(nE_CreateTriggerFromXml(first));
    EXPECT_EQ("a", a->GetName());
    EXPECT_EQ("x = 1", a->GetCode());
    std::unique_ptr<nE_Trigger> b(nE_CreateTriggerFromXml(first->NextSiblingElement("trig")));
    EXPECT_EQ("", b->GetName());
    EXPECT_EQ("", b->GetCode());
}

TEST(ModuleThroughContext, LoadModuleUsesTheEngineContext)
{
    nE_RegisterObjectType("obj", MakePlain);
    char pattern[] = "/tmp/ne_module_ctx_XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    std::string base = std::string(pattern) + "/m";
    std::ofstream(base + ".xml") << "<module><objs><obj><obj name='ctx_obj'/></obj></objs>"
                                    "<trigs><trig name='ctx_t'><code>ctx = 1</code></trig></trigs>"
                                    "<code>TRIGGER_SEEN = 1</code></module>";
    nE_EngineContext::Instance();
    nE_LoadModule(base);
    EXPECT_NE(nullptr, g_scene->GetStorage()->FindChild("ctx_obj", false));
    EXPECT_NE(nullptr, g_triggerManager->GetTrigger("ctx_t"));
    lua_getglobal(nE_GetLua(), "TRIGGER_SEEN");
    EXPECT_EQ(1, lua_tointeger(nE_GetLua(), -1));
    lua_pop(nE_GetLua(), 1);
    nE_EngineContext::Destroy();
    std::remove((base + ".xml").c_str());
    rmdir(pattern);
}
