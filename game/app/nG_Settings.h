#pragma once
// The player's own settings, kept in the user file "settings.xml": display,
// system cursor, performance mode, the four channel volumes and gamma.

#include "game/app/nG_Config.h"

#include <string>

class nG_Settings
{
public:
    // Starts as a copy of the configuration's defaults (built-in defaults
    // when there is no configuration).
    nG_Settings();

    // Reads the file; when it cannot be opened, writes the current values so
    // a first run leaves the defaults behind. A file that does not parse (or
    // is refused) changes nothing and is kept as "settings.xml.bad".
    void Load();
    // False (logged) when the file could not be written; the old one stays.
    bool Save();

    // Clamps to 0..1 (anything that is not a number gives 1), stores it for
    // the four known channels and hands it to the sound hub for any name.
    void SetVolume(const std::string& channel, float volume);
    // 0 for any name but the four channels.
    float GetVolume(const std::string& channel) const;

    bool GetFullScreen() const { return m_values.fullScreen; }
    void SetFullScreen(bool on) { m_values.fullScreen = on; }
    bool GetWideScreen() const { return m_values.wideScreen; }
    void SetWideScreen(bool on) { m_values.wideScreen = on; }
    bool GetSysCursor() const { return m_values.sysCursor; }
    void SetSysCursor(bool on) { m_values.sysCursor = on; }
    int GetPerformance() const { return m_values.performance; }
    void SetPerformance(int mode) { m_values.performance = mode; }
    float GetGamma() const { return m_values.gamma; }
    void SetGamma(float gamma) { m_values.gamma = gamma; }

    const nG_SettingsValues& GetValues() const { return m_values; }

private:
    // The field of one of the four channels; null for any other name.
    static float nG_SettingsValues::*VolumeField(const std::string& channel);

    nG_SettingsValues m_values;
};

// The one settings record; null before the start callback makes it and after stop.
extern nG_Settings* g_settings;
