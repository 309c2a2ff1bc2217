#include "game/interface/nG_ModalWindow.h"

#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Log.h"
#include "engine/core/nE_Module.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_TriggerManager.h"
#include "game/interface/nG_WidgetUtil.h"
#include "game/messages/nG_Messages.h"

#include <algorithm>

nG_ModalWindow::nG_ModalWindow(const std::string& name) : nE_Object(name)
{
    SetShown(false);
    if (!g_mediator) return;
    g_mediator->Subscribe(this, NG_MSG_SHOW_MODAL_WINDOW);
    g_mediator->Subscribe(this, NG_MSG_CLOSE_MODAL_WINDOW);
}

nG_ModalWindow::~nG_ModalWindow()
{
    if (g_mediator) g_mediator->UnsubscribeAll(this);
}

void nG_ModalWindow::SetShown(bool on)
{
    SetActive(on);
    SetVisible(on);
    SetInput(on);
}

void nG_ModalWindow::OnMessage(int id, void* record)
{
    if (!record) return;
    if (id == NG_MSG_SHOW_MODAL_WINDOW)
    {
        const nG_MsgThreeStrings* show = nE_MsgAs<NG_MSG_SHOW_MODAL_WINDOW>(id, record);
        ShowWindow(show->s1, show->s2, show->s3, show->b1);
    }
    else if (id == NG_MSG_CLOSE_MODAL_WINDOW)
        CloseWindow(nE_MsgAs<NG_MSG_CLOSE_MODAL_WINDOW>(id, record)->value);
}

void nG_ModalWindow::ShowWindow(const std::string& module, const std::string& object, const std::string& code,
                                bool blocking)
{
    nE_Object* window = nG_FindObject(object);
    if (!window && !module.empty())
    {
        nE_LoadModule(module, "ShowModalWindow");
        window = nG_FindObject(object);
    }
    if (!window)
        nE_WarnOnce("modal:" + object, "Warning: ShowModalWindow: no window object named \"" + object + "\"" +
                                           (module.empty() ? "" : " (nor in module \"" + module + "\")") +
                                           "; nothing is shown");
    if (!window || IsSelfOrAncestor(window)) return;
    // The window already shown moves to the top as well.
    float z = 0.0f;
    for (int i = 0; i < GetChildCount(); ++i)
        if (GetChild(i) != window) z = std::max(z, GetChild(i)->GetZ() + 1.0f);
    window->SetZ(z);
    nG_Move(this, window);
    if (g_triggerManager) g_triggerManager->Post(m_name, code);
    m_blocking = blocking;
    SetShown(true);
}

void nG_ModalWindow::CloseWindow(const std::string& object)
{
    nE_Object* window = FindChild(object, false);
    if (!window || !g_scene) return;
    g_scene->MoveObject(g_scene->GetStorage(), window);
    if (GetChildCount() == 0) SetShown(false);
}

bool nG_ModalWindow::HandleInput(const nE_InputEvent* event, nE_Object* found, const nE_RenderState& state)
{
    nE_ObjectHandle self = GetHandle();
    bool took = nE_Object::HandleInput(event, found, state) || found;
    if (!self.IsAlive() || !event) return false;
    if (event->kind == NE_INPUT_MOUSEDOWN && g_triggerManager) g_triggerManager->Post(m_name, "ng_modalwindow_click");
    return m_blocking || took;
}
