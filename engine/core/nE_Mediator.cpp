#include "engine/core/nE_Mediator.h"

#include <algorithm>

nE_Mediator* g_mediator = nullptr;

nE_Listener::~nE_Listener()
{
    if (g_mediator) g_mediator->UnsubscribeAll(this);
}

nE_Mediator::~nE_Mediator()
{
    if (g_mediator == this) g_mediator = nullptr;
}

std::vector<nE_Listener*>& nE_Mediator::GetListeners(int id)
{
    return m_map[id];
}

void nE_Mediator::Subscribe(nE_Listener* listener, int id)
{
    GetListeners(id).push_back(listener);
}

// While a send runs, removed entries are nulled instead of erased so that the
// running loops neither skip nor revisit anyone; Compact() erases them later.
void nE_Mediator::Unsubscribe(int id, nE_Listener* listener)
{
    std::vector<nE_Listener*>& v = GetListeners(id);
    auto it = std::find(v.begin(), v.end(), listener);
    if (it == v.end()) return;
    if (m_sendDepth > 0)
    {
        *it = nullptr;
        m_dirty = true;
    }
    else
        v.erase(it);
}

void nE_Mediator::UnsubscribeAll(nE_Listener* listener)
{
    auto removeFrom = [&](std::vector<nE_Listener*>& v)
    {
        if (m_sendDepth > 0)
        {
            for (nE_Listener*& l : v)
                if (l == listener)
                {
                    l = nullptr;
                    m_dirty = true;
                }
        }
        else
            v.erase(std::remove(v.begin(), v.end(), listener), v.end());
    };
    for (auto& entry : m_map)
        removeFrom(entry.second);
    removeFrom(m_all);
}

void nE_Mediator::Send(int id, void* record)
{
    ++m_sendDepth;
    std::vector<nE_Listener*>& v = GetListeners(id); // map nodes are stable
    for (size_t i = 0; i < v.size(); ++i)
        if (nE_Listener* l = v[i]) l->OnMessage(id, record);
    for (size_t i = 0; i < m_all.size(); ++i)
        if (nE_Listener* l = m_all[i]) l->OnMessage(id, record);
    if (--m_sendDepth == 0 && m_dirty) Compact();
}

void nE_Mediator::Compact()
{
    m_dirty = false;
    for (auto& entry : m_map)
        entry.second.erase(std::remove(entry.second.begin(), entry.second.end(), nullptr),
                           entry.second.end());
    m_all.erase(std::remove(m_all.begin(), m_all.end(), nullptr), m_all.end());
}
