#pragma once
// The player's own files. Paths begin "user:" and name a file in the user's
// data folder: NOTENGINE_USER_DIR when set, else SDL's preference folder for
// the configured publisher and game. Writes go to a temporary file that
// replaces the old one only at Close, and only when every write succeeded,
// so an interrupted save never leaves a half-written file behind.

#include "de50/de50_base.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace DE50
{

enum _eFileMode
{
    kFileRead = 0,   // an existing file, from its start
    kFileWrite = 1,  // replaces the file with what is written
    kFileAppend = 2, // replaces the file with its old contents plus what is written
};

struct TFileEntry
{
    std::string name;
    int64_t modified; // comparable only with other entries' times
};

class TFile
{
public:
    TFile() = default;
    ~TFile(); // closes an open file as Close does
    TFile(const TFile&) = delete;
    TFile& operator=(const TFile&) = delete;

    // Closes any open file first. False, with a log line for a refused path or mode,
    // when the file cannot be opened; a missing file in read mode is not logged.
    bool Open(const str& path, int mode);
    bool IsValid() const { return m_file != nullptr; }
    // Writing modes: the file is replaced only when every write succeeded; returns
    // whether the file now holds what was written (always true after reading).
    bool Close();
    // Reading: the file's size; writing: the bytes written so far. -1 when not open.
    long Size() const;
    // Bytes read or written, -1 when the file is not open in a fitting mode.
    long Read(void* buffer, unsigned long size);
    long Write(const void* buffer, unsigned long size);

    static bool DeleteFile(const str& path);
    // The full path a "user:" path stands for; empty (with a log line) when refused.
    static std::string ResolvePath(const str& path);
    // The plain files directly inside a "user:" folder ("user:" alone is the user
    // folder itself), in no particular order. False, with a log line, for a refused
    // path; a folder that does not exist holds nothing.
    static bool ListFolder(const str& path, std::vector<TFileEntry>& files);
    // Removes what saves that never reached Close left in the user folder: files
    // bearing the temporaries' marker, and older versions' temporaries of XML files
    // where their names cannot be a person's copy. Answers how many went.
    static int RemoveStaleTemporaries();

private:
    bool OpenForWriting(const std::string& target, bool append);
    void Abandon();

    std::FILE* m_file = nullptr;
    int m_mode = kFileRead;
    bool m_failed = false;
    std::string m_target;
    std::string m_temp;
};

} // namespace DE50
