#pragma once
// Particle effects shown only in some situations: "partsys_gm" runs while the
// game's difficulty mode is at or below its own "game_mode" (guiding sparkles
// that harder modes hide); "partsys_pm" runs only while the player's
// performance setting is 0 (decoration a slow machine can drop). Otherwise
// they are neither updated nor drawn, and keep their state for later.

#include "engine/core/nE_Mediator.h"
#include "engine/scene/nE_ParticleSystem.h"

#include <string>

class nG_ParticleSystemGm : public nE_ParticleSystem, public nE_Listener
{
public:
    static nE_Object* Create();

    nG_ParticleSystemGm();
    ~nG_ParticleSystemGm() override;

    void Load(nE_SLHelper& sl) override;
    void Save(nE_SLHelper& sl) override;
    std::string GetTypeName() const override { return "partsys_gm"; }
    void SetDefaults() override;
    void Update(const nE_TimeStep* step) override;
    void Draw(nE_Render* render, const nE_RenderState& state) override;
    void OnMessage(int id, void* record) override;

    int GetGameMode() const { return m_gameMode; }
    int GetCurrentMode() const { return m_currentMode; }

private:
    bool Runs() const { return m_currentMode <= m_gameMode; }

    int m_gameMode = 0;    // the highest mode in which the effect runs
    int m_currentMode = 0; // the last mode announced
};

class nG_ParticleSystemPm : public nE_ParticleSystem
{
public:
    static nE_Object* Create();

    std::string GetTypeName() const override { return "partsys_pm"; }
    void Update(const nE_TimeStep* step) override;
    void Draw(nE_Render* render, const nE_RenderState& state) override;
};

// Registers "partsys_gm" and "partsys_pm".
void nG_RegisterParticleTypes();
