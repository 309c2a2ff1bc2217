#pragma once
// Particle systems without a window: description files in a scratch folder,
// textures made in memory by the resource cache, log lines captured.

#include "core/recording_render.h"
#include "engine/core/nE_Log.h"
#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Resource.h"
#include "engine/platform/nE_Texture.h"
#include "engine/platform/nE_Texture_Pl5.h"
#include "engine/scene/nE_ParticleComplex.h"
#include "engine/scene/nE_ParticleJan.h"
#include "platform/de50_test_support.h"
#include "scene/engine_scope.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace pstest
{

const float kFrame = 0.01667f; // one step of exactly one frame

// A size-by-size texture; `hits` false makes a hit mask that accepts nothing.
// A name with "missing" in it fails to load.
class MemTex : public nE_Texture
{
public:
    explicit MemTex(float size = 8.0f, bool hits = true)
    {
        m_width = m_height = m_texWidth = m_texHeight = size;
        if (!hits) m_hitMask.Reset(int(size), int(size));
    }
    bool Load(const std::string& name) override { return name.find("missing") == std::string::npos; }
};

// Keeps the vertices and blend mode of every vertex list drawn.
class CaptureRender : public RecordingRender
{
public:
    void DrawVertexList(const std::shared_ptr<nE_Texture>&, nE_VertexList* list,
                        const nE_RenderState& state) override
    {
        auto* pl5 = dynamic_cast<nE_VertexList_Pl5*>(list);
        lists.emplace_back(pl5->GetVertices(), pl5->GetVertices() + pl5->GetCount());
        blends.push_back(state.blendMode);
    }
    // The x of quad q's centre in list l.
    float CentreX(size_t l, size_t q) const
    {
        return (lists[l][q * 6].position.x + lists[l][q * 6 + 5].position.x) / 2;
    }
    std::vector<std::vector<nE_Vertex>> lists;
    std::vector<uint32_t> blends;
};

// Every required attribute with a quiet default: one particle per burst that
// lives 100 frames, still, opaque and white.
const char kEmitterDefaults[] =
    "lifetime=100 delay=10 born_count=1 res=tex scale_x=1 scale_y=1 alpha=1 color_r=255 color_g=255 "
    "color_b=255 speed_xf=1 speed_yf=1 gravf=1 grotatef=1 scale_xf=1 scale_yf=1 rotatef=1 lifetime_delta=0 "
    "delay_delta=0 delay_init=0 born_count_delta=0 gflag=0 course=0 pos_x=0 pos_y=0 pos_x_delta=0 "
    "pos_y_delta=0 speed_x=0 speed_y=0 speed_x_delta=0 speed_y_delta=0 grav=0 grotate=0 grotate_delta=0 "
    "grotate_speed=0 grotate_speed_delta=0 scale_mode=0 scale_x_delta=0 scale_y_delta=0 scale_x_speed=0 "
    "scale_y_speed=0 scale_x_speed_delta=0 scale_y_speed_delta=0 rotate=0 rotate_delta=0 rotate_speed=0 "
    "rotate_speed_delta=0 alpha_delta=0 alpha_speed=0 alpha_speed_delta=0 alpha_peak=0 alpha_mode=0 blend=0 "
    "color_r_delta=0 color_r_speed=0 color_r_speed_delta=0 color_g_delta=0 color_g_speed=0 "
    "color_g_speed_delta=0 color_b_delta=0 color_b_speed=0 color_b_speed_delta=0";

// "name=value" pairs separated by spaces; a later pair wins.
inline std::map<std::string, std::string> Pairs(const std::string& text)
{
    std::map<std::string, std::string> pairs;
    std::istringstream in(text);
    for (std::string pair; in >> pair;)
        pairs[pair.substr(0, pair.find('='))] = pair.substr(pair.find('=') + 1);
    return pairs;
}

// One "emit" element: the defaults with the pairs of `set` over them ("name=-" leaves one out).
inline std::string Emitter(const std::string& set = "")
{
    std::string xml = "<emit";
    for (const auto& kv : Pairs(std::string(kEmitterDefaults) + " " + set))
        if (kv.second != "-") xml += " " + kv.first + "=\"" + kv.second + "\"";
    return xml + "/>";
}

class ParticleTest : public testing::Test
{
protected:
    void SetUp() override
    {
        g_mediator = &bus;
        bus.Subscribe(&log, NE_MSG_LOG);
        nE_ForgetWarnings();
        g_resourceCache = &cache;
        saved = nE_ResourceCache::SetCreator(NE_RES_TEXTURE,
                                             [] { return static_cast<nE_Resource*>(new MemTex()); });
    }
    void TearDown() override
    {
        nE_ResourceCache::SetCreator(NE_RES_TEXTURE, saved);
        cache.Clear();
        g_resourceCache = nullptr;
        bus.UnsubscribeAll(&log);
        g_mediator = nullptr;
    }

    // Writes "<name>.xml" and answers the resource name.
    std::string File(const std::string& name, const std::string& text)
    {
        std::ofstream(dir.path + name + ".xml", std::ios::binary) << text;
        return dir.path + name;
    }
    std::string Jan(const std::string& emitters)
    {
        return File("jan", "<ps type=\"jan\">" + emitters + "</ps>");
    }
    // A system with its resources loaded.
    std::unique_ptr<nE_ParticleSystem> System(const std::string& res, const std::string& name = "ps")
    {
        auto ps = std::make_unique<nE_ParticleSystem>(name);
        ps->SetResourceName(res);
        ps->LoadResourcesTree();
        return ps;
    }
    static nE_PartSysImpl_Jan* JanOf(nE_ParticleSystem& ps)
    {
        return dynamic_cast<nE_PartSysImpl_Jan*>(ps.GetImpl());
    }
    static nE_PartSysImpl_Complex* ComplexOf(nE_ParticleSystem& ps)
    {
        return dynamic_cast<nE_PartSysImpl_Complex*>(ps.GetImpl());
    }
    static void Tick(nE_Object& o, float seconds = kFrame, int times = 1) { TickObject(o, seconds, times); }
    // A committed file of tests/data/particles, as a resource name.
    static std::string DataFile(const std::string& name)
    {
        return std::string(NE_SOURCE_DIR_DEFAULT) + "/tests/data/particles/" + name;
    }
    // Log lines that name `file` and hold `text`.
    int LinesAbout(const std::string& file, const std::string& text) const
    {
        int n = 0;
        for (const std::string& line : log.lines)
            n += line.find(file) != std::string::npos && line.find(text) != std::string::npos;
        return n;
    }

    de50test::ScratchDir dir;
    nE_Mediator bus;
    de50test::LogCapture log;
    nE_ResourceCache cache;
    nE_ResourceCreator saved;
};

} // namespace pstest
