#include "game/interface/nG_Popup.h"

#include "engine/core/nE_Scene.h"
#include "engine/scene/nE_Text.h"
#include "game/interface/nG_WidgetUtil.h"

#include <algorithm>
#include <cmath>

namespace
{
const char* const kFrameDir = "assets/interface/popup/";
const float kWait = 0.35f;
const float kRate = 5.0f;
const float kTextColour[3] = {220 / 255.0f, 209 / 255.0f, 180 / 255.0f};

float Cut(float v)
{
    return static_cast<float>(static_cast<int>(v));
}
} // namespace

float nG_ClampMaxMin(float v, float lo, float hi)
{
    return std::min(std::max(v, lo), hi);
}

nG_Popup::nG_Popup(const std::string& name) : nG_Popup(name, true)
{
    if (g_mediator) g_mediator->Subscribe(this, NG_MSG_POPUP);
}

nG_Popup::nG_Popup(const std::string& name, bool withText) : nE_Object(name)
{
    SetVisible(false);
    SetInput(false);
    SetActive(false);
    m_box.Build(this, kFrameDir, false);
    if (!withText) return;
    if (nE_Text* text = nG_AddText(this, name + "_text", "assets/fonts/times", 18, kTextColour, 0, 0, 10))
    {
        text->SetVisible(false);
        text->SetActive(false);
        text->SetDispRawText(true); // empty, not a missing key, until the first popup
        m_text = text->GetHandle();
    }
}

nG_Popup::~nG_Popup()
{
    if (g_mediator) g_mediator->UnsubscribeAll(this);
}

void nG_Popup::OnMessage(int id, void* record)
{
    const nG_MsgPopup* popup = nE_MsgAs<NG_MSG_POPUP>(id, record);
    if (!popup) return;
    if (popup->show)
    {
        Show(*popup);
        return;
    }
    ClearPending();
    SetState(CLOSING);
}

void nG_Popup::Show(const nG_MsgPopup& record)
{
    if (record.text == m_pending.text) return;
    m_pending = record;
    SetState(IsIdle() ? WAITING : CLOSING);
}

void nG_Popup::SetState(int state)
{
    m_state = state;
    if (state == WAITING)
    {
        ApplyEase(0.0f);
        m_wait = kWait;
        SetActive(true);
    }
    else if (state == OPEN)
        Open();
}

void nG_Popup::Layout(int* width, int* height, std::vector<nE_Object*>* content)
{
    nE_Text* text = static_cast<nE_Text*>(m_text.Get());
    if (!text) return;
    text->SetDispRawText(m_pending.raw);
    const std::string* p = m_pending.params;
    text->SetText(m_pending.text, p[0], p[1], p[2], p[3], p[4]);
    nE_Rect rect = text->GetLocalRect();
    *width = nG_EvenSize(rect.w, 80);
    *height = nG_EvenSize(rect.h);
    content->push_back(text);
}

void nG_Popup::Open()
{
    SetVisible(true);
    SetInput(true);
    SetActive(true);
    std::vector<nE_Object*> content;
    m_width = m_height = 0;
    Layout(&m_width, &m_height, &content);
    const float w = static_cast<float>(m_width), h = static_cast<float>(m_height);

    nE_Vec3 cursor = nG_CursorPos();
    nE_Vec3 p = nG_ScreenToFrame(cursor.x, cursor.y, GetParent());
    const float edge = (nG_AppWidth() - 1024.0f) / 2.0f;
    m_start.x = nG_ClampMaxMin(Cut(p.x), Cut(w / 2 + 30 - edge), Cut(1024 + edge - w / 2 - 30));
    m_start.y = nG_ClampMaxMin(Cut(p.y), Cut(h / 2 + 50), Cut(768 - h / 2));
    m_start.z = GetZ();
    m_end.x = m_start.x;
    m_end.y = nG_ClampMaxMin(m_start.y - 50 - h / 2, Cut(h / 2 + 14), Cut(768 - h / 2));
    m_end.z = GetZ();

    m_box.PlacePopup(w, h);
    m_box.Render(static_cast<unsigned>(m_width + 50), static_cast<unsigned>(m_height + 32), content);
    ApplyEase(m_t);
}

void nG_Popup::ApplyEase(float t)
{
    const float s = std::sin(t * 3.141592f / 2.0f);
    SetAlpha(s);
    SetScale(s, s);
    SetPos(m_start.x + (m_end.x - m_start.x) * s, m_start.y + (m_end.y - m_start.y) * s);
}

void nG_Popup::Update(const nE_TimeStep* step)
{
    nE_ObjectHandle self = GetHandle();
    nE_Object::Update(step);
    if (!self.IsAlive()) return;
    const float dt = step ? step->step : 0.0f;
    switch (m_state)
    {
    case WAITING:
        if (m_wait <= 0.0f) break;
        m_wait = std::max(0.0f, m_wait - dt);
        if (m_wait == 0.0f) SetState(OPEN);
        break;
    case OPEN:
        if (m_t >= 1.0f) break;
        m_t = std::min(1.0f, m_t + kRate * dt);
        ApplyEase(m_t);
        break;
    default:
        if (m_t > 0.0f) m_t = std::max(0.0f, m_t - kRate * dt);
        // Also when it is hidden before it has begun to grow.
        if (m_t == 0.0f && IsActive())
        {
            SetVisible(false);
            SetInput(false);
            SetActive(false);
            if (HasPending()) SetState(WAITING);
        }
        ApplyEase(m_t);
    }
}

bool nG_Popup::HandleInput(const nE_InputEvent* event, nE_Object*, const nE_RenderState&)
{
    if (event && event->kind == NE_INPUT_MOUSEDOWN && m_state == OPEN && m_t == 1.0f)
    {
        ClearPending();
        SetState(CLOSING);
    }
    return false;
}
