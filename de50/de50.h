#pragma once
// The engine library: everything the program calls, in one include.

#include "de50/de50_base.h"
#include "de50/de50_cursor.h"
#include "de50/de50_event.h"
#include "de50/de50_loop.h"
#include "de50/de50_platform.h"
#include "de50/de50_renderer.h"
#include "de50/de50_texture.h"
#include "de50/de50_types.h"

// Sound and files:
#include "de50/de50_config.h"
#include "de50/de50_file.h"
#include "de50/de50_sound.h"
