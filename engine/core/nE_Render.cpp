#include "engine/core/nE_Render.h"

nE_Render* g_render = nullptr;
nE_Render* g_currentRender = nullptr;
