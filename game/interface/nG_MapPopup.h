#pragma once
// The map's popup: a room's picture, its title and the tasks left in it, in
// the popup's frame, placement and timing (nG_Popup).

#include "game/interface/nG_Popup.h"

#include <string>
#include <vector>

class nG_MapPopup : public nG_Popup
{
public:
    explicit nG_MapPopup(const std::string& name);
    ~nG_MapPopup() override;

    void OnMessage(int id, void* record) override;
    void ShowRoom(const std::string& picture, const std::string& room, const std::vector<std::string>& tasks);
    const std::string& GetRoom() const { return m_room; }

protected:
    void Layout(int* width, int* height, std::vector<nE_Object*>* content) override;
    bool HasPending() const override { return !m_room.empty(); }
    void ClearPending() override
    {
        m_room.clear();
        m_picture.clear();
    }

private:
    std::string m_room, m_picture;
    std::vector<std::string> m_tasks;
};
