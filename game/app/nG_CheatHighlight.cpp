#include "game/app/nG_CheatHighlight.h"

#include "engine/core/nE_Render.h"
#include "game/app/nG_Config.h"
#include "game/app/nG_ProfileList.h"
#include "game/messages/nG_Messages.h"

namespace
{
const float kOverlayZ = 999999.0f;

bool HasCode(const nE_Object* object, int index)
{
    return !object->GetEventCode(index).empty();
}

bool IsMarked(const nE_Object* object)
{
    return HasCode(object, NE_EVENT_MDOWN) || HasCode(object, NE_EVENT_DRAG) ||
           HasCode(object, NE_EVENT_MENTER) || HasCode(object, NE_EVENT_MENTER_DRAG);
}

// The input rectangle, moved by the draw offset, through the world matrix.
void DrawInputRect(nE_Render* render, nE_Object* object, const float colour[4])
{
    const nE_Rect& r = object->GetInputRect();
    float x = r.x + object->GetRenderState().offsetX;
    float y = r.y + object->GetRenderState().offsetY;
    nE_Matrix world = object->GetWorldMatrix();
    nE_Vec3 corners[4] = {nE_Vec3(x, y, 0.0f), nE_Vec3(x + r.w, y, 0.0f), nE_Vec3(x + r.w, y + r.h, 0.0f),
                          nE_Vec3(x, y + r.h, 0.0f)};
    for (nE_Vec3& c : corners)
        nE_Matrix::TransformPointInPlace(world, c);
    nE_RenderState plain;
    for (int i = 0; i < 4; ++i)
    {
        const nE_Vec3& a = corners[i];
        const nE_Vec3& b = corners[(i + 1) % 4];
        render->DrawLine(a.x, a.y, a.z, b.x, b.y, b.z, colour, plain);
    }
}

// The object's own picture once more, in the mark colour.
void DrawTinted(nE_Render* render, nE_Object* object, const float colour[4])
{
    std::string type = object->GetTypeName();
    if (type != "anim" && type != "spr" && type != "video") return;
    nE_RenderState tinted = object->GetRenderState();
    tinted.matrix = object->GetWorldMatrix();
    tinted.r = colour[0];
    tinted.g = colour[1];
    tinted.b = colour[2];
    tinted.alpha = colour[3];
    render->DrawTexture(object->GetTexture(), tinted);
}
} // namespace

bool nG_IsCheatMode()
{
    return g_config && g_config->IsCheatMode() && g_profileList && g_profileList->IsCheatProfile();
}

nG_CheatHighlight::nG_CheatHighlight(const std::string& name) : nE_Object(name)
{
    nG_CheatHighlight::SetDefaults();
    if (g_mediator) g_mediator->Subscribe(this, NG_MSG_CHEAT_HIGHLIGHT);
}

nG_CheatHighlight::~nG_CheatHighlight()
{
    if (g_mediator) g_mediator->UnsubscribeAll(this);
}

void nG_CheatHighlight::SetDefaults()
{
    m_target = nE_ObjectHandle();
    m_on = false;
    SetZ(kOverlayZ);
    m_input = false;
}

void nG_CheatHighlight::OnMessage(int id, void*)
{
    if (id == NG_MSG_CHEAT_HIGHLIGHT) m_on = !m_on;
}

// Left on when the player switches away from the cheat profile, the overlay
// still shows only while cheat mode holds.
void nG_CheatHighlight::Draw(nE_Render* render, const nE_RenderState& state)
{
    nE_Object* target = m_target.Get();
    if (!render || !target || !m_on || !nG_IsCheatMode()) return;
    BuildOutlines(render, state, target);
}

void nG_CheatHighlight::BuildOutlines(nE_Render* render, const nE_RenderState& state, nE_Object* object)
{
    if (!render || !object || !object->IsInput()) return;
    if (IsMarked(object))
    {
        static const float kClick[4] = {1.0f, 0.0f, 0.0f, 1.0f};
        static const float kHover[4] = {0.0f, 1.0f, 0.0f, 1.0f};
        const float* colour = HasCode(object, NE_EVENT_MDOWN) ? kClick : kHover;
        if (object->HasInputRect())
            DrawInputRect(render, object, colour);
        else
            DrawTinted(render, object, colour);
    }
    for (int i = 0; i < object->GetChildCount(); ++i)
        BuildOutlines(render, state, object->GetChild(i));
}
