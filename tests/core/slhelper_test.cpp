#include "core/core_test_util.h"
#include "engine/core/nE_Properties.h"
#include "engine/core/nE_SLHelper.h"

#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace
{
// One value of every kind the helpers store.
struct Values
{
    bool b = false;
    int i = 0;
    uint32_t u = 0;
    float f = 0;
    std::string s;
    nE_SLVec2 v2{};
    nE_Vec3 v3;
};

void WriteAll(nE_SLHelper& h, const Values& v)
{
    h.WriteBool("b", v.b);
    h.WriteInt("i", v.i);
    h.WriteUInt("u", v.u);
    h.WriteFloat("f", v.f);
    h.WriteString("s", v.s);
    h.WriteVec2("v2", v.v2);
    h.WriteVec3("v3", v.v3);
}

// Reads every kind, each from its own name or all from `name`; `after` runs
// after each read. Answers how many reads succeeded.
int ReadAll(
    nE_SLHelper& h, Values& v, const char* name = nullptr, const std::function<void()>& after = [] {})
{
    auto at = [&](const char* own) { return name ? name : own; };
    auto done = [&](bool read) { return after(), int(read); };
    int ok = 0;
    for (int read :
         {done(h.ReadBool(at("b"), v.b)), done(h.ReadInt(at("i"), v.i)), done(h.ReadUInt(at("u"), v.u)),
          done(h.ReadFloat(at("f"), v.f)), done(h.ReadString(at("s"), v.s)), done(h.ReadVec2(at("v2"), v.v2)),
          done(h.ReadVec3(at("v3"), v.v3))})
        ok += read;
    return ok;
}

// Every field as text, exact enough to compare round trips.
std::string Text(const Values& v)
{
    std::ostringstream out;
    out.precision(9);
    out << v.b << "|" << v.i << "|" << v.u << "|" << v.f << "|" << v.s << "|" << v.v2[0] << ";" << v.v2[1]
        << "|" << v.v3.x << ";" << v.v3.y << ";" << v.v3.z;
    return out.str();
}

Values Sample(const std::string& text)
{
    return Values{true, -123456789, 0xFFFFFFFFu, 0.1f, text, {1.5f, -2.25f}, nE_Vec3(1.0f, 2.0f, -3.125f)};
}

struct SLHelperLua : testing::Test
{
    LuaState L;
    void Push(const char* expr)
    {
        ASSERT_EQ(0, luaL_dostring(L, (std::string("return ") + expr).c_str())) << lua_tostring(L, -1);
    }
};
} // namespace

TEST(SLHelperXml, EveryKindSurvivesAFileIncludingHighUnsignedValues)
{
    TiXmlElement root("obj");
    const Values in = Sample("say \"<&>\"\nnext line");
    {
        nE_SLHelper_XML w(&root);
        WriteAll(w, in);
        w.WriteUInt("u31", 0x80000000u);
        w.WriteString("empty", "");
    }
    // Unsigned values are stored as their signed bit pattern, as old files hold them.
    EXPECT_STREQ("-2147483648", root.Attribute("u31"));
    EXPECT_STREQ("-1", root.Attribute("u"));

    std::string text;
    text << root;
    TiXmlDocument doc;
    doc.Parse(text.c_str());
    ASSERT_FALSE(doc.Error()) << doc.ErrorDesc();
    nE_SLHelper_XML r(doc.RootElement());
    Values out;
    EXPECT_EQ(7, ReadAll(r, out));
    EXPECT_EQ(Text(in), Text(out));
    uint32_t u31 = 0;
    std::string empty = "x";
    EXPECT_TRUE(r.ReadUInt("u31", u31) && r.ReadString("empty", empty) && u31 == 0x80000000u && empty == "");
}

TEST(SLHelperXml, ChildrenNestAndNeverClimbAboveTheBase)
{
    TiXmlElement root("obj");
    TiXmlElement* base = root.LinkEndChild(new TiXmlElement("base"))->ToElement();
    nE_SLHelper_XML h(base);
    h.BeginWriteChild("item");
    h.BeginWriteChild("inner");
    h.WriteInt("deep", 1);
    for (int i = 0; i < 2; ++i)
        h.EndWriteChild();
    h.BeginWriteChild("item");
    h.WriteInt("n", 1);
    for (int i = 0; i < 2; ++i) // one too many: stays on the base
        h.EndWriteChild();
    h.EndReadChild();
    EXPECT_EQ(base, h.GetCurrent());

    int n = -1;
    ASSERT_TRUE(h.BeginReadChild("item", 1));
    EXPECT_TRUE(h.ReadInt("n", n) && n == 1);
    EXPECT_FALSE(h.BeginReadChild("inner", 0)); // the second item has none
    h.EndReadChild();
    ASSERT_TRUE(h.BeginReadChild("item", 0) && h.BeginReadChild("inner", 0));
    EXPECT_TRUE(h.ReadInt("deep", n) && n == 1);
    for (int i = 0; i < 3; ++i)
        h.EndReadChild();
    EXPECT_EQ(base, h.GetCurrent());
    EXPECT_FALSE(h.BeginReadChild("item", 2) || h.BeginReadChild("item", -1));
    EXPECT_EQ(base, h.GetCurrent());
}

// Values of another type than the read wants: numeric reads take them as 0,
// a string read as "", vectors need a table (whose non-nil elements read as
// numbers); nil leaves the target. A bool reads the integer part of a number
// or text, so 0.5 and "abc" are false. Nothing raises.
TEST_F(SLHelperLua, OtherTypesReadAsZeroOrEmpty)
{
    const std::string vectors = "|1.5;-2.25|1;2;-3.125";
    const struct
    {
        const char* field;
        int reads;
        std::string text;
    } cases[] = {
        {"nil", 0, "1|-123456789|4294967295|0.100000001|keep" + vectors},
        {"print", 4, "1|0|0|0|" + vectors},
        {"true", 5, "1|0|0|0|" + vectors},
        {"false", 5, "0|0|0|0|" + vectors},
        {"'abc'", 5, "0|0|0|0|abc" + vectors},
        {"'-7'", 5, "1|-7|4294967289|-7|-7" + vectors},
        {"'0'", 5, "0|0|0|0|0" + vectors},
        {"0.5", 5, "0|0|0|0.5|0.5" + vectors},
        {"{}", 6, "1|0|0|0|" + vectors},
        {"{1, 'x', {}}", 6, "1|0|0|0||1;0|1;0;0"},
    };
    for (const auto& c : cases)
    {
        Push((std::string("{x = ") + c.field + "}").c_str());
        nE_SLHelper_Lua h(L);
        Values v = Sample("keep");
        EXPECT_EQ(c.reads, ReadAll(h, v, "x")) << c.field;
        EXPECT_EQ(c.text, Text(v)) << c.field;
        EXPECT_FALSE(h.BeginReadChild("x", 0));
        lua_pop(L, 1);
    }
}

// Every operation, on a table, on a non-table top and on an empty stack,
// leaves the stack height as it was and raises nothing.
TEST_F(SLHelperLua, StackBalancedAfterEveryOperation)
{
    nE_SLHelper_Lua h(L);
    auto runAll = [&](const char* setting)
    {
        const int top = lua_gettop(L);
        auto check = [&] { ASSERT_EQ(top, lua_gettop(L)) << setting; };
        WriteAll(h, Sample("x"));
        h.WriteInt(nullptr, 1);
        h.BeginWriteChild("c");
        h.EndWriteChild();
        h.EndReadChild();
        h.BeginReadChild("c", 0);
        check();
        for (const char* field : {"v3", "v2", "s", "f", "i", "u", "b", "tab", "fn", "nil"})
        {
            Values v;
            ReadAll(h, v, field, check);
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

// A property table reads and writes its rows in order, asks a row's condition
// when its turn comes (after the rows above were read), runs a row's hook only
// for a key found, and resets a field to its value in the field's own type.
TEST(PropertyTable, RowsInTurnAndResetsInTheFieldsType)
{
    struct Owner
    {
        bool on = false;
        float x = 0.0f;
        uint32_t count = 7;
        std::string text = "kept";
        int hooks = 0;
    };
    using P = nE_Property<Owner>;
    auto hook = [](Owner& o) { ++o.hooks; };
    const nE_PropertyTable<Owner> table = {
        P("on", NE_PROPERTY_AT(on)).Reset(false),
        P("x", NE_PROPERTY_AT(x)).OnlyWhen(NE_PROPERTY_IF(on)).AfterRead(hook).Reset(2),
        P("count", NE_PROPERTY_AT(count)).AfterRead(hook).Reset(1.9f),
        {"text", NE_PROPERTY_AT(text)},
    };
    const struct
    {
        const char* attributes;
        const char* saved;
        int hooks;
    } cases[] = {
        {"on='1' x='3'", "<o on=\"1\" x=\"3\" count=\"7\" text=\"kept\" />", 1},
        {"on='0' x='3' count='5'", "<o on=\"0\" count=\"5\" text=\"kept\" />", 1},
    };
    for (const auto& c : cases)
    {
        TiXmlDocument doc;
        doc.Parse((std::string("<o ") + c.attributes + "/>").c_str());
        Owner o;
        nE_SLHelper_XML in(doc.RootElement());
        nE_LoadProperties(in, table, o);
        EXPECT_EQ(c.hooks, o.hooks) << c.attributes;
        TiXmlElement out("o");
        nE_SLHelper_XML writer(&out);
        nE_SaveProperties(writer, table, o);
        TiXmlPrinter printer;
        out.Accept(&printer);
        EXPECT_EQ(std::string(c.saved) + "\n", printer.Str()) << c.attributes;
        nE_ResetProperties(table, o);
        EXPECT_TRUE(!o.on && o.x == 2.0f && o.count == 1u && o.text == "kept") << c.attributes;
    }
}

namespace
{
// A table longer than the rows a source can rule out, whose last row repeats
// the first row's key.
struct Wide
{
    float v[70] = {};
    float again = -1.0f;
};

const char* WideKey(size_t i)
{
    static const std::vector<std::string> keys = []
    {
        std::vector<std::string> k;
        for (int n = 0; n < 70; ++n)
            k.push_back("k" + std::to_string(n));
        return k;
    }();
    return keys[i].c_str();
}

template <size_t... I> nE_PropertyTable<Wide> WideTable(std::index_sequence<I...>)
{
    return {nE_Property<Wide>(WideKey(I), [](Wide& o) -> nE_PropertyRef { return &o.v[I]; })...,
            nE_Property<Wide>("k0", NE_PROPERTY_AT(again))};
}
} // namespace

// Loading reads every row whose key the element has, wherever the row stands
// (past the 64th, or a key listed twice), and no other row.
TEST(PropertyTable, ReadsEveryRowWhoseKeyIsThere)
{
    const nE_PropertyTable<Wide> table = WideTable(std::make_index_sequence<70>());
    TiXmlDocument doc;
    doc.Parse("<o k0='1' k5='2' k63='3' k64='4' k69='5' x='9' />");
    Wide o;
    nE_SLHelper_XML in(doc.RootElement());
    nE_LoadProperties(in, table, o);
    float want[70] = {};
    want[0] = 1.0f, want[5] = 2.0f, want[63] = 3.0f, want[64] = 4.0f, want[69] = 5.0f;
    for (int n = 0; n < 70; ++n)
        EXPECT_EQ(want[n], o.v[n]) << "k" << n;
    EXPECT_EQ(1.0f, o.again);

    // An element with no attribute at all, and a helper on no element.
    Wide untouched;
    TiXmlElement bare("o");
    nE_SLHelper_XML none(&bare), nowhere(nullptr);
    nE_LoadProperties(none, table, untouched);
    nE_LoadProperties(nowhere, table, untouched);
    EXPECT_EQ(-1.0f, untouched.again);
    EXPECT_EQ(0.0f, untouched.v[69]);
}
