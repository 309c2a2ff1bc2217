#include "engine/core/nE_Timer.h"

#include "engine/core/nE_TimeStep.h"
#include "engine/core/nE_TriggerManager.h"

#include <algorithm>

nE_Timer::nE_Timer(const std::string& name_, const std::string& trigger_, float time_)
    : name(name_), trigger(trigger_), time(time_), countUp(trigger_.empty())
{
}

void nE_Timer::RemoveTag(const std::string& tag)
{
    auto it = std::find(tags.begin(), tags.end(), tag);
    if (it != tags.end()) tags.erase(it);
}

bool nE_Timer::HasTag(const std::string& tag) const
{
    return std::find(tags.begin(), tags.end(), tag) != tags.end();
}

nE_TimerManager::nE_TimerManager(nE_TriggerManager* triggers) : m_triggers(triggers) {}

nE_TimerManager::~nE_TimerManager() = default;

nE_Timer* nE_TimerManager::Start(const std::string& name, const std::string& trigger, float time)
{
    m_timers.push_back(std::make_unique<nE_Timer>(name, trigger, time));
    m_timers.back()->running = true;
    return m_timers.back().get();
}

// A stopped timer waits in the list until the next Update: its time can still
// be read in that tick, but a timer restarted under the same name comes first.
nE_Timer* nE_TimerManager::Find(const std::string& name) const
{
    nE_Timer* stopped = nullptr;
    for (const auto& timer : m_timers)
    {
        if (timer->name != name) continue;
        if (!timer->finished) return timer.get();
        if (!stopped) stopped = timer.get();
    }
    return stopped;
}

static void Finish(nE_Timer& timer)
{
    timer.finished = true;
    timer.running = false;
}

void nE_TimerManager::Stop(const std::string& name)
{
    if (nE_Timer* timer = Find(name)) Finish(*timer);
}

void nE_TimerManager::StopByTag(const std::string& tag)
{
    for (const auto& timer : m_timers)
        if (timer->HasTag(tag)) Finish(*timer);
}

void nE_TimerManager::Pause(const std::string& name, bool pause)
{
    nE_Timer* timer = Find(name);
    if (timer && !timer->finished) timer->running = !pause;
}

void nE_TimerManager::PauseByTag(const std::string& tag, bool pause)
{
    for (const auto& timer : m_timers)
        if (!timer->finished && timer->HasTag(tag)) timer->running = !pause;
}

float nE_TimerManager::GetTime(const std::string& name) const
{
    nE_Timer* timer = Find(name);
    return timer ? timer->time : 0.0f;
}

void nE_TimerManager::AddTag(const std::string& name, const std::string& tag)
{
    if (nE_Timer* timer = Find(name)) timer->tags.push_back(tag);
}

void nE_TimerManager::RemoveTag(const std::string& name, const std::string& tag)
{
    if (nE_Timer* timer = Find(name)) timer->RemoveTag(tag);
}

void nE_TimerManager::Update(const nE_TimeStep* step)
{
    if (step) Advance(step->step);
}

// Expiries only post (never run) their calls, so no script runs in here and
// the list cannot change under the loop.
void nE_TimerManager::Advance(float dt)
{
    if (paused) return;
    for (const auto& timer : m_timers)
    {
        if (!timer->running || timer->finished) continue;
        if (timer->countUp)
        {
            timer->time += dt;
            continue;
        }
        timer->time -= dt;
        if (timer->time <= 0.0f)
        {
            if (m_triggers) m_triggers->Post(timer->name, timer->trigger);
            Finish(*timer);
        }
    }
    m_timers.erase(std::remove_if(m_timers.begin(), m_timers.end(),
                                  [](const std::unique_ptr<nE_Timer>& t) { return t->finished; }),
                   m_timers.end());
}

void nE_TimerManager::Clear()
{
    m_timers.clear();
}
