#pragma once
// The framed box that popups and text dialogs share: ten frame pieces (four
// corners, two sides, top and bottom, the fill and a centre ornament) and
// the box's content are drawn once into a render target, and that single
// texture is what the player sees through the "_final_spr" picture while the
// box fades, scales and moves.

#include "engine/core/nE_Object.h"

#include <memory>
#include <string>
#include <vector>

class nE_Sprite;
class nE_Texture;

// v cut to a whole number, made even by adding one when odd, then raised to
// at least `minimum`.
int nG_EvenSize(float v, int minimum = 0);

class nG_FramedBox
{
public:
    // Builds the picture owner name + "_final_spr" and the pieces
    // owner name + "_bg_0".."_bg_9" from dir + "frame_angle" and its kin,
    // all under owner; the pieces take no input and are hidden.
    void Build(nE_Object* owner, const std::string& dir, bool pictureInput);
    // A box of width x height centred on the owner, frame pieces 4 units out.
    void PlacePopup(float width, float height);
    // A box whose top-left corner is (left, top).
    void PlaceDialog(float left, float top, float width, float height);
    // Draws the pieces and then each content object into a width x height
    // target with the origin at its centre; each is visible only for its own
    // draw. The result replaces the previous texture and shows on the picture.
    void Render(unsigned width, unsigned height, const std::vector<nE_Object*>& content);
    void Release();

    nE_Sprite* GetPicture() const;
    nE_Object* GetPiece(int index) const { return m_pieces[index].Get(); }
    const std::shared_ptr<nE_Texture>& GetTexture() const { return m_texture; }

    static const int kPieceCount = 10;

private:
    void Put(int index, float x, float y, float sx, float sy);

    nE_ObjectHandle m_pieces[kPieceCount];
    nE_ObjectHandle m_picture;
    std::shared_ptr<nE_Texture> m_texture;
};
