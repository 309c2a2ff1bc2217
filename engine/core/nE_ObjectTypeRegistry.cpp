#include "engine/core/nE_ObjectTypeRegistry.h"

#include "engine/core/nE_Log.h"
#include "engine/core/nE_Object.h"
#include "engine/core/nE_SLHelper.h"
#include "engine/core/nE_TriggerManager.h"

#include <map>
#include <memory>
#include <tinyxml.h>

namespace
{
// Built on first use so that registration from static initialisers is safe.
std::map<std::string, nE_CreatorFunc>& Registry()
{
    static std::map<std::string, nE_CreatorFunc> registry;
    return registry;
}

std::string AttributeOrEmpty(const TiXmlElement* element, const char* name)
{
    const char* value = element->Attribute(name);
    return value ? value : "";
}

void WarnUnknownKind(const TiXmlElement* element, const std::string& file)
{
    std::string where = file.empty() ? std::string() : " in " + file;
    std::string line = "Warning: unknown object kind <" + element->ValueStr() + "> (name \"" +
                       AttributeOrEmpty(element, "name") + "\", line " + std::to_string(element->Row()) +
                       ")" + where + ": it and its children are skipped";
    nE_WarnOnce("kind:" + file + ":" + element->ValueStr(), line);
}
} // namespace

void nE_RegisterObjectType(const std::string& typeName, nE_CreatorFunc creator)
{
    Registry()[typeName] = creator;
}

void nE_RegisterPlainObjectType()
{
    nE_RegisterObjectType("obj", [] { return new nE_Object(); });
}

std::unique_ptr<nE_Object> nE_CreateObject(const std::string& typeName, const std::string& objectName)
{
    auto it = Registry().find(typeName);
    if (it == Registry().end() || !it->second) return nullptr;
    std::unique_ptr<nE_Object> object(it->second());
    if (object) object->SetName(objectName);
    return object;
}

std::unique_ptr<nE_Object> nE_CreateObjectFromXml(TiXmlElement* element, const std::string& file)
{
    if (!element) return nullptr;
    std::unique_ptr<nE_Object> object =
        nE_CreateObject(element->ValueStr(), AttributeOrEmpty(element, "name"));
    if (!object)
    {
        WarnUnknownKind(element, file);
        return nullptr;
    }
    nE_SLHelper_XML sl(element, false);
    sl.RefuseNonFinite(file);
    object->Load(sl);
    for (TiXmlElement* c = element->FirstChildElement(); c; c = c->NextSiblingElement())
        object->AddChild(nE_CreateObjectFromXml(c, file));
    return object;
}

nE_Trigger* nE_CreateTriggerFromXml(TiXmlElement* element)
{
    if (!element) return nullptr;
    std::string code;
    if (const TiXmlElement* codeElement = element->FirstChildElement("code"))
    {
        for (const TiXmlNode* node = codeElement->FirstChild(); node; node = node->NextSibling())
            if (const TiXmlText* text = node->ToText())
            {
                code = text->ValueStr();
                break;
            }
    }
    return new nE_Trigger(AttributeOrEmpty(element, "name"), code);
}
