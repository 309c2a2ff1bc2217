#include "engine/scene/nE_ParticleSystem.h"

#include "engine/core/nE_Log.h"
#include "engine/core/nE_ObjectTypeRegistry.h"
#include "engine/core/nE_Path.h"
#include "engine/core/nE_Render.h"
#include "engine/core/nE_Resource.h"
#include "engine/core/nE_SLHelper.h"
#include "engine/core/nE_ScriptApi.h"
#include "engine/core/nE_Xml.h"
#include "engine/platform/nE_Render_Pl5.h"
#include "engine/platform/nE_Texture_Pl5.h"
#include "engine/scene/nE_ParticleComplex.h"
#include "engine/scene/nE_ParticleJan.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <tinyxml.h>

namespace
{
// A mask whose texture accepts nothing would otherwise be sampled forever.
const int kMaskTries = 1000;
} // namespace

// ---- implementation base ----

bool nE_PartSysImpl::ReadDescription(const std::string& path, TiXmlDocument& doc, const char* missingLine,
                                     const std::string& shown)
{
    const nE_XmlResult result = nE_XmlLoadFile(doc, path);
    if (result == nE_XmlResult::Missing) nE_LogFmt(missingLine, shown);
    return result == nE_XmlResult::Ok;
}

std::shared_ptr<nE_Texture> nE_PartSysImpl::CachedTexture(const std::string& name, bool* missing)
{
    if (!g_resourceCache) return nullptr;
    auto texture = std::dynamic_pointer_cast<nE_Texture>(g_resourceCache->GetTexture(name));
    if (missing) *missing = !texture || !g_resourceCache->Holds(name, NE_RES_TEXTURE);
    return texture;
}

void nE_PartSysImpl::WarnFile(const char* owner, const std::string& path, const char* kind,
                              const std::string& text)
{
    nE_WarnOnce(std::string("partsys:") + kind + ":" + path,
                std::string("Warning: ") + owner + "::\"" + path + "\" " + text);
}

bool nE_PartSysImpl::SampleMask(float& x, float& y)
{
    nE_Object* mask = GetMask();
    if (!mask) return false;
    std::shared_ptr<nE_Texture> texture = mask->GetTexture();
    const int w = texture ? int(texture->GetWidth()) : 0;
    const int h = texture ? int(texture->GetHeight()) : 0;
    nE_Vec3 point(0.0f, 0.0f, 0.0f);
    if (w > 0 && h > 0)
    {
        const nE_RenderState plain;
        bool found = false;
        for (int i = 0; i < kMaskTries && !found; ++i)
        {
            float px = float(std::rand() % w) - float(w) * 0.5f;
            float py = float(std::rand() % h) - float(h) * 0.5f;
            found = texture->HitTest(px, py, plain);
            if (found) point = nE_Vec3(px, py, 0.0f);
        }
        if (!found && !m_maskWarned)
        {
            m_maskWarned = true;
            nE_LogFmt("Warning: nE_PartSysImpl::mask \"%s\" accepts no point; particles start at its centre",
                      mask->GetName());
        }
    }
    nE_Matrix::TransformPointInPlace(mask->GetLocalMatrix(), point);
    x = point.x;
    y = point.y;
    return true;
}

// ---- the object ----

nE_ParticleSystem::nE_ParticleSystem() = default;

nE_ParticleSystem::nE_ParticleSystem(const std::string& name) : nE_Object(name) {}

nE_ParticleSystem::~nE_ParticleSystem()
{
    DropImpl();
}

nE_Object* nE_ParticleSystem::Create()
{
    return new nE_ParticleSystem();
}

void nE_ParticleSystem::DropImpl()
{
    if (m_impl) m_impl->ReleaseResources();
    m_impl.reset();
}

void nE_ParticleSystem::CreateImpl(TiXmlDocument& doc, const std::string& path)
{
    const nE_XmlResult result = nE_XmlLoadFile(doc, path);
    if (result == nE_XmlResult::Missing)
        nE_LogFmt("nE_ParticleSystem::Could not find \"%s\" file!", path);
    if (result == nE_XmlResult::Missing || result == nE_XmlResult::Refused) return;
    const TiXmlElement* root = result == nE_XmlResult::Ok ? doc.RootElement() : nullptr;
    // Named once per file: an effect made again and again (a collect burst) repeats nothing.
    if (!root)
    {
        nE_WarnOnce("partsys:read:" + path, "Error: nE_ParticleSystem::Could not read \"" + path +
                                                "\": " + (doc.Error() ? doc.ErrorDesc() : "no root"));
        return;
    }
    const char* type = root->Attribute("type");
    if (!type || std::string(type) == "complex")
        m_impl = std::make_unique<nE_PartSysImpl_Complex>();
    else if (std::string(type) == "jan")
        m_impl = std::make_unique<nE_PartSysImpl_Jan>();
    else
        nE_WarnOnce("partsys:type:" + path, "Error: nE_ParticleSystem::Unknown type \"" + std::string(type) +
                                                "\" in \"" + path + "\"");
    if (m_impl) m_impl->SetOwner(this);
}

void nE_ParticleSystem::RecreateImpl()
{
    DropImpl();
    // Parsed once: the same document picks the implementation and fills it.
    const std::string path = nE_MakePath(m_resourceName, ".xml");
    TiXmlDocument doc;
    CreateImpl(doc, path);
    if (!m_impl) return;
    m_impl->LoadDocument(doc, path);
    if (m_resourcesLoaded) m_impl->LoadResources();
}

void nE_ParticleSystem::SetResourceName(const std::string& name)
{
    m_resourceName = name;
    RecreateImpl();
}

void nE_ParticleSystem::Load(nE_SLHelper& sl)
{
    nE_Object::Load(sl);
    if (sl.ReadString("res", m_resourceName)) RecreateImpl();
}

void nE_ParticleSystem::Save(nE_SLHelper& sl)
{
    nE_Object::Save(sl);
    sl.WriteString("res", m_resourceName);
}

void nE_ParticleSystem::SetDefaults()
{
    DropImpl();
}

void nE_ParticleSystem::LoadResources()
{
    if (!m_resourceName.empty() && m_impl) m_impl->LoadResources();
}

void nE_ParticleSystem::ReleaseResources()
{
    if (m_impl) m_impl->ReleaseResources();
}

void nE_ParticleSystem::Update(const nE_TimeStep* step)
{
    nE_Object::Update(step);
    if (m_impl) m_impl->Update(step);
}

void nE_ParticleSystem::Draw(nE_Render* render, const nE_RenderState& state)
{
    if (m_impl) m_impl->Draw(render, &state);
}

// ---- drawing helpers ----

float nE_PsRandom(float a, float b)
{
    return float(a + double(std::rand() % 10000) * (double(b) - a) / 10000.0);
}

nE_PsAffine nE_PsAffine::FromMatrix(const nE_Matrix& m)
{
    nE_PsAffine t;
    t.a = m.m[0];
    t.b = m.m[1];
    t.c = m.m[4];
    t.d = m.m[5];
    t.e = m.m[12];
    t.f = m.m[13];
    return t;
}

nE_PsAffine nE_PsAffine::Object(float x, float y, float angle, float sx, float sy)
{
    float c = 1.0f, s = 0.0f;
    if (angle != 0.0f)
    {
        c = std::cos(angle);
        s = std::sin(angle);
    }
    nE_PsAffine t;
    t.a = sx * c;
    t.b = -sx * s;
    t.c = sy * s;
    t.d = sy * c;
    t.e = x;
    t.f = y;
    return t;
}

nE_PsAffine nE_PsAffine::Then(const nE_PsAffine& o) const
{
    nE_PsAffine t;
    t.a = a * o.a + b * o.c;
    t.b = a * o.b + b * o.d;
    t.c = c * o.a + d * o.c;
    t.d = c * o.b + d * o.d;
    t.e = e * o.a + f * o.c + o.e;
    t.f = e * o.b + f * o.d + o.f;
    return t;
}

uint32_t nE_PsColour(float r, float g, float b, float a)
{
    auto byte = [](float v) { return uint32_t(std::min(1.0f, std::max(0.0f, v)) * 255.0f + 0.5f); };
    return byte(a) << 24 | byte(r) << 16 | byte(g) << 8 | byte(b);
}

nE_PsQuads::nE_PsQuads() : m_list(std::make_unique<nE_VertexList_Pl5>()) {}

nE_PsQuads::~nE_PsQuads() = default;

void nE_PsQuads::Begin(const nE_Texture& texture, size_t count)
{
    m_frame = texture.GetFrameRect(0);
    m_uv = texture.GetTexCoordRect(nE_RenderState());
    // Every corner in use is written before the draw: no clearing.
    if (m_corners.size() < count * 4) m_corners.resize(count * 4);
    m_next = 0;
}

void nE_PsQuads::Add(const nE_PsAffine& m, uint32_t colour)
{
    if (m_next + 4 > m_corners.size()) return;
    const float x0 = m_frame.x, y0 = m_frame.y, x1 = m_frame.x + m_frame.w, y1 = m_frame.y + m_frame.h;
    const float u0 = m_uv.x, v0 = m_uv.y, u1 = m_uv.x + m_uv.w, v1 = m_uv.y + m_uv.h;
    const DE50::TColor32 c(colour);
    auto corner = [&](float x, float y, float u, float v)
    {
        m_corners[m_next++] = nE_Vertex(DE50::TVec3(x * m.a + y * m.c + m.e, x * m.b + y * m.d + m.f, 0.0f), c,
                                        DE50::TVec2(u, v));
    };
    corner(x0, y0, u0, v0);
    corner(x1, y0, u1, v0);
    corner(x0, y1, u0, v1);
    corner(x1, y1, u1, v1);
}

void nE_PsQuads::Draw(nE_Render* render, const std::shared_ptr<nE_Texture>& texture,
                      const nE_RenderState& state)
{
    if (!render || m_next == 0) return;
    if (auto* platform = dynamic_cast<nE_Render_Pl5*>(render))
    {
        platform->DrawQuadList(texture, m_corners.data(), unsigned(m_next), state);
        return;
    }
    // Top-left, top-right, bottom-left; bottom-left, top-right, bottom-right.
    static const unsigned kTriangles[6] = {0, 1, 2, 2, 1, 3};
    m_list->Allocate(unsigned(m_next / 4 * 6));
    unsigned n = 0;
    for (size_t q = 0; q < m_next; q += 4)
        for (unsigned corner : kTriangles)
        {
            const nE_Vertex& v = m_corners[q + corner];
            m_list->SetVertex(n++, nE_Vec3(v.position.x, v.position.y, 0.0f), v.color.argb, v.uv.x, v.uv.y);
        }
    render->DrawVertexList(texture, m_list.get(), state);
}

// ---- script functions ----

namespace
{

nE_PartSysImpl* ImplOf(nE_Object* object)
{
    auto* system = dynamic_cast<nE_ParticleSystem*>(object);
    return system ? system->GetImpl() : nullptr;
}

int PsSetMaskObj(lua_State* L)
{
    nE_Object* system = nE_ArgObject(L, 1);
    nE_Object* mask = nE_ArgObject(L, 2);
    lua_settop(L, 0);
    if (system && mask) nE_PsSetMask(system, mask);
    return 0;
}

int PsStart(lua_State* L)
{
    nE_Object* system = nE_ArgObject(L, 1);
    lua_settop(L, 0);
    nE_PsStart(system);
    return 0;
}

// Only exactly 1 pauses (2 resumes).
int PsPause(lua_State* L)
{
    nE_Object* system = nE_ArgObject(L, 1);
    int value = nE_ArgInt(L, 2);
    lua_settop(L, 0);
    nE_PsPause(system, value == 1);
    return 0;
}

int PsStop(lua_State* L)
{
    nE_Object* system = nE_ArgObject(L, 1);
    int value = nE_ArgInt(L, 2);
    lua_settop(L, 0);
    nE_PsStop(system, value == 1);
    return 0;
}

int PartSysRestart(lua_State* L)
{
    nE_Object* system = nE_ArgObject(L, 1);
    lua_settop(L, 0);
    nE_PsStop(system, true);
    nE_PsStart(system);
    return 0;
}

const nE_ScriptFunction kScriptFunctions[] = {
    {"PsSetMaskObj", PsSetMaskObj},     {"PsStart", PsStart}, {"PsPause", PsPause}, {"PsStop", PsStop},
    {"PartSysRestart", PartSysRestart},
};

} // namespace

void nE_PsSetMask(nE_Object* system, nE_Object* mask)
{
    if (nE_PartSysImpl* impl = ImplOf(system)) impl->SetMask(mask);
}

void nE_PsStart(nE_Object* system)
{
    if (nE_PartSysImpl* impl = ImplOf(system)) impl->Start();
}

void nE_PsPause(nE_Object* system, bool pause)
{
    if (nE_PartSysImpl* impl = ImplOf(system)) impl->SetPaused(pause);
}

void nE_PsStop(nE_Object* system, bool clear)
{
    if (nE_PartSysImpl* impl = ImplOf(system)) impl->Stop(clear);
}

void nE_RegisterParticleType()
{
    nE_RegisterObjectType("partsys", nE_ParticleSystem::Create);
    nE_AddScriptFunctions(kScriptFunctions);
}
