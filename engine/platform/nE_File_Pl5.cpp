#include "engine/platform/nE_File_Pl5.h"

#include "de50/de50_file.h"

std::unique_ptr<nE_File> nE_CreateFile(const std::string& name)
{
    return std::make_unique<nE_File_Pl5>("user:" + name);
}

bool nE_ListUserFiles(const std::string& folder, std::vector<nE_UserFileInfo>& files)
{
    std::vector<DE50::TFileEntry> entries;
    files.clear();
    if (!DE50::TFile::ListFolder("user:" + folder, entries)) return false;
    for (const DE50::TFileEntry& entry : entries)
        files.push_back({entry.name, entry.modified});
    return true;
}

void nE_RemoveStaleUserTemporaries()
{
    DE50::TFile::RemoveStaleTemporaries();
}

nE_File_Pl5::nE_File_Pl5(const std::string& path) : nE_File(path), m_file(std::make_unique<DE50::TFile>()) {}

// The TFile's own destructor finishes an open file as Close would.
nE_File_Pl5::~nE_File_Pl5() = default;

int nE_File_Pl5::MapMode(int mode)
{
    switch (mode)
    {
    case 0:
    case 1:
        return DE50::kFileRead;
    case 2:
    case 3:
        return DE50::kFileWrite;
    case 4:
    case 5:
        return DE50::kFileAppend;
    default:
        return mode;
    }
}

bool nE_File_Pl5::IsOpen() const
{
    return m_file && m_file->IsValid();
}

bool nE_File_Pl5::Open(int mode)
{
    return m_file && m_file->Open(m_path, MapMode(mode));
}

bool nE_File_Pl5::Close()
{
    bool ok = IsOpen() && m_file->Close();
    m_file.reset();
    return ok;
}

long nE_File_Pl5::Write(const void* buffer, unsigned long size)
{
    return IsOpen() ? m_file->Write(buffer, size) : 0;
}

long nE_File_Pl5::Read(void* buffer, unsigned long size)
{
    return IsOpen() ? m_file->Read(buffer, size) : 0;
}

bool nE_File_Pl5::Delete()
{
    return DE50::TFile::DeleteFile(m_path);
}

long nE_File_Pl5::GetSize()
{
    return IsOpen() ? m_file->Size() : 0;
}
