#include "engine/scene/nE_Video.h"

#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Log.h"
#include "engine/core/nE_ObjectTypeRegistry.h"
#include "engine/core/nE_Path.h"
#include "engine/core/nE_Properties.h"
#include "engine/core/nE_Render.h"
#include "engine/core/nE_SLHelper.h"
#include "engine/core/nE_ScriptApi.h"
#include "engine/core/nE_TriggerManager.h"
#include "engine/core/nE_Xml.h"
#include "engine/platform/nE_Texture_Pl5.h"
#include "engine/scene/nE_Subtitles.h"
#include "engine/scene/nE_TheoraDecoder.h"

#include <algorithm>
#include <new>
#include <vector>

namespace
{

const float kFallbackFps = 25.0f;

} // namespace

nE_Video::nE_Video() = default;

nE_Video::nE_Video(const std::string& name) : nE_Object(name) {}

nE_Video::~nE_Video()
{
    ReleaseResources();
}

nE_Object* nE_Video::Create()
{
    return new nE_Video();
}

std::shared_ptr<nE_Texture> nE_Video::GetTexture()
{
    return m_texture;
}

// ---- properties ----

const nE_PropertyTable<nE_Video>& nE_Video::Properties()
{
    using P = nE_Property<nE_Video>;
    static const nE_PropertyTable<nE_Video> table = {
        {"res", NE_PROPERTY_AT(m_resourceName)},
        P("playing", NE_PROPERTY_AT(m_playing)).Reset(false),
        P("looped", NE_PROPERTY_AT(m_looped)).Reset(false),
        {"endtrig", NE_PROPERTY_AT(m_endTrig)},
    };
    return table;
}

// The frame is stored unsigned: a negative one saves as 0, a huge one loads
// as the largest int.
void nE_Video::Load(nE_SLHelper& sl)
{
    nE_Object::Load(sl);
    nE_LoadProperties(sl, Properties(), *this);
    uint32_t frame = 0;
    if (sl.ReadUInt("frame", frame)) m_frame = nE_TruncateToInt(double(frame));
}

void nE_Video::Save(nE_SLHelper& sl)
{
    nE_Object::Save(sl);
    nE_SaveProperties(sl, Properties(), *this);
    sl.WriteUInt("frame", uint32_t(m_frame < 0 ? 0 : m_frame));
}

nE_Rect nE_Video::GetLocalRect()
{
    return m_texture ? m_texture->GetFrameRect(m_state.frame) : nE_Rect();
}

void nE_Video::FindText(TiXmlElement* report, const std::string& text, bool recursive)
{
    nE_Object::FindText(report, text, recursive);
    if (report && m_endTrig.find(text) != std::string::npos) nE_AddFindReport(report, m_name, "event");
}

void nE_Video::SetDefaults()
{
    // A loaded player and subtitle list are closed, not dropped.
    ReleaseResources();
    m_time = 0.0f;
    m_frameDuration = 0.0f;
    m_frame = 0;
    m_frameCount = 0;
    nE_ResetProperties(Properties(), *this);
    m_countFrames = false;
}

// ---- resources ----

void nE_Video::LoadResources()
{
    const std::string video = m_resourceName + ".ogg";
    if (!nE_FileExists(video))
    {
        nE_LogFmt2("Error: video %s could not find \"%s\" ogg file!", m_name, m_resourceName);
        return;
    }
    m_alphaPath = m_resourceName + ".zalpha";
    if (!nE_FileExists(m_alphaPath)) m_alphaPath = m_resourceName + ".oggalpha";
    m_player = std::make_unique<nE_VideoPlayer>();
    m_player->Open(video, m_alphaPath);
    // Such a video ends at its first update, so content waiting on it goes on.
    if (!m_player->HasDecoder())
        nE_LogFmt2("Error: video %s: \"%s\" holds no Theora stream that can be decoded", m_name, video);
    if (m_countFrames) m_frameCount = m_player->CountFrames();
    // A frame rate of 0 is refused with the headers, so only a video that
    // cannot play lacks one; its times must still stay finite.
    const float fps = m_player->GetFps();
    m_frameDuration = 1.0f / (fps > 0.0f ? fps : kFallbackFps);
    ShowCurrentFrame();
    if (nE_FileExists(m_resourceName + ".srt"))
    {
        m_subtitles = std::make_unique<nE_SubtitleList>();
        m_subtitles->Load(m_resourceName + ".srt");
    }
    if (m_texture && !m_inputRectOn) m_inputRect = m_texture->GetFrameRect(m_state.frame);
    ReportDamage();
}

void nE_Video::ReportDamage() const
{
    if (!m_player) return;
    const std::string video = m_player->GetVideoDamage(), alpha = m_player->GetAlphaDamage();
    if (!video.empty())
        nE_WarnOnce("videofile:" + m_resourceName + ".ogg",
                    "Warning: video " + m_name + ": \"" + m_resourceName + ".ogg\" is damaged: " + video);
    if (!alpha.empty())
        nE_WarnOnce("videofile:" + m_alphaPath,
                    "Warning: video " + m_name + ": alpha file \"" + m_alphaPath + "\" is damaged: " + alpha);
}

void nE_Video::ReleaseResources()
{
    m_texture.reset();
    if (m_player) m_player->Close();
    m_player.reset();
    if (m_subtitles) m_subtitles->Clear();
    m_subtitles.reset();
}

void nE_Video::Restore(bool recursive)
{
    nE_Object::Restore(recursive);
    ShowCurrentFrame();
}

void nE_Video::ShowCurrentFrame()
{
    if (CanDecode())
    {
        m_player->SeekToFrame(m_frame > 0 ? m_frame - 1 : 0);
        RebuildTexture();
    }
    m_time = float(m_frame) * m_frameDuration;
}

bool nE_Video::CanDecode() const
{
    return m_player && m_player->HasDecoder();
}

bool nE_Video::RebuildTexture()
{
    try
    {
        return DecodeIntoTexture();
    }
    catch (const std::bad_alloc&)
    {
        nE_LogFmt2("Error: video %s could not decode \"%s.ogg\": out of memory", m_name, m_resourceName);
        if (m_texture) m_texture->EndWrite(); // a frame may have failed half written
        m_texture.reset();
        m_player.reset();
        return false;
    }
}

bool nE_Video::DecodeIntoTexture()
{
    if (!CanDecode() || !m_player->DecodeNextFrame()) return false;
    const unsigned w = m_player->GetFrameWidth(), h = m_player->GetFrameHeight();
    // One texture for the playback: each frame is converted straight into it.
    if (!m_texture)
    {
        m_texture.reset(nE_CreateGeneratedTexture());
        m_texture->Load(m_name + "_tex");
    }
    unsigned stride = 0;
    if (uint8_t* out = m_texture->BeginWrite(w, h, &stride, NE_PIXELS_BGRA))
    {
        if (!m_player->ConvertFrame(out, stride))
            for (unsigned y = 0; y < h; ++y)
                std::fill_n(out + size_t(y) * stride * 4, size_t(w) * 4, uint8_t(0));
        m_texture->EndWrite();
    }
    return true;
}

// ---- playing ----

void nE_Video::Update(const nE_TimeStep* step)
{
    nE_Object::Update(step);
    if (!m_playing) return;
    // A missing or undecodable file ends at once, so content waiting on it goes on.
    if (!CanDecode())
    {
        End();
        return;
    }
    m_time += step ? step->elapsed : 0.0f;
    // Clamped so that a huge time cannot overflow the frame count.
    const int target = nE_TruncateToInt(double(m_time) / double(m_frameDuration));
    bool ended = false;
    while (!ended && m_frame < target - 1)
    {
        ended = !m_player->SkipFrame();
        if (!ended) ++m_frame;
    }
    if (m_subtitles) m_subtitles->Update(m_time);
    if (!ended && target - m_frame != 1) return ReportDamage();
    if (!ended && RebuildTexture())
    {
        ++m_frame;
        return ReportDamage();
    }
    End();
}

void nE_Video::End()
{
    ReportDamage();
    m_playing = false;
    if (g_triggerManager && !m_endTrig.empty()) g_triggerManager->Post(m_name, m_endTrig);
    // A stream that cannot decode would end again at every tick.
    if (!m_looped || !CanDecode()) return;
    Play(m_endTrig);
    RebuildTexture();
}

void nE_Video::Play(const std::string& endtrig)
{
    if (m_playing) return;
    m_playing = true;
    m_endTrig = endtrig;
    m_time = 0.0f;
    m_frame = 0;
    // A new run (a loop included) shows its subtitles again from the first.
    if (m_subtitles) m_subtitles->Hide();
    if (CanDecode()) m_player->SeekToFrame(0);
}

void nE_Video::Stop()
{
    m_time = 0.0f;
    m_playing = false;
    m_frame = 0;
    if (m_subtitles) m_subtitles->Hide();
    if (!CanDecode()) return;
    m_player->SeekToFrame(0);
    RebuildTexture();
}

void nE_Video::Pause(bool paused)
{
    m_playing = !paused;
}

void nE_Video::SetFrame(int frame)
{
    if ((m_countFrames && frame >= m_frameCount) || frame == m_frame) return;
    m_playing = false;
    m_frame = frame;
    // Resuming must go on from this frame's time, not from zero.
    m_time = float(frame) * m_frameDuration;
    if (!CanDecode()) return;
    m_player->SeekToFrame(frame);
    RebuildTexture();
}

void nE_Video::Draw(nE_Render* render, const nE_RenderState& state)
{
    if (render && m_texture) render->DrawTexture(m_texture, state);
}

// ---- script functions ----

namespace
{

// The video named by argument 1; null for any other object.
nE_Video* ArgVideo(lua_State* L)
{
    return dynamic_cast<nE_Video*>(nE_ArgObject(L, 1));
}

int VidPlay(lua_State* L)
{
    nE_Video* video = ArgVideo(L);
    std::string trigger = nE_ArgString(L, 2);
    lua_settop(L, 0);
    if (video) video->Play(trigger);
    return 0;
}

int VidStop(lua_State* L)
{
    nE_Video* video = ArgVideo(L);
    lua_settop(L, 0);
    if (video) video->Stop();
    return 0;
}

int VidPause(lua_State* L)
{
    nE_Video* video = ArgVideo(L);
    bool pause = nE_ArgInt(L, 2) > 0;
    lua_settop(L, 0);
    if (video) video->Pause(pause);
    return 0;
}

const nE_ScriptFunction kScriptFunctions[] = {
    {"VidPlay", VidPlay},
    {"VidStop", VidStop},
    {"VidPause", VidPause},
};

} // namespace

void nE_RegisterVideoType()
{
    nE_RegisterObjectType("video", nE_Video::Create);
    nE_AddScriptFunctions(kScriptFunctions);
}
