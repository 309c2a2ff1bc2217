#include "engine/scene/nE_AnimSprite.h"

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

#include <algorithm>
#include <tinyxml.h>

namespace
{

// Attribute text, "" when absent.
std::string AttributeText(const TiXmlElement* element, const char* name)
{
    const char* text = element->Attribute(name);
    return text ? text : "";
}

// A value that is no number reads as 0, as it always has, with a word.
int AttributeInt(const TiXmlElement* element, const char* name, nE_FileIssues& issues)
{
    int value = 0;
    if (nE_XmlReadInt(element, name, value) == nE_XmlNumber::Bad)
        issues.Add(nE_XmlBadNumber(element, name) + "; it reads as 0");
    return value;
}

void LogParseError(const std::string& object, const std::string& path, const TiXmlDocument& doc)
{
    const char* what = doc.ErrorDesc();
    std::string line =
        "Error: animsprite " + object + " could not parse \"" + path + "\": " + (what ? what : "");
    // The parser knows the place of some errors only.
    if (doc.ErrorRow() > 0)
        line +=
            " (row " + std::to_string(doc.ErrorRow()) + ", column " + std::to_string(doc.ErrorCol()) + ")";
    nE_Log(line);
}

} // namespace

nE_AnimSprite::nE_AnimSprite() = default;

nE_AnimSprite::nE_AnimSprite(const std::string& name) : nE_Sprite(name) {}

nE_AnimSprite::~nE_AnimSprite()
{
    m_functions.clear();
}

nE_Object* nE_AnimSprite::Create()
{
    return new nE_AnimSprite();
}

// ---- properties ----

void nE_AnimSprite::SetResourceName(const std::string& name)
{
    m_resourceName = name;
    ReloadFromResourceName();
}

void nE_AnimSprite::ReloadFromResourceName()
{
    ClearAnimations();
    LoadAnimations();
    if (!m_resourcesLoaded) return;
    ReleaseResources();
    LoadResources();
}

void nE_AnimSprite::Load(nE_SLHelper& sl)
{
    nE_Object::Load(sl);
    if (sl.ReadString("res", m_resourceName)) ReloadFromResourceName();
    int frame = 0;
    bool hasFrame = sl.ReadInt("frame", frame);
    sl.ReadBool("playing", m_playing);
    std::string animfunc;
    bool hasFunc = sl.ReadString("animfunc", animfunc);
    sl.ReadString("endtrig", m_endTrig);
    if (hasFrame) SetFrame(frame);
    if (m_playing && hasFunc) Play(animfunc, m_endTrig);
}

void nE_AnimSprite::Save(nE_SLHelper& sl)
{
    nE_Sprite::Save(sl);
    const nE_AnimFunction* current = CurrentFunction();
    sl.WriteInt("frame", m_state.frame);
    sl.WriteBool("playing", m_playing);
    sl.WriteString("animfunc", current ? current->name : std::string());
    sl.WriteString("endtrig", m_endTrig);
}

void nE_AnimSprite::FindText(TiXmlElement* report, const std::string& text, bool recursive)
{
    nE_Object::FindText(report, text, recursive);
    if (!report) return;
    if (m_endTrig.find(text) != std::string::npos) nE_AddFindReport(report, m_name, "event");
    for (const nE_AnimFunction& function : m_functions)
        if (function.name.find(text) != std::string::npos) nE_AddFindReport(report, m_name, "misc");
}

void nE_AnimSprite::SetDefaults()
{
    m_timeLeft = 0.0f;
    m_playing = false;
    m_position = 0;
    m_current = -1;
}

// ---- resources ----

void nE_AnimSprite::LoadResources()
{
    m_texture.reset();
    if (g_resourceCache)
        m_texture =
            std::dynamic_pointer_cast<nE_Texture>(g_resourceCache->GetFrameTexture(m_frameTextureName));
    FitInputRectToTexture();
    WarnFramesOutside();
}

void nE_AnimSprite::WarnFramesOutside() const
{
    // A frame texture without frames (missing, say) has been named already.
    const auto* atlas = dynamic_cast<const nE_FrameTexture*>(m_texture.get());
    const int count = atlas ? int(atlas->GetFrameCount()) : 0;
    if (count == 0) return;
    for (const nE_AnimFunction& function : m_functions)
        for (int idx : function.frames)
            if (idx < 0 || idx >= count)
                return nE_WarnOnce("animframes:" + m_resourceName,
                                   "Warning: animsprite " + m_name + ": function \"" + function.name +
                                       "\" shows frame " + std::to_string(idx) + ", but frame texture \"" +
                                       m_frameTextureName + "\" has " + std::to_string(count) +
                                       " frames; nothing is drawn for it");
}

void nE_AnimSprite::ClearAnimations()
{
    m_playing = false;
    m_endTrig.clear();
    m_current = -1;
    m_position = 0;
    m_functions.clear();
}

void nE_AnimSprite::LoadAnimations()
{
    std::string path = nE_MakePath(m_resourceName, ".xml");
    TiXmlDocument doc;
    if (!nE_FileExists(path))
    {
        nE_LogFmt2("Error: animsprite %s could not find \"%s\" file to load!", m_name, m_resourceName);
        return;
    }
    nE_XmlResult result = nE_XmlLoadFile(doc, path);
    if (result != nE_XmlResult::Ok)
    {
        if (result != nE_XmlResult::Refused) LogParseError(m_name, path, doc);
        return;
    }
    TiXmlElement* animation = doc.FirstChildElement("animation");
    if (!animation)
    {
        nE_LogFmt2("Error: animsprite %s found no \"animation\" element in \"%s\"", m_name, path);
        return;
    }
    m_frameTextureName = nE_PathDirectory(m_resourceName) + AttributeText(animation, "frame_texture");
    ReadFunctions(animation);
}

void nE_AnimSprite::ReadFunctions(TiXmlElement* animation)
{
    nE_FileIssues issues("Warning: animsprite " + m_name + " \"" + nE_MakePath(m_resourceName, ".xml") +
                         "\"");
    const std::string stray = nE_XmlStrayText(animation);
    if (!stray.empty()) issues.Add("it holds " + stray + "; it is ignored");
    for (TiXmlElement* f = animation->FirstChildElement("function"); f; f = f->NextSiblingElement("function"))
    {
        nE_AnimFunction function;
        function.name = AttributeText(f, "name");
        function.frametime = static_cast<float>(AttributeInt(f, "frametime", issues) / 1000.0);
        function.loop = AttributeInt(f, "loop", issues) == 1;
        function.alpha = f->Attribute("alpha") && AttributeInt(f, "alpha", issues) == 1;
        for (TiXmlElement* frame = f->FirstChildElement("frame"); frame;
             frame = frame->NextSiblingElement("frame"))
        {
            if (!frame->Attribute("idx"))
            {
                nE_LogFmt2("Warning: animsprite %s: a frame of function \"%s\" has no \"idx\"; skipped",
                           m_name, function.name);
                continue;
            }
            int idx = 0;
            if (nE_XmlReadInt(frame, "idx", idx) == nE_XmlNumber::Bad)
            {
                issues.Add(nE_XmlBadNumber(frame, "idx") + "; the frame is skipped");
                continue;
            }
            function.frames.push_back(idx);
        }
        m_functions.push_back(std::move(function));
    }
    issues.LogOnce("animfile:" + m_resourceName);
}

// ---- playing ----

const nE_AnimFunction* nE_AnimSprite::FindFunction(const std::string& name) const
{
    for (const nE_AnimFunction& function : m_functions)
        if (function.name == name) return &function;
    return nullptr;
}

const nE_AnimFunction* nE_AnimSprite::CurrentFunction() const
{
    if (m_current < 0 || m_current >= static_cast<int>(m_functions.size())) return nullptr;
    return &m_functions[m_current];
}

const nE_AnimFunction* nE_AnimSprite::NamedOrPlaying(const std::string& name) const
{
    const nE_AnimFunction* function = name.empty() ? nullptr : FindFunction(name);
    if (function) return function;
    return m_playing ? CurrentFunction() : nullptr;
}

void nE_AnimSprite::Play(const std::string& name, const std::string& endtrig)
{
    const nE_AnimFunction* function = FindFunction(name);
    if (!function) return;
    m_current = static_cast<int>(function - m_functions.data());
    m_endTrig = endtrig;
    m_playing = true;
    m_timeLeft = function->frametime;
    m_position = 0;
    if (!function->frames.empty()) SetFrame(function->frames[0]);
}

void nE_AnimSprite::Stop()
{
    SetFrame(0);
    m_playing = false;
    m_current = -1;
}

void nE_AnimSprite::Pause(bool paused)
{
    m_playing = !paused;
}

int nE_AnimSprite::GetFrameCount(const std::string& name) const
{
    const nE_AnimFunction* function = NamedOrPlaying(name);
    return function ? static_cast<int>(function->frames.size()) : 0;
}

float nE_AnimSprite::GetDuration(const std::string& name) const
{
    const nE_AnimFunction* function = NamedOrPlaying(name);
    return function ? static_cast<float>(function->frames.size()) * function->frametime : 0.0f;
}

void nE_AnimSprite::SetFrame(int frame)
{
    m_state.frame = frame;
    FitInputRectToTexture();
}

void nE_AnimSprite::Update(const nE_TimeStep* step)
{
    nE_Object::Update(step);
    const nE_AnimFunction* function = m_playing ? CurrentFunction() : nullptr;
    if (!function) return;
    m_timeLeft -= step ? step->step : 0.0f;
    // One frame per tick at most; what is left over carries into later ticks.
    if (m_timeLeft <= 0.0f) AdvanceFrame(*function);
}

void nE_AnimSprite::AdvanceFrame(const nE_AnimFunction& function)
{
    const int count = static_cast<int>(function.frames.size());
    ++m_position;
    if (m_position < count)
    {
        m_timeLeft += function.frametime;
        SetFrame(function.frames[m_position]);
        return;
    }
    if (function.loop)
    {
        m_position = 0;
        m_timeLeft += function.frametime;
        if (count > 0) SetFrame(function.frames[0]);
        return;
    }
    m_position = std::max(0, m_position - 1);
    m_playing = false;
    if (g_triggerManager && !m_endTrig.empty()) g_triggerManager->Post(m_name, m_endTrig);
}

// ---- drawing ----

float nE_AnimSprite::CrossFade(const nE_AnimFunction& function) const
{
    // A frame time of zero or less has no fade to run (and would divide by it).
    if (!(function.frametime > 0.0f)) return 0.0f;
    float fraction = 1.0f - std::max(m_timeLeft, 0.0f) / function.frametime;
    return std::min(std::max(fraction, 0.0f), 1.0f);
}

void nE_AnimSprite::Draw(nE_Render* render, const nE_RenderState& state)
{
    nE_Sprite::Draw(render, state);
    const nE_AnimFunction* function = m_playing ? CurrentFunction() : nullptr;
    if (!render || !function || !function->alpha) return;
    const int count = static_cast<int>(function->frames.size());
    int next = m_position + 1;
    if (next >= count && function->loop) next = 0;
    if (next < 0 || next >= count) return;
    float fade = CrossFade(*function);
    if (fade <= 0.0f) return;
    nE_RenderState over = state;
    over.frame = function->frames[next];
    over.alpha = state.alpha * fade;
    render->DrawTexture(m_texture, over);
}

// ---- script functions ----

namespace
{

// The animation named by argument 1; null for any other object.
nE_AnimSprite* ArgAnim(lua_State* L)
{
    return dynamic_cast<nE_AnimSprite*>(nE_ArgObject(L, 1));
}

int AnmPlay(lua_State* L)
{
    nE_AnimSprite* anim = ArgAnim(L);
    std::string animation = nE_ArgString(L, 2);
    std::string trigger = nE_ArgString(L, 3);
    lua_settop(L, 0);
    if (anim) anim->Play(animation, trigger);
    return 0;
}

int AnmStop(lua_State* L)
{
    nE_AnimSprite* anim = ArgAnim(L);
    lua_settop(L, 0);
    if (anim) anim->Stop();
    return 0;
}

int AnmPause(lua_State* L)
{
    nE_AnimSprite* anim = ArgAnim(L);
    bool pause = nE_ArgInt(L, 2) > 0;
    lua_settop(L, 0);
    if (anim) anim->Pause(pause);
    return 0;
}

const nE_ScriptFunction kScriptFunctions[] = {
    {"AnmPlay", AnmPlay},
    {"AnmStop", AnmStop},
    {"AnmPause", AnmPause},
};

} // namespace

void nE_RegisterAnimType()
{
    nE_RegisterObjectType("anim", nE_AnimSprite::Create);
    nE_AddScriptFunctions(kScriptFunctions);
}
