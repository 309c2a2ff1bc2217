#pragma once
// Script timers: named countdowns that post a trigger call when they run out,
// or, started without a call text, stopwatches that count up. Tags group
// timers so a puzzle or a room can stop or pause all of its timers at once.

#include <memory>
#include <string>
#include <vector>

struct nE_TimeStep;
class nE_TriggerManager;

class nE_Timer
{
public:
    nE_Timer(const std::string& name, const std::string& trigger, float time);

    void RemoveTag(const std::string& tag);
    bool HasTag(const std::string& tag) const;

    std::string name;
    std::string trigger;
    float time = 0.0f;
    std::vector<std::string> tags; // duplicates allowed
    bool running = false;
    bool finished = false;
    bool countUp = false;
};

class nE_TimerManager
{
public:
    // Expired timers post their calls to this manager (none: they only run out).
    explicit nE_TimerManager(nE_TriggerManager* triggers = nullptr);
    ~nE_TimerManager();

    nE_Timer* Start(const std::string& name, const std::string& trigger, float time);
    void Stop(const std::string& name);
    void StopByTag(const std::string& tag);
    void Pause(const std::string& name, bool pause);
    void PauseByTag(const std::string& tag, bool pause);
    float GetTime(const std::string& name) const;
    void AddTag(const std::string& name, const std::string& tag);
    void RemoveTag(const std::string& name, const std::string& tag);
    // The first live timer of that name, else the first stopped one still
    // waiting for removal, else null.
    nE_Timer* Find(const std::string& name) const;

    void Update(const nE_TimeStep* step);
    // The same with the step's capped time in seconds.
    void Advance(float dt);
    void Clear();

    size_t GetCount() const { return m_timers.size(); }

    // Written directly by the application when it pauses and resumes.
    bool paused = false;

private:
    std::vector<std::unique_ptr<nE_Timer>> m_timers;
    nE_TriggerManager* m_triggers = nullptr;
};
