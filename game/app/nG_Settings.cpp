#include "game/app/nG_Settings.h"

#include "engine/platform/nE_SoundHub.h"

#include "engine/core/nE_Log.h"
#include "engine/core/nE_SLHelper.h"
#include "engine/core/nE_Xml.h"
#include "engine/platform/nE_File.h"

#include <tinyxml.h>

#include <cmath>

nG_Settings* g_settings = nullptr;

namespace
{
const char kSettingsFile[] = "settings.xml";

void ApplyChannelVolume(const std::string& channel, float volume)
{
    nE_GetSoundHub()->SetChannelVolume(channel, volume);
}

// An out-of-range volume is kept as stored (it is clamped when applied), but
// a value that is not a number at all would poison every later mix.
void ReadFinite(nE_SLHelper& sl, const char* name, float& field)
{
    float value = field;
    if (!sl.ReadFloat(name, value)) return;
    if (!std::isfinite(value))
    {
        nE_LogFmt("Warning: settings value %s is not a finite number; it keeps its old value.", name);
        return;
    }
    field = value;
}

void ReadValues(TiXmlElement* root, nG_SettingsValues& v)
{
    nE_SLHelper_XML sl(root);
    sl.ReadInt("performance", v.performance);
    sl.ReadBool("fullscreen", v.fullScreen);
    sl.ReadBool("widescreen", v.wideScreen);
    sl.ReadBool("syscursor", v.sysCursor);
    ReadFinite(sl, "sfx_volume", v.sfxVolume);
    ReadFinite(sl, "env_volume", v.envVolume);
    ReadFinite(sl, "soundtrack_volume", v.soundtrackVolume);
    ReadFinite(sl, "voice_volume", v.voiceVolume);
    ReadFinite(sl, "gamma", v.gamma);
}

std::string PrintValues(const nG_SettingsValues& v)
{
    TiXmlDocument doc;
    TiXmlElement* root = new TiXmlElement("settings");
    doc.LinkEndChild(root);
    root->SetAttribute("performance", v.performance);
    nE_SLHelper_XML sl(root);
    sl.WriteBool("fullscreen", v.fullScreen);
    sl.WriteBool("widescreen", v.wideScreen);
    sl.WriteBool("syscursor", v.sysCursor);
    sl.WriteFloat("sfx_volume", v.sfxVolume);
    sl.WriteFloat("env_volume", v.envVolume);
    sl.WriteFloat("soundtrack_volume", v.soundtrackVolume);
    sl.WriteFloat("voice_volume", v.voiceVolume);
    sl.WriteFloat("gamma", v.gamma);
    TiXmlPrinter printer;
    doc.Accept(&printer);
    return printer.Str();
}
} // namespace

nG_Settings::nG_Settings()
{
    if (g_config) m_values = g_config->GetDefaultSettings();
}

void nG_Settings::Load()
{
    std::string text;
    if (!nE_ReadUserFile(kSettingsFile, text))
    {
        Save();
        return;
    }
    TiXmlDocument doc;
    bool parsed = nE_XmlParse(doc, text, kSettingsFile) == nE_XmlResult::Ok;
    TiXmlElement* root = parsed ? doc.FirstChildElement() : nullptr;
    if (!root)
    {
        nE_LogFmt("Warning: settings file %s could not be read; the current settings stay.", kSettingsFile);
        nE_KeepRefusedUserFile(kSettingsFile, text);
        return;
    }
    ReadValues(root, m_values);
}

bool nG_Settings::Save()
{
    if (nE_WriteUserFile(kSettingsFile, PrintValues(m_values))) return true;
    nE_LogFmt("Error: could not save settings file %s; the old file is kept.", kSettingsFile);
    return false;
}

float nG_SettingsValues::*nG_Settings::VolumeField(const std::string& channel)
{
    if (channel == "sfx") return &nG_SettingsValues::sfxVolume;
    if (channel == "env") return &nG_SettingsValues::envVolume;
    if (channel == "soundtrack") return &nG_SettingsValues::soundtrackVolume;
    if (channel == "voice") return &nG_SettingsValues::voiceVolume;
    return nullptr;
}

void nG_Settings::SetVolume(const std::string& channel, float volume)
{
    if (!(volume <= 1.0f)) volume = 1.0f; // also catches NaN
    if (volume < 0.0f) volume = 0.0f;
    if (float nG_SettingsValues::*field = VolumeField(channel)) m_values.*field = volume;
    ApplyChannelVolume(channel, volume);
}

float nG_Settings::GetVolume(const std::string& channel) const
{
    float nG_SettingsValues::*field = VolumeField(channel);
    return field ? m_values.*field : 0.0f;
}
