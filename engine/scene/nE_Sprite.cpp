#include "engine/scene/nE_Sprite.h"

#include "engine/core/nE_ObjectTypeRegistry.h"
#include "engine/core/nE_Render.h"
#include "engine/core/nE_Resource.h"
#include "engine/core/nE_SLHelper.h"
#include "engine/platform/nE_Texture.h"

nE_Sprite::nE_Sprite() = default;

nE_Sprite::nE_Sprite(const std::string& name) : nE_Object(name) {}

nE_Sprite::~nE_Sprite()
{
    // The base destructor cannot reach this class's release any more.
    ReleaseResources();
    m_texture.reset();
}

nE_Object* nE_Sprite::Create()
{
    return new nE_Sprite();
}

void nE_Sprite::SetResourceName(const std::string& name)
{
    m_resourceName = name;
    if (!m_resourcesLoaded) return;
    ReleaseResources();
    LoadResources();
}

void nE_Sprite::Load(nE_SLHelper& sl)
{
    nE_Object::Load(sl);
    if (!sl.ReadString("res", m_resourceName) || !m_resourcesLoaded) return;
    ReleaseResources();
    LoadResources();
}

void nE_Sprite::Save(nE_SLHelper& sl)
{
    nE_Object::Save(sl);
    sl.WriteString("res", m_resourceName);
}

nE_Rect nE_Sprite::GetLocalRect()
{
    if (!m_texture) return nE_Rect();
    return m_texture->GetFrameRect(static_cast<int>(m_state.frame));
}

bool nE_Sprite::HitTest(float x, float y, const nE_RenderState& state)
{
    if (!m_inputRectOn && m_texture) return m_texture->HitTest(x, y, state);
    return nE_Object::HitTest(x, y, state);
}

void nE_Sprite::LoadResources()
{
    m_texture.reset();
    if (g_resourceCache)
        m_texture = std::dynamic_pointer_cast<nE_Texture>(g_resourceCache->GetTexture(m_resourceName));
    FitInputRectToTexture();
}

// The rectangle stays "off" so that a later texture replaces it again.
void nE_Sprite::FitInputRectToTexture()
{
    if (m_texture && !m_inputRectOn) m_inputRect = m_texture->GetFrameRect(static_cast<int>(m_state.frame));
}

void nE_Sprite::ReleaseResources()
{
    m_texture.reset();
}

void nE_Sprite::Draw(nE_Render* render, const nE_RenderState& state)
{
    if (render) render->DrawTexture(m_texture, state);
}

void nE_Sprite::SetTexture(std::shared_ptr<nE_Texture> texture)
{
    m_texture = std::move(texture);
}

void nE_RegisterSpriteType()
{
    nE_RegisterObjectType("spr", nE_Sprite::Create);
}
