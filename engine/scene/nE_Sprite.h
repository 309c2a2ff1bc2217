#pragma once
// The simplest drawable object: one texture, named by the resource name.
// Rooms, animations and many widgets build on it.

#include "engine/core/nE_Object.h"

#include <memory>
#include <string>

class nE_Sprite : public nE_Object
{
public:
    nE_Sprite();
    explicit nE_Sprite(const std::string& name);
    ~nE_Sprite() override;

    // Reloads at once when resources are loaded, even for the same name.
    void SetResourceName(const std::string& name) override;
    std::shared_ptr<nE_Texture> GetTexture() override { return m_texture; }
    void Load(nE_SLHelper& sl) override;
    void Save(nE_SLHelper& sl) override;
    std::string GetTypeName() const override { return "spr"; }
    nE_Rect GetLocalRect() override;
    // Pixel-exact through the texture unless an explicit input rectangle is set.
    bool HitTest(float x, float y, const nE_RenderState& state) override;
    void LoadResources() override;
    void ReleaseResources() override;
    void Draw(nE_Render* render, const nE_RenderState& state) override;

    // Replaces the texture only; the input rectangle stays as it is.
    virtual void SetTexture(std::shared_ptr<nE_Texture> texture);

    static nE_Object* Create();

protected:
    // The input rectangle follows the current frame unless content fixed one.
    void FitInputRectToTexture();

    std::shared_ptr<nE_Texture> m_texture;
};

// Registers the "spr" object kind.
void nE_RegisterSpriteType();
