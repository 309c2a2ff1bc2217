#pragma once
// The task panel of hidden-object scenes: one text line per task, grouped by
// room; only the current room's lines show. The panel slides up while the
// current room has open tasks and down when they are done or the player
// leaves the room. Reached only through the bus.

#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Object.h"
#include "engine/scene/nE_Text.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

class nG_Task : public nE_Text
{
public:
    nG_Task(const std::string& key, int count, bool highlighted);
    void SetDefaults() override;
    // Strike-through, colour and text from the fields below.
    void Format();

    bool completed = false;
    std::string key;
    int count = 1;
    bool highlighted = false;

private:
    nE_ObjectHandle m_line;
};

struct nG_TaskRoom
{
    std::vector<nE_ObjectHandle> lines; // nG_Task children of the panel, in the order added
    bool done = false;
};

struct nG_TaskCompletion
{
    std::string first;
    std::string second;
};

class nG_Tasks : public nE_Object, public nE_Listener
{
public:
    explicit nG_Tasks(const std::string& name);
    ~nG_Tasks() override;
    static nE_Object* Create(const std::string& name) { return new nG_Tasks(name); }

    void SetDefaults() override;
    void Update(const nE_TimeStep* step) override;
    void Draw(nE_Render* render, const nE_RenderState& state) override;
    void OnMessage(int id, void* record) override;

    void AddTaskLine(const std::string& key, const std::string& room, int count, bool highlighted);
    void CompleteTask(const std::string& key);
    void UnmarkTask(const std::string& key);
    int GetState() const { return m_state; }
    float GetSlide() const { return m_t; }
    // The line of that key in that room, or null.
    nG_Task* FindLine(const std::string& room, const std::string& key) const;

    // Set when the panel was drawn since its last state change; the update
    // waits for a draw so that a slide never starts unseen.
    static bool s_drawn;
    // The random source of the hint query and the random cheat (rand()).
    static std::function<int()> s_random;

private:
    void SlideStep();
    void UpdateState(int state);
    void Hide();
    void ShowCurrentRoomLines();
    bool CurrentRoomHasTasks(const std::string& room) const;
    void CleanUpDoneRoom();
    void PlayCompleteEffect(float x, float y);
    std::vector<nG_Task*> OpenLines(const std::string& room);
    void CollectTaskObjects(const std::string& key, bool bracket);
    void Cheat(bool all);

    std::map<std::string, nG_TaskCompletion> m_completion;
    std::map<std::string, nG_TaskRoom> m_rooms;
    int m_state = 1;
    float m_t = -0.5f;
    nE_ObjectHandle m_back;
    nE_ObjectHandle m_effect;
    nE_ObjectHandle m_header;
    std::string m_shownRoom; // the room whose lines the last visibility pass showed
};
