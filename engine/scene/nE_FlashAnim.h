#pragma once
// A multi-part keyframe animation from "<res>.xml": textured parts and, per
// frame, where each visible part stands (matrix, alpha, colour, blend mode,
// atlas frame). Frames are shown one after another at a fixed rate with no
// interpolation; values a frame leaves out carry over from the part's
// previous placement.

#include "engine/core/nE_Object.h"

#include <memory>
#include <string>
#include <vector>

class TiXmlElement;
class nE_FileIssues;

struct nE_FlashAnimObject
{
    std::shared_ptr<nE_Texture> texture;
    std::string res;  // with the animation's directory in front
    std::string type; // "texture" or "frametexture"
    float w = 0.0f;
    float h = 0.0f;
};

struct nE_FlashAnimPlacement
{
    nE_RenderState state;
    int id = 0;
};

struct nE_FlashAnimFrame
{
    std::vector<nE_FlashAnimPlacement> placements; // drawing order
};

class nE_FlashAnim : public nE_Object
{
public:
    nE_FlashAnim();
    explicit nE_FlashAnim(const std::string& name);
    ~nE_FlashAnim() override;

    void SetResourceName(const std::string& name) override;
    void Load(nE_SLHelper& sl) override;
    void Save(nE_SLHelper& sl) override;
    std::string GetTypeName() const override { return "flashanim"; }
    void FindText(TiXmlElement* report, const std::string& text, bool recursive) override;
    void SetDefaults() override;
    void LoadResources() override;
    void ReleaseResources() override;
    void Update(const nE_TimeStep* step) override;
    void Draw(nE_Render* render, const nE_RenderState& state) override;

    void Play(const std::string& endtrig);
    void Stop() { m_playing = false; }
    void Pause(bool paused) { m_playing = !paused; }

    bool IsPlaying() const { return m_playing; }
    int GetFrame() const { return m_frame; }
    float GetFrameTime() const { return m_frametime; }
    const nE_RenderState& GetDefaults() const { return m_defaults; }
    const std::vector<nE_FlashAnimObject>& GetObjects() const { return m_objects; }

    static nE_Object* Create();

private:
    void Clear();
    void LoadAnimation();
    void ReadHeader(TiXmlElement* animation, nE_FileIssues& issues);
    void ReadFrames(TiXmlElement* frames, nE_FileIssues& issues);
    void Reload();
    void NextFrame();

    bool m_playing = false;
    int m_frame = 0;
    int m_loop = 0;
    int m_loopFrame = 0;
    float m_timeLeft = 0.0f;
    float m_frametime = 0.04f;
    nE_RenderState m_defaults;
    std::string m_endTrig;
    std::vector<nE_FlashAnimObject> m_objects;
    std::vector<nE_FlashAnimFrame> m_frames;
};

// Registers the "flashanim" object kind and its script functions
// FlashAnmPlay, FlashAnmStop and FlashAnmPause.
void nE_RegisterFlashAnimType();
