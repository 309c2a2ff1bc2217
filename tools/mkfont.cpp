// Turns a ".ttf" font into the ".nefnt" form the engine loads without a
// deprecation warning.
//   mkfont input.ttf output.nefnt

#include "engine/scene/nE_Font.h"

#include <cstdio>
#include <vector>

namespace
{
bool ReadFile(const char* path, std::vector<unsigned char>& bytes)
{
    FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    unsigned char chunk[65536];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof(chunk), file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

bool WriteFile(const char* path, const std::vector<unsigned char>& bytes)
{
    FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = std::fclose(file) == 0 && ok;
    if (!ok) std::remove(path);
    return ok;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::fprintf(stderr, "usage: %s input.ttf output.nefnt\n", argv[0]);
        return 2;
    }
    std::vector<unsigned char> plain;
    if (!ReadFile(argv[1], plain) || plain.empty())
    {
        std::fprintf(stderr, "Error: cannot read font \"%s\"\n", argv[1]);
        return 1;
    }
    if (!WriteFile(argv[2], nE_ScrambleFont(plain.data(), plain.size())))
    {
        std::fprintf(stderr, "Error: cannot write \"%s\"\n", argv[2]);
        return 1;
    }
    return 0;
}
