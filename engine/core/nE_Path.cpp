#include "engine/core/nE_Path.h"

#include <algorithm>
#include <sys/stat.h>

std::string nE_MakePath(const std::string& name, const std::string& extension)
{
    std::string path = name;
    std::replace(path.begin(), path.end(), '\\', '/');
    if (path.find(extension) == std::string::npos) path += extension;
    return path;
}

bool nE_FileExists(const std::string& path)
{
    struct stat info;
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string nE_PathDirectory(const std::string& name)
{
    std::string path = nE_MakePath(name, std::string());
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}
