// User files, through the service the game uses and the library file under it:
// round trips, modes, saves that never leave a half-written file, and paths
// that try to leave the user folder.

#include "de50/de50_config.h"
#include "de50/de50_file.h"
#include "de50/de50_loop.h"
#include "engine/platform/nE_File_Pl5.h"
#include "platform/de50_test_support.h"
#include "support/scoped_env.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::string_literals;
using DE50::TFile;

namespace
{
struct UserFiles : testing::Test
{
    EnvVar env{"NOTENGINE_USER_DIR"};
    de50test::ScratchDir scratch;
    const std::string root = scratch.path, user = root + "user";

    void SetUp() override { setenv("NOTENGINE_USER_DIR", user.c_str(), 1); }

    std::string OnDisk(const std::string& name) { return de50test::Slurp(user + "/" + name); }
    // Only the files the test made remain: no temporary left behind.
    size_t FilesInUserDir()
    {
        size_t n = 0;
        for (auto& e : fs::recursive_directory_iterator(user))
            n += e.is_regular_file() ? 1 : 0;
        return n;
    }

    static bool Put(const std::string& name, const std::string& text, int mode)
    {
        std::unique_ptr<nE_File> f = nE_CreateFile(name);
        if (!f->Open(mode)) return false;
        bool ok = f->Write(text.data(), text.size()) == long(text.size());
        return f->Close() && ok;
    }
    static std::string Get(const std::string& name, int mode)
    {
        std::unique_ptr<nE_File> f = nE_CreateFile(name);
        if (!f->Open(mode)) return "<closed>";
        std::string text(size_t(f->GetSize()), '\0');
        EXPECT_EQ(f->Read(&text[0], text.size()), long(text.size()));
        f->Close();
        return text;
    }
};
} // namespace

TEST_F(UserFiles, RoundTripsKeepEveryByteInEveryMode)
{
    EXPECT_EQ(nE_CreateFile("saves/p_a.xml")->GetPath(), "user:saves/p_a.xml");
    std::string bytes("line\n\0\xff end", 11);
    ASSERT_TRUE(Put("saves/p_a.xml", bytes, NE_FILE_WRITE));
    EXPECT_EQ(OnDisk("saves/p_a.xml"), bytes);
    EXPECT_EQ(Get("saves/p_a.xml", NE_FILE_READ), bytes);

    std::string whole;
    EXPECT_TRUE(nE_ReadUserFile("saves/p_a.xml", whole) && whole == bytes);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(nE_ReadUserFile("missing", whole));
    EXPECT_EQ("", testing::internal::GetCapturedStderr()); // a first run has no settings yet

    // Old names with backslashes land in the same folder.
    TFile f;
    ASSERT_TRUE(f.Open("user:saves\\p_b.xml", DE50::kFileWrite));
    EXPECT_TRUE(f.Write("game", 4) == 4 && f.Close());
    EXPECT_EQ(OnDisk("saves/p_b.xml"), "game");
    // A file dropped while open is finished; deleting needs no open file.
    {
        std::unique_ptr<nE_File> g = nE_CreateFile("g");
        ASSERT_TRUE(g->Open(NE_FILE_WRITE));
        g->Write("kept", 4);
    }
    EXPECT_EQ(OnDisk("g"), "kept");
    EXPECT_TRUE(nE_CreateFile("saves/p_a.xml")->Delete());
    EXPECT_FALSE(nE_CreateFile("saves/p_a.xml")->Delete());
    EXPECT_EQ(2u, FilesInUserDir());

    // Text and binary modes of reading, replacing and appending act alike.
    for (int binary : {0, 1})
    {
        ASSERT_TRUE(Put("f", "abc", NE_FILE_WRITE + binary) && Put("f", "xy", NE_FILE_WRITE + binary));
        ASSERT_TRUE(Put("f", "z", NE_FILE_APPEND + binary));
        EXPECT_EQ(Get("f", NE_FILE_READ + binary), "xyz") << binary;
    }
    ASSERT_TRUE(Put("new", "first", NE_FILE_APPEND)); // appending makes the file
    EXPECT_EQ(OnDisk("new"), "first");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(nE_CreateFile("f")->Open(7));
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("Error: "));
}

TEST_F(UserFiles, InterruptedWritesLeaveTheOldFile)
{
    ASSERT_TRUE(nE_WriteUserFile("profile_list.xml", "old list"));
    {
        std::unique_ptr<nE_File> f = nE_CreateFile("profile_list.xml");
        ASSERT_TRUE(f->Open(NE_FILE_WRITE));
        EXPECT_EQ(f->Write("new", 3), 3);
        EXPECT_EQ(OnDisk("profile_list.xml"), "old list"); // nothing changes before Close
        EXPECT_TRUE(f->Close());
    }
    EXPECT_EQ(OnDisk("profile_list.xml"), "new");
    // The same text again is not written at all, so a failing disk cannot touch it.
    DE50::Test::FailFileStep(1);
    EXPECT_TRUE(nE_WriteUserFile("profile_list.xml", "new"));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(nE_WriteUserFile("profile_list.xml", "newer"));
    testing::internal::GetCapturedStderr();
    DE50::Test::FailFileStep(0);
    EXPECT_EQ(OnDisk("profile_list.xml"), "new");

    // A file-size limit fails a save as a full disk does, once the library has
    // started: the signal that would kill the program mid-save is ignored.
    const std::string childLog = root + "child.log";
    pid_t limited = fork();
    ASSERT_GE(limited, 0);
    if (limited == 0)
    {
        std::freopen(childLog.c_str(), "w", stderr);
        std::setvbuf(stderr, nullptr, _IONBF, 0);
        std::signal(SIGXFSZ, SIG_DFL);
        // No display: the start stops before SDL, which a forked child must not enter.
        unsetenv("DISPLAY"), unsetenv("WAYLAND_DISPLAY"), unsetenv("SDL_VIDEODRIVER");
        DE50::InitLibrary();
        rlimit small{};
        getrlimit(RLIMIT_FSIZE, &small);
        small.rlim_cur = 64 * 1024;
        setrlimit(RLIMIT_FSIZE, &small);
        _exit(nE_WriteUserFile("profile_list.xml", std::string(256 * 1024, 'x')) ? 1 : 0);
    }
    int status = 0;
    waitpid(limited, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "killed by signal " << WTERMSIG(status);
    EXPECT_NE(std::string::npos, de50test::Slurp(childLog).find("Error: could not save"));
    EXPECT_EQ(OnDisk("profile_list.xml"), "new");
    EXPECT_EQ(1u, FilesInUserDir()) << "no temporary left behind";
    // The process dies mid-save.
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        TFile f;
        f.Open("user:profile_list.xml", DE50::kFileWrite);
        f.Write("half of the n", 13);
        _exit(3); // without closing
    }
    waitpid(child, &status, 0);
    EXPECT_EQ(3, WEXITSTATUS(status));
    EXPECT_EQ(OnDisk("profile_list.xml"), "new");

    // The next start clears what the dead save left, and older versions'
    // temporaries, but never a copy a person made or a numbered refused file.
    EXPECT_EQ(2u, FilesInUserDir());
    const char* kept[] = {"notes.txt.abc123",
                          "p_a.xml.abc12",
                          "p_a.xml.bad",
                          "p_a.xml.ab-123",
                          "a.xml",
                          "p_Player.xml.backup",
                          "p_a.xml.Backup",
                          "profile_list.xml.copy01",
                          "p_a.xml.myCopy",
                          "p_a.xml.bad.123456",
                          "p_a.xml.ne-tmp-ab_123",
                          "p_a.xml.tmp-x9Q2bZ"};
    for (const char* name : kept)
        std::ofstream(user + "/" + name) << "x";
    for (const char* name : {"p_a.xml.bad.Zz9x0Q", "settings.xml.k3J9qZ", "p_a.xml.bad.2.ne-tmp-backup"})
        std::ofstream(user + "/" + name) << "x";
    testing::internal::CaptureStderr();
    nE_RemoveStaleUserTemporaries();
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find(
                                     "Warning: removed 4 temporary files of interrupted saves"));
    EXPECT_EQ(1u + std::size(kept), FilesInUserDir());
    for (const char* name : kept)
        EXPECT_TRUE(fs::exists(user + "/" + name)) << name;
}

TEST_F(UserFiles, PathsLeavingTheFolderAreRefused)
{
    fs::create_directories(user);
    const std::string outside = root + "outside";
    std::ofstream(outside) << "precious";
    testing::internal::CaptureStderr();
    for (const std::string& name : {"../outside"s, "a/../../outside"s, outside, "..\\outside"s, ""s})
    {
        std::string text;
        EXPECT_FALSE(nE_WriteUserFile(name, "overwritten")) << name;
        EXPECT_FALSE(nE_ReadUserFile(name, text)) << name;
        EXPECT_FALSE(nE_CreateFile(name)->Delete()) << name;
        EXPECT_FALSE(Put(name, "appended", NE_FILE_APPEND)) << name;
    }
    testing::internal::GetCapturedStderr();
    // The library refuses these for any caller, with a log line.
    for (const std::string& path : {"user:/etc/passwd"s, "user:C:/outside"s, outside, "outside"s, "user:"s,
                                    "user:sub/"s, "user:.."s, "user:user:x"s})
    {
        testing::internal::CaptureStderr();
        TFile f;
        EXPECT_FALSE(f.Open(path, DE50::kFileWrite)) << path;
        EXPECT_FALSE(f.Open(path, DE50::kFileRead)) << path;
        EXPECT_FALSE(TFile::DeleteFile(path)) << path;
        EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("Error: ")) << path;
    }
    EXPECT_EQ(de50test::Slurp(outside), "precious");
    // Names that merely contain dots stay allowed.
    EXPECT_TRUE(nE_WriteUserFile("a..b/..c", "ok"));
    EXPECT_EQ(OnDisk("a..b/..c"), "ok");
}

TEST_F(UserFiles, PreferenceFolderFollowsPublisherAndGame)
{
    EnvVar xdg("XDG_DATA_HOME");
    unsetenv("NOTENGINE_USER_DIR");
    setenv("XDG_DATA_HOME", (root + "xdg").c_str(), 1);
    DE50::SetConfigValue(DE50::kConfigPublisherName, "Quillfen Games");
    DE50::SetConfigValue(DE50::kConfigGameName, "Test Game");
    EXPECT_EQ(root + "xdg/Quillfen Games/Test Game/settings.xml", TFile::ResolvePath("user:settings.xml"));
    EXPECT_TRUE(nE_WriteUserFile("settings.xml", "s"));
    EXPECT_TRUE(fs::exists(root + "xdg/Quillfen Games/Test Game/settings.xml"));
}
