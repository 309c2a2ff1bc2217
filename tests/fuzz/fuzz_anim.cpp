// A frame-list animation and the frame texture it names (with one small image
// beside them), loaded by an animated sprite that plays each function a while.
#include "engine/core/nE_ObjectTypeRegistry.h"
#include "engine/core/nE_Resource.h"
#include "engine/core/nE_TimeStep.h"
#include "engine/platform/nE_Texture_Pl5.h"
#include "engine/scene/nE_AnimSprite.h"
#include "fuzz_support.h"

#include <SDL.h>
#include <SDL_image.h>
#include <tinyxml.h>

namespace
{
// A 4 x 2 image, left half opaque.
void WriteImage(const std::string& path)
{
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 4, 2, 32, SDL_PIXELFORMAT_ARGB8888);
    for (int i = 0; i < 8; ++i)
        static_cast<uint32_t*>(s->pixels)[i] = i % 4 < 2 ? 0xFFFF0000u : 0u;
    IMG_SavePNG(s, path.c_str());
    SDL_FreeSurface(s);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static nE_ResourceCache* cache = [] {
        fuzz::Scratch();
        WriteImage(fuzz::Scratch() + "img.png");
        nE_RegisterTextureCreators();
        nE_RegisterAnimType();
        return new nE_ResourceCache();
    }();
    g_resourceCache = cache;
    const std::vector<std::string> parts = fuzz::Split(data, size, 2);
    fuzz::Write("anim.xml", parts[0]);
    fuzz::Write("frames.xml", parts[1]);
    TiXmlElement element("anim");
    element.SetAttribute("res", "anim");
    std::unique_ptr<nE_Object> object(nE_CreateObjectFromXml(&element));
    auto* sprite = dynamic_cast<nE_AnimSprite*>(object.get());
    if (sprite)
    {
        sprite->LoadResourcesTree();
        TiXmlDocument doc;
        doc.Parse(parts[0].c_str());
        const TiXmlElement* animation = doc.RootElement();
        for (const TiXmlElement* f = animation ? animation->FirstChildElement("function") : nullptr; f;
             f = f->NextSiblingElement("function"))
        {
            sprite->Play(f->Attribute("name") ? f->Attribute("name") : "", "");
            nE_TimeStep step;
            step.step = step.elapsed = 0.05f;
            for (int i = 0; i < 20; ++i)
                sprite->Update(&step);
        }
        sprite->ReleaseResourcesTree();
    }
    object.reset();
    cache->Clear();
    g_resourceCache = nullptr;
    return 0;
}
