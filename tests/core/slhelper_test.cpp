#include "engine/core/nE_SLHelper.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace
{
// Prints and parses again, so values are checked as a file would hold them.
std::string Print(const TiXmlElement& e)
{
    std::string out;
    out << e;
    return out;
}

struct SLHelperXml : testing::Test
{
    TiXmlElement root{"obj"};
};

struct SLHelperLua : testing::Test
{
    lua_State* L = nullptr;
    void SetUp() override
    {
        L = luaL_newstate();
        luaL_openlibs(L);
    }
    void TearDown() override { lua_close(L); }
    // Leaves the value of `expr` on the stack.
    void Push(const char* expr)
    {
        std::string code = std::string("return ") + expr;
        ASSERT_EQ(0, luaL_dostring(L, code.c_str())) << lua_tostring(L, -1);
    }
    int FieldType(const char* name)
    {
        lua_getfield(L, -1, name);
        int type = lua_type(L, -1);
        lua_pop(L, 1);
        return type;
    }
};
} // namespace

// ---------------------------------------------------------------- XML

TEST_F(SLHelperXml, EveryKindSurvivesAFile)
{
    {
        nE_SLHelper_XML w(&root);
        w.WriteBool("b", true);
        w.WriteInt("i", -123456789);
        w.WriteUInt("u0", 0u);
        w.WriteUInt("u31", 0x80000000u);
        w.WriteUInt("umax", 0xFFFFFFFFu);
        w.WriteFloat("f", 0.1f);
        w.WriteString("s", "say \"<&>\"\nnext line");
        w.WriteString("empty", "");
        w.WriteVec2("v2", {1.5f, -2.25f});
        w.WriteVec3("v3", nE_Vec3(1.0f, 2.0f, -3.125f));
    }
    EXPECT_STREQ("-2147483648", root.Attribute("u31"));
    EXPECT_STREQ("-1", root.Attribute("umax"));
    EXPECT_STREQ("1", root.Attribute("b"));
    EXPECT_STREQ("0.1", root.Attribute("f"));
    EXPECT_STREQ("1.500000;-2.250000", root.Attribute("v2"));
    EXPECT_STREQ("1.000000;2.000000;-3.125000", root.Attribute("v3"));

    TiXmlDocument doc;
    doc.Parse(Print(root).c_str());
    ASSERT_FALSE(doc.Error()) << doc.ErrorDesc();
    nE_SLHelper_XML r(doc.RootElement());
    bool b = false;
    int i = 0;
    uint32_t u0 = 7, u31 = 0, umax = 0;
    float f = 0;
    std::string s, empty = "x";
    nE_SLVec2 v2{};
    nE_Vec3 v3;
    EXPECT_TRUE(r.ReadBool("b", b) && b);
    EXPECT_TRUE(r.ReadInt("i", i));
    EXPECT_EQ(-123456789, i);
    EXPECT_TRUE(r.ReadUInt("u0", u0) && r.ReadUInt("u31", u31) && r.ReadUInt("umax", umax));
    EXPECT_EQ(0u, u0);
    EXPECT_EQ(0x80000000u, u31);
    EXPECT_EQ(0xFFFFFFFFu, umax);
    EXPECT_TRUE(r.ReadFloat("f", f));
    EXPECT_EQ(0.1f, f);
    EXPECT_TRUE(r.ReadString("s", s) && r.ReadString("empty", empty));
    EXPECT_EQ("say \"<&>\"\nnext line", s);
    EXPECT_EQ("", empty);
    EXPECT_TRUE(r.ReadVec2("v2", v2) && r.ReadVec3("v3", v3));
    EXPECT_EQ(1.5f, v2[0]);
    EXPECT_EQ(-2.25f, v2[1]);
    EXPECT_EQ(-3.125f, v3.z);
}

TEST_F(SLHelperXml, FloatsKeepSixDigits)
{
    nE_SLHelper_XML h(&root);
    h.WriteFloat("f", 1234.567f);
    EXPECT_STREQ("1234.57", root.Attribute("f"));
    h.WriteFloat("f", 1e-7f); // overwrites
    EXPECT_STREQ("1e-07", root.Attribute("f"));
    float f = 0;
    EXPECT_TRUE(h.ReadFloat("f", f));
    EXPECT_FLOAT_EQ(1e-7f, f);
}

TEST_F(SLHelperXml, TextsAsOldFilesHoldThem)
{
    root.SetAttribute("big", "4294967295");
    root.SetAttribute("yes", "2");
    root.SetAttribute("word", "true");
    root.SetAttribute("half", "1.5;oops");
    root.SetAttribute("junk", "abc");
    root.SetAttribute("spaced", " 2.5 ");
    nE_SLHelper_XML h(&root);
    uint32_t u = 0;
    int i = 5;
    bool yes = false, word = true;
    float spaced = 0;
    nE_SLVec2 half{9, 9};
    nE_Vec3 junk(7, 8, 9);
    EXPECT_TRUE(h.ReadUInt("big", u));
    EXPECT_EQ(0xFFFFFFFFu, u);
    EXPECT_TRUE(h.ReadInt("junk", i));
    EXPECT_EQ(0, i);
    EXPECT_TRUE(h.ReadBool("yes", yes) && yes);
    EXPECT_TRUE(h.ReadBool("word", word));
    EXPECT_FALSE(word);
    EXPECT_TRUE(h.ReadFloat("spaced", spaced));
    EXPECT_EQ(2.5f, spaced);
    EXPECT_TRUE(h.ReadVec2("half", half));
    EXPECT_EQ(1.5f, half[0]);
    EXPECT_EQ(9.0f, half[1]);
    EXPECT_TRUE(h.ReadVec3("junk", junk));
    EXPECT_EQ(7.0f, junk.x);
    EXPECT_EQ(9.0f, junk.z);
}

TEST_F(SLHelperXml, AbsentValuesLeaveTargets)
{
    nE_SLHelper_XML h(&root);
    bool b = true;
    int i = 3;
    uint32_t u = 4;
    float f = 5;
    std::string s = "keep";
    nE_SLVec2 v2{1, 2};
    nE_Vec3 v3(1, 2, 3);
    EXPECT_FALSE(h.ReadBool("x", b) || h.ReadInt("x", i) || h.ReadUInt("x", u) || h.ReadFloat("x", f) ||
                 h.ReadString("x", s) || h.ReadVec2("x", v2) || h.ReadVec3("x", v3) ||
                 h.ReadString(nullptr, s));
    EXPECT_TRUE(b);
    EXPECT_EQ(3, i);
    EXPECT_EQ(4u, u);
    EXPECT_EQ(5.0f, f);
    EXPECT_EQ("keep", s);
    EXPECT_EQ(2.0f, v2[1]);
    EXPECT_EQ(3.0f, v3.z);
}

TEST_F(SLHelperXml, ChildrenNestAndNeverClimbAboveTheBase)
{
    TiXmlElement* base = root.LinkEndChild(new TiXmlElement("base"))->ToElement();
    nE_SLHelper_XML h(base);
    h.BeginWriteChild("item");
    h.WriteInt("n", 0);
    h.BeginWriteChild("inner");
    h.WriteInt("deep", 1);
    h.EndWriteChild();
    h.EndWriteChild();
    h.BeginWriteChild("item");
    h.WriteInt("n", 1);
    h.EndWriteChild();
    h.EndWriteChild(); // one too many: stays on the base
    h.EndReadChild();
    EXPECT_EQ(base, h.GetCurrent());
    h.WriteInt("top", 9);
    EXPECT_STREQ("9", base->Attribute("top"));
    EXPECT_EQ(nullptr, root.Attribute("top"));

    int n = -1;
    ASSERT_TRUE(h.BeginReadChild("item", 1));
    EXPECT_TRUE(h.ReadInt("n", n));
    EXPECT_EQ(1, n);
    EXPECT_FALSE(h.BeginReadChild("inner", 0)); // the second item has none
    h.EndReadChild();
    ASSERT_TRUE(h.BeginReadChild("item", 0));
    ASSERT_TRUE(h.BeginReadChild("inner", 0));
    EXPECT_TRUE(h.ReadInt("deep", n));
    EXPECT_EQ(1, n);
    h.EndReadChild();
    h.EndReadChild();
    EXPECT_EQ(base, h.GetCurrent());
    EXPECT_FALSE(h.BeginReadChild("item", 2));
    EXPECT_FALSE(h.BeginReadChild("item", -1));
    EXPECT_EQ(base, h.GetCurrent());
}

TEST_F(SLHelperXml, InfoValuesOnlyInInfoMode)
{
    nE_SLHelper_XML plain(&root);
    plain.SetInfoValue(true);
    plain.WriteFloat("draw_width", 10);
    plain.SetInfoValue(false);
    plain.WriteFloat("pos_x", 1);
    EXPECT_EQ(nullptr, root.Attribute("draw_width"));
    EXPECT_STREQ("1", root.Attribute("pos_x"));

    nE_SLHelper_XML info(&root, true);
    info.SetInfoValue(true);
    info.WriteFloat("draw_width", 10);
    EXPECT_STREQ("10", root.Attribute("draw_width"));
}

TEST(SLHelperXmlNull, NoElementDoesNothing)
{
    nE_SLHelper_XML h(nullptr);
    int i = 4;
    h.WriteInt("i", 1);
    h.BeginWriteChild("c");
    h.EndWriteChild();
    EXPECT_FALSE(h.ReadInt("i", i));
    EXPECT_FALSE(h.BeginReadChild("c", 0));
    EXPECT_EQ(4, i);
}

// ---------------------------------------------------------------- Lua

TEST_F(SLHelperLua, EveryKindRoundTrips)
{
    lua_newtable(L);
    nE_SLHelper_Lua h(L);
    h.WriteBool("b", true);
    h.WriteInt("i", -5);
    h.WriteUInt("u", 0xFFFFFFFFu);
    h.WriteFloat("f", 0.25f);
    h.WriteString("s", std::string("a\0b", 3));
    h.WriteVec2("v2", {1, 2});
    h.WriteVec3("v3", nE_Vec3(4, 5, 6));
    EXPECT_EQ(LUA_TBOOLEAN, FieldType("b"));
    EXPECT_EQ(LUA_TNUMBER, FieldType("u"));
    EXPECT_EQ(LUA_TTABLE, FieldType("v3"));
    lua_getfield(L, -1, "v3");
    EXPECT_EQ(3, int(lua_objlen(L, -1)));
    lua_pop(L, 1);

    bool b = false;
    int i = 0;
    uint32_t u = 0;
    float f = 0;
    std::string s;
    nE_SLVec2 v2{};
    nE_Vec3 v3;
    EXPECT_TRUE(h.ReadBool("b", b) && h.ReadInt("i", i) && h.ReadUInt("u", u) && h.ReadFloat("f", f) &&
                h.ReadString("s", s) && h.ReadVec2("v2", v2) && h.ReadVec3("v3", v3));
    EXPECT_TRUE(b);
    EXPECT_EQ(-5, i);
    EXPECT_EQ(0xFFFFFFFFu, u);
    EXPECT_EQ(0.25f, f);
    EXPECT_EQ(std::string("a\0b", 3), s);
    EXPECT_EQ(2.0f, v2[1]);
    EXPECT_EQ(6.0f, v3.z);
    EXPECT_EQ(1, lua_gettop(L));
}

TEST_F(SLHelperLua, BoolMatrix)
{
    Push("{t = true, one = 1, sone = '1', two = '2', big = 1e20,"
         " f = false, zero = 0, szero = '0', word = 'yes', half = 0.5}");
    nE_SLHelper_Lua h(L);
    for (const char* name : {"t", "one", "sone", "two", "big"})
    {
        bool v = false;
        EXPECT_TRUE(h.ReadBool(name, v)) << name;
        EXPECT_TRUE(v) << name;
    }
    for (const char* name : {"f", "zero", "szero", "word", "half"})
    {
        bool v = true;
        EXPECT_TRUE(h.ReadBool(name, v)) << name;
        EXPECT_FALSE(v) << name;
    }
}

TEST_F(SLHelperLua, OddTypesAnswerFalseAndLeaveTargets)
{
    Push("{tab = {}, fn = print, word = 'abc', flag = true, vec = {1, 'x', {}}, numtext = {'2.5'}}");
    nE_SLHelper_Lua h(L);
    bool b = true;
    int i = 3;
    uint32_t u = 4;
    float f = 5;
    std::string s = "keep";
    nE_SLVec2 v2{8, 9};
    nE_Vec3 v3(7, 7, 7);
    EXPECT_FALSE(h.ReadBool("tab", b) || h.ReadBool("fn", b) || h.ReadBool("nil", b));
    EXPECT_FALSE(h.ReadInt("tab", i) || h.ReadInt("word", i) || h.ReadInt("flag", i));
    EXPECT_FALSE(h.ReadUInt("fn", u) || h.ReadFloat("word", f) || h.ReadFloat("nil", f));
    EXPECT_FALSE(h.ReadString("tab", s) || h.ReadString("flag", s) || h.ReadString("nil", s));
    EXPECT_FALSE(h.ReadVec2("nil", v2) || h.ReadVec2("word", v2) || h.ReadVec3("nil", v3) ||
                 h.ReadVec3("flag", v3));
    EXPECT_TRUE(b);
    EXPECT_EQ(3, i);
    EXPECT_EQ(4u, u);
    EXPECT_EQ(5.0f, f);
    EXPECT_EQ("keep", s);
    EXPECT_EQ(8.0f, v2[0]);
    EXPECT_EQ(7.0f, v3.x);

    // Elements that are not numbers keep their component.
    EXPECT_TRUE(h.ReadVec3("vec", v3));
    EXPECT_EQ(1.0f, v3.x);
    EXPECT_EQ(7.0f, v3.y);
    EXPECT_EQ(7.0f, v3.z);
    EXPECT_TRUE(h.ReadVec2("numtext", v2));
    EXPECT_EQ(2.5f, v2[0]);
    EXPECT_EQ(9.0f, v2[1]);
    EXPECT_FALSE(h.BeginReadChild("tab", 0));
}

TEST_F(SLHelperLua, NumbersAndTextsConvert)
{
    Push("{n = 1.5, s = '42', neg = -1, huge = 1e300, nan = 0/0, wide = 3000000000}");
    nE_SLHelper_Lua h(L);
    std::string s;
    int i = 0;
    uint32_t u = 0;
    float f = 0;
    EXPECT_TRUE(h.ReadString("n", s));
    EXPECT_EQ("1.5", s);
    EXPECT_EQ(LUA_TNUMBER, FieldType("n")); // reading did not convert the field
    EXPECT_TRUE(h.ReadInt("s", i));
    EXPECT_EQ(42, i);
    EXPECT_TRUE(h.ReadInt("n", i));
    EXPECT_EQ(1, i);
    EXPECT_TRUE(h.ReadUInt("neg", u));
    EXPECT_EQ(0xFFFFFFFFu, u);
    EXPECT_TRUE(h.ReadUInt("wide", u));
    EXPECT_EQ(3000000000u, u);
    EXPECT_TRUE(h.ReadInt("nan", i));
    EXPECT_EQ(0, i);
    EXPECT_TRUE(h.ReadInt("huge", i)); // saturates instead of overflowing
    EXPECT_TRUE(h.ReadFloat("huge", f));
    EXPECT_TRUE(std::isinf(f));
}

TEST_F(SLHelperLua, MetamethodsAreNotRun)
{
    ASSERT_EQ(0, luaL_dostring(L, "t = setmetatable({}, {__index = function() error('read') end,"
                                  " __newindex = function() error('write') end}) return t"));
    nE_SLHelper_Lua h(L);
    int i = 6;
    EXPECT_FALSE(h.ReadInt("missing", i));
    h.WriteInt("x", 2);
    EXPECT_TRUE(h.ReadInt("x", i));
    EXPECT_EQ(2, i);
}

TEST_F(SLHelperLua, InfoValuesOnlyInInfoMode)
{
    lua_newtable(L);
    nE_SLHelper_Lua plain(L), info(L, true);
    plain.SetInfoValue(true);
    info.SetInfoValue(true);
    plain.WriteFloat("a", 1);
    info.WriteFloat("b", 1);
    EXPECT_EQ(LUA_TNIL, FieldType("a"));
    EXPECT_EQ(LUA_TNUMBER, FieldType("b"));
}

// Every operation, on a table, on a non-table top and on an empty stack,
// leaves the stack height as it was and raises nothing.
TEST_F(SLHelperLua, StackBalancedAfterEveryOperation)
{
    std::vector<std::function<void(nE_SLHelper&)>> ops = {
        [](nE_SLHelper& h) { h.WriteVec3("v3", nE_Vec3(1, 2, 3)); },
        [](nE_SLHelper& h) {
            h.WriteVec2("v2", {1, 2});
        },
        [](nE_SLHelper& h) { h.WriteString("s", "x"); },
        [](nE_SLHelper& h) { h.WriteFloat("f", 1); },
        [](nE_SLHelper& h) { h.WriteInt("i", 1); },
        [](nE_SLHelper& h) { h.WriteUInt("u", 1); },
        [](nE_SLHelper& h) { h.WriteBool("b", true); },
        [](nE_SLHelper& h) { h.WriteInt(nullptr, 1); },
        [](nE_SLHelper& h) { h.BeginWriteChild("c"); },
        [](nE_SLHelper& h) { h.EndWriteChild(); },
        [](nE_SLHelper& h) { h.EndReadChild(); },
        [](nE_SLHelper& h) { h.BeginReadChild("c", 0); },
    };
    for (const char* field : {"v3", "v2", "s", "f", "i", "u", "b", "tab", "fn", "nil"})
    {
        ops.push_back(
            [field](nE_SLHelper& h)
            {
                nE_Vec3 v3;
                h.ReadVec3(field, v3);
            });
        ops.push_back(
            [field](nE_SLHelper& h)
            {
                nE_SLVec2 v2{};
                h.ReadVec2(field, v2);
            });
        ops.push_back(
            [field](nE_SLHelper& h)
            {
                std::string s;
                h.ReadString(field, s);
            });
        ops.push_back(
            [field](nE_SLHelper& h)
            {
                float f;
                h.ReadFloat(field, f);
            });
        ops.push_back(
            [field](nE_SLHelper& h)
            {
                int i;
                h.ReadInt(field, i);
            });
        ops.push_back(
            [field](nE_SLHelper& h)
            {
                uint32_t u;
                h.ReadUInt(field, u);
            });
        ops.push_back(
            [field](nE_SLHelper& h)
            {
                bool b;
                h.ReadBool(field, b);
            });
    }
    nE_SLHelper_Lua h(L);
    auto runAll = [&](const char* setting)
    {
        int top = lua_gettop(L);
        for (size_t k = 0; k < ops.size(); ++k)
        {
            ops[k](h);
            ASSERT_EQ(top, lua_gettop(L)) << setting << ", operation " << k;
        }
    };
    runAll("empty stack");
    Push("42");
    runAll("number on top");
    lua_pop(L, 1);
    Push("{tab = {}, fn = print, s = 'x'}");
    runAll("table, first pass");
    runAll("table, values present");
}
