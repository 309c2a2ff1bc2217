#pragma once
// The one file-name rule shared by every asset loader.

#include <string>

// The name with every backslash turned into a slash, with the extension
// appended unless the extension text already occurs anywhere in the name.
std::string nE_MakePath(const std::string& name, const std::string& extension);

// True when a regular file exists at the path (a directory does not count).
bool nE_FileExists(const std::string& path);

// The directory part of an asset name: its text up to and including the last
// slash, after backslashes became slashes; empty when there is none.
std::string nE_PathDirectory(const std::string& name);
