#pragma once
// A scene object that plays "<res>.ogg" (Theora) with an optional alpha stream
// ("<res>.zalpha", else "<res>.oggalpha") and subtitles ("<res>.srt") into a
// texture drawn like a sprite. Playback follows the raw elapsed time: a late
// tick decodes the frames it missed without converting them.

#include "engine/core/nE_Object.h"

#include <memory>
#include <string>
#include <vector>

class nE_VideoPlayer;
class nE_SubtitleList;
class nE_GeneratedTexture;

class nE_Video : public nE_Object
{
public:
    nE_Video();
    explicit nE_Video(const std::string& name);
    ~nE_Video() override;

    std::shared_ptr<nE_Texture> GetTexture() override;
    void Load(nE_SLHelper& sl) override;
    void Save(nE_SLHelper& sl) override;
    std::string GetTypeName() const override { return "video"; }
    nE_Rect GetLocalRect() override;
    void Restore(bool recursive) override;
    void FindText(TiXmlElement* report, const std::string& text, bool recursive) override;
    void SetDefaults() override;
    void LoadResources() override;
    void ReleaseResources() override;
    void Update(const nE_TimeStep* step) override;
    void Draw(nE_Render* render, const nE_RenderState& state) override;

    virtual void Play(const std::string& endtrig);
    virtual void Stop();
    virtual void Pause(bool paused);
    virtual void SetFrame(int frame);
    virtual void SetCountFrames(bool on) { m_countFrames = on; }
    virtual bool IsPlaying() const { return m_playing; }
    virtual bool GetLoop() const { return m_looped; }
    virtual void SetLoop(bool on) { m_looped = on; }
    virtual int GetFrameCount() const { return m_frameCount; }
    virtual float GetDuration() const { return float(m_frameCount) * m_frameDuration; }

    int GetFrame() const { return m_frame; }
    float GetTime() const { return m_time; }
    float GetFrameDuration() const { return m_frameDuration; }
    const std::string& GetEndTrigger() const { return m_endTrig; }
    nE_VideoPlayer* GetPlayer() const { return m_player.get(); }
    nE_SubtitleList* GetSubtitles() const { return m_subtitles.get(); }

    static nE_Object* Create();

private:
    // The persisted properties after the base ones but "frame", in the order
    // Load reads and Save writes them.
    static const nE_PropertyTable<nE_Video>& Properties();
    // Decodes the next frame into a new texture; false without a decoder or
    // at the end of the stream. A frame memory cannot hold refuses the video:
    // the player and the texture are dropped, with an "Error:" line.
    bool RebuildTexture();
    bool DecodeIntoTexture();
    bool CanDecode() const;
    // The stream ran out (or never could play): stops, posts the end
    // trigger, and starts again when looped.
    void End();
    // Shows the picture for m_frame and sets the time to match it.
    void ShowCurrentFrame();
    // One line for each of its files found damaged so far, once per file.
    void ReportDamage() const;

    std::unique_ptr<nE_VideoPlayer> m_player;
    std::string m_alphaPath; // the alpha file tried, whether or not it exists
    std::unique_ptr<nE_SubtitleList> m_subtitles;
    float m_time = 0.0f;
    float m_frameDuration = 0.0f;
    int m_frame = 0;
    int m_frameCount = 0;
    bool m_playing = false;
    bool m_looped = false;
    std::shared_ptr<nE_GeneratedTexture> m_texture;
    std::string m_endTrig;
    bool m_countFrames = false;
};

// Registers the "video" object kind and its script functions VidPlay, VidStop
// and VidPause.
void nE_RegisterVideoType();
