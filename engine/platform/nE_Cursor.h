#pragma once
// The mouse cursor service: where the pointer is and which cursor shape is
// selected. The platform implementation draws it or hands it to the system.

#include "engine/core/nE_TimeStep.h"

#include <string>

class nE_Render;

class nE_Cursor
{
public:
    nE_Cursor() = default;
    nE_Cursor(const nE_Cursor&) = delete;
    nE_Cursor& operator=(const nE_Cursor&) = delete;

    virtual ~nE_Cursor();
    virtual void SetSystemCursor(bool) {}
    virtual bool IsSystemCursor() const { return false; }
    virtual void SetCursor(int index) { m_current = index; }
    virtual void SetPosition(int x, int y)
    {
        m_x = static_cast<float>(x);
        m_y = static_cast<float>(y);
    }
    virtual void Draw(nE_Render*) {}
    virtual void Update(const nE_TimeStep*) {}
    // Registers a cursor shape by picture name; systemId is a predefined
    // desktop cursor id. Answers the new index.
    virtual int AddCursor(const std::string& name, int hotX, int hotY, unsigned short systemId) = 0;
    // The drawn cursor stays away until the pointer moves again.
    virtual void SetHiddenUntilMoved(bool) {}
    virtual bool IsHiddenUntilMoved() const { return false; }

    float GetX() const { return m_x; }
    float GetY() const { return m_y; }
    int GetCurrent() const { return m_current; }

protected:
    float m_x = 0.0f;
    float m_y = 0.0f;
    float m_z = 0.0f; // kept for layout; never read
    int m_current = -1;
};

// The one cursor service: made by the engine shell's Init, deleted by its
// Shutdown; null when there is none.
extern nE_Cursor* g_cursor;

// The cursor functions of scripts: SetCursor (on g_cursor), CursorPosX and
// CursorPosY (the pointer as the scene reads it).
void nE_RegisterCursorScriptFunctions();
