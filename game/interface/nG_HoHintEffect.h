#pragma once
// The glow the hint button puts over a target object: two copies of one image
// that pulse, fade in, hold, fade out and turn slowly for about three seconds,
// or fade away within a third of a second when the owner tells it to.

#include "engine/core/nE_Object.h"

#include <string>

class nG_HoHintEffect : public nE_Object
{
public:
    explicit nG_HoHintEffect(const std::string& name);

    void SetDefaults() override;
    void Update(const nE_TimeStep* step) override;

    void Start(float x, float y);
    void FadeOut();
    // While either copy still animates and the fade has not reached 0.
    bool IsActive() const;

private:
    nE_ObjectHandle m_sprite[2];
    float m_level = 1.0f;
    bool m_fading = false;
};
