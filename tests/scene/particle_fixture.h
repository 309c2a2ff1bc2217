#pragma once
// Particle systems without a window: description files in a scratch folder,
// textures made in memory by the resource cache, log lines captured.

#include "engine/core/nE_Log.h"
#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Resource.h"
#include "engine/platform/nE_Render.h"
#include "engine/platform/nE_Texture.h"
#include "engine/platform/nE_Texture_Pl5.h"
#include "engine/scene/nE_ParticleComplex.h"
#include "engine/scene/nE_ParticleJan.h"
#include "platform/de50_test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace pstest
{

const float kFrame = 0.01667f; // one step of exactly one frame

// A size-by-size texture; `hits` false makes a hit mask that accepts nothing.
class MemTex : public nE_Texture
{
public:
    explicit MemTex(float size = 8.0f, bool hits = true)
    {
        m_width = m_height = m_texWidth = m_texHeight = size;
        if (!hits) m_hitMask.Reset(int(size), int(size));
    }
    bool Load(const std::string&) override { return true; }
};

// Keeps the vertices of every vertex list drawn.
class CaptureRender : public nE_Render
{
public:
    CaptureRender() { SetScreenSize(1024, 768); }
    void BeginScene() override {}
    void EndScene() override {}
    void End2D() override {}
    void BeginRenderTarget(unsigned, unsigned) override {}
    std::shared_ptr<nE_Texture> EndRenderTarget() override { return nullptr; }
    std::shared_ptr<nE_Texture> BlurTexture(std::shared_ptr<nE_Texture> t, int, int, float) override { return t; }
    void DrawTexture(const std::shared_ptr<nE_Texture>&, const nE_RenderState&) override {}
    void DrawLine(float, float, float, float, float, float, const float*, const nE_RenderState&) override {}
    void DrawVertexList(const std::shared_ptr<nE_Texture>&, nE_VertexList* list, const nE_RenderState& state) override
    {
        auto* pl5 = dynamic_cast<nE_VertexList_Pl5*>(list);
        lists.push_back(std::vector<nE_Vertex>(pl5->GetVertices(), pl5->GetVertices() + pl5->GetCount()));
        blends.push_back(state.blendMode);
    }
    // Centre of quad q of list l.
    float CentreX(size_t l, size_t q) const { return (lists[l][q * 6].position.x + lists[l][q * 6 + 5].position.x) / 2; }
    std::vector<std::vector<nE_Vertex>> lists;
    std::vector<uint32_t> blends;
};

// One "emit" element with a quiet default for every required attribute.
inline std::string Emitter(const std::map<std::string, std::string>& set = {})
{
    std::map<std::string, std::string> a = {
        {"lifetime", "100"}, {"lifetime_delta", "0"}, {"delay", "10"}, {"delay_delta", "0"}, {"delay_init", "0"},
        {"born_count", "1"}, {"born_count_delta", "0"}, {"gflag", "0"}, {"course", "0"}, {"res", "tex"}};
    for (const char* name : {"pos_x", "pos_y", "pos_x_delta", "pos_y_delta", "speed_x", "speed_y", "speed_x_delta",
                             "speed_y_delta", "grav", "grotate", "grotate_delta", "grotate_speed",
                             "grotate_speed_delta", "scale_mode", "scale_x_delta", "scale_y_delta", "scale_x_speed",
                             "scale_y_speed", "scale_x_speed_delta", "scale_y_speed_delta", "rotate", "rotate_delta",
                             "rotate_speed", "rotate_speed_delta", "alpha_delta", "alpha_speed", "alpha_speed_delta",
                             "alpha_peak", "alpha_mode", "blend"})
        a[name] = "0";
    for (const char* name : {"speed_xf", "speed_yf", "gravf", "grotatef", "scale_xf", "scale_yf", "rotatef",
                             "scale_x", "scale_y", "alpha"})
        a[name] = "1";
    for (const char* c : {"color_r", "color_g", "color_b"})
    {
        a[c] = "255";
        for (const char* s : {"_delta", "_speed", "_speed_delta"})
            a[std::string(c) + s] = "0";
    }
    for (const auto& kv : set)
        a[kv.first] = kv.second;
    std::string xml = "<emit";
    for (const auto& kv : a)
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
        g_resourceCache = &cache;
        saved = nE_ResourceCache::SetCreator(NE_RES_TEXTURE, [] { return static_cast<nE_Resource*>(new MemTex()); });
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
    std::string Jan(const std::string& emitters) { return File("jan", "<ps type=\"jan\">" + emitters + "</ps>"); }
    // A system with its resources loaded.
    std::unique_ptr<nE_ParticleSystem> System(const std::string& res, const std::string& name = "ps")
    {
        auto ps = std::make_unique<nE_ParticleSystem>(name);
        ps->SetResourceName(res);
        ps->LoadResourcesTree();
        return ps;
    }
    static nE_PartSysImpl_Jan* JanOf(nE_ParticleSystem& ps) { return dynamic_cast<nE_PartSysImpl_Jan*>(ps.GetImpl()); }
    static nE_PartSysImpl_Complex* ComplexOf(nE_ParticleSystem& ps)
    {
        return dynamic_cast<nE_PartSysImpl_Complex*>(ps.GetImpl());
    }
    static void Tick(nE_Object& o, float seconds = kFrame, int times = 1)
    {
        nE_TimeStep step;
        step.step = step.elapsed = seconds;
        for (int i = 0; i < times; ++i)
            o.Update(&step);
    }

    de50test::ScratchDir dir;
    nE_Mediator bus;
    de50test::LogCapture log;
    nE_ResourceCache cache;
    nE_ResourceCreator saved;
};

} // namespace pstest
