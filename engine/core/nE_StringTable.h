#pragma once
// All player-visible text: keys from spreadsheet files mapped to texts, with
// up to five parameters substituted on lookup.

#include <string>
#include <unordered_map>

class nE_StringTable
{
public:
    // Empties the table, then reads one file.
    bool Load(const std::string& name);
    // Adds the rows of the file name + ".xml"; a later row replaces an earlier
    // one of the same key, with a warning. False when the file cannot be read.
    bool ParseWorkbook(const std::string& name);
    // The key's text with its escapes resolved, or "#####" when the key or
    // anything it refers to is missing. Unused parameters are empty strings.
    std::string GetText(const std::string& key, const std::string& p1 = std::string(),
                        const std::string& p2 = std::string(), const std::string& p3 = std::string(),
                        const std::string& p4 = std::string(), const std::string& p5 = std::string()) const;

    // The stored text of a key, null when absent.
    const std::string* Find(const std::string& key) const;
    size_t GetCount() const { return m_table.size(); }
    void Clear() { m_table.clear(); }

private:
    // Adds the rows; answers how many had a whole key cell, and sets `cut`
    // when the last row was cut off inside a cell.
    int ParseContent(const std::string& content, bool& cut);
    void AddRow(const std::string& key, const std::string& text);
    bool AppendKey(const std::string& key, std::string& out) const;
    bool WarnMissing(const std::string& key) const;
    bool AppendParam(const std::string& param, std::string& out) const;
    bool AppendEscape(const std::string& key, const std::string& token, const std::string* params,
                      std::string& out) const;

    std::unordered_map<std::string, std::string> m_table;
};

// The one table of the program; null before the start callback made it.
extern nE_StringTable* g_stringTable;
