#include "game/interface/nG_BtnMap.h"

#include "engine/scene/nE_AnimSprite.h"
#include "game/interface/nG_InterfButton.h"
#include "game/interface/nG_WidgetUtil.h"
#include "game/messages/nG_Messages.h"

namespace
{
const float kButtonY = 674.0f;
}

nG_BtnMap::nG_BtnMap(const std::string& name) : nG_HudButton(name)
{
    nG_BtnMap::SetDefaults();
    Subscribe({NG_MSG_CLOSE_MAP, NG_MSG_BTN_MAP_HOVER, NG_MSG_BTN_MAP_LEAVE});
}

void nG_BtnMap::SetDefaults()
{
    m_pending.clear();
    m_last.clear();
    if (m_button.IsAlive()) return;
    if (nG_InterfButton* button = AddButton(this, "_b", "", ""))
    {
        button->SetInputRect(nE_Rect{-70.0f, -60.0f, 140.0f, 120.0f});
        button->SetY(kButtonY);
        button->pressId = nG_ButtonMsg<NG_MSG_CLOSE_MAP>();
        button->hoverId = nG_ButtonMsg<NG_MSG_BTN_MAP_HOVER>();
        button->leaveId = nG_ButtonMsg<NG_MSG_BTN_MAP_LEAVE>();
        m_button = button->GetHandle();
    }
    if (nE_AnimSprite* arrow = nG_AddAnim(this, m_name + "_arrow", "assets/interface/map/map", 0.0f))
    {
        arrow->SetY(kButtonY);
        m_arrow = arrow->GetHandle();
    }
}

void nG_BtnMap::Relayout()
{
    float x = nG_WideX(943.0f, 90.0f);
    for (nE_ObjectHandle* handle : {&m_button, &m_arrow})
        if (nE_Object* object = handle->Get()) object->SetX(x);
}

void nG_BtnMap::Request(const std::string& clip)
{
    m_pending = clip;
    m_last = clip;
}

void nG_BtnMap::Update(const nE_TimeStep* step)
{
    nE_Object::Update(step);
    nE_AnimSprite* arrow = nG_As<nE_AnimSprite>(m_arrow);
    if (!arrow || arrow->IsPlaying() || m_pending.empty()) return;
    arrow->Play(m_pending, "");
    m_pending.clear();
}

void nG_BtnMap::OnMessage(int id, void* record)
{
    (void)record;
    if (id == NG_MSG_BTN_MAP_HOVER && m_last != "AnimOpen")
    {
        const char* sound = "assets/levels/common/audio/ad_map";
        if (!nG_IsSoundPlaying(sound)) nG_PlaySfx(sound);
        Request("AnimOpen");
    }
    else if (id == NG_MSG_BTN_MAP_LEAVE)
    {
        nG_PlaySfx("assets/levels/common/audio/ad_mapclose");
        Request("AnimClose");
    }
}
