#pragma once
// The two recharging buttons at the left end of the bottom bar. The hint
// points at an object of the current hidden-object task (or hands the
// question to the scripts); the skip shows while a mini-game runs and, once
// charged, runs its skip code. After a use the charge runs from 1 down to 0
// over 40 s (game mode 0) or 60 s; from mode 2 on both show a blocked plate.

#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Object.h"

#include <string>
#include <vector>

class nE_AnimSprite;
class nG_InterfButton;

// What the hint and skip share: the charge, the mode, the lights and plate,
// the two cross-faded charge animations and the holder that carries them.
class nG_ChargeButton : public nE_Object, public nE_Listener
{
public:
    int GetState() const { return m_state; }
    float GetCharge() const { return m_charge; }
    float GetDuration() const { return m_duration; }
    nG_InterfButton* GetButton() const;
    nE_Object* GetHolder() const { return m_holder.Get(); }

    void Restore(bool recursive) override;
    void LoadResources() override;
    virtual void DoAnim() = 0;

protected:
    explicit nG_ChargeButton(const std::string& name) : nE_Object(name) {}
    // The holder and the children both buttons have; chargeRes names the
    // charge animations.
    void BuildCommon(const std::string& chargeRes, int pressId);
    void SetMode(int mode);
    void ReadyFlash();
    // Position and full light (the first steps of DoAnim).
    void PlaceAndLight();
    // Cross-fades the charge animations between neighbouring frames.
    void CrossFade(bool fullAtCharge1);
    nE_AnimSprite* Anim(int i) const;
    // Leaves the charge in [0, 1]; a script may pass anything.
    static float Clamp01(float value);

    int m_state = 0;
    float m_charge = 0.0f;
    float m_duration = 40.0f;
    int m_mode = 0;
    nE_ObjectHandle m_holder, m_button, m_blocked, m_endLight, m_fullLight;
    nE_ObjectHandle m_anim[2];
};

class nG_BtnHint : public nG_ChargeButton
{
public:
    explicit nG_BtnHint(const std::string& name);
    ~nG_BtnHint() override;
    static nE_Object* Create(const std::string& name) { return new nG_BtnHint(name); }

    void SetDefaults() override;
    void Update(const nE_TimeStep* step) override;
    void OnMessage(int id, void* record) override;
    void DoAnim() override;
    void UseHint();
    size_t GetEffectCount() const { return m_effects.size(); }

private:
    // Puts a glow over each target of the task; false when there is none.
    bool PointAtTask();

    std::vector<nE_ObjectHandle> m_effects;
};

class nG_BtnSkip : public nG_ChargeButton
{
public:
    explicit nG_BtnSkip(const std::string& name);
    ~nG_BtnSkip() override;
    static nE_Object* Create(const std::string& name) { return new nG_BtnSkip(name); }

    void SetDefaults() override;
    void Update(const nE_TimeStep* step) override;
    void OnMessage(int id, void* record) override;
    void DoAnim() override;
    float GetLevel() const { return m_level; }
    const std::string& GetCode() const { return m_code; }

private:
    void Discharge(float dt);

    float m_level = 0.0f;
    std::string m_code;
    nE_ObjectHandle m_full;
};
