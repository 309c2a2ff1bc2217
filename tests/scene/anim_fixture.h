#pragma once
// Animation files for the tests, written into a scratch folder at test time:
// a three-frame strip image cut by a frame texture, and animation files that
// play it in several ways.

#include "platform/de50_test_support.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace animfixture
{

// Frame colours of the strip, 0xAARRGGBB.
const uint32_t kStripColours[3] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF};

inline void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// A w by h image from rows of 0xAARRGGBB values.
inline bool WritePng(const std::string& path, int w, int h, const std::vector<uint32_t>& pixels)
{
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!s) return false;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            static_cast<uint32_t*>(s->pixels)[y * s->pitch / 4 + x] = pixels[size_t(y * w + x)];
    const int rc = IMG_SavePNG(s, path.c_str());
    SDL_FreeSurface(s);
    return rc == 0;
}

// Solid 4 x 4 blocks of the given colours side by side.
inline bool WriteStrip(const std::string& path, const std::vector<uint32_t>& colours)
{
    std::vector<uint32_t> pixels;
    for (int y = 0; y < 4; ++y)
        for (uint32_t c : colours)
            pixels.insert(pixels.end(), 4, c);
    return WritePng(path, 4 * int(colours.size()), 4, pixels);
}

const char kDoor[] = R"xml(<?xml version="1.0"?>
<animation frame_texture="strip_ft">
  <function name="open" frametime="100" loop="0"><frame idx="0"/><frame idx="1"/><frame idx="2"/></function>
  <function name="spin" frametime="100" loop="1" alpha="1"><frame idx="0"/><frame idx="1"/><frame idx="2"/></function>
  <function name="fade_once" frametime="200" loop="0" alpha="1"><frame idx="2"/><frame idx="1"/></function>
  <function name="still" frametime="0" loop="1" alpha="1"><frame idx="1"/><frame idx="2"/></function>
  <function name="backwards" frametime="-50" loop="1" alpha="1"><frame idx="2"/><frame idx="0"/></function>
  <function name="empty" frametime="50" loop="0"/>
  <function name="empty_loop" frametime="50" loop="1"/>
  <function name="gappy" frametime="100" loop="2" alpha="2"><frame/><frame idx="2"/></function>
  <function name="open" frametime="999" loop="1"><frame idx="1"/></function>
</animation>
)xml";

// A scratch folder with the strip, its frame texture (frames pinned at their
// top-left corner), a white block and the animation files.
struct Folder : de50test::ScratchDir
{
    bool Make()
    {
        std::string frames = "<frametexture>";
        for (int i = 0; i < 3; ++i)
            frames += "<frame left=\"" + std::to_string(i * 4) +
                      "\" top=\"0\" widht=\"4\" height=\"4\" x=\"0\" y=\"0\" texture=\"strip\"/>";
        WriteText(path + "strip_ft.xml", frames + "</frametexture>");
        WriteText(path + "door.xml", kDoor);
        WriteText(path + "broken.xml",
                  "<animation frame_texture=\"strip_ft\"><function name=\"a\">\n<frame idx=");
        WriteText(path + "noroot.xml", "<?xml version=\"1.0\"?>\n<anim><function name=\"a\"/></anim>\n");
        WriteText(path + "blank.xml", "");
        return WriteStrip(path + "white.png", {0xFFFFFFFF}) &&
               WriteStrip(path + "strip.png", {kStripColours[0], kStripColours[1], kStripColours[2]});
    }
};

} // namespace animfixture
