#pragma once
// Checks on the text of content files, which are UTF-8.

#include <string>

// Where the first byte that cannot start or continue a UTF-8 character is
// (a stray continuation byte, a sequence cut short or too long, a value past
// U+10FFFF or a surrogate); npos when the whole text is UTF-8.
size_t nE_FindBadUtf8(const std::string& text);

// The 1-based line of a byte offset.
int nE_LineOf(const std::string& text, size_t offset);
