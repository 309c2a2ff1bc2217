#pragma once
// The cut-scene frame: black bars above and below, the video object a script
// names (re-parented, never owned), a skip button that may wait for a delay,
// and the subtitle line under the picture. While open the HUD fades out.

#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Object.h"

#include <string>

class nE_Text;
class nG_InterfButton;
struct nG_MsgVideoFrame;

// The subtitle line: fades in on a new key, out on hide, keeping its text.
class nG_Subtitles : public nE_Object
{
public:
    enum State
    {
        STATE_SHOWN = 0,
        STATE_HIDDEN = 1
    };

    explicit nG_Subtitles(const std::string& name);
    void SetDefaults() override;
    void Update(const nE_TimeStep* step) override;
    void SetText(const std::string& key);
    void SetState(int state) { m_state = state; }
    int GetState() const { return m_state; }
    const std::string& GetKey() const { return m_key; }

private:
    int m_state = STATE_HIDDEN;
    float m_fade = 0.0f;
    std::string m_key;
    nE_ObjectHandle m_text;
};

class nG_VideoFrame : public nE_Object, public nE_Listener
{
public:
    enum State
    {
        STATE_OPEN = 0,
        STATE_CLOSED = 1
    };

    explicit nG_VideoFrame(const std::string& name);
    ~nG_VideoFrame() override;
    static nE_Object* Create(const std::string& name) { return new nG_VideoFrame(name); }

    void SetDefaults() override;
    void LoadResources() override;
    void Update(const nE_TimeStep* step) override;
    bool HandleInput(const nE_InputEvent* event, nE_Object* found, const nE_RenderState& state) override;
    void OnMessage(int id, void* record) override;

    void Open(const nG_MsgVideoFrame& show);
    void SetState(int state);
    void Skip();
    int GetState() const { return m_state; }
    float GetFade() const { return m_fade; }
    nE_Object* GetVideo() const { return m_video.Get(); }
    nG_InterfButton* GetSkipButton() const;
    nG_Subtitles* GetSubtitles() const;

private:
    void Layout();
    void ShowSkipButton(bool on);
    void StoreVideo();

    int m_state = STATE_CLOSED;
    float m_fade = 0.0f;
    float m_skipDelay = 0.0f;
    bool m_passThrough = false;
    std::string m_skipCall;
    nE_ObjectHandle m_skipButton;
    nE_ObjectHandle m_subtitles;
    nE_ObjectHandle m_video;
};
