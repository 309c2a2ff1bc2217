#pragma once
// The player's own files (settings, profile list, game data). Names are
// relative to the user's data folder, which the engine library resolves; the
// asset tree never goes through here.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class nE_File
{
public:
    explicit nE_File(std::string path) : m_path(std::move(path)) {}
    virtual ~nE_File() = default;
    nE_File(const nE_File&) = delete;
    nE_File& operator=(const nE_File&) = delete;

    // Modes come in pairs: 0/1 read, 2/3 write (replace), 4/5 append.
    // False once the file has been closed.
    virtual bool Open(int mode) = 0;
    // Ends the file for good. A written file replaces the old one only when
    // every write succeeded; the result says whether it did.
    virtual bool Close() = 0;
    // Counts of bytes; 0 when the file is not open.
    virtual long Write(const void* buffer, unsigned long size) = 0;
    virtual long Read(void* buffer, unsigned long size) = 0;
    // Removes the file on disk; needs no open file.
    virtual bool Delete() = 0;
    virtual long GetSize() = 0;

    const std::string& GetPath() const { return m_path; }

protected:
    std::string m_path;
};

enum
{
    NE_FILE_READ = 0,
    NE_FILE_WRITE = 2,
    NE_FILE_APPEND = 4,
};

// A file object for `name` in the user's data folder (name kept as given,
// directory part included). Never null.
std::unique_ptr<nE_File> nE_CreateFile(const std::string& name);

// Whole-file reads and writes of a user file; they log nothing, the caller
// words the failure. A write replaces the old file only when it all went out;
// a file that holds the text already is not written again.
bool nE_ReadUserFile(const std::string& name, std::string& text);
bool nE_WriteUserFile(const std::string& name, const std::string& text);

struct nE_UserFileInfo
{
    std::string name;
    int64_t modified; // comparable only with other files' times
};

// The plain files directly inside `folder` of the user folder ("" for the user
// folder itself), in no particular order. False when the folder is refused.
bool nE_ListUserFiles(const std::string& folder, std::vector<nE_UserFileInfo>& files);

// Keeps a user file the program refused as name + ".bad", so that the next
// save cannot destroy the player's only copy; logs either way. A copy is never
// overwritten: later ones are numbered ".bad.1", ".bad.2" and on, the ten
// newest are kept, and a text kept already is not kept twice.
void nE_KeepRefusedUserFile(const std::string& name, const std::string& text);

// Clears the user folder of temporary files left by saves that were cut off.
void nE_RemoveStaleUserTemporaries();
