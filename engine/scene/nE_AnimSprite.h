#pragma once
// A sprite that plays named frame sequences ("functions") over one frame
// texture. The functions come from "<res>.xml"; a function that does not loop
// posts its end trigger when it reaches its last frame.

#include "engine/scene/nE_Sprite.h"

#include <string>
#include <vector>

class TiXmlElement;

struct nE_AnimFunction
{
    std::string name;
    float frametime = 0.0f; // seconds per frame
    bool loop = false;
    bool alpha = false; // cross-fade each frame into the next
    std::vector<int> frames;
};

class nE_AnimSprite : public nE_Sprite
{
public:
    nE_AnimSprite();
    explicit nE_AnimSprite(const std::string& name);
    ~nE_AnimSprite() override;

    void SetResourceName(const std::string& name) override;
    void Load(nE_SLHelper& sl) override;
    void Save(nE_SLHelper& sl) override;
    std::string GetTypeName() const override { return "anim"; }
    void FindText(TiXmlElement* report, const std::string& text, bool recursive) override;
    void SetDefaults() override;
    void LoadResources() override;
    void Update(const nE_TimeStep* step) override;
    void Draw(nE_Render* render, const nE_RenderState& state) override;

    // An unknown name changes nothing.
    virtual void Play(const std::string& name, const std::string& endtrig);
    virtual void Stop();
    virtual void Pause(bool paused);
    virtual bool IsPlaying() const { return m_playing; }
    virtual int GetFrame() const { return m_state.frame; }
    // Of the named function; for an empty or unknown name, of the current one
    // while playing, else 0.
    virtual int GetFrameCount(const std::string& name) const;
    virtual void SetFrame(int frame);
    virtual float GetDuration(const std::string& name) const;

    const std::vector<nE_AnimFunction>& GetFunctions() const { return m_functions; }
    int GetCurrent() const { return m_current; }
    int GetPosition() const { return m_position; }
    float GetTimeLeft() const { return m_timeLeft; }
    const std::string& GetEndTrigger() const { return m_endTrig; }
    const std::string& GetFrameTextureName() const { return m_frameTextureName; }

    static nE_Object* Create();

private:
    void ClearAnimations();
    void LoadAnimations();
    void ReadFunctions(TiXmlElement* animation);
    // One line for a frame index its frame texture does not have.
    void WarnFramesOutside() const;
    // Reloads the animation file and, when loaded, the frame texture.
    void ReloadFromResourceName();
    const nE_AnimFunction* FindFunction(const std::string& name) const;
    const nE_AnimFunction* CurrentFunction() const;
    // The named function, else the current one while playing, else null.
    const nE_AnimFunction* NamedOrPlaying(const std::string& name) const;
    void AdvanceFrame(const nE_AnimFunction& function);
    // How far the next frame has faded in, 0..1; 0 without a frame time.
    float CrossFade(const nE_AnimFunction& function) const;

    std::vector<nE_AnimFunction> m_functions;
    float m_timeLeft = 0.0f;
    bool m_playing = false;
    std::string m_endTrig;
    int m_current = -1;
    int m_position = 0;
    std::string m_frameTextureName;
};

// Registers the "anim" object kind and its script functions AnmPlay, AnmStop
// and AnmPause.
void nE_RegisterAnimType();
