#include "engine/scene/nE_ParticleComplex.h"

#include "engine/core/nE_Log.h"
#include "engine/core/nE_LuaGuard.h"
#include "engine/core/nE_Path.h"
#include "engine/core/nE_Render.h"
#include "engine/core/nE_Resource.h"
#include "engine/platform/nE_Texture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <lua.hpp>
#include <tinyxml.h>

void nE_ComplexOpenScriptFunctions(lua_State* L, nE_PartSysImpl_Complex* system);

namespace
{

int s_openStates = 0;
// Distinct Lua error lines kept per system; a chunk failing every frame with
// a changing message must not grow this without end.
const size_t kMaxLoggedErrors = 32;

const char* const kChunkNames[NE_PS_CHUNK_COUNT] = {"bornpart", "diepart", "process", "processpart"};

bool IsChunkName(const std::string& name)
{
    return std::find(std::begin(kChunkNames), std::end(kChunkNames), name) != std::end(kChunkNames);
}

// The blend mode of a leading " Blend: N" comment; 0 without one. `bad` is
// set when the comment names a blend but gives no mode 0 to 4.
int ReadBlend(const TiXmlNode* first, bool& bad)
{
    bad = false;
    if (!first || !first->ToComment()) return 0;
    const char* text = first->Value();
    while (*text == ' ' || *text == '\t' || *text == '\r' || *text == '\n')
        ++text;
    if (std::strncmp(text, "Blend:", 6) != 0) return 0;
    int blend = 0; // at most nine digits: no overflow
    bad = std::sscanf(text, "Blend: %9d", &blend) != 1 || blend < 0 || blend > 4;
    return bad ? 0 : blend;
}

std::string ChildText(const TiXmlElement* element, const char* name)
{
    const TiXmlElement* child = element->FirstChildElement(name);
    const char* text = child ? child->GetText() : nullptr;
    return text ? text : "";
}

} // namespace

// ---- particles ----

void nE_ComplexParticle::Set(int property, float value)
{
    if (property < 0 || property >= NE_PS_PROPERTY_COUNT || property == NE_PS_POS_Z) return;
    if (property >= NE_PS_ALPHA) value = std::min(1.0f, std::max(0.0f, value));
    values[property] = value;
}

float nE_ComplexParticle::Get(int property) const
{
    if (property < 0 || property >= NE_PS_PROPERTY_COUNT || property == NE_PS_POS_Z) return 0.0f;
    return values[property];
}

// ---- life of the system ----

nE_PartSysImpl_Complex::nE_PartSysImpl_Complex()
{
    Start();
}

nE_PartSysImpl_Complex::~nE_PartSysImpl_Complex()
{
    Stop(true);
    ReleaseResources();
}

int nE_PartSysImpl_Complex::GetOpenStateCount()
{
    return s_openStates;
}

void nE_PartSysImpl_Complex::Start()
{
    if (m_running) return;
    if (m_L) Stop(true);
    m_psState = 0;
    m_currentParticle = nullptr;
    m_currentEmitter = -1;
    OpenState();
    m_running = true;
}

void nE_PartSysImpl_Complex::Stop(bool clear)
{
    m_running = false;
    if (!clear) return;
    CloseState();
    m_emitters.clear();
    m_particles.clear();
    m_currentParticle = nullptr;
    m_currentEmitter = -1;
}

void nE_PartSysImpl_Complex::OpenState()
{
    m_L = nE_NewLuaState(kParticleLuaLimits);
    if (!m_L)
    {
        nE_Log("Error: nE_PartSysImpl_Complex::Could not open a Lua state");
        return;
    }
    ++s_openStates;
    // Content may read "pointer"; the functions find their system through an
    // upvalue, so overwriting it harms nothing.
    lua_pushlightuserdata(m_L, this);
    lua_setglobal(m_L, "pointer");
    static const char* const kPropertyNames[NE_PS_PROPERTY_COUNT] = {
        "ne_pos_x", "ne_pos_y", "ne_pos_z",   "ne_scale_x", "ne_scale_y",
        "ne_angle", "ne_alpha", "ne_color_r", "ne_color_g", "ne_color_b"};
    for (int i = 0; i < NE_PS_PROPERTY_COUNT; ++i)
    {
        lua_pushinteger(m_L, i);
        lua_setglobal(m_L, kPropertyNames[i]);
    }
    nE_ComplexOpenScriptFunctions(m_L, this);
    m_chunkRefs.clear();
}

void nE_PartSysImpl_Complex::CloseState()
{
    if (!m_L) return;
    nE_CloseLuaState(m_L);
    m_L = nullptr;
    --s_openStates;
    m_chunkRefs.clear();
}

// ---- loading ----

bool nE_PartSysImpl_Complex::Load(const std::string& name)
{
    const std::string path = nE_MakePath(name, ".xml");
    TiXmlDocument doc;
    return ReadDescription(path, doc, "nE_PartSysImpl_Complex::Could not find \"%s\" file!", name) &&
           LoadDocument(doc, path);
}

bool nE_PartSysImpl_Complex::LoadDocument(const TiXmlDocument& doc, const std::string& path)
{
    m_templates.clear();
    m_processChunk.clear();
    m_chunkRefs.clear();
    m_loggedErrors.clear();
    m_path = path;
    bool badBlend = false;
    const int blend = ReadBlend(doc.FirstChild(), badBlend);
    if (badBlend) Warn("blend", "has a Blend comment with no blend mode 0 to 4; blend 0 is used");
    if (m_owner) m_owner->GetRenderState().blendMode = uint32_t(blend);
    const TiXmlElement* root = doc.RootElement();
    if (!root) return false;
    // Before the first template only "process" has a meaning; within one, only the chunks.
    std::string stranger;
    const TiXmlElement* firstTemplate = root->FirstChildElement("emit");
    for (const TiXmlElement* e = root->FirstChildElement(); e && e != firstTemplate;
         e = e->NextSiblingElement())
        if (e->ValueStr() != "process" && stranger.empty()) stranger = e->ValueStr();
    bool cut = false;
    for (const TiXmlElement* e = firstTemplate; e; e = e->NextSiblingElement())
    {
        if (m_templates.size() >= nE_PsBudget::kEmitters)
        {
            cut = true;
            break;
        }
        nE_ComplexEmitterDesc desc;
        desc.name = e->ValueStr();
        const char* res = e->Attribute("res");
        desc.textureName = res ? res : "";
        for (int c = 0; c < NE_PS_CHUNK_COUNT; ++c)
            desc.chunks[c] = ChildText(e, kChunkNames[c]);
        for (const TiXmlElement* c = e->FirstChildElement(); c && stranger.empty();
             c = c->NextSiblingElement())
            if (!IsChunkName(c->ValueStr())) stranger = c->ValueStr();
        m_templates.push_back(std::move(desc));
    }
    m_processChunk = ChildText(root, "process");
    if (!stranger.empty())
        Warn("element", "has an element <" + stranger + "> that means nothing there; ignored");
    if (cut)
        Warn("emitters", "has more than " + std::to_string(nE_PsBudget::kEmitters) +
                             " emitter templates; the rest are ignored");
    return true;
}

void nE_PartSysImpl_Complex::Warn(const char* kind, const std::string& text) const
{
    WarnFile("nE_PartSysImpl_Complex", m_path, kind, text);
}

void nE_PartSysImpl_Complex::LoadResources()
{
    const std::string* lost = nullptr;
    for (auto& t : m_templates)
    {
        bool missing = false;
        t.texture = CachedTexture(t.textureName, &missing);
        // Only the first template's picture is drawn: the others may go without.
        if (missing && !lost && (!t.textureName.empty() || &t == &m_templates.front())) lost = &t.textureName;
    }
    if (lost) Warn("picture", "has no picture \"" + *lost + "\"; its particles are not drawn");
}

void nE_PartSysImpl_Complex::ReleaseResources()
{
    for (nE_ComplexEmitterDesc& t : m_templates)
        t.texture.reset();
}

int nE_PartSysImpl_Complex::FindTemplate(const std::string& name) const
{
    for (size_t i = 0; i < m_templates.size(); ++i)
        if (m_templates[i].name == name) return int(i);
    return -1;
}

// ---- chunks ----

void nE_PartSysImpl_Complex::LogLuaError(const char* message)
{
    std::string text = message ? message : "(not a string)";
    if (m_loggedErrors.size() >= kMaxLoggedErrors || !m_loggedErrors.insert(text).second) return;
    nE_LogFmt2("Error: nE_PartSysImpl_Complex::lua error in \"%s\": %s", m_path, text);
}

void nE_PartSysImpl_Complex::RunChunk(int templateIndex, int chunk)
{
    if (!m_L || m_scriptsStopped) return;
    const size_t count = m_templates.size() * NE_PS_CHUNK_COUNT + 1;
    if (m_chunkRefs.size() != count) m_chunkRefs.assign(count, LUA_NOREF);
    const size_t slot =
        templateIndex < 0 ? count - 1 : size_t(templateIndex) * NE_PS_CHUNK_COUNT + size_t(chunk);
    if (slot >= count) return;
    if (m_chunkRefs[slot] == LUA_NOREF)
    {
        const std::string& text =
            templateIndex < 0 ? m_processChunk : m_templates[size_t(templateIndex)].chunks[chunk];
        // Also reached from a chunk's CreateParticles: a memory error in the
        // compile or the reference would jump over C++ frames.
        const nE_LuaOwnPushes own(m_L);
        int ref = LUA_REFNIL;
        if (!text.empty())
        {
            if (luaL_loadstring(m_L, text.c_str()) == 0)
                ref = luaL_ref(m_L, LUA_REGISTRYINDEX);
            else
            {
                LogLuaError(lua_tostring(m_L, -1));
                lua_pop(m_L, 1);
            }
        }
        m_chunkRefs[slot] = ref;
    }
    if (m_chunkRefs[slot] == LUA_REFNIL) return;
    lua_rawgeti(m_L, LUA_REGISTRYINDEX, m_chunkRefs[slot]);
    const int status = nE_LuaCall(m_L, 0, 0);
    if (status == 0) return;
    const char* message = lua_tostring(m_L, -1);
    if (status != NE_LUA_STOPPED)
        LogLuaError(message);
    else
    {
        // Run again, it (or the file's next endless chunk) would cost the same second every frame.
        m_scriptsStopped = true;
        if (m_loggedErrors.insert(message ? message : "").second) nE_LogIfStopped(m_L, status, m_path);
    }
    lua_pop(m_L, 1);
}

// ---- stepping ----

nE_ComplexEmitter* nE_PartSysImpl_Complex::CurrentEmitter()
{
    if (m_currentEmitter < 0 || size_t(m_currentEmitter) >= m_emitters.size()) return nullptr;
    return &m_emitters[size_t(m_currentEmitter)];
}

void nE_PartSysImpl_Complex::Update(const nE_TimeStep* step)
{
    if (m_paused || !m_L) return;
    const float seconds = step ? step->step : 0.0f;
    m_births = 0;
    // Raw access: content may give the globals a metatable whose handlers
    // raise errors, and no protected call surrounds these.
    lua_pushstring(m_L, "ps_state");
    lua_pushinteger(m_L, m_psState);
    lua_rawset(m_L, LUA_GLOBALSINDEX);
    lua_pushstring(m_L, "ps_dt");
    lua_pushnumber(m_L, seconds);
    lua_rawset(m_L, LUA_GLOBALSINDEX);
    if (m_running)
    {
        m_currentEmitter = -1;
        RunChunk(-1, NE_PS_PROCESS);
        lua_pushstring(m_L, "ps_state");
        lua_rawget(m_L, LUA_GLOBALSINDEX);
        m_psState = int(lua_tointeger(m_L, -1));
        lua_pop(m_L, 1);
        // Chunks may append emitters: the size is read again every turn.
        for (size_t i = 0; i < m_emitters.size();)
        {
            m_currentEmitter = int(i);
            RunChunk(int(m_emitters[i].templateIndex), NE_PS_PROCESS);
            if (m_emitters[i].dead)
                m_emitters.erase(m_emitters.begin() + long(i));
            else
                ++i;
        }
        m_currentEmitter = -1;
    }
    UpdateParticles(seconds);
}

namespace
{

// Interpolates between the track's current key and the next; holds the last
// value past the last key, and jumps where two keys share a time.
float TrackValue(nE_ComplexTrack& track, float percent)
{
    const size_t count = track.KeyCount();
    if (track.key + 1 < count && track.keys[(track.key + 1) * 2] <= percent) ++track.key;
    const float t0 = track.keys[track.key * 2], v0 = track.keys[track.key * 2 + 1];
    if (track.key + 1 >= count) return v0;
    const float t1 = track.keys[(track.key + 1) * 2], v1 = track.keys[(track.key + 1) * 2 + 1];
    const float span = std::fabs(t1 - t0);
    if (span == 0.0f) return v1;
    return v0 + (percent - t0) * (v1 - v0) / span;
}

} // namespace

void nE_PartSysImpl_Complex::UpdateParticles(float step)
{
    bool anyDead = false;
    for (size_t i = 0; i < m_particles.size(); ++i)
    {
        nE_ComplexParticle* p = m_particles[i].get();
        p->age += step;
        const float percent = p->lifetime > 0.0f ? p->age * 100.0f / p->lifetime : 100.0f;
        const int templateIndex = int(p->templateIndex);
        if (percent < 100.0f)
        {
            for (nE_ComplexTrack& track : p->tracks)
                p->Set(track.property, TrackValue(track, percent));
            m_currentParticle = p;
            RunChunk(templateIndex, NE_PS_PROCESSPART);
        }
        else
        {
            m_currentParticle = p;
            RunChunk(templateIndex, NE_PS_DIEPART);
            m_particles[i].reset();
            anyDead = true;
        }
        m_currentParticle = nullptr;
        // A chunk cannot close the state, but a failing allocation may.
        if (!m_L) break;
    }
    if (anyDead)
        m_particles.erase(std::remove(m_particles.begin(), m_particles.end(), nullptr), m_particles.end());
}

void nE_PartSysImpl_Complex::EmitParticles(float count)
{
    const int emitterIndex = m_currentEmitter;
    nE_ComplexEmitter* emitter = CurrentEmitter();
    // A CreateParticles inside bornpart would otherwise emit again without end.
    if (!emitter || m_emitting) return;
    if (!std::isfinite(count))
    {
        Warn("number", "gives CreateParticles a number that is not finite; ignored");
        return;
    }
    emitter->accumulator += count;
    while (m_emitters[size_t(emitterIndex)].accumulator >= 1.0f)
    {
        // What the budgets refuse is dropped, not carried to the next step.
        if (!MayBear())
        {
            float& left = m_emitters[size_t(emitterIndex)].accumulator;
            left -= std::floor(left);
            return;
        }
        auto particle = std::make_unique<nE_ComplexParticle>();
        particle->templateIndex = m_emitters[size_t(emitterIndex)].templateIndex;
        nE_ComplexParticle* previous = m_currentParticle;
        m_currentParticle = particle.get();
        // The emitter stays current, for DeleteMe.
        m_emitting = true;
        RunChunk(int(particle->templateIndex), NE_PS_BORNPART);
        m_emitting = false;
        m_currentParticle = previous;
        if (!m_L) return;
        // bornpart may have appended emitters: the index stays right.
        nE_ComplexEmitter& e = m_emitters[size_t(emitterIndex)];
        particle->baseX = e.x;
        particle->baseY = e.y;
        particle->baseZ = e.z;
        if (particle->independent && m_owner)
        {
            particle->baseX += m_owner->GetX();
            particle->baseY += m_owner->GetY();
        }
        m_particles.push_back(std::move(particle));
        e.accumulator -= 1.0f;
    }
}

bool nE_PartSysImpl_Complex::MayBear()
{
    if (m_particles.size() >= nE_PsBudget::kScriptedParticles)
    {
        Warn("particles", "reaches " + std::to_string(nE_PsBudget::kScriptedParticles) +
                              " live particles; no more are born until some die");
        return false;
    }
    if (m_births >= nE_PsBudget::kBirthsPerStep)
    {
        Warn("births", "asks for more than " + std::to_string(nE_PsBudget::kBirthsPerStep) +
                           " births in one step; the rest are dropped");
        return false;
    }
    ++m_births;
    return true;
}

// ---- drawing ----

void nE_PartSysImpl_Complex::Draw(nE_Render* render, const nE_RenderState* state)
{
    if (!render || !state || m_templates.empty() || m_particles.empty()) return;
    const std::shared_ptr<nE_Texture>& texture = m_templates.front().texture;
    if (!texture) return;
    const nE_PsAffine outer = nE_PsAffine::FromMatrix(state->matrix);
    // Independent particles stay where they were born in the parent's space.
    nE_Object* parent = m_owner ? m_owner->GetParent() : nullptr;
    const nE_PsAffine parentOuter =
        nE_PsAffine::FromMatrix(parent ? parent->GetLastWorldMatrix() : nE_Matrix());
    m_quads.Begin(*texture, m_particles.size());
    for (const std::unique_ptr<nE_ComplexParticle>& p : m_particles)
    {
        const float* v = p->values;
        const nE_PsAffine local = nE_PsAffine::Object(p->baseX + v[NE_PS_POS_X], p->baseY + v[NE_PS_POS_Y],
                                                      v[NE_PS_ANGLE], v[NE_PS_SCALE_X], v[NE_PS_SCALE_Y]);
        m_quads.Add(local.Then(p->independent ? parentOuter : outer),
                    nE_PsColour(v[NE_PS_COLOR_R] * state->r, v[NE_PS_COLOR_G] * state->g,
                                v[NE_PS_COLOR_B] * state->b, v[NE_PS_ALPHA] * state->alpha));
    }
    m_quads.Draw(render, texture, *state);
}
