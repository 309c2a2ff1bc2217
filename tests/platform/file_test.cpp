#include "engine/platform/nE_File_Pl5.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{
struct UserFiles : testing::Test
{
    std::string root;
    std::string user;
    std::string savedEnv;
    bool hadEnv = false;

    void SetUp() override
    {
        char tmpl[] = "/tmp/ne_file_XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        root = tmpl;
        user = root + "/user";
        const char* old = std::getenv("NOTENGINE_USER_DIR");
        hadEnv = old != nullptr;
        savedEnv = old ? old : "";
        setenv("NOTENGINE_USER_DIR", user.c_str(), 1);
        testing::internal::CaptureStderr(); // the library reports refusals there
    }
    void TearDown() override
    {
        testing::internal::GetCapturedStderr();
        if (hadEnv)
            setenv("NOTENGINE_USER_DIR", savedEnv.c_str(), 1);
        else
            unsetenv("NOTENGINE_USER_DIR");
        std::error_code ec;
        fs::remove_all(root, ec);
    }

    static std::string Slurp(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string OnDisk(const std::string& name) { return Slurp(user + "/" + name); }

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

// Makes every file write beyond `bytes` fail as a full disk would.
struct FileSizeLimit
{
    rlimit saved{};
    void (*oldHandler)(int) = nullptr;
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved);
        oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
    }
};
} // namespace

TEST_F(UserFiles, NamesGetTheUserPrefixAndKeepTheirFolder)
{
    EXPECT_EQ(nE_CreateFile("settings.xml")->GetPath(), "user:settings.xml");
    EXPECT_EQ(nE_CreateFile("saves/p_a.xml")->GetPath(), "user:saves/p_a.xml");

    std::string bytes("line\n\0\xff end", 11);
    ASSERT_TRUE(Put("saves/p_a.xml", bytes, NE_FILE_WRITE));
    EXPECT_EQ(OnDisk("saves/p_a.xml"), bytes);
    EXPECT_EQ(Get("saves/p_a.xml", NE_FILE_READ), bytes);

    std::string whole;
    EXPECT_TRUE(nE_ReadUserFile("saves/p_a.xml", whole));
    EXPECT_EQ(whole, bytes);
    EXPECT_TRUE(nE_WriteUserFile("empty", ""));
    EXPECT_TRUE(nE_ReadUserFile("empty", whole));
    EXPECT_EQ(whole, "");
    EXPECT_FALSE(nE_ReadUserFile("missing", whole));
}

TEST_F(UserFiles, ModesComeInPairs)
{
    EXPECT_EQ(nE_File_Pl5::MapMode(0), nE_File_Pl5::MapMode(1));
    EXPECT_EQ(nE_File_Pl5::MapMode(2), nE_File_Pl5::MapMode(3));
    EXPECT_EQ(nE_File_Pl5::MapMode(4), nE_File_Pl5::MapMode(5));
    EXPECT_EQ(nE_File_Pl5::MapMode(7), 7);
    EXPECT_EQ(nE_File_Pl5::MapMode(-1), -1);

    for (int write : {2, 3})
    {
        ASSERT_TRUE(Put("f", "abc", write));
        ASSERT_TRUE(Put("f", "xy", write));
        EXPECT_EQ(OnDisk("f"), "xy") << "mode " << write;
    }
    for (int append : {4, 5})
    {
        ASSERT_TRUE(Put("f", "xy", NE_FILE_WRITE));
        ASSERT_TRUE(Put("f", "z", append));
        EXPECT_EQ(OnDisk("f"), "xyz") << "mode " << append;
    }
    for (int read : {0, 1})
        EXPECT_EQ(Get("f", read), "xyz") << "mode " << read;

    // Reading a file opened for writing and the other way round gives no bytes.
    std::unique_ptr<nE_File> f = nE_CreateFile("f");
    ASSERT_TRUE(f->Open(NE_FILE_READ));
    EXPECT_LE(f->Write("q", 1), 0);
    f->Close();
    EXPECT_EQ(OnDisk("f"), "xyz");
    EXPECT_FALSE(nE_CreateFile("f")->Open(7));
}

TEST_F(UserFiles, AClosedFileStaysClosed)
{
    std::unique_ptr<nE_File> f = nE_CreateFile("f");
    char c = 0;
    EXPECT_EQ(f->Read(&c, 1), 0);
    EXPECT_EQ(f->Write("a", 1), 0);
    EXPECT_EQ(f->GetSize(), 0);
    EXPECT_FALSE(f->Close()); // never opened

    EXPECT_FALSE(f->Open(NE_FILE_WRITE));
    EXPECT_EQ(f->Write("a", 1), 0);
    EXPECT_FALSE(fs::exists(user + "/f"));
}

TEST_F(UserFiles, AnInterruptedWriteLeavesTheOldFile)
{
    ASSERT_TRUE(nE_WriteUserFile("profile_list.xml", "old list"));

    {
        // Nothing on disk changes before Close.
        std::unique_ptr<nE_File> f = nE_CreateFile("profile_list.xml");
        ASSERT_TRUE(f->Open(NE_FILE_WRITE));
        EXPECT_EQ(f->Write("new", 3), 3);
        EXPECT_EQ(OnDisk("profile_list.xml"), "old list");
        EXPECT_TRUE(f->Close());
    }
    EXPECT_EQ(OnDisk("profile_list.xml"), "new");

    std::string big(256 * 1024, 'x');
    bool saved;
    {
        FileSizeLimit full(64 * 1024);
        saved = nE_WriteUserFile("profile_list.xml", big);
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(OnDisk("profile_list.xml"), "new");
    int files = 0;
    for (const auto& entry : fs::directory_iterator(user))
        files += entry.is_regular_file();
    EXPECT_EQ(files, 1) << "no temporary left behind";
}

TEST_F(UserFiles, DroppingAnOpenFileFinishesIt)
{
    {
        std::unique_ptr<nE_File> f = nE_CreateFile("g");
        ASSERT_TRUE(f->Open(NE_FILE_WRITE));
        f->Write("kept", 4);
    }
    EXPECT_EQ(OnDisk("g"), "kept");
}

TEST_F(UserFiles, DeleteNeedsNoOpenFile)
{
    ASSERT_TRUE(nE_WriteUserFile("p_a.xml", "x"));
    ASSERT_TRUE(nE_WriteUserFile("p_b.xml", "y"));
    EXPECT_TRUE(nE_CreateFile("p_a.xml")->Delete());
    EXPECT_FALSE(fs::exists(user + "/p_a.xml"));
    EXPECT_EQ(OnDisk("p_b.xml"), "y");
    EXPECT_FALSE(nE_CreateFile("p_a.xml")->Delete());

    std::unique_ptr<nE_File> f = nE_CreateFile("p_b.xml");
    f->Close();
    EXPECT_TRUE(f->Delete()); // even after Close
}

TEST_F(UserFiles, PathsLeavingTheFolderAreRefused)
{
    fs::create_directories(user);
    std::ofstream(root + "/outside") << "precious";
    const std::string outside = root + "/outside";
    for (const std::string& name : {std::string("../outside"), std::string("a/../../outside"), outside,
                                    std::string("..\\outside"), std::string("")})
    {
        std::string text;
        EXPECT_FALSE(nE_WriteUserFile(name, "overwritten")) << name;
        EXPECT_FALSE(nE_ReadUserFile(name, text)) << name;
        EXPECT_FALSE(nE_CreateFile(name)->Delete()) << name;
        EXPECT_FALSE(Put(name, "appended", NE_FILE_APPEND)) << name;
    }
    EXPECT_EQ(Slurp(outside), "precious");
}
