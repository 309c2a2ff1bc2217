#pragma once
// Objects are made by type name: every object kind registers a creator, and
// object trees are built from XML elements whose tag is the type name.

#include <memory>
#include <string>

class nE_Object;
class nE_Trigger;
class TiXmlElement;

// Answers a new object that the caller owns.
typedef nE_Object* (*nE_CreatorFunc)();

// A later registration of a name replaces the earlier one.
void nE_RegisterObjectType(const std::string& typeName, nE_CreatorFunc creator);
// Registers "obj", the plain object (nE_Object itself).
void nE_RegisterPlainObjectType();

// A new object, in no tree and without resources; null for an unknown type.
std::unique_ptr<nE_Object> nE_CreateObject(const std::string& typeName, const std::string& objectName);
// Builds the element's tree: tag = type, "name", properties as attributes,
// child elements = children. An unknown type drops that element's subtree,
// with a warning naming the tag, its line and `file` (once per file and tag).
std::unique_ptr<nE_Object> nE_CreateObjectFromXml(TiXmlElement* element,
                                                  const std::string& file = std::string());
// A "trig" element: attribute "name", Lua code in its child element "code".
nE_Trigger* nE_CreateTriggerFromXml(TiXmlElement* element);
