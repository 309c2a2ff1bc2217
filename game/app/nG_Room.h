#pragma once
// Rooms and subrooms: a room is the full-screen picture of one game location
// with the location's objects as children; a subroom is a close-up that zooms
// out of a point of a room and back. The level drives both through Open and
// Close; the object runs the 0.6 s transition in its own Update and tells the
// scripts through its four trigger texts. During a transition a snapshot of
// the room is drawn instead of its object tree, so it fades as one picture.

#include "engine/scene/nE_Sprite.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class nE_Texture;
class TiXmlElement;

enum nG_RoomState
{
    NG_ROOM_CLOSED = 0,
    NG_ROOM_OPENING = 1,
    NG_ROOM_OPEN = 2,
    NG_ROOM_CLOSING = 3
};

const float NG_ROOM_TRANSITION_TIME = 0.6f;

// A room is a sprite: its picture is the location's background.
typedef nE_Sprite nG_RoomBase;

class nG_Room : public nG_RoomBase
{
public:
    static nE_Object* Create();

    nG_Room();
    ~nG_Room() override;

    void Load(nE_SLHelper& sl) override;
    void Save(nE_SLHelper& sl) override;
    std::string GetTypeName() const override;
    void SetDefaults() override;
    void Update(const nE_TimeStep* step) override;
    void Draw(nE_Render* render, const nE_RenderState& state) override;

    virtual void Open(bool animated);
    virtual void Close(bool animated);
    // FindText, and also the four room trigger texts. Nothing in the program
    // calls it: API kept for content and tools.
    virtual void FindTextInTriggers(TiXmlElement* report, const std::string& text, bool recursive);
    virtual void RenderSnapshot();
    virtual void SetRoomState(int state);

    int GetRoomState() const { return m_roomState; }
    float GetTimer() const { return m_timer; }
    bool IsDrawn() const { return m_drawn; }
    std::shared_ptr<nE_Texture> GetSnapshot() const { return m_snapshot; }

protected:
    // Renders this object's tree into a target of that size with the given
    // parent state; null without a renderer or for an empty size.
    std::shared_ptr<nE_Texture> RenderTree(unsigned width, unsigned height, const nE_RenderState& state);
    // The snapshot when asked for and there is one, else the sprite's picture.
    void DrawPicture(nE_Render* render, const nE_RenderState& state, bool snapshot);
    // Texts run with the room's name as sender; blank ones run nothing.
    void CallTrigger(const std::string& text) const;
    void PostTrigger(const std::string& text) const;

    std::string m_trgOpen;
    std::string m_trgClose;
    std::string m_trgPreopen;
    std::string m_trgPreclose;
    std::shared_ptr<nE_Texture> m_snapshot;
    float m_timer = 0.0f;
    int m_roomState = NG_ROOM_CLOSED;
    bool m_drawn = true;

private:
    // The trigger texts, in the order Load reads and Save writes them.
    static const nE_PropertyTable<nG_Room>& Properties();
    void ResetRoom();
};

class nG_SubRoom : public nG_Room
{
public:
    static nE_Object* Create();

    nG_SubRoom();
    ~nG_SubRoom() override;

    void Load(nE_SLHelper& sl) override;
    void Save(nE_SLHelper& sl) override;
    std::string GetTypeName() const override;
    void SetDefaults() override;
    void LoadResources() override;
    void Update(const nE_TimeStep* step) override;
    void Draw(nE_Render* render, const nE_RenderState& state) override;

    void Close(bool animated) override;
    void RenderSnapshot() override;
    void SetRoomState(int state) override;

    // Non-zero points replace the persisted ones (all four together); then
    // Open, then the frame widget hears the subroom's rectangle.
    void OpenFrom(uint32_t startX, uint32_t startY, uint32_t endX, uint32_t endY, bool animated);

    uint32_t GetStartX() const { return m_startX; }
    uint32_t GetStartY() const { return m_startY; }
    uint32_t GetEndX() const { return m_endX; }
    uint32_t GetEndY() const { return m_endY; }

private:
    // The start and end points, in the order Load reads and Save writes them.
    static const nE_PropertyTable<nG_SubRoom>& Properties();
    void FollowFrame();

    uint32_t m_startX = 0;
    uint32_t m_startY = 0;
    uint32_t m_endX = 0;
    uint32_t m_endY = 0;
};

// The sine ease-in of the zoom, in single precision.
float nG_RoomEase(float a, float b, float t);

// Registers the object types "room" and "subroom"; called once at start-up.
void nG_RegisterRoomTypes();
