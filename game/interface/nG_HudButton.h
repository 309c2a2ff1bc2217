#pragma once
// What the small HUD button widgets share: subscribing to their ids, the
// re-layout on Restore and LoadResources, and building a captioned button.

#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Object.h"

#include <initializer_list>
#include <string>

class nG_InterfButton;

class nG_HudButton : public nE_Object, public nE_Listener
{
public:
    ~nG_HudButton() override;
    void Restore(bool recursive) override;
    void LoadResources() override;
    virtual void Relayout() {}

protected:
    explicit nG_HudButton(const std::string& name) : nE_Object(name) {}
    void Subscribe(std::initializer_list<int> ids);
    // A button child "<name><suffix>" with images under "assets/" (empty: none)
    // and, when key is given, a caption in the HUD's text colour at (0, textY).
    // Hovering it shows the hand cursor.
    nG_InterfButton* AddButton(nE_Object* parent, const std::string& suffix, const std::string& normal,
                               const std::string& hover, const std::string& key = "",
                               const std::string& font = "", float textY = 0.0f);
};

template <class T> T* nG_As(const nE_ObjectHandle& handle)
{
    return static_cast<T*>(handle.Get());
}
