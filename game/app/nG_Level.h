#pragma once
// The running game level: the fixed scene furniture every level has (rooms
// hub, visible inner scene, HUD, black cover, loading caption, blurred
// backdrop for subrooms, subroom close button, cheat overlay), the script
// globals every level's Lua relies on, and the room and subroom switches that
// scripts ask for by message.

#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Object.h"

#include <cstdint>
#include <string>

class nE_Sprite;
class nE_Text;
class nG_CheatHighlight;
class nG_Interface;
class nG_Room;
class nG_SubRoom;
struct nG_MsgSwitchRoom;

// The backdrop behind an open subroom fades to this level, one unit a second.
const float NG_LEVEL_MAX_BLUR = 0.6f;

class nG_Level : public nE_Object, public nE_Listener
{
public:
    // Builds the furniture, loads the module at once and queues the start
    // call (with the level's name as sender) for the next tick.
    nG_Level(const std::string& module, const std::string& startTrigger);
    ~nG_Level() override;

    void Restore(bool recursive) override;
    void SetDefaults() override;
    void Update(const nE_TimeStep* step) override;
    // Turns developer keys into messages when cheat mode is on; takes every event.
    bool HandleInput(const nE_InputEvent* event, nE_Object* found, const nE_RenderState& state) override;
    void OnMessage(int id, void* record) override;

    void SwitchToRoom(const std::string& name, bool animated);
    // The four numbers are the zoom's start and end points; all zero keeps
    // the subroom's own.
    void OpenSubRoom(const std::string& name, int32_t startX, int32_t startY, int32_t endX, int32_t endY,
                     bool animated);
    void CloseSubRoom(bool animated);
    void OnSubRoomClosed();
    // Draws the current room into a target and blurs it behind the subroom.
    void CaptureBlur();

    // Rooms are held weakly: a script may delete any of them at any time.
    nG_Room* GetCurrentRoom() const;
    nG_Room* GetPreviousRoom() const;
    nG_SubRoom* GetOpenSubRoom() const;
    nE_Object* GetRoomsHub() const { return m_roomsHub.Get(); }
    nE_Object* GetInnerScene() const { return m_innerScene.Get(); }
    nG_Interface* GetInterface() const;
    nE_Sprite* GetBlackCover() const;
    nE_Text* GetLoadingText() const;
    nE_Sprite* GetBlurSprite() const;
    nE_Object* GetCloseButton() const { return m_closeButton.Get(); }
    nG_CheatHighlight* GetCheatHighlight() const;

    bool IsSubRoomCloseBlocked() const { return m_blockSubRoomClose; }
    bool IsAutoSave() const { return m_autoSave; }
    bool IsCaptureBlur() const { return m_captureBlur; }
    float GetBlurLevel() const { return m_blurLevel; }
    int GetStartCounter() const { return m_startCounter; }

private:
    void BuildFurniture();
    void PublishScriptGlobals();
    void OnSwitchRoom(const nG_MsgSwitchRoom& msg);
    void SetHighlightTarget(nE_Object* target);
    void UpdateBlur(float step);
    void UpdateRooms();
    void AutoSave();

    nE_ObjectHandle m_innerScene;
    nE_ObjectHandle m_roomsHub;
    nE_ObjectHandle m_interface;
    nE_ObjectHandle m_currentRoom;
    nE_ObjectHandle m_previousRoom;
    nE_ObjectHandle m_openSubRoom;
    nE_ObjectHandle m_blackCover;
    nE_ObjectHandle m_loadingText;
    nE_ObjectHandle m_closeButton;
    bool m_blockSubRoomClose = false;
    bool m_autoSave = false;
    int32_t m_startCounter = 0;
    std::string m_startTrigger; // named by the warning when it shows no room
    bool m_captureBlur = false;
    float m_blurLevel = 0.0f;
    nE_ObjectHandle m_blurSprite;
    nE_ObjectHandle m_cheatHighlight;
};
