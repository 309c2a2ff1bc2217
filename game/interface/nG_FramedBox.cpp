#include "game/interface/nG_FramedBox.h"

#include "engine/core/nE_Render.h"
#include "engine/scene/nE_Sprite.h"
#include "game/interface/nG_WidgetUtil.h"

#include <algorithm>
#include <cstdio>

namespace
{
struct PieceImage
{
    const char* image;
    float mirrorX, mirrorY;
};

const PieceImage kPieces[nG_FramedBox::kPieceCount] = {
    {"frame_angle", 1, 1},  {"frame_angle", 1, -1}, {"frame_angle", -1, -1}, {"frame_angle", -1, 1},
    {"frame_v", 1, 1},      {"frame_v", -1, 1},     {"frame_h", 1, 1},       {"frame_h", 1, -1},
    {"frame_bg", 1, 1},     {"frame_center", 1, 1},
};
} // namespace

int nG_EvenSize(float v, int minimum)
{
    int n = static_cast<int>(v);
    if (n % 2 != 0) ++n;
    return std::max(n, minimum);
}

void nG_FramedBox::Build(nE_Object* owner, const std::string& dir, bool pictureInput)
{
    const std::string name = owner->GetName();
    auto picture = std::make_unique<nE_Sprite>(name + "_final_spr");
    picture->SetInput(pictureInput);
    picture->SetActive(false);
    m_picture = nE_ObjectHandle(nG_Attach(owner, std::move(picture)));
    for (int i = 0; i < kPieceCount; ++i)
    {
        char pieceName[256];
        std::snprintf(pieceName, sizeof pieceName, "%s_bg_%d", name.c_str(), i);
        nE_Sprite* piece = nG_AddSprite(owner, pieceName, dir + kPieces[i].image, 0.0f);
        if (!piece) continue;
        piece->SetVisible(false);
        piece->SetActive(false);
        piece->SetScale(kPieces[i].mirrorX, kPieces[i].mirrorY);
        m_pieces[i] = piece->GetHandle();
    }
}

nE_Sprite* nG_FramedBox::GetPicture() const
{
    return static_cast<nE_Sprite*>(m_picture.Get());
}

// Keeps the mirroring of the piece; sx and sy stretch it.
void nG_FramedBox::Put(int index, float x, float y, float sx, float sy)
{
    nE_Object* piece = m_pieces[index].Get();
    if (!piece) return;
    piece->SetPos(x, y);
    piece->SetScale(kPieces[index].mirrorX * sx, kPieces[index].mirrorY * sy);
}

void nG_FramedBox::PlacePopup(float width, float height)
{
    const float x0 = -width / 2, y0 = -height / 2;
    const float sx = (width - 34) / 2, sy = (height - 22) / 2;
    Put(0, x0 - 4, y0 - 4, 1, 1);
    Put(1, x0 - 4, y0 + height + 4, 1, 1);
    Put(2, x0 + width + 4, y0 + height + 4, 1, 1);
    Put(3, x0 + width + 4, y0 - 4, 1, 1);
    Put(4, x0 - 4, 0, 1, sy);
    Put(5, x0 + width + 4, 0, 1, sy);
    Put(6, 0, y0 - 4 + 3, sx, 1);
    Put(7, 0, y0 + height + 4 - 3, sx, 1);
    Put(8, 0, 0, sx, sy);
    Put(9, 0, y0 + 4 - 9, 1, 1);
    if (nE_Object* centre = m_pieces[9].Get()) centre->SetZ(1.0f);
}

void nG_FramedBox::PlaceDialog(float left, float top, float width, float height)
{
    const float sx = (width - 80) / 2, sy = (height - 82) / 2;
    Put(0, left, top, 1, 1);
    Put(1, left, top + height, 1, 1);
    Put(2, left + width, top + height, 1, 1);
    Put(3, left + width, top, 1, 1);
    Put(4, left + 10, 0, 1, sy);
    Put(5, left + width - 10, 0, 1, sy);
    Put(6, 0, top + 11, sx, 1);
    Put(7, 0, top + height - 11, sx, 1);
    Put(8, 0, 0, std::max(0.0f, sx), std::max(0.0f, sy));
    Put(9, 0, top - 16, 1, 1);
    if (nE_Object* centre = m_pieces[9].Get()) centre->SetZ(1.0f);
}

void nG_FramedBox::Render(unsigned width, unsigned height, const std::vector<nE_Object*>& content)
{
    Release();
    nE_Render* render = g_currentRender;
    if (render && width > 0 && height > 0)
    {
        render->BeginRenderTarget(width, height);
        nE_RenderState state;
        nE_Matrix::BuildObjectTransform(state.matrix, width / 2.0f, height / 2.0f, 0.0f, 1.0f, 1.0f);
        std::vector<nE_Object*> all;
        for (nE_ObjectHandle& piece : m_pieces)
            all.push_back(piece.Get());
        all.insert(all.end(), content.begin(), content.end());
        for (nE_Object* object : all)
        {
            if (!object) continue;
            object->SetVisible(true);
            object->DrawTree(render, state);
            object->SetVisible(false);
        }
        m_texture = render->EndRenderTarget();
    }
    if (nE_Sprite* picture = GetPicture()) picture->SetTexture(m_texture);
}

void nG_FramedBox::Release()
{
    m_texture.reset();
}
