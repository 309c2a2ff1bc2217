#include "core/core_test_util.h"
#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_LuaGuard.h"
#include "engine/core/nE_Module.h"
#include "engine/core/nE_ObjectTypeRegistry.h"
#include "engine/core/nE_TriggerManager.h"
#include "support/hostile.h"

#include <tinyxml.h>

#include <memory>

namespace
{
struct ModuleFixture : testing::Test
{
    LogCapture log;
    TempDir dir;
    LuaState L;
    std::unique_ptr<nE_Scene> scene = std::make_unique<nE_Scene>();
    std::unique_ptr<nE_TriggerManager> triggers = std::make_unique<nE_TriggerManager>(L);

    void SetUp() override
    {
        nE_RegisterObjectType("obj", MakePlain);
        nE_RegisterObjectType("item", MakePlain);
    }
    // Writes <name>.xml and answers the module name to load it by.
    std::string Write(const std::string& name, const std::string& text)
    {
        dir.Write(name + ".xml", text);
        return dir.path + "/" + name;
    }
    void Load(const std::string& module) { nE_Module(module).Run(scene.get(), triggers.get(), L); }
    nE_Object* Storage() { return scene->GetStorage(); }
    std::string Eval(const char* expr) { return LuaEval(L, expr); }
};

const char kRoom[] = R"xml(<?xml version="1.0"?>
<module name="room1">
  <objs>
    <obj name="holder" pos_x="100" visible="0">
      <obj name="door" pos_x="5" event_mdown="open_door(1)">
        <item name="knob" pos_y="2"/>
      </obj>
      <item name="ne_storage"><obj name="inner"/></item>
    </obj>
    <obj name="second_holder"><obj name="never"/></obj>
  </objs>
  <trigs>
    <trig name="open_door"><code>opened = ne_params.param_0</code></trig>
    <trig name="open_door"><code>opened = 'duplicate'</code></trig>
    <trig name="nocode"/>
  </trigs>
  <code>loaded = 'room1'</code>
</module>
)xml";
} // namespace

// The holder is discarded and its children move to storage (an object named
// like a root is an ordinary child); triggers and code are handed over. Of
// triggers of one name, in one file or a later one, the first is kept and each
// discarded one is named once, by file and line; objects are stored again.
TEST_F(ModuleFixture, HolderIsDiscardedChildrenGoToStorageTriggersAndCodeRun)
{
    Load(Write("room", kRoom));
    ASSERT_EQ(2, Storage()->GetChildCount());
    nE_Object* door = scene->FindObject("door");
    ASSERT_NE(nullptr, door);
    EXPECT_EQ(Storage(), door->GetParent());
    EXPECT_FLOAT_EQ(5.0f, door->GetX()); // the holder's x is not carried over
    EXPECT_TRUE(door->FindChild("knob", false) && Storage()->FindChild("inner", true));
    for (const char* gone : {"holder", "second_holder", "never"})
        EXPECT_EQ(nullptr, scene->FindObject(gone)) << gone;

    EXPECT_EQ("room1", Eval("loaded"));
    EXPECT_TRUE(triggers->Call("door", "nocode"));
    triggers->Call("door", "open_door(7)");
    EXPECT_EQ("7", Eval("opened"));
    const std::string discarded = ") is discarded: a trigger of that name is already loaded";
    EXPECT_EQ(Lines{"Warning: trigger \"open_door\" in " + dir.path + "/room.xml (line 14" + discarded},
              log.lines);

    for (int twice = 0; twice < 2; ++twice)
        Load(Write("again", "<module><trigs>\n<trig name='open_door'><code>opened = 'second'</code></trig>"
                            "</trigs><objs><obj><obj name='door'/></obj></objs></module>"));
    triggers->Call("door", "open_door(8)");
    EXPECT_EQ("8", Eval("opened"));
    EXPECT_EQ(4, Storage()->GetChildCount());
    ASSERT_EQ(2u, log.lines.size());
    EXPECT_EQ("Warning: trigger \"open_door\" in " + dir.path + "/again.xml (line 2" + discarded,
              log.lines[1]);
}

TEST_F(ModuleFixture, MultiLineCodeWithCommentsKeepsItsLineBreaks)
{
    TiXmlBase::SetCondenseWhiteSpace(true); // the module must not depend on the global setting
    Load(Write("code", "<module name='m'>\n<trigs><trig name='t'><code>\n"
                       "-- a comment line\n  t_ran = 1 -- trailing\n"
                       "t_ran = t_ran + 1\n</code></trig></trigs>\n"
                       "<code>\n-- first comment\nlocal a = 'x  y'\n"
                       "  --[[ block\n comment ]] code_ran = a\n</code></module>"));
    EXPECT_TRUE(TiXmlBase::IsWhiteSpaceCondensed());
    TiXmlBase::SetCondenseWhiteSpace(false);
    EXPECT_EQ("x  y", Eval("code_ran"));
    triggers->Call("s", "t");
    EXPECT_EQ("2", Eval("t_ran"));
    EXPECT_TRUE(log.lines.empty());
}

// Malformed XML names row and column; code errors get one "Error: " line
// each, code that never returns is stopped (the limit made tiny here) and its
// triggers still come; values returned are not left behind; a missing file
// is silent.
TEST_F(ModuleFixture, BadFilesAndCodeLogOnceAndLeaveTheStackAsFound)
{
    nE_SetLuaLimits(L, {kGameLuaLimits.memoryBytes, 1});
    lua_pushstring(L, "keep");
    std::string name = Write("bad", "<module>\n<objs>\n  <obj name='a'\n</objs>\n</module>\n");
    EXPECT_EQ(nullptr, nE_Module(name).GetHolder());
    Load(Write("err", "<module name='errmod'><code>error('oops')</code></module>"));
    Load(Write("syntax", "<module name='synmod'><code>this is not lua</code></module>"));
    Load(Write("values", "<module name='valmod'><code>return 1, 2, 3</code></module>"));
    Load(Write("spin", "<module name='spinmod'><trigs><trig name='after'><code>after = 1</code></trig>"
                       "</trigs><code>while true do end</code></module>"));
    Load(dir.path + "/nothing_here");
    Load(Write("cut", "<module>\n<code>")); // TinyXML names no place: where the text ends
    EXPECT_EQ(0, Storage()->GetChildCount());
    triggers->Call("s", "after");
    EXPECT_EQ("1", Eval("after"));
    ASSERT_EQ(5u, log.lines.size());
    EXPECT_NE(std::string::npos, log.lines[4].find(", line: 2, pos: 7")) << log.lines[4];
    EXPECT_EQ(0u, log.lines[0].find("Error while parsing xml file: " + name + ".xml. Description: "));
    // The attribute list of line 3 runs into "</objs>", the first character of line 4.
    EXPECT_NE(std::string::npos, log.lines[0].find(", line: 4, pos: 1")) << log.lines[0];
    EXPECT_EQ(0u, log.lines[1].find("Error: module errmod try to execute code - lua error: "));
    EXPECT_NE(std::string::npos, log.lines[1].find("oops"));
    EXPECT_EQ(0u, log.lines[2].find("Error: module synmod"));
    EXPECT_EQ("Error: script \"spinmod\" ran for more than 0.001 s and was stopped", log.lines[3]);
    ASSERT_EQ(1, lua_gettop(L));
    EXPECT_STREQ("keep", lua_tostring(L, 1));
}

TEST_F(ModuleFixture, UnregisteredTypeDropsOnlyItsSubtree)
{
    Load(Write("types", "<module><objs><obj>"
                        "<obj name='before'/>"
                        "<ghost name='g'><obj name='under_ghost'/></ghost>"
                        "<obj name='parent'><ghost name='g2'/><obj name='sibling'/></obj>"
                        "</obj></objs></module>"));
    EXPECT_TRUE(scene->FindObject("before") && scene->FindObject("sibling"));
    for (const char* gone : {"g", "under_ghost", "g2"})
        EXPECT_EQ(nullptr, scene->FindObject(gone)) << gone;
    // An unregistered holder means no objects; the code still runs. A trigger
    // outside "trigs" is skipped too.
    Load(Write("ghost", "<module><objs><ghost><obj name='a'/></ghost></objs><trig name='stray'/>"
                        "<code>still = 'yes'</code></module>"));
    EXPECT_EQ(nullptr, scene->FindObject("a"));
    EXPECT_EQ("yes", Eval("still"));
    // Each skipped tag is named once per file, with the file.
    const std::string skipped = ": it and its children are skipped";
    EXPECT_EQ((Lines{"Warning: unknown object kind <ghost> (name \"g\", line 1) in " + dir.path +
                         "/types.xml" + skipped,
                     "Warning: unknown object kind <ghost> (name \"\", line 1) in " + dir.path +
                         "/ghost.xml" + skipped,
                     "Warning: unknown element <trig> (line 1) in " + dir.path + "/ghost.xml" + skipped}),
              log.lines);
}

// An object attribute that is not a finite number is not taken; the file is
// named once, at the first such value.
TEST_F(ModuleFixture, NonFiniteNumbersAreNotTakenAndTheFileIsNamedOnce)
{
    const std::string name = Write("nonfinite", hostile::Read("module", "nonfinite.xml"));
    Load(name);
    Load(name);
    const nE_Object* a = scene->FindObject("a");
    const nE_Object* b = scene->FindObject("b");
    ASSERT_TRUE(a && b);
    EXPECT_EQ(std::make_pair(0.0f, 5.0f), std::make_pair(a->GetX(), a->GetY()));
    EXPECT_EQ(0.0f, b->GetX());
    EXPECT_EQ((Lines{"Warning: " + name +
                     ".xml: \"pos_x\" of <obj name=\"a\"> (line 2) is not a finite number "
                     "(\"nan\"); it is not taken (only the first such value of a file is named)"}),
              log.lines);
}
