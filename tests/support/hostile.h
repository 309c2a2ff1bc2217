#pragma once
// The damaged and hostile content files of tests/data/hostile/<kind>/ (made by
// make_hostile.py there), and cuts of good files made at test time.

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace hostile
{

inline std::string Path(const std::string& kind, const std::string& file)
{
    const char* data = std::getenv("NE_TEST_DATA");
    return std::string(data ? data : NE_SOURCE_DIR_DEFAULT "/tests/data") + "/hostile/" + kind + "/" + file;
}

inline std::string Read(const std::string& kind, const std::string& file)
{
    std::ifstream in(Path(kind, file), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Copies a fixture to `path` (a scratch folder keeps the files it names beside it).
inline void CopyTo(const std::string& kind, const std::string& file, const std::string& path)
{
    std::ofstream(path, std::ios::binary) << Read(kind, file);
}

} // namespace hostile
