#include "game/app/nG_ParticleSystemGm.h"

#include "engine/core/nE_ObjectTypeRegistry.h"
#include "engine/core/nE_SLHelper.h"
#include "game/app/nG_Settings.h"
#include "game/messages/nG_Messages.h"

#include <cstdint>

// ---- difficulty mode ----

nE_Object* nG_ParticleSystemGm::Create()
{
    return new nG_ParticleSystemGm();
}

nG_ParticleSystemGm::nG_ParticleSystemGm()
{
    if (g_mediator) g_mediator->Subscribe(this, NG_MSG_GAME_MODE);
}

nG_ParticleSystemGm::~nG_ParticleSystemGm()
{
    if (!g_mediator) return;
    g_mediator->Unsubscribe(NG_MSG_GAME_MODE, this);
    g_mediator->UnsubscribeAll(this);
}

void nG_ParticleSystemGm::Load(nE_SLHelper& sl)
{
    nE_ParticleSystem::Load(sl);
    uint32_t mode = 0;
    if (sl.ReadUInt("game_mode", mode)) m_gameMode = int(mode);
}

void nG_ParticleSystemGm::Save(nE_SLHelper& sl)
{
    nE_ParticleSystem::Save(sl);
    sl.WriteUInt("game_mode", uint32_t(m_gameMode));
}

void nG_ParticleSystemGm::SetDefaults()
{
    m_gameMode = 0;
    m_currentMode = 0;
}

void nG_ParticleSystemGm::Update(const nE_TimeStep* step)
{
    if (Runs()) nE_ParticleSystem::Update(step);
}

void nG_ParticleSystemGm::Draw(nE_Render* render, const nE_RenderState& state)
{
    if (Runs()) nE_ParticleSystem::Draw(render, state);
}

void nG_ParticleSystemGm::OnMessage(int id, void* record)
{
    if (auto* msg = nE_MsgAs<NG_MSG_GAME_MODE>(id, record)) m_currentMode = msg->value;
}

// ---- performance setting ----

namespace
{
bool PerformanceAllows()
{
    return !g_settings || g_settings->GetPerformance() == 0;
}
} // namespace

nE_Object* nG_ParticleSystemPm::Create()
{
    return new nG_ParticleSystemPm();
}

void nG_ParticleSystemPm::Update(const nE_TimeStep* step)
{
    if (PerformanceAllows()) nE_ParticleSystem::Update(step);
}

void nG_ParticleSystemPm::Draw(nE_Render* render, const nE_RenderState& state)
{
    if (PerformanceAllows()) nE_ParticleSystem::Draw(render, state);
}

void nG_RegisterParticleTypes()
{
    nE_RegisterObjectType("partsys_gm", nG_ParticleSystemGm::Create);
    nE_RegisterObjectType("partsys_pm", nG_ParticleSystemPm::Create);
}
