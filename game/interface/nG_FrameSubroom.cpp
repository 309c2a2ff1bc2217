#include "game/interface/nG_FrameSubroom.h"

#include "engine/scene/nE_Sprite.h"
#include "game/interface/nG_InterfButton.h"
#include "game/interface/nG_WidgetUtil.h"
#include "game/messages/nG_Messages.h"

#include <cstdio>

namespace
{
struct Piece
{
    const char* image;
    float scaleX, scaleY;
};

// Corners (top-left, bottom-left, bottom-right, top-right under the close
// button), then the left, right, top and bottom sides; mirrors by flips.
const Piece kPieces[8] = {{"frame_angle", 1, 1},       {"frame_angle", 1, -1}, {"frame_angle", -1, -1},
                          {"frame_angle_close", 1, 1}, {"frame_v", 1, 1},      {"frame_v", -1, 1},
                          {"frame_h", 1, 1},           {"frame_h", 1, -1}};

void Place(nE_Object* object, float x, float y, float z)
{
    if (!object) return;
    object->SetPos(x, y);
    object->SetZ(z);
}
} // namespace

nG_FrameSubroom::nG_FrameSubroom(const std::string& name) : nE_Object(name)
{
    nG_FrameSubroom::SetDefaults();
    if (!g_mediator) return;
    g_mediator->Subscribe(this, NG_MSG_SUBROOM_FRAME_FOLLOW);
    g_mediator->Subscribe(this, NG_MSG_SUBROOM_FRAME_LAYOUT);
}

nG_FrameSubroom::~nG_FrameSubroom()
{
    if (g_mediator) g_mediator->UnsubscribeAll(this);
}

void nG_FrameSubroom::SetDefaults()
{
    nG_SetShown(this, false);
    if (m_close.IsAlive()) return;
    auto owned = std::make_unique<nG_InterfButton>(m_name + "_close_btn");
    nG_InterfButton* close = owned.get();
    nG_BuildButton(close, "", "assets/interface/subroom/frame_close_over", "", 4, "", "", 20, nullptr,
                   nullptr, nullptr, nullptr, false);
    close->SetInputRect(nE_Rect{-20.0f, -20.0f, 40.0f, 40.0f});
    close->pressId = nG_ButtonMsg<NG_MSG_CLOSE_SUBROOM_NOW>();
    m_close = nE_ObjectHandle(nG_Attach(this, std::move(owned)));
    for (int i = 0; i < 8; ++i)
    {
        char name[256];
        std::snprintf(name, sizeof(name), "%s_%d", m_name.c_str(), i);
        nE_Sprite* piece =
            nG_AddSprite(this, name, std::string("assets/interface/subroom/") + kPieces[i].image, 0.0f);
        if (!piece) continue;
        piece->SetScale(kPieces[i].scaleX, kPieces[i].scaleY);
        m_piece[i] = piece->GetHandle();
    }
}

void nG_FrameSubroom::Layout(const nE_Rect& r)
{
    Place(GetPiece(0), r.x + 28, r.y + 28, -98);
    Place(GetPiece(1), r.x + 28, r.y + r.h - 28, -98);
    Place(GetPiece(2), r.x + r.w - 28, r.y + r.h - 28, -98);
    Place(GetPiece(3), r.x + r.w - 36, r.y + 19, -98);
    Place(GetPiece(4), r.x - 4, 0, -99);
    Place(GetPiece(5), r.x + r.w + 4, 0, -99);
    Place(GetPiece(6), 0, r.y - 3, -99);
    Place(GetPiece(7), 0, r.y + r.h + 3, -99);
    float side = (r.h - 162) * 0.5f, top = (r.w - 164) * 0.5f;
    for (int i = 4; i < 6; ++i)
        if (nE_Object* piece = GetPiece(i)) piece->SetScale(piece->GetScaleX(), side);
    for (int i = 6; i < 8; ++i)
        if (nE_Object* piece = GetPiece(i)) piece->SetScale(top, piece->GetScaleY());
    nG_InterfButton* close = static_cast<nG_InterfButton*>(m_close.Get());
    Place(close, r.x + r.w - 17, r.y + 5, -90);
    if (close) close->SetState(nG_InterfButton::STATE_NORMAL);
}

void nG_FrameSubroom::Follow(nE_Object* subroom)
{
    float alpha = subroom->GetAlpha();
    if (IsVisible())
    {
        if (alpha == 0.0f)
            nG_SetShown(this, false);
        else if (!IsInput() && alpha == 1.0f)
            SetInput(true);
    }
    else if (alpha > 0.0f)
    {
        SetVisible(true);
        SetActive(true);
        // Already fully opaque: no later message may come to turn clicks on.
        SetInput(alpha == 1.0f);
    }
    SetPos(subroom->GetX(), subroom->GetY());
    SetScale(subroom->GetScaleX(), subroom->GetScaleY());
    SetAlpha(alpha);
}

void nG_FrameSubroom::OnMessage(int id, void* record)
{
    if (const nE_Rect* rect = nE_MsgAs<NG_MSG_SUBROOM_FRAME_LAYOUT>(id, record))
        Layout(*rect);
    else if (nE_Object* subroom = nE_MsgAs<NG_MSG_SUBROOM_FRAME_FOLLOW>(id, record))
        Follow(subroom);
}
