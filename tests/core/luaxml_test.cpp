#include "core/core_test_util.h"
#include "engine/core/nE_LuaXml.h"
#include "engine/core/nE_Xml.h"

namespace
{
struct LuaXml : testing::Test
{
    LogCapture log;
    LuaState L;
    void Run(const std::string& code) { LuaRun(L, code); }
    // Lua assertions; each failing `assert` reports its own message.
    void Check(const std::string& code) { LuaRun(L, "assert(" + code + ")"); }
    // Converts global `name` to text, as the profile file stores it.
    std::string Save(const char* name)
    {
        lua_getglobal(L, name);
        int top = lua_gettop(L);
        std::unique_ptr<TiXmlElement> e = nE_LuaTableToXml("data", L);
        EXPECT_EQ(top, lua_gettop(L));
        lua_pop(L, 1);
        std::string text;
        text << *e;
        return text;
    }
    // Reads `text` into global `name` (made a table if absent), plainly or merged.
    void Load(const std::string& text, const char* name, bool merge)
    {
        TiXmlDocument doc;
        ASSERT_EQ(nE_XmlParse(doc, text, "test"), nE_XmlResult::Ok) << doc.ErrorDesc() << "\n" << text;
        Run(std::string(name) + " = " + name + " or {}");
        lua_getglobal(L, name);
        int top = lua_gettop(L);
        if (merge)
            nE_XmlToLuaTableRecursive(doc.RootElement(), L);
        else
            nE_XmlToLuaTable(doc.RootElement(), L);
        EXPECT_EQ(top, lua_gettop(L));
        lua_pop(L, 1);
    }
};
} // namespace

TEST_F(LuaXml, MixedNestedTableRoundTrip)
{
    Run("src = {10, 20, name = 'x', flag = true, off = false, empty = '', space = ' ', fn = print,"
        " nested = {a = {b = 1}, 5}, none = {}, ['2nd_visit'] = 's', [0] = 'zero', [-3] = 'neg',"
        " [1.5] = 'half', ['\\195\\188ber'] = 'utf8', text = 'a \"q\" <b> & c\\nline', zero = '\\0a\\0'}");
    std::string text = Save("src");
    Load(text, "dst", false);
    Check("dst[1] == 10 and dst[2] == 20 and #dst == 2 and dst.fn == nil");
    Check("dst.name == 'x' and dst.flag == true and dst.off == false");
    Check("dst.empty == '' and dst.space == ' '"); // a lone space stands for empty, so a space goes in hex
    Check("dst.nested.a.b == 1 and dst.nested[1] == 5");
    Check("type(dst.none) == 'table' and next(dst.none) == nil");
    // "2nd_visit" stays a string key and cannot overwrite array slot 2.
    Check("dst['2nd_visit'] == 's' and dst[2] == 20");
    Check("dst[0] == nil and dst['0'] == 'zero' and dst[-3] == 'neg'");
    Check("dst[1.5] == nil and dst['1.5'] == 'half' and dst['\\195\\188ber'] == 'utf8'");
    Check("dst.text == 'a \"q\" <b> & c\\nline'");
    Check("dst.zero == '\\0a\\0'"); // zero bytes cannot stand in an attribute as they are
    EXPECT_EQ(0, log.Count("Warning: "));
    EXPECT_NE(std::string::npos, text.find("<s_empty v=\" \""));
    EXPECT_NE(std::string::npos, text.find("<s_space x=\"20\""));
}

TEST_F(LuaXml, NumbersSurviveExactly)
{
    Run("src = {1234567, 1700000000, 0.1, -2.5e-9, 123456.789, 2^40, -0.5, 4294967295}");
    std::string text = Save("src");
    EXPECT_NE(std::string::npos, text.find("v=\"1234567\"")) << text;
    EXPECT_NE(std::string::npos, text.find("v=\"1700000000\"")) << text;
    Load(text, "dst", false);
    Check("#dst == #src");
    Run("for i = 1, #src do assert(dst[i] == src[i], 'entry ' .. i .. ': ' .. tostring(dst[i])) end");
}

TEST_F(LuaXml, MergeKeepsWhatTheFileDoesNotMention)
{
    Run("old = {sub = {over = 9, new = 'n', deeper = {x = 1}}, scalar = {x = 1}, added = {y = 2}, top = 3}");
    std::string text = Save("old");
    Run("g = {keep = 1, top = 0, sub = {keep = 2, over = 0, deeper = {keep = 3}}, scalar = 5}");
    Load(text, "g", true);
    Check("g.keep == 1 and g.top == 3");
    Check("g.sub.keep == 2 and g.sub.over == 9 and g.sub.new == 'n' and g.sub.deeper.keep == 3");
    Check("type(g.scalar) == 'table' and g.scalar.x == 1"); // a scalar gives way to the saved table
    Check("g.added.y == 2");

    Run("h = {sub = {keep = 2}}");
    Load(text, "h", false); // the plain form starts afresh
    Check("h.sub.keep == nil and h.sub.over == 9");
}

// Each thing the writer cannot keep is skipped with a warning of its own:
// a table inside itself (a shared one is no cycle), keys that are no XML
// name, tables nested deeper than the reader takes.
TEST_F(LuaXml, WriterSkipsCyclesBadKeysAndTooDeepTables)
{
    Run("t = {a = 1, sub = {b = 2}}; t.self = t; t.sub.back = t; shared = {c = 3}; t.x = shared; t.y = "
        "shared");
    Run("t.keys = {['has space'] = 1, ['q\"uote'] = 2, ['<'] = 3, ['a&b'] = 4, ['x=y'] = 5,"
        " [\"it's\"] = 6, [true] = 7, [{}] = 8, good = 9}");
    Run("t.deep = {} local d = t.deep for i = 1, 600 do d.d = {} d = d.d end d.v = 1");
    Load(Save("t"), "dst", false);
    EXPECT_EQ(11, log.Count("Warning: "));
    EXPECT_EQ(1, log.Count("Warning: table \"d\" is nested too deeply to save"));
    Check("dst.a == 1 and dst.sub.b == 2 and dst.self == nil and dst.sub.back == nil");
    Check("dst.x.c == 3 and dst.y.c == 3");
    Check("dst.keys.good == 9 and next(dst.keys, next(dst.keys)) == nil");
    Check("(function() local n, d = 0, dst.deep while d.d do n, d = n + 1, d.d end return n end)() == 498");
}

// Short names, missing values, bad numbers; `t_` over a scalar makes a table.
TEST_F(LuaXml, ReaderSkipsWhatItCannotUse)
{
    Load("<data><n/><x_1 v='1'/><n_a/><b_b/><s_s/><n_7x v='3'/><n_-4 v='1'/><n_0 v='2'/>"
         "<b_t v='2'/><b_f v='0'/><s_sp v=' '/><s_two v='  '/><t_ v='ignored'><n_1 v='1'/></t_>"
         "<n_bad v='abc'/><n_inf v='inf'/><n_sc v='1'/><t_sc><n_1 v='5'/></t_sc></data>",
         "dst", false);
    Check("dst[1] == nil and dst.a == nil and dst.b == nil and dst.s == nil");
    Check("dst['7x'] == 3 and dst[7] == nil and dst[-4] == 1 and dst['0'] == 2");
    Check("dst.t == true and dst.f == false and dst.sp == '' and dst.two == '  ' and dst[''][1] == 1");
    Check("dst.bad == 0 and dst.inf == math.huge");
    Check("type(dst.sc) == 'table' and dst.sc[1] == 5");
}

TEST(LuaXmlByteSum, KnownTexts)
{
    const unsigned char abc[] = "abc", high[] = {0xFF, 0x80};
    EXPECT_EQ(294u, nE_ByteSum(abc, 3));
    EXPECT_EQ(383u, nE_ByteSum(high, 2)); // bytes above 127 count unsigned
    EXPECT_EQ(0u, nE_ByteSum(abc, 0) + nE_ByteSum(abc, -1) + nE_ByteSum(nullptr, 5));
}
