#include "engine/scene/nE_AtEffect.h"

#include "engine/core/nE_ObjectTypeRegistry.h"
#include "engine/core/nE_Properties.h"
#include "engine/core/nE_Render.h"
#include "engine/core/nE_Resource.h"
#include "engine/core/nE_ScriptApi.h"
#include "engine/platform/nE_Texture_Pl5.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace
{

const float kScreenUnit = 768.0f;
const float kMinNear = 0.001f;
const int kMaxFastStartSteps = 50;

bool Finite(const nE_Vec3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

float Random01()
{
    return float(std::rand() % 10000) * 0.0001f;
}

// (x, y, z, 1) x m with w.
nE_Vec4 Transform4(const nE_Vec3& p, const nE_Matrix& m)
{
    nE_Vec4 r;
    r.x = p.x * m.m[0] + p.y * m.m[4] + p.z * m.m[8] + m.m[12];
    r.y = p.x * m.m[1] + p.y * m.m[5] + p.z * m.m[9] + m.m[13];
    r.z = p.x * m.m[2] + p.y * m.m[6] + p.z * m.m[10] + m.m[14];
    r.w = p.x * m.m[3] + p.y * m.m[7] + p.z * m.m[11] + m.m[15];
    return r;
}

// Fade near the near (below 0.16) and far (above 0.85) ends of the depth range.
float DepthFade(float nearest, float farthest)
{
    float a = 1.0f;
    if (nearest < 0.16f) a *= nearest * 6.25f;
    if (farthest > 0.85f) a *= 1.0f - (farthest - 0.85f) * 6.25f;
    return a;
}

// Screen position of a projected point through the object's matrix.
void ToScreen(float x, float y, const nE_Matrix& m, float& sx, float& sy)
{
    sx = x * m.m[0] + y * m.m[4] + m.m[12];
    sy = x * m.m[1] + y * m.m[5] + m.m[13];
}

} // namespace

// ---- the particle field ----

void nE_AtField::Simulate(float dt, float floorClip, const nE_Vec3& boxMin, const nE_Vec3& boxMax)
{
    lastDt = dt;
    for (nE_AtParticle& p : particles)
        if (!p.dead) Move(p, dt, floorClip);
    RemoveDead();
    Birth(dt, boxMin, boxMax);
}

void nE_AtField::Move(nE_AtParticle& p, float dt, float floorClip) const
{
    const nE_AtGlobalForces& f = g_atGlobalForces;
    const nE_Vec3 force(f.gravityForce.x + f.windForce.x + f.gust.x,
                        f.gravityForce.y + f.windForce.y + f.gust.y,
                        f.gravityForce.z + f.windForce.z + f.gust.z);
    nE_Vec3 dv(force.x * particleInvMass, force.y * particleInvMass, force.z * particleInvMass);
    const float speed = nE_Vec3::Length(p.velocity);
    if (speed > 0.0f)
    {
        // Along the direction, against it: v / speed * (-air * speed^2).
        const float drag = -f.airCounterforce * speed;
        dv.x += p.velocity.x * drag;
        dv.y += p.velocity.y * drag;
        dv.z += p.velocity.z * drag;
        if (deviation != 0.0f)
        {
            const nE_Vec3 side = nE_Vec3::Perpendicular(p.velocity, p.position);
            const float push = speed * Random01() * deviation;
            p.velocity.x += side.x * push;
            p.velocity.y += side.y * push;
            p.velocity.z += side.z * push;
        }
    }
    p.velocity.x += dv.x;
    p.velocity.y += dv.y;
    p.velocity.z += dv.z;
    p.position.x += p.velocity.x * dt;
    p.position.y += p.velocity.y * dt;
    p.position.z += p.velocity.z * dt;
    // Forces and steps from scripts can be anything; such a particle goes.
    if (!Finite(p.position) || !Finite(p.velocity) || p.position.y > floorClip)
    {
        p.dead = true;
        return;
    }
    const float edge =
        p.position.y > floorClip - 0.1f ? 1.0f - (p.position.y - (floorClip - 0.1f)) * 10.0f : 1.0f;
    p.age += dt;
    const float life = particleLifeTime;
    if (p.age < 0.4f)
        p.lifeAlpha = p.age * 2.5f * edge;
    else if (p.age < life - 0.4f)
        p.lifeAlpha = edge;
    else if (p.age < life)
        p.lifeAlpha = (1.0f - (p.age - (life - 0.4f)) / 0.4f) * edge;
    else
    {
        p.lifeAlpha = 0.0f;
        p.dead = true;
    }
}

void nE_AtField::RemoveDead()
{
    for (size_t i = 0; i < particles.size();)
    {
        if (!particles[i].dead)
        {
            ++i;
            continue;
        }
        particles[i] = particles.back();
        particles.pop_back();
    }
}

void nE_AtField::Birth(float dt, const nE_Vec3& boxMin, const nE_Vec3& boxMax)
{
    const nE_Vec3 size(boxMax.x - boxMin.x, boxMax.y - boxMin.y, boxMax.z - boxMin.z);
    const double n = double(size.x) * size.y * size.z * dencity * dt;
    if (!(n > 0.0) || particles.size() >= kMaxAtParticles) return;
    const size_t count = size_t(std::min(std::ceil(n), double(kMaxAtParticles - particles.size())));
    for (size_t i = 0; i < count; ++i)
    {
        nE_AtParticle p;
        p.position.z = boxMin.z + Random01() * size.z;
        p.position.x = boxMin.x + Random01() * size.x;
        p.position.y = boxMin.y + Random01() * size.y;
        particles.push_back(p);
    }
}

// ---- camera and projection ----

void AtRenderer::SetupCamera(const nE_SLVec2& clip)
{
    // The planes must lie in front of the camera and apart.
    if (!(nearZ >= kMinNear)) nearZ = kMinNear;
    if (!(farZ > nearZ) || !std::isfinite(farZ)) farZ = nearZ * 10.0f;
    nE_Matrix placement;
    nE_Matrix::RotationXYZ(placement, camAng.x, camAng.y, camAng.z);
    placement.At(3, 0) = camPos.x;
    placement.At(3, 1) = camPos.y;
    placement.At(3, 2) = camPos.z;
    nE_Matrix::Inverse(view, placement);
    boxMin = nE_Vec3(1000000.0f, 1000000.0f, 1000000.0f);
    boxMax = nE_Vec3(-1000000.0f, -1000000.0f, -1000000.0f);
    for (float z : {nearZ, farZ})
    {
        const float a = clip[0] / kScreenUnit * z * 0.5f, b = clip[1] / kScreenUnit * z * 0.5f;
        for (int corner = 0; corner < 4; ++corner)
        {
            nE_Vec3 p(corner & 1 ? a : -a, corner & 2 ? b : -b, z);
            nE_Matrix::TransformPointInPlace(placement, p);
            boxMin = nE_Vec3(std::min(boxMin.x, p.x), std::min(boxMin.y, p.y), std::min(boxMin.z, p.z));
            boxMax = nE_Vec3(std::max(boxMax.x, p.x), std::max(boxMax.y, p.y), std::max(boxMax.z, p.z));
        }
    }
    nE_Matrix::Perspective(projection, 1.570796f, 4.0f / 3.0f, nearZ, farZ);
}

void AtRenderer::Project(nE_AtField& field, const nE_SLVec2& clip, float particleScale)
{
    nE_Matrix vp;
    nE_Matrix::Multiply(vp, view, projection);
    const float halfW = clip[0] / kScreenUnit / 2.0f, halfH = clip[1] / kScreenUnit / 2.0f;
    const bool streak = field.type == 1;
    const float ahead = field.rainLengthFactor / 60.0f;
    visible.clear();
    for (nE_AtParticle& p : field.particles)
    {
        if (p.dead) continue;
        nE_Vec4 head = Transform4(p.position, vp);
        head.z /= head.w;
        float nearest = head.z, farthest = head.z;
        if (streak)
        {
            const nE_Vec3 end(p.position.x + p.velocity.x * ahead, p.position.y + p.velocity.y * ahead,
                              p.position.z + p.velocity.z * ahead);
            nE_Vec4 t = Transform4(end, vp);
            p.tail = nE_Vec4(t.x / t.w, t.y / t.w, t.z / t.w, 1.0f);
            nearest = std::min(head.z, p.tail.z);
            farthest = std::max(head.z, p.tail.z);
        }
        // Written so that NaN fails every test and the particle dies.
        if (!(nearest >= 0.0f && farthest <= 1.0f))
        {
            p.dead = true;
            continue;
        }
        p.depthAlpha = DepthFade(nearest, farthest);
        const float x = head.x / head.w, y = head.y / head.w;
        if (!(x >= -halfW - 0.1f && x <= halfW + 0.1f && y >= -halfH - 0.2f && y <= halfH + 0.1f))
        {
            p.dead = true;
            continue;
        }
        p.headSize = particleScale / (nearZ + (farZ - nearZ) * head.z);
        p.head = nE_Vec4(x * kScreenUnit, y * kScreenUnit, head.z, 1.0f);
        if (streak)
        {
            p.tailSize = particleScale / (nearZ + (farZ - nearZ) * p.tail.z);
            p.tail.x *= kScreenUnit;
            p.tail.y *= kScreenUnit;
        }
        visible.push_back(&p);
    }
}

void AtRenderer::BuildVertices(const nE_AtField& field, const nE_RenderState& state,
                               nE_VertexList& list) const
{
    list.Allocate(unsigned(visible.size() * 6));
    const float u = field.uvX, v = field.uvY;
    for (const nE_AtParticle* p : visible)
    {
        const float a = std::min(std::max(p->depthAlpha * p->lifeAlpha * state.alpha, 0.0f), 1.0f);
        const float c = std::cos(p->angle), s = std::sin(p->angle);
        auto corner = [&](float x, float y, float dx, float dy, float& ox, float& oy)
        {
            ox = x + dx * c - dy * s;
            oy = y + dx * s + dy * c;
        };
        float hx, hy, tx, ty;
        ToScreen(p->head.x, p->head.y, state.matrix, hx, hy);
        const float hw = field.spriteW * p->headSize * 0.5f, hh = field.spriteH * p->headSize * 0.5f;
        float tw = hw, th = hh;
        tx = hx, ty = hy;
        if (field.type == 1)
        {
            ToScreen(p->tail.x, p->tail.y, state.matrix, tx, ty);
            tw = field.spriteW * p->tailSize * 0.5f;
            th = field.spriteH * p->tailSize * 0.5f;
        }
        float q[4][2];
        corner(hx, hy, -hw, -hh, q[0][0], q[0][1]);
        corner(hx, hy, hw, -hh, q[1][0], q[1][1]);
        corner(tx, ty, tw, th, q[2][0], q[2][1]);
        corner(tx, ty, -tw, th, q[3][0], q[3][1]);
        const float uv[4][2] = {{0, 0}, {u, 0}, {u, v}, {0, v}};
        for (int i : {0, 1, 2, 2, 3, 0})
            list.SetVertex(q[i][0], q[i][1], uv[i][0], uv[i][1], 1.0f, 1.0f, 1.0f, a);
    }
}

void AtRenderer::Draw(nE_AtField& field, const nE_SLVec2& clip, nE_Render* render,
                      const nE_RenderState& state, float particleScale)
{
    Project(field, clip, particleScale);
    if (!m_list) m_list = std::make_unique<nE_VertexList_Pl5>();
    BuildVertices(field, state, *m_list);
    if (render && !visible.empty()) render->DrawVertexList(field.texture, m_list.get(), state);
    visible.clear();
}

// ---- the object ----

nE_AtEffect::nE_AtEffect()
{
    SetDefaults();
}

nE_AtEffect::nE_AtEffect(const std::string& name) : nE_Object(name)
{
    SetDefaults();
}

nE_AtEffect::~nE_AtEffect() = default;

nE_Object* nE_AtEffect::Create()
{
    return new nE_AtEffect();
}

std::shared_ptr<nE_Texture> nE_AtEffect::GetTexture()
{
    return m_field->texture;
}

void nE_AtEffect::SetDefaults()
{
    m_renderer = std::make_unique<AtRenderer>();
    m_field = std::make_unique<nE_AtField>();
    m_renderer->SetupCamera(m_scrClipSize);
}

const nE_PropertyTable<nE_AtEffect>& nE_AtEffect::Properties()
{
    static const nE_PropertyTable<nE_AtEffect> table = {
        {"res", NE_PROPERTY_AT(m_resourceName)},
        {"cam_pos", NE_PROPERTY_AT(m_renderer->camPos)},
        {"cam_ang", NE_PROPERTY_AT(m_renderer->camAng)},
        {"floor_clip", NE_PROPERTY_AT(m_renderer->floorClip)},
        {"near_z", NE_PROPERTY_AT(m_renderer->nearZ)},
        {"far_z", NE_PROPERTY_AT(m_renderer->farZ)},
        {"scr_clip_size", NE_PROPERTY_AT(m_scrClipSize)},
        {"particle_inv_mass", NE_PROPERTY_AT(m_field->particleInvMass)},
        {"dencity", NE_PROPERTY_AT(m_field->dencity)},
        {"deviation", NE_PROPERTY_AT(m_field->deviation)},
        {"particle_life_time", NE_PROPERTY_AT(m_field->particleLifeTime)},
        {"particle_scale", NE_PROPERTY_AT(m_particleScale)},
        {"type", NE_PROPERTY_AT(m_field->type)},
        {"rain_length_factor", NE_PROPERTY_AT(m_field->rainLengthFactor)},
    };
    return table;
}

// "fast_start" is read only: it says how to begin, not how things stand.
void nE_AtEffect::Load(nE_SLHelper& sl)
{
    nE_Object::Load(sl);
    nE_LoadProperties(sl, Properties(), *this);
    sl.ReadFloat("fast_start", m_fastStart);
}

void nE_AtEffect::Save(nE_SLHelper& sl)
{
    nE_Object::Save(sl);
    nE_SaveProperties(sl, Properties(), *this);
}

void nE_AtEffect::LoadResources()
{
    nE_AtField& f = *m_field;
    f.texture.reset();
    if (g_resourceCache)
        f.texture = std::dynamic_pointer_cast<nE_Texture>(g_resourceCache->GetTexture(m_resourceName));
    f.spriteW = f.texture ? f.texture->GetWidth() : 10.0f;
    f.spriteH = f.texture ? f.texture->GetHeight() : 10.0f;
    f.uvX = f.texture ? f.texture->GetWidth() / f.texture->GetTextureWidth() : 1.0f;
    f.uvY = f.texture ? f.texture->GetHeight() / f.texture->GetTextureHeight() : 1.0f;
    if (m_fastStart > 0.0f)
    {
        m_renderer->SetupCamera(m_scrClipSize);
        const int steps = int(std::min(std::ceil(double(m_fastStart)), double(kMaxFastStartSteps)));
        for (int i = 0; i < steps; ++i)
        {
            f.Simulate(0.1f, m_renderer->floorClip, m_renderer->boxMin, m_renderer->boxMax);
            m_renderer->Project(f, m_scrClipSize, m_particleScale);
        }
        m_renderer->visible.clear();
    }
    if (!m_inputRectOn)
        m_inputRect = nE_Rect(m_x - m_scrClipSize[0] / 2.0f, m_y - m_scrClipSize[1] / 2.0f, m_scrClipSize[0],
                              m_scrClipSize[1]);
}

void nE_AtEffect::ReleaseResources()
{
    m_field->texture.reset();
}

void nE_AtEffect::Update(const nE_TimeStep* step)
{
    nE_Object::Update(step);
    m_renderer->SetupCamera(m_scrClipSize);
    m_field->Simulate(step ? step->step : 0.0f, m_renderer->floorClip, m_renderer->boxMin,
                      m_renderer->boxMax);
}

void nE_AtEffect::Draw(nE_Render* render, const nE_RenderState& state)
{
    m_renderer->Draw(*m_field, m_scrClipSize, render, state, m_particleScale);
}

// ---- script functions ----

nE_AtGlobalForces g_atGlobalForces;

namespace
{

// Reads the table's fields into the shared forces; absent fields keep their values.
int AtGlobalForceSet(lua_State* L)
{
    if (!lua_istable(L, 1))
    {
        lua_settop(L, 0);
        return 0;
    }
    lua_settop(L, 1);
    nE_SLHelper_Lua sl(L);
    nE_AtGlobalForces& f = g_atGlobalForces;
    sl.ReadFloat("air_counterforce", f.airCounterforce);
    sl.ReadVec3("gravity_force", f.gravityForce);
    sl.ReadVec3("wind_force", f.windForce);
    sl.ReadFloat("rand_wind_min_force", f.randWindMinForce);
    sl.ReadFloat("rand_wind_max_force", f.randWindMaxForce);
    sl.ReadFloat("rand_wind_min_wait_time", f.randWindMinWaitTime);
    sl.ReadFloat("rand_wind_max_wait_time", f.randWindMaxWaitTime);
    sl.ReadFloat("rand_wind_min_change_time", f.randWindMinChangeTime);
    sl.ReadFloat("rand_wind_max_change_time", f.randWindMaxChangeTime);
    lua_settop(L, 0);
    return 0;
}

const nE_ScriptFunction kScriptFunctions[] = {
    {"AtGlobalForceSet", AtGlobalForceSet},
};

} // namespace

void nE_RegisterAtEffectType()
{
    nE_RegisterObjectType("ateffect", nE_AtEffect::Create);
    nE_AddScriptFunctions(kScriptFunctions);
}
