#include "game/interface/nG_VideoFrame.h"

#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_TriggerManager.h"
#include "engine/core/nE_Tween.h"
#include "engine/scene/nE_Sprite.h"
#include "engine/scene/nE_Text.h"
#include "game/interface/nG_InterfButton.h"
#include "game/interface/nG_WidgetUtil.h"
#include "game/messages/nG_Messages.h"

#include <algorithm>

namespace
{
const int kMessages[] = {NG_MSG_SUBTITLE, NG_MSG_VIDEO_FRAME_SKIP, NG_MSG_VIDEO_FRAME};
const float kFrameFadeSpeed = 1.5f;
const float kSubtitleFadeSpeed = 2.0f;

void AddBar(nE_Object* frame, float y)
{
    if (nE_Sprite* bar =
            nG_AddSprite(frame, frame->GetName() + "_bg", "assets/interface/videoframe/frame", 2.0f))
    {
        bar->SetPos(512.0f, y);
        bar->SetScale(683.0f, 48.0f);
    }
}

void SendHudFade(bool shown)
{
    nG_MsgInterfaceShow fade;
    fade.shown = shown;
    fade.fade = true;
    nE_Send<NG_MSG_INTERFACE_FADE>(fade);
}
} // namespace

// ---- the subtitle line ----

nG_Subtitles::nG_Subtitles(const std::string& name) : nE_Object(name)
{
    nG_Subtitles::SetDefaults();
}

void nG_Subtitles::SetDefaults()
{
    // Hidden, so that the first line fades in like every later one.
    m_state = STATE_HIDDEN;
    m_fade = 0.0f;
    m_key.clear();
    SetInput(false);
    SetAlpha(0.0f);
    if (m_text.IsAlive()) return; // built once
    const float colour[3] = {220 / 255.0f, 209 / 255.0f, 180 / 255.0f};
    if (nE_Text* text =
            nG_AddText(this, m_name + "_text", "assets/fonts/times", 26, colour, 512.0f, 720.0f, 10.0f))
    {
        text->SetMaxWidth(900);
        // No key yet: an empty raw text, not a missing string.
        text->SetDispRawText(true);
        m_text = text->GetHandle();
    }
}

void nG_Subtitles::SetText(const std::string& key)
{
    m_key = key;
    m_state = STATE_SHOWN;
    nE_Text* text = static_cast<nE_Text*>(m_text.Get());
    if (!text) return;
    text->SetDispRawText(false);
    text->SetText(key, "", "", "", "", "");
}

void nG_Subtitles::Update(const nE_TimeStep* step)
{
    nE_Object::Update(step);
    const float dt = step ? step->elapsed : 0.0f;
    if (m_state == STATE_SHOWN)
        m_fade = std::min(1.0f, m_fade + kSubtitleFadeSpeed * dt);
    else
        m_fade = std::max(0.0f, m_fade - kSubtitleFadeSpeed * dt);
    SetAlpha(m_fade);
}

// ---- the frame ----

nG_VideoFrame::nG_VideoFrame(const std::string& name) : nE_Object(name)
{
    nG_VideoFrame::SetDefaults();
    if (!g_mediator) return;
    for (int id : kMessages)
        g_mediator->Subscribe(this, id);
}

nG_VideoFrame::~nG_VideoFrame()
{
    // The video belongs to the content: it outlives the frame.
    StoreVideo();
    if (g_mediator) g_mediator->UnsubscribeAll(this);
}

void nG_VideoFrame::SetDefaults()
{
    m_state = STATE_CLOSED;
    m_fade = 0.0f;
    m_skipDelay = 0.0f;
    m_passThrough = false;
    m_skipCall.clear();
    m_video = nE_ObjectHandle();
    SetActive(false);
    SetVisible(false);
    SetInput(false);
    if (m_skipButton.IsAlive()) return; // built once
    AddBar(this, 48.0f);
    AddBar(this, 720.0f);
    auto owned = std::make_unique<nG_InterfButton>(m_name + "_skip_btn");
    nG_InterfButton* skip = owned.get();
    const float captionAt[3] = {0.0f, 6.0f, 0.0f};
    const float captionColour[3] = {220 / 255.0f, 216 / 255.0f, 182 / 255.0f};
    nG_BuildButton(skip, "assets/interface/videoframe/skip", "assets/interface/videoframe/skip_over", "", 4,
                   "interface_videoframe_skip", "assets/fonts/benguat", 18, captionAt, captionColour, nullptr,
                   nullptr, false);
    skip->SetY(48.0f);
    skip->SetZ(5.0f);
    skip->pressId = nG_ButtonMsg<NG_MSG_VIDEO_FRAME_SKIP>();
    m_skipButton = nE_ObjectHandle(nG_Attach(this, std::move(owned)));
    auto subtitles = std::make_unique<nG_Subtitles>(m_name + "_sub");
    subtitles->SetZ(10.0f);
    m_subtitles = nE_ObjectHandle(nG_Attach(this, std::move(subtitles)));
}

nG_InterfButton* nG_VideoFrame::GetSkipButton() const
{
    return static_cast<nG_InterfButton*>(m_skipButton.Get());
}

nG_Subtitles* nG_VideoFrame::GetSubtitles() const
{
    return static_cast<nG_Subtitles*>(m_subtitles.Get());
}

void nG_VideoFrame::LoadResources()
{
    Layout();
}

void nG_VideoFrame::Layout()
{
    nG_MsgFloat width;
    nE_Send<NG_MSG_GET_APP_WIDTH>(width);
    SetAlpha(m_fade);
    if (nG_InterfButton* skip = GetSkipButton()) skip->SetX(width.value / 2.0f + 512.0f - 90.0f);
}

void nG_VideoFrame::ShowSkipButton(bool on)
{
    nG_InterfButton* skip = GetSkipButton();
    if (!skip) return;
    skip->SetEnabled(on);
    skip->SetVisible(on);
    skip->SetInput(on);
    skip->SetActive(on);
}

void nG_VideoFrame::StoreVideo()
{
    nE_Object* video = m_video.Get();
    m_video = nE_ObjectHandle();
    if (video && video->GetParent() == this && g_scene) nG_Move(g_scene->GetStorage(), video);
}

void nG_VideoFrame::Open(const nG_MsgVideoFrame& show)
{
    const bool skipNow = show.skippable && show.skipDelay == 0.0f;
    ShowSkipButton(skipNow);
    if (nG_InterfButton* skip = GetSkipButton()) skip->SetAlpha(skipNow ? 1.0f : 0.0f);
    m_skipDelay = show.skipDelay;
    m_skipCall = show.skipCall;
    m_passThrough = show.passThrough;
    nE_Object* video = nG_FindObject(show.video);
    if (video && video != m_video.Get())
    {
        StoreVideo();
        nG_Move(this, video);
        video->SetZ(1.0f);
        m_video = video->GetHandle();
    }
    SetState(STATE_OPEN);
}

void nG_VideoFrame::SetState(int state)
{
    m_state = state;
    if (state == STATE_OPEN)
    {
        SetVisible(true);
        SetInput(true);
        SetActive(true);
        SendHudFade(false);
        return;
    }
    SetInput(false);
    SendHudFade(true);
    nG_MsgSubtitle hide;
    nE_Send<NG_MSG_SUBTITLE>(hide);
}

void nG_VideoFrame::Skip()
{
    // The call is cleared first, so a second press has nothing to run.
    if (!m_skipCall.empty() && g_triggerManager) g_triggerManager->Post(m_name, m_skipCall);
    if (nG_InterfButton* skip = GetSkipButton()) skip->SetEnabled(false);
    m_skipCall.clear();
    SetState(STATE_CLOSED);
}

void nG_VideoFrame::Update(const nE_TimeStep* step)
{
    nE_Object::Update(step);
    const float dt = step ? step->elapsed : 0.0f;
    if (m_state == STATE_OPEN)
    {
        if (m_fade < 1.0f)
        {
            m_fade = std::min(1.0f, m_fade + kFrameFadeSpeed * dt);
            Layout();
            return;
        }
        if (m_skipDelay <= 0.0f) return;
        m_skipDelay = std::max(0.0f, m_skipDelay - dt);
        if (m_skipDelay > 0.0f) return;
        ShowSkipButton(true);
        const float keys[] = {0.0f, 3, 0.0f, 0.3f, 3, 1.0f};
        if (nG_InterfButton* skip = GetSkipButton()) skip->Animate(NE_TWEEN_ALPHA, false, false, "", keys, 6);
        return;
    }
    if (m_fade > 0.0f)
    {
        m_fade = std::max(0.0f, m_fade - kFrameFadeSpeed * dt);
        Layout();
        if (m_fade > 0.0f) return;
    }
    // A close before any fade-in finishes too, or the frame would keep the video.
    if (!IsVisible() && !m_video.Get()) return;
    SetVisible(false);
    SetInput(false);
    SetActive(false);
    StoreVideo();
}

bool nG_VideoFrame::HandleInput(const nE_InputEvent* event, nE_Object* found, const nE_RenderState& state)
{
    nE_Object::HandleInput(event, found, state);
    return !m_passThrough;
}

void nG_VideoFrame::OnMessage(int id, void* record)
{
    if (id == NG_MSG_VIDEO_FRAME_SKIP)
    {
        Skip();
        return;
    }
    if (!record) return;
    if (const nG_MsgSubtitle* line = nE_MsgAs<NG_MSG_SUBTITLE>(id, record))
    {
        nG_Subtitles* subtitles = GetSubtitles();
        if (!subtitles) return;
        if (line->show)
            subtitles->SetText(line->text);
        else
            subtitles->SetState(nG_Subtitles::STATE_HIDDEN);
        return;
    }
    const nG_MsgVideoFrame* show = nE_MsgAs<NG_MSG_VIDEO_FRAME>(id, record);
    if (!show) return;
    if (show->show)
        Open(*show);
    else
        SetState(STATE_CLOSED);
}
