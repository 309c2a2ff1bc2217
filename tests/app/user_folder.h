#pragma once
// A temporary user data folder (NOTENGINE_USER_DIR) and a recording of the
// log lines sent on the bus, for tests of the player's files.

#include "engine/core/nE_Log.h"
#include "engine/core/nE_Mediator.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

struct UserFolderLog : nE_Listener
{
    std::vector<std::string> lines;
    void OnMessage(int, void* record) override { lines.push_back(static_cast<const char*>(record)); }
    bool Has(const std::string& line) const
    {
        for (const std::string& l : lines)
            if (l == line) return true;
        return false;
    }
    int CountStartingWith(const std::string& prefix) const
    {
        int n = 0;
        for (const std::string& l : lines)
            n += l.compare(0, prefix.size(), prefix) == 0;
        return n;
    }
};

struct UserFolderTest : testing::Test
{
    std::string root;
    std::string user;
    std::string savedEnv;
    bool hadEnv = false;
    nE_Mediator bus;
    UserFolderLog log;

    void SetUp() override
    {
        char tmpl[] = "/tmp/ng_user_XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        root = tmpl;
        user = root + "/user";
        std::filesystem::create_directories(user);
        const char* old = std::getenv("NOTENGINE_USER_DIR");
        hadEnv = old != nullptr;
        savedEnv = old ? old : "";
        setenv("NOTENGINE_USER_DIR", user.c_str(), 1);
        bus.Subscribe(&log, NE_MSG_LOG);
        g_mediator = &bus;
        testing::internal::CaptureStderr(); // the engine library's own reports
    }
    void TearDown() override
    {
        testing::internal::GetCapturedStderr();
        g_mediator = nullptr;
        if (hadEnv)
            setenv("NOTENGINE_USER_DIR", savedEnv.c_str(), 1);
        else
            unsetenv("NOTENGINE_USER_DIR");
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }

    std::string OnDisk(const std::string& name) const
    {
        std::ifstream in(user + "/" + name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    bool Exists(const std::string& name) const { return std::filesystem::exists(user + "/" + name); }
    void PutOnDisk(const std::string& name, const std::string& text) const
    {
        std::ofstream(user + "/" + name, std::ios::binary) << text;
    }
    std::vector<std::string> Files() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(user))
            names.push_back(entry.path().filename().string());
        return names;
    }
};

// Makes every file write beyond `bytes` fail as a full disk would.
struct FullDisk
{
    rlimit saved{};
    void (*oldHandler)(int) = nullptr;
    explicit FullDisk(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved);
        oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FullDisk()
    {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;
};
