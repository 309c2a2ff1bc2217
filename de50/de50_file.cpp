#include "de50/de50_file.h"

#include "de50/de50_config.h"
#include "de50/de50_test.h"

#include <SDL.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace DE50
{

namespace
{
int g_failStep = 0;
int g_steps = 0;

// One step of writing; false when a test asked this one to fail.
bool StepSucceeds()
{
    return ++g_steps != g_failStep;
}

const char kUserPrefix[] = "user:";
const size_t kUserPrefixLength = sizeof kUserPrefix - 1;

std::string WithSlash(std::string dir)
{
    if (!dir.empty() && dir.back() != '/') dir += '/';
    return dir;
}

std::string UserFolder()
{
    const char* env = std::getenv("NOTENGINE_USER_DIR");
    if (env && *env)
    {
        std::error_code ec;
        std::filesystem::create_directories(env, ec);
        return WithSlash(env);
    }
    str publisher = GetConfigValue(kConfigPublisherName);
    str game = GetConfigValue(kConfigGameName);
    if (game.empty()) game = "notEngine";
    char* pref = SDL_GetPrefPath(publisher.c_str(), game.c_str());
    if (!pref)
    {
        WriteDbg("Error: the user data folder is not available: %s", SDL_GetError());
        return std::string();
    }
    std::string dir = WithSlash(pref);
    SDL_free(pref);
    return dir;
}

// A relative name that stays inside the folder: no root, no drive or other
// prefix, no ".." step, and a file name at its end.
bool StaysInside(const std::string& name)
{
    if (name.empty() || name[0] == '/' || name.back() == '/' || name.find(':') != std::string::npos ||
        name.find('\0') != std::string::npos)
        return false;
    size_t start = 0;
    while (start <= name.size())
    {
        size_t end = name.find('/', start);
        if (end == std::string::npos) end = name.size();
        if (name.compare(start, end - start, "..") == 0) return false;
        start = end + 1;
    }
    return true;
}

bool CopyInto(const std::string& from, std::FILE* to)
{
    std::FILE* in = std::fopen(from.c_str(), "rb");
    if (!in) return errno == ENOENT;
    char chunk[16384];
    bool ok = true;
    size_t n;
    while (ok && (n = std::fread(chunk, 1, sizeof chunk, in)) > 0)
        ok = std::fwrite(chunk, 1, n, to) == n;
    ok = ok && !std::ferror(in);
    std::fclose(in);
    return ok;
}

// Temporaries carry this marker before mkstemp's six random letters and
// digits: no name a person gives a copy looks like it.
const char kTempMarker[] = ".ne-tmp-";
const size_t kRandom = 6;

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() > tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool IsRandomTail(const std::string& name, size_t from)
{
    for (size_t i = from; i < name.size(); ++i)
        if (!std::isalnum(static_cast<unsigned char>(name[i]))) return false;
    return true;
}

// Older versions named temporaries "<file>.xml.XXXXXX" (or ".xml.bad.XXXXXX"),
// the very shape of a copy a person makes ("p_a.xml.backup", ".copy01").
// Only a tail that switches between lower case, upper case and digits at
// least three times passes for mkstemp's; a word, a word with digits or a
// Capitalised one is kept, and so is a random tail that happens to look tame.
bool IsLegacyTemporary(const std::string& name)
{
    if (name.size() <= kRandom + 1 || name[name.size() - kRandom - 1] != '.') return false;
    const size_t tail = name.size() - kRandom;
    if (!IsRandomTail(name, tail)) return false;
    std::string base = name.substr(0, tail - 1);
    if (!EndsWith(base, ".xml") && !EndsWith(base, ".xml.bad")) return false;
    auto kind = [](unsigned char c) { return std::isdigit(c) ? 0 : std::isupper(c) ? 1 : 2; };
    int changes = 0;
    for (size_t i = tail + 1; i < name.size(); ++i)
        changes += kind(static_cast<unsigned char>(name[i])) != kind(static_cast<unsigned char>(name[i - 1]));
    return changes >= 3;
}

bool IsOurTemporary(const std::string& name)
{
    const std::string marker = kTempMarker;
    if (name.size() > marker.size() + kRandom)
    {
        const size_t at = name.size() - kRandom - marker.size();
        if (name.compare(at, marker.size(), marker) == 0) return IsRandomTail(name, at + marker.size());
    }
    return IsLegacyTemporary(name);
}

// The rename is only durable once the folder's entry is on disk as well.
void SyncFolderOf(const std::string& path)
{
    std::string dir = std::filesystem::path(path).parent_path().string();
    int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}
} // namespace

std::string TFile::ResolvePath(const str& path)
{
    if (path.compare(0, kUserPrefixLength, kUserPrefix) != 0)
    {
        WriteDbg("Error: file \"%s\" is not a user: path", path.c_str());
        return std::string();
    }
    std::string name = path.substr(kUserPrefixLength);
    for (char& c : name)
        if (c == '\\') c = '/';
    if (!StaysInside(name))
    {
        WriteDbg("Error: file \"%s\" leaves the user folder, refused", path.c_str());
        return std::string();
    }
    std::string folder = UserFolder();
    return folder.empty() ? folder : folder + name;
}

TFile::~TFile()
{
    Close();
}

bool TFile::Open(const str& path, int mode)
{
    Close();
    if (mode != kFileRead && mode != kFileWrite && mode != kFileAppend)
    {
        WriteDbg("Error: file \"%s\" asked for unknown mode %d", path.c_str(), mode);
        return false;
    }
    std::string full = ResolvePath(path);
    if (full.empty()) return false;
    m_mode = mode;
    m_failed = false;
    if (mode == kFileRead)
    {
        m_file = std::fopen(full.c_str(), "rb");
        return m_file != nullptr;
    }
    return OpenForWriting(full, mode == kFileAppend);
}

bool TFile::OpenForWriting(const std::string& target, bool append)
{
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(target).parent_path(), ec);
    std::string temp = target + kTempMarker + "XXXXXX";
    int fd = StepSucceeds() ? ::mkstemp(&temp[0]) : -1;
    if (fd < 0)
    {
        WriteDbg("Error: could not write \"%s\": %s", target.c_str(), std::strerror(errno));
        return false;
    }
    m_file = ::fdopen(fd, "wb");
    if (!m_file)
    {
        ::close(fd);
        ::unlink(temp.c_str());
        return false;
    }
    m_target = target;
    m_temp = temp;
    if (append && !CopyInto(target, m_file))
    {
        WriteDbg("Error: could not read \"%s\" to append to it", target.c_str());
        Abandon();
        return false;
    }
    return true;
}

void TFile::Abandon()
{
    if (m_file) std::fclose(m_file);
    m_file = nullptr;
    ::unlink(m_temp.c_str());
    m_temp.clear();
    m_target.clear();
}

bool TFile::Close()
{
    if (!m_file) return false;
    if (m_mode == kFileRead)
    {
        std::fclose(m_file);
        m_file = nullptr;
        return true;
    }
    bool ok = !m_failed && StepSucceeds() && std::fflush(m_file) == 0 && !std::ferror(m_file) &&
              ::fsync(::fileno(m_file)) == 0;
    ok = std::fclose(m_file) == 0 && StepSucceeds() && ok;
    m_file = nullptr;
    ok = ok && StepSucceeds() && std::rename(m_temp.c_str(), m_target.c_str()) == 0;
    if (!ok)
    {
        WriteDbg("Error: could not save \"%s\", the old file is kept", m_target.c_str());
        Abandon();
        return false;
    }
    SyncFolderOf(m_target);
    m_temp.clear();
    m_target.clear();
    return true;
}

long TFile::Size() const
{
    if (!m_file) return -1;
    if (m_mode != kFileRead) return std::ftell(m_file);
    struct stat st;
    if (::fstat(::fileno(m_file), &st) != 0) return -1;
    return static_cast<long>(st.st_size);
}

long TFile::Read(void* buffer, unsigned long size)
{
    if (!m_file || m_mode != kFileRead || (!buffer && size)) return -1;
    return static_cast<long>(std::fread(buffer, 1, size, m_file));
}

long TFile::Write(const void* buffer, unsigned long size)
{
    if (!m_file || m_mode == kFileRead || (!buffer && size)) return -1;
    size_t n = StepSucceeds() ? std::fwrite(buffer, 1, size, m_file) : 0;
    if (n != size) m_failed = true;
    return static_cast<long>(n);
}

int TFile::RemoveStaleTemporaries()
{
    std::string folder = UserFolder();
    if (folder.empty()) return 0;
    std::error_code ec;
    int removed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
    {
        std::error_code fileError;
        if (entry.is_regular_file(fileError) && IsOurTemporary(entry.path().filename().string()) &&
            std::filesystem::remove(entry.path(), fileError))
            ++removed;
    }
    if (removed) WriteDbg("Warning: removed %d temporary files of interrupted saves", removed);
    return removed;
}

bool TFile::ListFolder(const str& path, std::vector<TFileEntry>& files)
{
    files.clear();
    std::string folder = path == kUserPrefix ? UserFolder() : ResolvePath(path);
    if (folder.empty()) return false;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
    {
        std::error_code fileError;
        if (!entry.is_regular_file(fileError)) continue;
        auto modified = entry.last_write_time(fileError);
        files.push_back({entry.path().filename().string(),
                         fileError ? 0 : static_cast<int64_t>(modified.time_since_epoch().count())});
    }
    return true;
}

bool TFile::DeleteFile(const str& path)
{
    std::string full = ResolvePath(path);
    return !full.empty() && std::remove(full.c_str()) == 0;
}

namespace Test
{
void FailFileStep(int n)
{
    g_failStep = n;
    g_steps = 0;
}

int FileSteps()
{
    return g_steps;
}
} // namespace Test

} // namespace DE50
