#pragma once
// The engine's object kinds by type name, registered once at start-up.

#include <string>

class TiXmlElement;

void nE_RegisterSceneObjectTypes();

// Appends a text-search hit: an element named after the object with "place".
void nE_AddFindReport(TiXmlElement* report, const std::string& name, const char* place);
