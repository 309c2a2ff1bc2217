#include "game/interface/nG_Tasks.h"

#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_StringTable.h"
#include "engine/core/nE_TriggerManager.h"
#include "engine/core/nE_Tween.h"
#include "engine/scene/nE_Sprite.h"
#include "game/interface/nG_WidgetUtil.h"
#include "game/messages/nG_Messages.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

bool nG_Tasks::s_drawn = true;
std::function<int()> nG_Tasks::s_random;

namespace
{
const int kMessages[] = {NG_MSG_ADD_TASK,        NG_MSG_TASKS_COMPLETE_DATA,
                         NG_MSG_COMPLETE_TASK,   NG_MSG_HO_OBJECT_COLLECTED,
                         NG_MSG_GET_TASKS_STATE, NG_MSG_CHEAT_COLLECT_TASKS,
                         NG_MSG_UNMARK_TASK,     NG_MSG_CHEAT_COLLECT_RANDOM_TASK,
                         NG_MSG_GET_HINT_TASK};

const float kSlideRate = 1.5f;

void SetColour(nE_Object* object, float r, float g, float b, float alpha)
{
    nE_RenderState& state = object->GetRenderState();
    state.r = r;
    state.g = g;
    state.b = b;
    state.alpha = alpha;
}

template <int Id> void SendBool(bool value)
{
    nG_MsgBool record;
    record.value = value;
    nE_Send<Id>(record);
}

nG_Task* AsTask(const nE_ObjectHandle& handle)
{
    return static_cast<nG_Task*>(handle.Get());
}

int Random()
{
    return nG_Tasks::s_random ? nG_Tasks::s_random() : std::rand();
}
} // namespace

// ---- one line ----

nG_Task::nG_Task(const std::string& key_, int count_, bool highlighted_) : nE_Text(key_)
{
    key = key_;
    count = std::max(1, count_); // no count (0) or a bad one means one find
    highlighted = highlighted_;
    nG_Task::SetDefaults();
}

void nG_Task::SetDefaults()
{
    nE_Text::SetDefaults();
    completed = false;
    SetInput(false);
    SetVisible(false);
    m_fontSize = 18;
    m_resourceName = "assets/fonts/times";
    delete m_line.Get();
    nE_Sprite* line = nG_AddSprite(this, m_name + "_line", "assets/interface/inventory_tasks/line", 10.0f);
    if (line)
    {
        line->SetY(-2.0f);
        m_line = line->GetHandle();
    }
    Format();
}

void nG_Task::Format()
{
    nE_Object* line = m_line.Get();
    if (line) line->SetVisible(completed);
    if (completed)
        SetColour(this, 163 / 255.0f, 184 / 255.0f, 136 / 255.0f, 0.2f);
    else if (highlighted)
        SetColour(this, 0.0f, 232 / 255.0f, 1.0f, 1.0f);
    else
        SetColour(this, 1.0f, 201 / 255.0f, 70 / 255.0f, 1.0f);
    if (count < 2)
        SetText(key, "", "", "", "", "");
    else
    {
        char number[16];
        std::snprintf(number, sizeof(number), "%d", count);
        std::string text = g_stringTable ? g_stringTable->GetText(key) : key;
        SetText("interface_tasks_count", text, number, "", "", "");
    }
    if (completed && line) line->SetScale((GetLocalRect().w + 14.0f) * 0.5f, line->GetScaleY());
}

// ---- the panel ----

nG_Tasks::nG_Tasks(const std::string& name) : nE_Object(name)
{
    nG_Tasks::SetDefaults();
    if (!g_mediator) return;
    for (int id : kMessages)
        g_mediator->Subscribe(this, id);
}

nG_Tasks::~nG_Tasks()
{
    for (auto& room : m_rooms)
        for (nE_ObjectHandle& line : room.second.lines)
            delete line.Get();
    m_rooms.clear();
    m_completion.clear();
    if (g_mediator) g_mediator->UnsubscribeAll(this);
}

void nG_Tasks::SetDefaults()
{
    m_t = -0.5f;
    SetPos(512.0f, 1536.0f);
    m_state = 1;
    s_drawn = true;
    SetVisible(false);
    if (m_back.IsAlive()) return; // built once
    const float headerColour[3] = {182 / 255.0f, 223 / 255.0f, 232 / 255.0f};
    if (nE_Text* header = nG_AddText(this, m_name + "_header", "assets/fonts/benguat", 18, headerColour, 0.0f,
                                     -31.0f, 1.0f))
    {
        header->SetText("interface_tasks_header", "", "", "", "", "");
        m_header = header->GetHandle();
    }
    if (nE_Sprite* back = nG_AddSprite(this, m_name + "_bg", "assets/interface/inventory_tasks/back", 0.0f))
        m_back = back->GetHandle();
    if (nE_Sprite* effect =
            nG_AddSprite(this, m_name + "_effect", "assets/interface/inventory_tasks/place", 0.0f))
    {
        effect->SetVisible(false);
        effect->GetRenderState().blendMode = 2;
        m_effect = effect->GetHandle();
    }
}

void nG_Tasks::SlideStep()
{
    SetPos(512.0f, 828.0f - 120.0f * std::sin(m_t * 1.570796f));
}

bool nG_Tasks::CurrentRoomHasTasks(const std::string& room) const
{
    auto it = m_rooms.find(room);
    return it != m_rooms.end() && !it->second.done && !it->second.lines.empty();
}

void nG_Tasks::ShowCurrentRoomLines()
{
    m_shownRoom = nG_CurrentRoomName();
    for (auto& room : m_rooms)
        for (nE_ObjectHandle& handle : room.second.lines)
            if (nE_Object* line = handle.Get()) line->SetVisible(room.first == m_shownRoom);
}

void nG_Tasks::Hide()
{
    m_state = 1;
    SendBool<NG_MSG_TASKS_CHANGED>(true);
    SetVisible(true);
    s_drawn = false;
}

void nG_Tasks::UpdateState(int state)
{
    if (state != 0)
    {
        Hide();
        return;
    }
    m_state = 0;
    SendBool<NG_MSG_TASKS_CHANGED>(false);
    s_drawn = false;
    SetVisible(true);
    ShowCurrentRoomLines();
}

void nG_Tasks::CleanUpDoneRoom()
{
    for (auto it = m_rooms.begin(); it != m_rooms.end(); ++it)
    {
        if (!it->second.done) continue;
        m_completion.erase(it->first);
        for (nE_ObjectHandle& line : it->second.lines)
            delete line.Get();
        m_rooms.erase(it);
        return;
    }
}

void nG_Tasks::Update(const nE_TimeStep* step)
{
    if (!s_drawn) return;
    nE_ObjectHandle self = GetHandle();
    nE_Object::Update(step);
    float dt = step ? step->step : 0.0f;
    std::string room = nG_CurrentRoomName();
    if (!self.IsAlive()) return;
    bool hasTasks = CurrentRoomHasTasks(room);
    if (m_state == 0)
    {
        if (m_t < 1.0f)
        {
            m_t = std::min(1.0f, m_t + kSlideRate * dt);
            SlideStep();
        }
        if (!hasTasks)
            Hide();
        else if (room != m_shownRoom)
            ShowCurrentRoomLines(); // moved straight between two rooms with tasks
    }
    else if (hasTasks)
        UpdateState(0);
    else if (m_t > 0.0f)
    {
        m_t = std::max(0.0f, m_t - kSlideRate * dt);
        SlideStep();
        if (m_t == 0.0f)
        {
            SetVisible(false);
            CleanUpDoneRoom();
        }
    }
    nE_Object* effect = m_effect.Get();
    if (effect && effect->IsVisible() && effect->GetTweenCount() == 0) effect->SetVisible(false);
}

void nG_Tasks::Draw(nE_Render*, const nE_RenderState&)
{
    s_drawn = true;
}

void nG_Tasks::AddTaskLine(const std::string& key, const std::string& room, int count, bool highlighted)
{
    auto line = std::make_unique<nG_Task>(key, count, highlighted);
    nG_TaskRoom& entry = m_rooms[room];
    int i = static_cast<int>(entry.lines.size());
    line->SetPos(static_cast<float>((i % 4) * 520 / 3 - 260), static_cast<float>(21 * (i / 4) + 4));
    line->SetZ(5.0f);
    nG_Task* attached = nG_Attach(this, std::move(line));
    if (!attached) return;
    entry.lines.push_back(attached->GetHandle());
    entry.done = false;
    // A line added while the panel is up must not wait for the next room change.
    if (m_state == 0) ShowCurrentRoomLines();
}

void nG_Tasks::PlayCompleteEffect(float x, float y)
{
    nE_Object* effect = m_effect.Get();
    if (!effect) return;
    effect->SetPos(x, y);
    effect->SetZ(10.0f);
    effect->SetVisible(true);
    const float alpha[] = {0.0f, 3, 0.0f, 0.3f, 3, 1.0f, 0.6f, 3, 0.0f};
    const float scale[] = {0.0f, 3, 1.0f, 0.6f, 3, 1.6f};
    effect->Animate(NE_TWEEN_ALPHA, false, false, "", alpha, 9);
    effect->Animate(NE_TWEEN_SCALE_X, false, false, "", scale, 6);
    effect->Animate(NE_TWEEN_SCALE_Y, false, false, "", scale, 6);
}

void nG_Tasks::CompleteTask(const std::string& key)
{
    for (auto& room : m_rooms)
    {
        bool starting = nG_IsLevelStarting();
        bool matched = false;
        for (nE_ObjectHandle& handle : room.second.lines)
        {
            nG_Task* line = AsTask(handle);
            // A line already struck through stays as it is: no flash, no second room end.
            if (!line || line->key != key || line->completed) continue;
            matched = true;
            if (!starting) PlayCompleteEffect(line->GetX(), line->GetY());
            if (line->count <= 1)
                line->completed = true;
            else
                --line->count;
            line->Format();
        }
        if (!matched) continue;
        bool all = std::all_of(room.second.lines.begin(), room.second.lines.end(),
                               [](const nE_ObjectHandle& h) { return !h.Get() || AsTask(h)->completed; });
        if (!all) continue;
        room.second.done = true;
        Hide();
        nG_TaskCompletion& completion = m_completion[room.first];
        nG_MsgHoDialog dialog;
        dialog.object = completion.first;
        dialog.call = completion.second;
        nE_Send<NG_MSG_HO_DIALOG>(dialog);
    }
}

void nG_Tasks::UnmarkTask(const std::string& key)
{
    for (auto& room : m_rooms)
        for (nE_ObjectHandle& handle : room.second.lines)
        {
            nG_Task* line = AsTask(handle);
            if (!line || line->key != key) continue;
            line->highlighted = false;
            line->Format();
        }
}

nG_Task* nG_Tasks::FindLine(const std::string& room, const std::string& key) const
{
    auto it = m_rooms.find(room);
    if (it == m_rooms.end()) return nullptr;
    for (const nE_ObjectHandle& handle : it->second.lines)
        if (nG_Task* line = AsTask(handle))
            if (line->key == key) return line;
    return nullptr;
}

std::vector<nG_Task*> nG_Tasks::OpenLines(const std::string& room)
{
    std::vector<nG_Task*> open;
    for (nE_ObjectHandle& handle : m_rooms[room].lines)
        if (nG_Task* line = AsTask(handle))
            if (!line->completed) open.push_back(line);
    return open;
}

void nG_Tasks::CollectTaskObjects(const std::string& key, bool bracket)
{
    size_t underscore = key.find('_');
    std::string base = underscore == std::string::npos ? key : key.substr(underscore + 1);
    for (int n = 0; n <= 10; ++n)
    {
        std::string name = base;
        if (n > 0)
        {
            char buffer[32];
            std::snprintf(buffer, sizeof(buffer), "_mul%d", n - 1);
            name += buffer;
        }
        nE_Object* object = nG_FindObject(name);
        if (!object || object->GetEventCode(NE_EVENT_MDOWN).empty()) continue;
        nE_Object* parent = object->GetParent();
        if (parent && parent->GetParent() == GetParent()) continue; // already flying into the interface
        if (bracket) SendBool<NG_MSG_COLLECT_HO_TASK_OBJECT>(false);
        if (g_triggerManager) g_triggerManager->Call(name, object->GetEventCode(NE_EVENT_MDOWN));
        if (bracket) SendBool<NG_MSG_COLLECT_HO_TASK_OBJECT>(true);
    }
}

void nG_Tasks::Cheat(bool all)
{
    if (m_state != 0 || m_t != 1.0f) return;
    std::vector<nG_Task*> open = OpenLines(nG_CurrentRoomName());
    if (open.empty()) return;
    std::vector<std::string> keys;
    if (all)
        for (auto it = open.rbegin(); it != open.rend(); ++it)
            keys.push_back((*it)->key);
    else
        keys.push_back(open[static_cast<size_t>(Random()) % open.size()]->key);
    // Keys are copied first: the collect code may change the lines.
    for (const std::string& key : keys)
        CollectTaskObjects(key, all);
}

void nG_Tasks::OnMessage(int id, void* record)
{
    if (!record && id != NG_MSG_CHEAT_COLLECT_TASKS && id != NG_MSG_CHEAT_COLLECT_RANDOM_TASK) return;
    switch (id)
    {
    case NG_MSG_ADD_TASK:
    {
        const nG_MsgAddTask* task = nE_MsgAs<NG_MSG_ADD_TASK>(id, record);
        AddTaskLine(task->task, task->room, task->count, task->highlighted);
        break;
    }
    case NG_MSG_TASKS_COMPLETE_DATA:
    {
        const nG_MsgThreeStrings* data = nE_MsgAs<NG_MSG_TASKS_COMPLETE_DATA>(id, record);
        m_completion[data->s1] = nG_TaskCompletion{data->s2, data->s3};
        break;
    }
    case NG_MSG_COMPLETE_TASK:
        CompleteTask(nE_MsgAs<NG_MSG_COMPLETE_TASK>(id, record)->value);
        break;
    case NG_MSG_UNMARK_TASK:
        UnmarkTask(nE_MsgAs<NG_MSG_UNMARK_TASK>(id, record)->value);
        break;
    case NG_MSG_CHEAT_COLLECT_TASKS:
        Cheat(true);
        break;
    case NG_MSG_CHEAT_COLLECT_RANDOM_TASK:
        Cheat(false);
        break;
    case NG_MSG_HO_OBJECT_COLLECTED:
    {
        nG_MsgObjectQuery* query = nE_MsgAs<NG_MSG_HO_OBJECT_COLLECTED>(id, record);
        for (const auto& completion : m_completion)
            if (completion.second.first == query->object) query->answer = true;
        break;
    }
    case NG_MSG_GET_TASKS_STATE:
        nE_MsgAs<NG_MSG_GET_TASKS_STATE>(id, record)->value = m_state != 1;
        break;
    case NG_MSG_GET_HINT_TASK:
    {
        // No open line: no hint, rather than drawing for ever.
        std::vector<nG_Task*> open = OpenLines(nG_CurrentRoomName());
        nE_MsgAs<NG_MSG_GET_HINT_TASK>(id, record)->value =
            open.empty() ? std::string() : open[static_cast<size_t>(Random()) % open.size()]->key;
        break;
    }
    default:
        break;
    }
}
