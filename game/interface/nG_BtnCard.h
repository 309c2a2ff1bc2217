#pragma once
// The cards and lock buttons that ride on the inventory bar. The card button
// counts the cards found and opens the cards screen; the lock button keeps the
// inventory bar from hiding while it is locked.

#include "game/interface/nG_HudButton.h"

class nG_BtnCard : public nG_HudButton
{
public:
    explicit nG_BtnCard(const std::string& name);
    static nE_Object* Create(const std::string& name) { return new nG_BtnCard(name); }
    void SetDefaults() override;
    void OnMessage(int id, void* record) override;
    int GetCardCount() const { return m_cards; }

private:
    int m_cards = 0;
    nE_ObjectHandle m_anim, m_effect;
};

class nG_BtnLock : public nG_HudButton
{
public:
    explicit nG_BtnLock(const std::string& name);
    static nE_Object* Create(const std::string& name) { return new nG_BtnLock(name); }
    void SetDefaults() override;
    void OnMessage(int id, void* record) override;
    // Locked: the "enabled" face is hidden.
    bool GetValue() const;

private:
    // Unlocked face visible and taking input exactly when `unlockedFace`.
    void ShowFaces(bool lockInput, bool unlockedFace);

    nE_ObjectHandle m_lock[2];
};
