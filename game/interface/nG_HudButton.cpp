#include "game/interface/nG_HudButton.h"

#include "game/interface/nG_InterfButton.h"
#include "game/interface/nG_WidgetUtil.h"

namespace
{
const float kTextColour[3] = {182.0f / 255.0f, 223.0f / 255.0f, 232.0f / 255.0f};
const int kHandCursor = 4;

std::string Asset(const std::string& image)
{
    return image.empty() ? image : "assets/" + image;
}
} // namespace

nG_HudButton::~nG_HudButton()
{
    if (g_mediator) g_mediator->UnsubscribeAll(this);
}

void nG_HudButton::Subscribe(std::initializer_list<int> ids)
{
    if (!g_mediator) return;
    for (int id : ids)
        g_mediator->Subscribe(this, id);
}

void nG_HudButton::Restore(bool recursive)
{
    nE_Object::Restore(recursive);
    Relayout();
}

void nG_HudButton::LoadResources()
{
    Relayout();
}

nG_InterfButton* nG_HudButton::AddButton(nE_Object* parent, const std::string& suffix,
                                         const std::string& normal, const std::string& hover,
                                         const std::string& key, const std::string& font, float textY)
{
    auto owned = std::make_unique<nG_InterfButton>(m_name + suffix);
    nG_InterfButton* button = owned.get();
    const float position[2] = {0.0f, textY};
    nG_BuildButton(button, Asset(normal), Asset(hover), "", kHandCursor, key, font, 18, position, kTextColour,
                   nullptr, nullptr, false);
    return nG_Attach(parent, std::move(owned));
}
