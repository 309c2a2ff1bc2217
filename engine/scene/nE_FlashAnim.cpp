#include "engine/scene/nE_FlashAnim.h"

#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Log.h"
#include "engine/core/nE_NumText.h"
#include "engine/core/nE_ObjectTypeRegistry.h"
#include "engine/core/nE_Path.h"
#include "engine/core/nE_Render.h"
#include "engine/core/nE_Resource.h"
#include "engine/core/nE_SLHelper.h"
#include "engine/core/nE_ScriptApi.h"
#include "engine/core/nE_TriggerManager.h"
#include "engine/core/nE_Xml.h"
#include "engine/platform/nE_Texture.h"

#include <cmath>
#include <cstdio>
#include <tinyxml.h>

namespace
{

const float kFallbackFps = 25.0f;

// A value that is not a finite number is left out, as if absent, with a word.
bool ReadFloat(const TiXmlElement* e, const char* name, float& out, nE_FileIssues& issues)
{
    const nE_XmlNumber read = nE_XmlReadFloat(e, name, out);
    if (read == nE_XmlNumber::Bad) issues.Add(nE_XmlBadNumber(e, name) + "; it is left out");
    return read == nE_XmlNumber::Read;
}

bool ReadInt(const TiXmlElement* e, const char* name, int& out, nE_FileIssues& issues)
{
    const nE_XmlNumber read = nE_XmlReadInt(e, name, out);
    if (read == nE_XmlNumber::Bad) issues.Add(nE_XmlBadNumber(e, name) + "; it is left out");
    return read == nE_XmlNumber::Read;
}

// Applies the alpha, matrix and colour attributes that are present.
void ApplyPlacement(const TiXmlElement* e, nE_RenderState& s, nE_FileIssues& issues)
{
    ReadFloat(e, "alp", s.alpha, issues);
    ReadFloat(e, "m00", s.matrix.At(0, 0), issues);
    ReadFloat(e, "m01", s.matrix.At(0, 1), issues);
    ReadFloat(e, "m10", s.matrix.At(1, 0), issues);
    ReadFloat(e, "m11", s.matrix.At(1, 1), issues);
    ReadFloat(e, "pos_x", s.matrix.At(3, 0), issues);
    ReadFloat(e, "pos_y", s.matrix.At(3, 1), issues);
    ReadFloat(e, "color_r", s.r, issues);
    ReadFloat(e, "color_g", s.g, issues);
    ReadFloat(e, "color_b", s.b, issues);
}

} // namespace

nE_FlashAnim::nE_FlashAnim() = default;

nE_FlashAnim::nE_FlashAnim(const std::string& name) : nE_Object(name) {}

nE_FlashAnim::~nE_FlashAnim()
{
    ReleaseResources();
}

nE_Object* nE_FlashAnim::Create()
{
    return new nE_FlashAnim();
}

// ---- properties ----

void nE_FlashAnim::SetResourceName(const std::string& name)
{
    m_resourceName = name;
    Reload();
}

void nE_FlashAnim::Reload()
{
    Clear();
    LoadAnimation();
    if (!m_resourcesLoaded) return;
    ReleaseResources();
    LoadResources();
}

void nE_FlashAnim::Load(nE_SLHelper& sl)
{
    nE_Object::Load(sl);
    if (sl.ReadString("res", m_resourceName)) Reload();
    uint32_t frame = 0;
    if (sl.ReadUInt("frame", frame)) m_frame = nE_TruncateToInt(double(frame));
    bool playing = false;
    const bool hasPlaying = sl.ReadBool("playing", playing);
    m_playing = hasPlaying ? playing : m_playing;
    sl.ReadString("endtrig", m_endTrig);
    if (hasPlaying && playing) Play(m_endTrig);
}

void nE_FlashAnim::Save(nE_SLHelper& sl)
{
    nE_Object::Save(sl);
    sl.WriteString("res", m_resourceName);
    sl.WriteUInt("frame", uint32_t(m_frame < 0 ? 0 : m_frame));
    sl.WriteBool("playing", m_playing);
    sl.WriteString("endtrig", m_endTrig);
}

void nE_FlashAnim::FindText(TiXmlElement* report, const std::string& text, bool recursive)
{
    nE_Object::FindText(report, text, recursive);
    if (report && m_endTrig.find(text) != std::string::npos) nE_AddFindReport(report, m_name, "event");
}

void nE_FlashAnim::SetDefaults()
{
    nE_Object::SetDefaults();
    m_timeLeft = 0.0f;
    m_playing = false;
    m_frame = 0;
    m_endTrig.clear();
}

// ---- the animation file ----

void nE_FlashAnim::Clear()
{
    m_timeLeft = 0.0f;
    m_playing = false;
    m_frame = 0;
    m_objects.clear();
    m_frames.clear();
}

void nE_FlashAnim::LoadAnimation()
{
    const std::string path = nE_MakePath(m_resourceName, ".xml");
    if (!nE_FileExists(path))
    {
        nE_LogFmt("Error: flashanim could not find \"%s\" file!", m_resourceName);
        return;
    }
    TiXmlDocument doc;
    nE_XmlPlace place;
    const nE_XmlResult result = nE_XmlLoadFile(doc, path, &place);
    if (result == nE_XmlResult::Malformed || result == nE_XmlResult::Missing)
    {
        char line[600];
        std::snprintf(line, sizeof line, "Error: flashanim \"%s\" could not be read: %s (row %d, column %d)",
                      path.c_str(), doc.ErrorDesc() && *doc.ErrorDesc() ? doc.ErrorDesc() : "unreadable",
                      place.row, place.col);
        nE_WarnOnce("flashfile:" + path, line);
    }
    if (result != nE_XmlResult::Ok) return;
    TiXmlElement* animation = doc.FirstChildElement("animation");
    if (!animation)
    {
        nE_WarnOnce("flashfile:" + path, "Error: flashanim \"" + path + "\" has no \"animation\" element");
        return;
    }
    nE_FileIssues issues("Warning: flashanim \"" + path + "\"");
    const std::string stray = nE_XmlStrayText(animation);
    if (!stray.empty()) issues.Add("it holds " + stray + "; it is ignored");
    ReadHeader(animation, issues);
    const std::string dir = nE_PathDirectory(m_resourceName);
    TiXmlElement* objects = animation->FirstChildElement("objects");
    for (TiXmlElement* o = objects ? objects->FirstChildElement("object") : nullptr; o;
         o = o->NextSiblingElement("object"))
    {
        nE_FlashAnimObject part;
        const char* res = o->Attribute("res");
        const char* type = o->Attribute("type");
        part.res = dir + (res ? res : "");
        part.type = type ? type : "";
        ReadFloat(o, "w", part.w, issues);
        ReadFloat(o, "h", part.h, issues);
        m_objects.push_back(std::move(part));
    }
    if (TiXmlElement* frames = animation->FirstChildElement("frames")) ReadFrames(frames, issues);
    issues.LogOnce("flashfile:" + path);
}

void nE_FlashAnim::ReadHeader(TiXmlElement* animation, nE_FileIssues& issues)
{
    m_loop = 0;
    m_loopFrame = 0;
    ReadInt(animation, "loop", m_loop, issues);
    ReadInt(animation, "loop_frame", m_loopFrame, issues);
    float fps = 0.0f;
    const bool hasFps = nE_XmlReadFloat(animation, "fps", fps) == nE_XmlNumber::Read;
    if (!hasFps || !(fps > 0.0f) || !std::isfinite(1.0f / fps))
    {
        const char* text = animation->Attribute("fps");
        nE_LogFmt2("Warning: flashanim %s has frame rate \"%s\"; playing at 25", m_resourceName,
                   text ? text : "");
        fps = kFallbackFps;
    }
    m_frametime = 1.0f / fps;
    m_defaults = nE_RenderState();
    ApplyPlacement(animation, m_defaults, issues);
}

void nE_FlashAnim::ReadFrames(TiXmlElement* frames, nE_FileIssues& issues)
{
    // Values a frame leaves out carry over from the part's latest placement.
    std::vector<nE_RenderState> working(m_objects.size());
    for (TiXmlElement* f = frames->FirstChildElement("frame"); f; f = f->NextSiblingElement("frame"))
    {
        nE_FlashAnimFrame frame;
        for (TiXmlElement* o = f->FirstChildElement("object"); o; o = o->NextSiblingElement("object"))
        {
            int id = -1;
            if (nE_XmlReadInt(o, "id", id) != nE_XmlNumber::Read || id < 0 || id >= int(m_objects.size()))
            {
                const char* text = o->Attribute("id");
                issues.Add("an object of frame " + std::to_string(m_frames.size()) + " (line " +
                           std::to_string(o->Row()) + ") has no part with id \"" + (text ? text : "") +
                           "\"; it is skipped");
                continue;
            }
            nE_RenderState& s = working[size_t(id)];
            ReadInt(o, "frame", s.frame, issues);
            ApplyPlacement(o, s, issues);
            int blend = 0;
            if (ReadInt(o, "blendmode", blend, issues)) s.blendMode = uint32_t(blend);
            frame.placements.push_back({s, id});
        }
        m_frames.push_back(std::move(frame));
    }
}

// ---- resources ----

void nE_FlashAnim::LoadResources()
{
    for (nE_FlashAnimObject& part : m_objects)
    {
        part.texture.reset();
        if (!g_resourceCache) continue;
        if (part.type == "texture")
            part.texture = std::dynamic_pointer_cast<nE_Texture>(g_resourceCache->GetTexture(part.res));
        else if (part.type == "frametexture")
            part.texture = std::dynamic_pointer_cast<nE_Texture>(g_resourceCache->GetFrameTexture(part.res));
    }
}

void nE_FlashAnim::ReleaseResources()
{
    for (nE_FlashAnimObject& part : m_objects)
        part.texture.reset();
}

// ---- playing ----

void nE_FlashAnim::Play(const std::string& endtrig)
{
    m_timeLeft = m_frametime;
    m_endTrig = endtrig;
    m_playing = true;
    m_frame = 0;
}

void nE_FlashAnim::Update(const nE_TimeStep* step)
{
    nE_Object::Update(step);
    if (!m_playing) return;
    m_timeLeft -= step ? step->step : 0.0f;
    // One frame per tick at most; what is left over carries on.
    if (m_timeLeft <= 0.0f) NextFrame();
}

void nE_FlashAnim::NextFrame()
{
    const int count = int(m_frames.size());
    ++m_frame;
    if (m_frame >= count)
    {
        if (m_loop == 1)
            m_frame = m_loopFrame >= 0 && m_loopFrame < count ? m_loopFrame : 0;
        else
        {
            m_frame = count > 0 ? count - 1 : 0;
            m_playing = false;
            if (g_triggerManager && !m_endTrig.empty()) g_triggerManager->Post(m_name, m_endTrig);
            return;
        }
    }
    m_timeLeft += m_frametime;
}

void nE_FlashAnim::Draw(nE_Render* render, const nE_RenderState& state)
{
    if (!render || m_frame < 0 || m_frame >= int(m_frames.size())) return;
    for (const nE_FlashAnimPlacement& p : m_frames[size_t(m_frame)].placements)
    {
        if (p.id < 0 || p.id >= int(m_objects.size())) continue;
        const nE_FlashAnimObject& part = m_objects[size_t(p.id)];
        nE_RenderState s;
        s.alpha = m_defaults.alpha * state.alpha * p.state.alpha;
        s.r = m_defaults.r * state.r * p.state.r;
        s.g = m_defaults.g * state.g * p.state.g;
        s.b = m_defaults.b * state.b * p.state.b;
        s.frame = p.state.frame;
        s.blendMode = p.state.blendMode;
        nE_Matrix::Multiply(s.matrix, p.state.matrix, m_defaults.matrix);
        nE_Matrix::MultiplyAssign(s.matrix, state.matrix);
        s.offsetX = part.w / 2.0f;
        s.offsetY = part.h / 2.0f;
        render->DrawTexture(part.texture, s);
    }
}

// ---- script functions ----

namespace
{

// The flash animation named by argument 1; null for any other object.
nE_FlashAnim* ArgFlashAnim(lua_State* L)
{
    return dynamic_cast<nE_FlashAnim*>(nE_ArgObject(L, 1));
}

int FlashAnmPlay(lua_State* L)
{
    nE_FlashAnim* anim = ArgFlashAnim(L);
    std::string trigger = nE_ArgString(L, 2);
    lua_settop(L, 0);
    if (anim) anim->Play(trigger);
    return 0;
}

int FlashAnmStop(lua_State* L)
{
    nE_FlashAnim* anim = ArgFlashAnim(L);
    lua_settop(L, 0);
    if (anim) anim->Stop();
    return 0;
}

int FlashAnmPause(lua_State* L)
{
    nE_FlashAnim* anim = ArgFlashAnim(L);
    bool pause = nE_ArgInt(L, 2) > 0;
    lua_settop(L, 0);
    if (anim) anim->Pause(pause);
    return 0;
}

const nE_ScriptFunction kScriptFunctions[] = {
    {"FlashAnmPlay", FlashAnmPlay},
    {"FlashAnmStop", FlashAnmStop},
    {"FlashAnmPause", FlashAnmPause},
};

} // namespace

void nE_RegisterFlashAnimType()
{
    nE_RegisterObjectType("flashanim", nE_FlashAnim::Create);
    nE_AddScriptFunctions(kScriptFunctions);
}
