#pragma once
// A temporary user data folder (NOTENGINE_USER_DIR) and recordings of the
// bus, for tests of the player's files.

#include "engine/core/nE_Log.h"
#include "engine/core/nE_Mediator.h"
#include "support/lua_eval.h"
#include "support/scoped_env.h"

#include <gtest/gtest.h>
#include <lua.hpp>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

struct LogLines : nE_Listener
{
    std::vector<std::string> lines;
    void OnMessage(int, void* record) override { lines.push_back(static_cast<const char*>(record)); }
    bool Has(const std::string& line) const { return std::count(lines.begin(), lines.end(), line) > 0; }
    int CountStartingWith(const std::string& prefix) const
    {
        return int(std::count_if(lines.begin(), lines.end(),
                                 [&](const std::string& l)
                                 { return l.compare(0, prefix.size(), prefix) == 0; }));
    }
};

struct IdRecorder : nE_Listener
{
    std::vector<int> ids;
    void OnMessage(int id, void*) override { ids.push_back(id); }
    int Count(int id) const { return int(std::count(ids.begin(), ids.end(), id)); }
};

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Works in `dir` until it goes out of scope.
struct InFolder
{
    std::filesystem::path old = std::filesystem::current_path();
    explicit InFolder(const std::string& dir) { std::filesystem::current_path(dir); }
    ~InFolder() { std::filesystem::current_path(old); }
};

struct UserFolderTest : testing::Test
{
    std::string root;
    std::string user;
    std::unique_ptr<EnvVar> userEnv;
    nE_Mediator bus;
    LogLines log;

    void SetUp() override
    {
        char tmpl[] = "/tmp/ng_user_XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        user = (root = tmpl) + "/user";
        std::filesystem::create_directories(user);
        userEnv.reset(new EnvVar("NOTENGINE_USER_DIR", user));
        bus.Subscribe(&log, NE_MSG_LOG);
        g_mediator = &bus;
        testing::internal::CaptureStderr(); // the engine library's own reports
    }
    void TearDown() override
    {
        testing::internal::GetCapturedStderr();
        g_mediator = nullptr;
        userEnv.reset();
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    std::string OnDisk(const std::string& name) const { return ReadFile(user + "/" + name); }
    bool Exists(const std::string& name) const { return std::filesystem::exists(user + "/" + name); }
    void PutOnDisk(const std::string& name, const std::string& text) const
    {
        std::ofstream(user + "/" + name, std::ios::binary) << text;
    }
    bool AnyFileStartingWith(const std::string& prefix) const
    {
        for (const auto& entry : std::filesystem::directory_iterator(user))
            if (entry.path().filename().string().compare(0, prefix.size(), prefix) == 0) return true;
        return false;
    }
    // The kept copies of a refused user file, oldest first.
    std::vector<std::string> KeptCopies(const std::string& name) const
    {
        std::vector<std::string> copies;
        for (int n = 0; n < 30; ++n)
        {
            const std::string copy = name + ".bad" + (n ? "." + std::to_string(n) : "");
            if (Exists(copy)) copies.push_back(OnDisk(copy));
        }
        return copies;
    }
    size_t FileCount() const { return size_t(std::distance(std::filesystem::directory_iterator(user), {})); }
};
