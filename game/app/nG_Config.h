#pragma once
// The read-only game configuration shipped with the content: where the game
// starts, the default user settings for a first run, the publisher's web
// addresses, the names the user folder is made of, and the string-table files.

#include <string>

// The publisher and game names of the user folder when the configuration
// names none (the sample's, so its players keep their saves).
extern const std::string g_gameName;
extern const std::string g_publisherName;

// The user settings as one block; the configuration holds the defaults and
// the settings record starts as a copy of them.
struct nG_SettingsValues
{
    bool fullScreen = true;
    bool wideScreen = true;
    bool sysCursor = false;
    int performance = 0;
    float sfxVolume = 1.0f;
    float envVolume = 1.0f;
    float soundtrackVolume = 1.0f;
    float voiceVolume = 1.0f;
    float gamma = 1.0f;
};

struct nG_ConfigStrings
{
    std::string url;
    std::string guideUrl;
};

class nG_Config
{
public:
    // Reads "assets/config.xml" from the working directory, then the string
    // tables it lists into g_stringTable. Anything absent keeps its default.
    void Load();

    std::string GetStartModule() const { return m_startModule; }
    std::string GetStartTrigger() const { return m_startTrigger; }
    nG_ConfigStrings GetUrl() const { return m_publisher; }
    // The user folder's two names: each a single folder name, never empty.
    std::string GetPublisherName() const { return m_publisherName; }
    std::string GetGameName() const { return m_gameName; }
    nG_SettingsValues GetDefaultSettings() const { return m_defaults; }

    // Developer mode; never set from the file.
    bool IsCheatMode() const { return m_cheatMode; }
    void SetCheatMode(bool on) { m_cheatMode = on; }

private:
    std::string m_startModule;
    std::string m_startTrigger;
    nG_SettingsValues m_defaults;
    nG_ConfigStrings m_publisher;
    std::string m_publisherName = g_publisherName;
    std::string m_gameName = g_gameName;
    bool m_cheatMode = false;
};

// The one configuration; null before start and after stop.
extern nG_Config* g_config;
