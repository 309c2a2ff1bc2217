#pragma once
// The players' profiles: an ordered list of names with a current index, kept
// in the user file "profile_list.xml", and per profile a game-data file that
// holds the scripts' saved table "ng_global" behind a checksum line.

#include <string>
#include <vector>

class nG_ProfileList
{
public:
    // An empty list, then Load.
    nG_ProfileList();

    // Reads the list file. A file that does not parse (or is refused, or has
    // no "profiles" element) is kept beside it as "profile_list.xml.bad"
    // before anything can overwrite it, and the list is rebuilt from the
    // game-data files in the user folder, the one saved last being current;
    // with none there current is -2. A current index outside the list means
    // no current profile (-1).
    void Load();
    // False (logged) when the list file could not be written.
    bool Save();

    // The name at a valid index; "ng_noprofiles" for -1, "ng_error" for -2,
    // "" for anything else.
    std::string GetName(int index) const;
    std::string GetCurrentName() const;
    int GetCurrent() const { return m_current; }
    const std::vector<std::string>& GetNames() const { return m_names; }
    // The first profile of exactly that name becomes current; false when
    // there is none. Nothing is saved.
    bool SetCurrent(const std::string& name);
    // The current name, in any case, is the cheat word.
    bool IsCheatProfile() const;

    // Appends a name; false for a name already listed (names compare exactly)
    // and, with a warning, for one that cannot name a file: empty, or holding
    // "/", "\" or control characters. Neither current nor the file changes.
    bool Add(const std::string& name);
    // Removes the first profile of that name with its game data and saves the
    // list. The current index keeps naming its profile.
    void Delete(const std::string& name);

    // Saves the list, then the Lua table "ng_global" as the current profile's
    // game data. False when there is no current profile or nothing was written.
    bool SaveGame();
    // Lays the current profile's saved game data over "ng_global". A missing
    // file is a silent false; a damaged one is refused with a log line, kept
    // as a ".bad" copy, and leaves "ng_global" as it was.
    bool LoadGame();

private:
    bool HasCurrent() const { return m_current >= 0 && m_current < static_cast<int>(m_names.size()); }
    void ReadList(const std::string& text);
    void RebuildFromGameData();

    std::vector<std::string> m_names;
    int m_current = -1;
};

// The game-data file of a profile: "p_" + name + ".xml", with "/", "\", ":",
// "%" and control bytes written as %XX so that any name stays one file in the
// user folder; a name too long for a file name keeps its head and gains a
// hash of the whole. Empty for an empty name.
std::string nG_GameDataFileName(const std::string& name);

// The one profile list; made by the application, null otherwise.
extern nG_ProfileList* g_profileList;
