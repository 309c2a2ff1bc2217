#pragma once
// The eight-piece frame with a close button laid round an open subroom. It
// follows the subroom's position, scale and alpha, and takes clicks only once
// the subroom is fully opaque.

#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Object.h"

#include <string>

class nG_FrameSubroom : public nE_Object, public nE_Listener
{
public:
    explicit nG_FrameSubroom(const std::string& name);
    ~nG_FrameSubroom() override;
    static nE_Object* Create(const std::string& name) { return new nG_FrameSubroom(name); }

    void SetDefaults() override;
    void OnMessage(int id, void* record) override;
    void Layout(const nE_Rect& rect);
    void Follow(nE_Object* subroom);
    nE_Object* GetPiece(int i) const { return m_piece[i].Get(); }
    nE_Object* GetCloseButton() const { return m_close.Get(); }

private:
    nE_ObjectHandle m_piece[8];
    nE_ObjectHandle m_close;
};
