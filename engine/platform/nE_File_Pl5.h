#pragma once
// User files over the engine library's TFile and its "user:" paths.

#include "engine/platform/nE_File.h"

namespace DE50
{
class TFile;
}

class nE_File_Pl5 : public nE_File
{
public:
    // `path` is the full "user:" path.
    explicit nE_File_Pl5(const std::string& path);
    ~nE_File_Pl5() override;

    bool Open(int mode) override;
    bool Close() override;
    long Write(const void* buffer, unsigned long size) override;
    long Read(void* buffer, unsigned long size) override;
    bool Delete() override;
    long GetSize() override;

    // The library's mode for one of ours; unknown values pass unchanged.
    static int MapMode(int mode);

private:
    bool IsOpen() const;

    std::unique_ptr<DE50::TFile> m_file;
};
