#include "engine/platform/nE_Cursor.h"

// Out of line so that the class's virtual table lives in this library.
nE_Cursor::~nE_Cursor() = default;

nE_Cursor* g_cursor = nullptr;
