#include "engine/platform/nE_File.h"

#include "engine/core/nE_Log.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

bool nE_ReadUserFile(const std::string& name, std::string& text)
{
    std::unique_ptr<nE_File> file = nE_CreateFile(name);
    if (!file->Open(NE_FILE_READ)) return false;
    long size = file->GetSize();
    text.clear();
    if (size > 0)
    {
        std::vector<char> buffer(static_cast<size_t>(size));
        long got = file->Read(buffer.data(), buffer.size());
        if (got < 0)
        {
            file->Close();
            return false;
        }
        text.assign(buffer.data(), static_cast<size_t>(got));
    }
    file->Close();
    return true;
}

bool nE_WriteUserFile(const std::string& name, const std::string& text)
{
    // A file that holds the text already is left alone: writing it again would
    // change nothing, yet wait for the disk twice (the file, then its folder).
    std::string stored;
    if (nE_ReadUserFile(name, stored) && stored == text) return true;
    std::unique_ptr<nE_File> file = nE_CreateFile(name);
    if (!file->Open(NE_FILE_WRITE)) return false;
    bool ok = file->Write(text.data(), text.size()) == static_cast<long>(text.size());
    // A short write must not replace the old file: Close commits only clean writes.
    return file->Close() && ok;
}

namespace
{
const size_t kKeptRefusedCopies = 10;

std::string CopyName(const std::string& bad, long number)
{
    return number == 0 ? bad : bad + "." + std::to_string(number);
}

// 0 for the copy "<bad>", n for "<bad>.n", -1 for any other name.
long CopyNumber(const std::string& file, const std::string& bad)
{
    if (file == bad) return 0;
    if (file.size() <= bad.size() + 1 || file.compare(0, bad.size(), bad) != 0 || file[bad.size()] != '.')
        return -1;
    const std::string digits = file.substr(bad.size() + 1);
    if (digits.size() > 9 || digits[0] == '0') return -1;
    for (char c : digits)
        if (c < '0' || c > '9') return -1;
    return std::strtol(digits.c_str(), nullptr, 10);
}

// The numbers of the copies kept so far, oldest first.
bool KeptCopies(const std::string& bad, std::vector<long>& numbers)
{
    const size_t slash = bad.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : bad.substr(0, slash);
    const std::string base = slash == std::string::npos ? bad : bad.substr(slash + 1);
    std::vector<nE_UserFileInfo> files;
    if (!nE_ListUserFiles(folder, files)) return false;
    numbers.clear();
    for (const nE_UserFileInfo& file : files)
    {
        long n = CopyNumber(file.name, base);
        if (n >= 0) numbers.push_back(n);
    }
    std::sort(numbers.begin(), numbers.end());
    return true;
}
} // namespace

void nE_KeepRefusedUserFile(const std::string& name, const std::string& text)
{
    const std::string bad = name + ".bad";
    std::vector<long> numbers;
    if (!KeptCopies(bad, numbers))
    {
        nE_LogFmt("Error: could not keep a copy of the refused file %s.", name);
        return;
    }
    // The same file refused at every start is kept once, not ten times over
    // the player's older copies.
    for (long n : numbers)
    {
        std::string kept;
        if (nE_ReadUserFile(CopyName(bad, n), kept) && kept == text)
        {
            nE_LogFmt2("Warning: the refused file %s is kept as %s.", name, CopyName(bad, n));
            return;
        }
    }
    const std::string copy = CopyName(bad, numbers.empty() ? 0 : numbers.back() + 1);
    if (!nE_WriteUserFile(copy, text))
    {
        nE_LogFmt("Error: could not keep a copy of the refused file %s.", name);
        return;
    }
    nE_LogFmt2("Warning: the refused file %s is kept as %s.", name, copy);
    for (size_t i = 0; i + kKeptRefusedCopies < numbers.size() + 1; ++i)
        nE_CreateFile(CopyName(bad, numbers[i]))->Delete();
}
