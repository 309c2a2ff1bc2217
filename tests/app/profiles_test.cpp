#include "de50/de50_test.h"
#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_LuaXml.h"
#include "game/app/nG_ProfileList.h"
#include "game/app/nG_Settings.h"
#include "tests/app/user_folder.h"

#include <chrono>
#include <cstdint>

using namespace std::string_literals;

namespace
{
struct ProfilesTest : UserFolderTest
{
    nE_LuaState lua;

    void SetUp() override
    {
        UserFolderTest::SetUp();
        luaL_openlibs(lua.L = luaL_newstate());
        g_luaState = &lua;
        Lua("ng_global = {}");
    }
    void TearDown() override
    {
        g_luaState = nullptr;
        lua_close(lua.L);
        UserFolderTest::TearDown();
    }

    void Lua(const std::string& code)
    {
        ASSERT_EQ(luaL_dostring(lua.L, code.c_str()), 0) << lua_tostring(lua.L, -1);
        EXPECT_EQ(lua_gettop(lua.L), 0);
    }
    std::string Eval(const std::string& expression) { return LuaEval(lua.L, expression); }

    // A game-data file whose checksum line matches `xml`; `negative` prints it
    // as a 32-bit signed writer would print a sum from 2^31 up.
    static std::string WithChecksum(const std::string& xml, bool negative = false)
    {
        uint32_t sum = nE_ByteSum(reinterpret_cast<const unsigned char*>(xml.data()), int(xml.size()));
        int64_t printed = negative ? int64_t(sum) - 4294967296LL : int64_t(int32_t(sum));
        return "<!--" + std::to_string(printed) + "-->\n" + xml;
    }
    void MakeCurrent(nG_ProfileList& list, const std::string& name)
    {
        ASSERT_TRUE(list.Add(name));
        ASSERT_TRUE(list.SetCurrent(name));
    }
    bool NoNamelessGameData() const { return !AnyFileStartingWith("p_.xm"); }
};

const char kRefused[] = "Error: while loading profile data!";

std::string Nested(int depth)
{
    std::string open, close;
    for (int i = 0; i < depth; ++i)
        open += "<t_a>", close += "</t_a>";
    return open + close;
}
} // namespace

// A missing file is a silent false; a save without a table refuses and keeps the file.
TEST_F(ProfilesTest, GameDataRoundTripsBehindItsChecksum)
{
    nG_ProfileList list;
    MakeCurrent(list, "Anna");
    EXPECT_FALSE(list.LoadGame());
    EXPECT_TRUE(log.lines.empty());
    Lua("ng_global = { quote = 'He said \"hi\" & <left>', nested = { list = { 10 }, inner = { flag = false } "
        "} }");
    ASSERT_TRUE(list.SaveGame());

    const std::string file = OnDisk("p_Anna.xml");
    const std::string xml = file.substr(file.find('\n') + 1);
    EXPECT_EQ(file, WithChecksum(xml));
    EXPECT_EQ(xml.find('\n'), std::string::npos) << "the document is one line with nothing after it";
    EXPECT_EQ(xml.compare(0, 26, "<profile><game_data><data>"), 0) << xml;
    EXPECT_NE(OnDisk("profile_list.xml").find("<profile name=\"Anna\" />"), std::string::npos);

    Lua("ng_global = { unsaved = 'kept', nested = { extra = 5 } }");
    ASSERT_TRUE(list.LoadGame());
    EXPECT_EQ(Eval("ng_global.quote"), "He said \"hi\" & <left>");
    EXPECT_EQ(Eval("ng_global.nested.list[1] == 10 and ng_global.nested.inner.flag == false"), "true");
    // Saved data is laid over what the table already holds.
    EXPECT_EQ(Eval("ng_global.unsaved .. ng_global.nested.extra"), "kept5");

    Lua("ng_global = 5");
    EXPECT_FALSE(list.SaveGame());
    EXPECT_TRUE(log.Has("Warning: no Lua table to save"));
    g_luaState = nullptr;
    EXPECT_FALSE(list.SaveGame() || list.LoadGame());
    g_luaState = &lua;
    EXPECT_EQ(OnDisk("p_Anna.xml"), file);
    EXPECT_EQ(log.CountStartingWith("Error"), 0);
}

TEST_F(ProfilesTest, TamperedGameDataIsRefusedAndKept)
{
    nG_ProfileList list;
    MakeCurrent(list, "b");
    Lua("ng_global = { gold = 100, name = 'hero' }");
    ASSERT_TRUE(list.SaveGame());
    const std::string good = OnDisk("p_b.xml");

    std::string oneByte = good, noClose = good;
    oneByte[oneByte.find("100")] = '9';
    noClose.replace(noClose.find("-->"), 3, "--");
    const std::string data = "<n_gold v=\"5\" />";
    const std::vector<std::string> damaged = {
        oneByte, good + "\n", noClose, " " + good, "<!---->\n" + good.substr(good.find('<', 1)),
        WithChecksum("<profile><game_data><dat>" + data + "</dat></game_data></profile>"),
        WithChecksum("<profile>" + data + "</profile>"),
        WithChecksum("<profile><game_data><data>" + data + "</data></profile>"),
        WithChecksum("<profile><game_data><data>" + Nested(50000) + "</data></game_data></profile>")};
    for (const std::string& text : damaged)
    {
        PutOnDisk("p_b.xml", text);
        Lua("ng_global = { gold = 1, untouched = true }");
        log.lines.clear();
        EXPECT_FALSE(list.LoadGame()) << text;
        EXPECT_TRUE(log.Has(kRefused)) << text;
        EXPECT_EQ(Eval("ng_global.gold .. tostring(ng_global.name) .. tostring(ng_global.untouched)"), "1niltrue")
            << text;
        EXPECT_EQ(KeptCopies("p_b.xml").back() + OnDisk("p_b.xml"), text + text)
            << "the refused file is kept before any save";
    }
    // No copy is overwritten; a file refused again is kept once; the ten newest stay.
    EXPECT_EQ(KeptCopies("p_b.xml"), damaged);
    for (const std::string& text : {damaged[0], "x1"s, "x2"s, "x3"s})
    {
        PutOnDisk("p_b.xml", text);
        EXPECT_FALSE(list.LoadGame());
    }
    std::vector<std::string> newest(damaged.begin() + 2, damaged.end());
    newest.insert(newest.end(), {"x1", "x2", "x3"});
    EXPECT_EQ(KeptCopies("p_b.xml"), newest);

    PutOnDisk("p_b.xml", good);
    EXPECT_TRUE(list.LoadGame());
    EXPECT_EQ(Eval("ng_global.gold"), "100");
    // The checksum compares as unsigned: a negative line is the same sum.
    PutOnDisk("p_b.xml",
              WithChecksum("<profile><game_data><data><n_x v=\"3\" /></data></game_data></profile>", true));
    EXPECT_TRUE(list.LoadGame());
    EXPECT_EQ(Eval("ng_global.x"), "3");
}

// The checksum line is read as a decimal number is: white space around it and
// a sign are fine, anything else in the comment refuses the file.
TEST_F(ProfilesTest, ChecksumCommentReadAsADecimalNumber)
{
    nG_ProfileList list;
    MakeCurrent(list, "c");
    const std::string xml = "<profile><game_data><data><n_x v=\"7\" /></data></game_data></profile>";
    const std::string line = WithChecksum(xml);
    const std::string sum = line.substr(4, line.find("-->") - 4);
    for (const std::string& comment : std::vector<std::string>{" " + sum + " ", "+" + sum, "\t\n" + sum + "\r\n", " +" + sum})
    {
        PutOnDisk("p_c.xml", "<!--" + comment + "-->\n" + xml);
        Lua("ng_global = {}");
        EXPECT_TRUE(list.LoadGame()) << comment;
        EXPECT_EQ(Eval("tostring(ng_global.x)"), "7") << comment;
    }
    for (const std::string& comment :
         std::vector<std::string>{sum + " x", "+ " + sum, "  ", "+", "-", sum + "+", "0x" + sum, "+-" + sum})
    {
        PutOnDisk("p_c.xml", "<!--" + comment + "-->\n" + xml);
        log.lines.clear();
        EXPECT_FALSE(list.LoadGame()) << comment;
        EXPECT_TRUE(log.Has(kRefused)) << comment;
    }
}

// Without a profile there is no game data: past the end of an empty list means
// none, past the end of a named list starts at the first, and a negative index
// stays as read (no name, written back as it was).
TEST_F(ProfilesTest, CurrentProfileFromTheListFile)
{
    const char* const cases[][3] = {
        {"", "ng_noprofiles", "-1"},
        {"<profiles current=\"3\" />", "ng_noprofiles", "-1"},
        {"<profiles current=\"0\" />", "ng_noprofiles", "-1"},
        {"<profiles current=\"-5\"><profile name=\"a\" /></profiles>", "", "-5"},
        {"<profiles current=\"-3\"><profile name=\"a\"/><profile name=\"b\"/></profiles>", "", "-3"},
        {"<profiles current=\"-1\"><profile name=\"a\"/></profiles>", "ng_noprofiles", "-1"},
        {"<profiles current=\"5\"><profile name=\"a\"/><profile name=\"b\"/></profiles>", "a", "0"},
        {"<profiles><profile name=\"a\"/><profile name=\"b\"/></profiles>", "a", "0"},
        {"<profiles current=\"2\"><profile name=\"a\"/><profile/><profile name=\"c\"/></profiles>", "c", "1"},
    };
    for (const auto& c : cases)
    {
        if (*c[0]) PutOnDisk("profile_list.xml", c[0]);
        nG_ProfileList list;
        EXPECT_EQ(list.GetCurrentName(), c[1]) << c[0];
        const std::string name = c[1];
        EXPECT_EQ(list.SaveGame(), !name.empty() && name != "ng_noprofiles") << c[0];
        EXPECT_NE(OnDisk("profile_list.xml").find("current=\"" + std::string(c[2]) + "\""), std::string::npos)
            << c[0] << " is saved with its index";
    }
    EXPECT_TRUE(NoNamelessGameData());
    EXPECT_EQ(log.CountStartingWith("Warning: profile list"), 1) << "the nameless profile";
}

// Names compare exactly; adding selects nothing; indices outside the list name nothing.
TEST_F(ProfilesTest, ListRoundTripsWithEscapedNames)
{
    {
        nG_ProfileList list;
        ASSERT_TRUE(list.Add("Anna"));
        EXPECT_FALSE(list.Add("Anna"));
        EXPECT_TRUE(list.Add("anna"));
        EXPECT_EQ(list.GetCurrent(), -1);
        EXPECT_EQ(list.GetName(1) + "," + list.GetName(2) + "," + list.GetName(-1) + "," + list.GetName(-2) + "," +
                      list.GetName(-3),
                  "anna,,ng_noprofiles,ng_error,");
        EXPECT_FALSE(list.SetCurrent("b"));
        list.Delete("anna");
        MakeCurrent(list, "Ben & <Co> \"x\"");
        ASSERT_TRUE(list.Save());
    }
    EXPECT_EQ(OnDisk("profile_list.xml"), "<profiles current=\"1\">\n    <profile name=\"Anna\" />\n"
                                          "    <profile name='Ben &amp; &lt;Co&gt; &quot;x&quot;' />\n"
                                          "</profiles>\n");
    EXPECT_EQ(nG_ProfileList().GetNames(), (std::vector<std::string>{"Anna", "Ben & <Co> \"x\""}));
    EXPECT_EQ(nG_ProfileList().GetCurrent(), 1);
}

TEST_F(ProfilesTest, DeletingKeepsTheCurrentProfile)
{
    nG_ProfileList list;
    for (const char* name : {"a", "b", "c", "d"})
    {
        MakeCurrent(list, name);
        ASSERT_TRUE(list.SaveGame());
    }
    ASSERT_TRUE(list.SetCurrent("c"));
    // An earlier one, a later one, none, the current one (last), the only one left.
    const std::pair<const char*, const char*> steps[] = {
        {"a", "c"}, {"d", "c"}, {"nobody", "c"}, {"c", "b"}, {"b", "ng_noprofiles"}};
    for (const auto& step : steps)
    {
        list.Delete(step.first);
        EXPECT_EQ(list.GetCurrentName(), step.second) << step.first;
        EXPECT_EQ(nG_ProfileList().GetCurrentName(), step.second) << "the list was saved";
        EXPECT_FALSE(Exists(std::string("p_") + step.first + ".xml"));
    }
    EXPECT_EQ(OnDisk("profile_list.xml"), "<profiles current=\"-1\" />\n");
    EXPECT_FALSE(list.SaveGame());
    EXPECT_TRUE(NoNamelessGameData());
}

// The rewritten list is a sound empty one, not a claim of another broken file.
TEST_F(ProfilesTest, AnUnreadableListIsKeptBesideIt)
{
    const std::string deep = "<profiles current=\"0\"><profile name=\"a\" />" + Nested(50000) + "</profiles>";
    for (const std::string& text : {std::string("<profiles current=\"0\"><profile name=\"a\"></profiles>"),
                                    std::string("<profile_list current=\"0\"><profile name=\"a\" /></profile_list>"),
                                    deep})
    {
        PutOnDisk("profile_list.xml", text);
        log.lines.clear();
        nG_ProfileList list;
        EXPECT_EQ(std::make_tuple(-2, std::string("ng_error"), size_t(0), 1),
                  std::make_tuple(list.GetCurrent(), list.GetCurrentName(), list.GetNames().size(),
                                  log.CountStartingWith("Error:")));
        EXPECT_FALSE(list.SaveGame() || list.LoadGame());
        EXPECT_EQ(KeptCopies("profile_list.xml").back(), text);
        EXPECT_EQ(nG_ProfileList().GetCurrent(), -1);
    }
    EXPECT_TRUE(NoNamelessGameData());
}

// Every player with game data comes back, under the name the file was made
// from; the one saved last is current. Other files are no profiles.
TEST_F(ProfilesTest, ARefusedListIsRebuiltFromTheGameData)
{
    using Clock = std::filesystem::file_time_type::clock;
    const std::string longName(300, 'n'), longFile = nG_GameDataFileName(longName);
    const std::string shortened = longFile.substr(2, longFile.size() - 6);
    const std::vector<std::string> names = {"Alice", "Zo\xC3\xAB", "b:c%", longName};
    {
        nG_ProfileList list;
        for (const std::string& name : names)
        {
            MakeCurrent(list, name);
            Lua("ng_global = { who = '" + name + "' }");
            ASSERT_TRUE(list.SaveGame());
            // "b:c%" is the one saved last.
            auto when = Clock::now() + std::chrono::hours(name == "b:c%" ? 2 : 1);
            std::filesystem::last_write_time(user + "/" + nG_GameDataFileName(name), when);
        }
    }
    for (const char* other : {"p_.xml", "p_a%2f.xml", "p_x%zz.xml", "p_x%4.xml", "p_Alice.xml.bad",
                              "p_Alice.xml.backup", "notes.xml", "p_Q.XML"})
        PutOnDisk(other, "x");
    std::filesystem::create_directory(user + "/p_folder.xml");
    PutOnDisk("profile_list.xml", "<profiles current=\"0\"><profile name=\"a\"></profiles>");

    nG_ProfileList list;
    EXPECT_EQ(list.GetNames(), (std::vector<std::string>{"Alice", "Zo\xC3\xAB", "b:c%", shortened}));
    EXPECT_EQ(list.GetCurrentName(), "b:c%");
    EXPECT_EQ(log.CountStartingWith("Warning: profile list profile_list.xml was rebuilt from"), 1);
    Lua("ng_global = {}");
    ASSERT_TRUE(list.LoadGame());
    EXPECT_EQ(Eval("ng_global.who"), "b:c%");
    ASSERT_TRUE(list.SetCurrent(shortened) && list.LoadGame());
    EXPECT_EQ(Eval("ng_global.who"), longName) << "a shortened name still reaches its data";
    ASSERT_TRUE(list.SaveGame());
    EXPECT_EQ(nG_ProfileList().GetNames(), list.GetNames()) << "the rebuilt list is read next time";
}

TEST_F(ProfilesTest, HostileNames)
{
    nG_ProfileList list;
    for (const std::string& name : {std::string("a/b"), std::string("..\\x"), std::string("tab\there"),
                                    std::string("line\n"), std::string("\x7f"), std::string("nul\0x", 5), std::string()})
        EXPECT_FALSE(list.Add(name)) << name;
    EXPECT_EQ(log.CountStartingWith("Warning: profile name"), 7);
    EXPECT_TRUE(list.GetNames().empty());

    const std::string longName(300, 'n');
    EXPECT_EQ(nG_GameDataFileName("100%") + nG_GameDataFileName("a/b\\c\n") + nG_GameDataFileName(""),
              "p_100%25.xmlp_a%2Fb%5Cc%0A.xml");
    EXPECT_NE(nG_GameDataFileName(longName), nG_GameDataFileName(longName + "m")) << "shortened apart";
    // Names the user folder would refuse as they stand still save and load.
    for (const std::string& name : {std::string("a:b"), longName, std::string(100, 'x') + "\xC3\xA9" + std::string(200, ':')})
    {
        nG_ProfileList named;
        MakeCurrent(named, name);
        Lua("ng_global = { v = 7 }");
        EXPECT_TRUE(named.SaveGame()) << name;
        Lua("ng_global = { v = 0 }");
        EXPECT_TRUE(named.LoadGame() && Eval("ng_global.v") == "7") << name;
        named.Delete(name);
    }

    // Such names can still arrive from a list file written elsewhere: their
    // game data stays a single file inside the user folder.
    std::ofstream(root + "/victim.xml") << "outside";
    PutOnDisk("profile_list.xml", "<profiles current=\"0\"><profile name=\"../../victim\"/>"
                                  "<profile name=\"x%2F\"/></profiles>");
    nG_ProfileList loaded;
    ASSERT_TRUE(loaded.SaveGame());
    EXPECT_TRUE(Exists("p_..%2F..%2Fvictim.xml"));
    loaded.SetCurrent("x%2F");
    EXPECT_FALSE(loaded.LoadGame()) << "escaping keeps names apart";
    loaded.Delete("../../victim");
    EXPECT_FALSE(Exists("p_..%2F..%2Fvictim.xml"));
    EXPECT_EQ(ReadFile(root + "/victim.xml"), "outside");
}

// A save cut off at any step of any of its files (settings, list, game data)
// leaves each file either as it was or wholly new, and all of them load.
TEST_F(ProfilesTest, EveryFailedStepOfASaveLeavesLoadableFiles)
{
    const char* files[] = {"settings.xml", "profile_list.xml", "p_a.xml"};
    auto save = [&](int gold)
    {
        nG_Settings settings;
        settings.SetGamma(float(gold));
        settings.Save();
        nG_ProfileList list;
        list.Add(std::to_string(gold));
        Lua("ng_global = { gold = " + std::to_string(gold) + " }");
        list.SaveGame();
        std::vector<std::string> out;
        for (const char* f : files)
            out.push_back(OnDisk(f));
        return out;
    };
    PutOnDisk("profile_list.xml", "<profiles current=\"0\"><profile name=\"a\" /></profiles>");
    const std::vector<std::string> before = save(1);
    DE50::Test::FailFileStep(0);
    const std::vector<std::string> after = save(2);
    const int steps = DE50::Test::FileSteps();
    ASSERT_GE(steps, 3 * 4);
    for (int step = 1; step <= steps; ++step)
    {
        for (size_t i = 0; i < before.size(); ++i)
            PutOnDisk(files[i], before[i]);
        DE50::Test::FailFileStep(step);
        const std::vector<std::string> now = save(2);
        DE50::Test::FailFileStep(0);
        for (size_t i = 0; i < now.size(); ++i)
            EXPECT_TRUE(now[i] == before[i] || now[i] == after[i]) << step << files[i];
        EXPECT_EQ(FileCount(), 3u) << step << ": no temporary left behind";
        log.lines.clear();
        nG_Settings().Load();
        nG_ProfileList list;
        EXPECT_TRUE(list.GetCurrentName() == "a" && list.LoadGame()) << step;
        EXPECT_EQ(log.lines.size(), 0u) << step;
    }
}
