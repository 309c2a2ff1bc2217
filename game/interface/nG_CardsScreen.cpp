#include "game/interface/nG_CardsScreen.h"

#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Log.h"
#include "engine/core/nE_Module.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_TriggerManager.h"
#include "game/interface/nG_WidgetUtil.h"
#include "game/messages/nG_Messages.h"

#include <algorithm>

namespace
{
const char* const kModule = "assets/interface/cards/module";
const char* const kCards = "cards";

// A full open or close takes half a second.
const float kFadeRate = 2.0f;

void PostTrigger(const std::string& sender, const char* call)
{
    if (g_triggerManager) g_triggerManager->Post(sender, call);
}
} // namespace

nG_CardsScreen::nG_CardsScreen(const std::string& name) : nE_Object(name)
{
    nG_CardsScreen::SetDefaults();
    if (g_mediator) g_mediator->Subscribe(this, NG_MSG_CARDS_SCREEN);
}

// The hub is not a child: it goes with the screen, so that building the
// screen again does not leave a second copy of the module behind.
nG_CardsScreen::~nG_CardsScreen()
{
    if (g_mediator) g_mediator->UnsubscribeAll(this);
    delete m_hub.Get();
}

void nG_CardsScreen::SetDefaults()
{
    m_state = STATE_CLOSED;
    m_alpha = 0.0f;
    SetAlpha(0.0f);
    SetVisible(false);
    SetInput(false);
    SetActive(false);
    if (m_hub.IsAlive() || !g_scene) return; // built once
    nE_Object* hub = nG_Attach(g_scene->GetStorage(), std::make_unique<nE_Object>(m_name + "_hub"));
    if (!hub) return;
    m_hub = hub->GetHandle();
    nE_LoadModule(kModule);
    nE_Object* cards = nG_FindObject(kCards);
    if (!cards)
    {
        // Without its content the module's code is not called either.
        nE_LogFmt("Error: the cards module \"%s\" has no object named \"cards\"; the cards screen stays empty.",
                  kModule);
        return;
    }
    cards->SetZ(10.0f);
    nG_Move(hub, cards);
    m_cards = cards->GetHandle();
    PostTrigger(m_name, "cards_init");
}

void nG_CardsScreen::SendScreenState(bool open)
{
    nG_MsgBool record;
    record.value = open;
    nE_Send<NG_MSG_SCREEN_CLOSED>(record);
}

void nG_CardsScreen::Toggle()
{
    if (m_state == STATE_OPEN)
    {
        m_state = STATE_CLOSED;
        SendScreenState(false);
        SetInput(false); // at once; the fade runs in Update
        return;
    }
    if (m_cards.IsAlive()) PostTrigger(m_name, "cards_enter");
    m_state = STATE_OPEN;
    SetActive(true);
    SetVisible(true);
    SetInput(true);
    nG_Move(this, m_cards.Get());
}

void nG_CardsScreen::OnMessage(int id, void*)
{
    if (id == NG_MSG_CARDS_SCREEN) Toggle();
}

// The screen's own tweens are not run.
void nG_CardsScreen::Update(const nE_TimeStep* step)
{
    const float dt = step ? step->step : 0.0f;
    if (m_state == STATE_OPEN && m_alpha < 1.0f)
    {
        m_alpha = std::min(1.0f, m_alpha + kFadeRate * dt);
        if (m_alpha == 1.0f) SendScreenState(true);
    }
    else if (m_state == STATE_CLOSED && m_alpha > 0.0f)
    {
        m_alpha = std::max(0.0f, m_alpha - kFadeRate * dt);
        if (m_alpha == 0.0f)
        {
            nG_Move(m_hub.Get(), m_cards.Get());
            SetVisible(false);
            SetInput(false);
            SetActive(false);
        }
    }
    SetAlpha(m_alpha);
}
