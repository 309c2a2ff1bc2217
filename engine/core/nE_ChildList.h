#pragma once
// An object's children in order: a vector that also gives up its first
// element in constant time. Deleting a holder's children first to last keeps
// the rest where they were, in order, for whatever the deletions reach (a
// destructor may delete or move a later sibling), without moving them all
// once per child.

#include <memory>
#include <vector>

class nE_Object;

class nE_ChildList
{
public:
    using Item = std::unique_ptr<nE_Object>;
    using iterator = std::vector<Item>::iterator;
    using const_iterator = std::vector<Item>::const_iterator;

    iterator begin() { return m_items.begin() + m_head; }
    iterator end() { return m_items.end(); }
    const_iterator begin() const { return m_items.begin() + m_head; }
    const_iterator end() const { return m_items.end(); }
    size_t size() const { return m_items.size() - m_head; }
    bool empty() const { return size() == 0; }
    Item& operator[](size_t i) { return m_items[m_head + i]; }
    const Item& operator[](size_t i) const { return m_items[m_head + i]; }

    void push_back(Item item) { m_items.push_back(std::move(item)); }
    iterator insert(const_iterator at, Item item) { return m_items.insert(at, std::move(item)); }
    iterator erase(const_iterator at) { return m_items.erase(at); }

    // Takes out the first child (not empty). The emptied slots in front are
    // dropped once they outnumber the children left.
    Item pop_front()
    {
        Item first = std::move(m_items[m_head]);
        ++m_head;
        if (m_head == m_items.size())
        {
            m_items.clear();
            m_head = 0;
        }
        else if (m_head >= 16 && m_head * 2 >= m_items.size())
        {
            m_items.erase(m_items.begin(), m_items.begin() + m_head);
            m_head = 0;
        }
        return first;
    }

private:
    std::vector<Item> m_items;
    size_t m_head = 0; // slots before it were taken out by pop_front
};
