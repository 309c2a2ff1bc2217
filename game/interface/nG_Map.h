#pragma once
// The map screen: shows and hides the content of the game's own map module
// (its object "map"), plays its sounds, calls its "map_init", "map_enter" and
// "map_close" triggers, and owns two close buttons and the map popup. While
// the map is closed its content waits under a hub in storage.

#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Object.h"

#include <string>

class nG_MapPopup;

class nG_Map : public nE_Object, public nE_Listener
{
public:
    explicit nG_Map(const std::string& name);
    ~nG_Map() override;
    static nE_Object* Create(const std::string& name) { return new nG_Map(name); }

    void Update(const nE_TimeStep* step) override;
    void OnMessage(int id, void* record) override;
    void LoadResources() override;
    void Restore(bool recursive) override;

    void SetOpen(int state);
    int GetState() const { return m_state; }
    float GetFade() const { return m_fade; }
    nE_Object* GetHub() const { return m_hub.Get(); }
    nE_Object* GetContent() const { return m_content.Get(); }
    nG_MapPopup* GetPopup() const;

private:
    void Layout();
    void Post(const char* call);

    int m_state = 1; // 0 open or opening, 1 closed or closing
    float m_fade = 0.0f;
    bool m_hover = false;
    nE_ObjectHandle m_hub, m_close, m_closeBottom, m_popup, m_content;
};
