#include "engine/platform/nE_File.h"

#include "engine/core/nE_Log.h"

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

void nE_KeepRefusedUserFile(const std::string& name, const std::string& text)
{
    const std::string bad = name + ".bad";
    if (nE_WriteUserFile(bad, text))
        nE_LogFmt2("Warning: the refused file %s is kept as %s.", name, bad);
    else
        nE_LogFmt("Error: could not keep a copy of the refused file %s.", name);
}
