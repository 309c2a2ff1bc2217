#include "de50/de50_config.h"
#include "de50/de50_file.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using DE50::TFile;

namespace
{
struct UserDir : testing::Test
{
    std::string dir;
    std::string savedEnv;
    bool hadEnv = false;

    void SetUp() override
    {
        char tmpl[] = "/tmp/de50_file_XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        dir = tmpl;
        const char* old = std::getenv("NOTENGINE_USER_DIR");
        hadEnv = old != nullptr;
        savedEnv = old ? old : "";
        setenv("NOTENGINE_USER_DIR", (dir + "/user").c_str(), 1);
    }
    void TearDown() override
    {
        if (hadEnv)
            setenv("NOTENGINE_USER_DIR", savedEnv.c_str(), 1);
        else
            unsetenv("NOTENGINE_USER_DIR");
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    std::string OnDisk(const std::string& name)
    {
        std::ifstream in(dir + "/user/" + name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static bool Save(const std::string& path, const std::string& text, int mode = DE50::kFileWrite)
    {
        TFile f;
        if (!f.Open(path, mode)) return false;
        if (f.Write(text.data(), text.size()) != static_cast<long>(text.size())) return false;
        return f.Close();
    }
    static std::string Load(const std::string& path)
    {
        TFile f;
        if (!f.Open(path, DE50::kFileRead)) return "<missing>";
        std::string text(static_cast<size_t>(f.Size()), '\0');
        long n = f.Read(&text[0], text.size());
        return n == static_cast<long>(text.size()) ? text : "<short>";
    }
    // Only the files the test made remain: no temporary left behind.
    size_t FilesInUserDir()
    {
        size_t n = 0;
        for (auto& e : fs::recursive_directory_iterator(dir + "/user"))
            n += e.is_regular_file() ? 1 : 0;
        return n;
    }
};
} // namespace

TEST_F(UserDir, RoundTripKeepsEveryByteAndSubfolders)
{
    std::string data("settings\0with\xff binary\n", 23);
    ASSERT_TRUE(Save("user:settings.xml", data));
    EXPECT_EQ(data, Load("user:settings.xml"));
    EXPECT_EQ(data, OnDisk("settings.xml"));

    ASSERT_TRUE(Save("user:saves\\p_anna.xml", "game"));
    EXPECT_EQ("game", OnDisk("saves/p_anna.xml"));
    EXPECT_EQ("game", Load("user:saves/p_anna.xml"));
    EXPECT_EQ(2u, FilesInUserDir());
}

TEST_F(UserDir, EmptyFileRoundTrips)
{
    ASSERT_TRUE(Save("user:empty", ""));
    TFile f;
    ASSERT_TRUE(f.Open("user:empty", DE50::kFileRead));
    EXPECT_EQ(0, f.Size());
    char c;
    EXPECT_EQ(0, f.Read(&c, 1));
}

TEST_F(UserDir, WriteReplacesAndAppendExtends)
{
    ASSERT_TRUE(Save("user:f", "abcdef"));
    ASSERT_TRUE(Save("user:f", "xy"));
    EXPECT_EQ("xy", Load("user:f"));
    ASSERT_TRUE(Save("user:f", "z", DE50::kFileAppend));
    EXPECT_EQ("xyz", Load("user:f"));
    ASSERT_TRUE(Save("user:new", "first", DE50::kFileAppend));
    EXPECT_EQ("first", Load("user:new"));
}

TEST_F(UserDir, ModesRefuseTheWrongDirection)
{
    ASSERT_TRUE(Save("user:f", "abc"));
    char buf[4];
    TFile reader;
    ASSERT_TRUE(reader.Open("user:f", DE50::kFileRead));
    EXPECT_EQ(-1, reader.Write("x", 1));
    reader.Close();
    EXPECT_FALSE(reader.IsValid());
    EXPECT_EQ(-1, reader.Read(buf, 1));
    EXPECT_EQ(-1, reader.Size());

    TFile writer;
    ASSERT_TRUE(writer.Open("user:f", DE50::kFileWrite));
    EXPECT_EQ(-1, writer.Read(buf, 1));
    EXPECT_EQ(3, writer.Write("12345", 3));
    EXPECT_EQ(3, writer.Size());
    EXPECT_TRUE(writer.Close());
    EXPECT_EQ("123", Load("user:f"));
}

TEST_F(UserDir, MissingFilesAndUnknownModes)
{
    testing::internal::CaptureStderr();
    TFile f;
    EXPECT_FALSE(f.Open("user:absent", DE50::kFileRead));
    EXPECT_EQ("", testing::internal::GetCapturedStderr()); // a first run has no settings yet

    testing::internal::CaptureStderr();
    EXPECT_FALSE(f.Open("user:f", 7));
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("Error: "));
    EXPECT_FALSE(f.IsValid());
    EXPECT_FALSE(f.Close());
}

TEST_F(UserDir, NothingChangesOnDiskUntilClose)
{
    ASSERT_TRUE(Save("user:profile", "old profile"));
    TFile f;
    ASSERT_TRUE(f.Open("user:profile", DE50::kFileWrite));
    ASSERT_EQ(3, f.Write("new", 3));
    EXPECT_EQ("old profile", OnDisk("profile"));
    EXPECT_EQ("old profile", Load("user:profile"));
    EXPECT_TRUE(f.Close());
    EXPECT_EQ("new", OnDisk("profile"));
}

TEST_F(UserDir, ACrashMidSaveLeavesTheOldFile)
{
    ASSERT_TRUE(Save("user:profile", "old profile"));
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        TFile f;
        f.Open("user:profile", DE50::kFileWrite);
        f.Write("half of the n", 13);
        _exit(3); // dies without closing
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(3, WEXITSTATUS(status));
    EXPECT_EQ("old profile", Load("user:profile"));
}

TEST_F(UserDir, AFullDiskKeepsTheOldFileAndLeavesNoTemporary)
{
    ASSERT_TRUE(Save("user:profile", "old profile"));
    std::string big(1 << 20, 'x');

    // The file size limit makes the writes fail the way a full disk does.
    rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &small));

    testing::internal::CaptureStderr();
    TFile f;
    bool opened = f.Open("user:profile", DE50::kFileWrite);
    long written = f.Write(big.data(), big.size());
    bool closed = f.Close();
    std::string log = testing::internal::GetCapturedStderr();

    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_TRUE(opened);
    EXPECT_LT(written, static_cast<long>(big.size()));
    EXPECT_FALSE(closed);
    EXPECT_NE(std::string::npos, log.find("Error: could not save"));
    EXPECT_EQ("old profile", Load("user:profile"));
    EXPECT_EQ(1u, FilesInUserDir());
}

TEST_F(UserDir, DestructorCommitsAnOpenFile)
{
    {
        TFile f;
        ASSERT_TRUE(f.Open("user:kept", DE50::kFileWrite));
        f.Write("kept", 4);
    }
    EXPECT_EQ("kept", Load("user:kept"));
    {
        TFile f;
        ASSERT_TRUE(f.Open("user:kept", DE50::kFileRead));
    }
    EXPECT_EQ(1u, FilesInUserDir());
}

TEST_F(UserDir, ReopeningCommitsTheFirstFile)
{
    TFile f;
    ASSERT_TRUE(f.Open("user:a", DE50::kFileWrite));
    f.Write("a", 1);
    ASSERT_TRUE(f.Open("user:b", DE50::kFileWrite));
    f.Write("b", 1);
    f.Close();
    EXPECT_EQ("a", Load("user:a"));
    EXPECT_EQ("b", Load("user:b"));
}

TEST_F(UserDir, DeleteRemovesOnlyExistingFiles)
{
    ASSERT_TRUE(Save("user:gone", "x"));
    EXPECT_TRUE(TFile::DeleteFile("user:gone"));
    EXPECT_EQ("<missing>", Load("user:gone"));
    EXPECT_FALSE(TFile::DeleteFile("user:gone"));
}

TEST_F(UserDir, PathsLeavingTheFolderAreRefused)
{
    // A file beside the user folder that an escaping path would reach.
    std::ofstream(dir + "/outside") << "precious";
    const char* bad[] = {"user:../outside",  "user:a/../../outside",
                         "user:..\\outside", "user:/etc/passwd",
                         "user:C:/outside",  dir.c_str(),
                         "outside",          "user:",
                         "user:sub/",        "user:..",
                         "user:user:x"};
    for (const char* path : bad)
    {
        SCOPED_TRACE(path);
        testing::internal::CaptureStderr();
        TFile f;
        EXPECT_FALSE(f.Open(path, DE50::kFileWrite));
        EXPECT_FALSE(f.Open(path, DE50::kFileRead));
        EXPECT_FALSE(TFile::DeleteFile(path));
        EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("Error: "));
    }
    std::ifstream in(dir + "/outside");
    std::string text;
    in >> text;
    EXPECT_EQ("precious", text);
    // Names that merely contain dots stay allowed.
    EXPECT_TRUE(Save("user:a..b/..c", "ok"));
    EXPECT_EQ("ok", OnDisk("a..b/..c"));
}

TEST_F(UserDir, PreferenceFolderFollowsPublisherAndGame)
{
    unsetenv("NOTENGINE_USER_DIR");
    std::string savedXdg = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
    setenv("XDG_DATA_HOME", (dir + "/xdg").c_str(), 1);
    DE50::SetConfigValue(DE50::kConfigPublisherName, "Quillfen Games");
    DE50::SetConfigValue(DE50::kConfigGameName, "Test Game");

    EXPECT_EQ(dir + "/xdg/Quillfen Games/Test Game/settings.xml", TFile::ResolvePath("user:settings.xml"));
    EXPECT_TRUE(Save("user:settings.xml", "s"));
    EXPECT_TRUE(fs::exists(dir + "/xdg/Quillfen Games/Test Game/settings.xml"));

    if (savedXdg.empty())
        unsetenv("XDG_DATA_HOME");
    else
        setenv("XDG_DATA_HOME", savedXdg.c_str(), 1);
}

TEST(De50Config, StoresAndReplacesValues)
{
    EXPECT_EQ("", DE50::GetConfigValue("never set"));
    DE50::SetConfigValue("texturememorymax", "1");
    DE50::SetConfigValue("texturememorymax", "524288000");
    EXPECT_EQ("524288000", DE50::GetConfigValue("texturememorymax"));
}
