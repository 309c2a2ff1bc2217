#pragma once
// The cursor service over the engine library: each registered cursor is a
// sprite (or an animated sprite) drawn at the pointer, with a system pointer
// shape to fall back on when the player prefers system cursors.

#include "de50/de50_cursor.h"
#include "engine/platform/nE_Cursor.h"

#include <memory>
#include <string>
#include <vector>

class nE_Object;

struct nE_CursorRecord
{
    bool animated = false;
    int hotX = 0;
    int hotY = 0;
    // A "spr" or "anim" object; null when the cursor has no image.
    std::unique_ptr<nE_Object> sprite;
    DE50::TSystemCursor systemCursor = DE50::kSystemCursorNone;
};

class nE_Cursor_Pl5 : public nE_Cursor
{
public:
    // Hides the system pointer and points the scene's pointer reader at this
    // service.
    nE_Cursor_Pl5();
    ~nE_Cursor_Pl5() override;

    void SetSystemCursor(bool on) override;
    bool IsSystemCursor() const override { return m_systemCursor; }
    // Indices never added, and the current one, are ignored.
    void SetCursor(int index) override;
    void SetPosition(int x, int y) override;
    void Draw(nE_Render* render) override;
    void Update(const nE_TimeStep* step) override;

    // "<name>.xml" makes an animated cursor playing "DoAnim", else "<name>.png"
    // a still one, else none is drawn.
    int AddCursor(const std::string& name, int hotX, int hotY, unsigned short systemId) override;

    void SetHiddenUntilMoved(bool hidden) override { m_hiddenUntilMoved = hidden; }
    bool IsHiddenUntilMoved() const override { return m_hiddenUntilMoved; }
    int GetCursorCount() const { return static_cast<int>(m_cursors.size()); }
    // Null for an index never added.
    const nE_CursorRecord* GetRecord(int index) const;

private:
    const nE_CursorRecord* CurrentRecord() const { return GetRecord(m_current); }
    void ShowSystemShape(const nE_CursorRecord* record) const;

    bool m_systemCursor = false;
    bool m_hiddenUntilMoved = false;
    std::vector<nE_CursorRecord> m_cursors;
};

// Points the scene's pointer reader at g_cursor (the service's constructor
// does this too).
void nE_InstallCursorHooks();
