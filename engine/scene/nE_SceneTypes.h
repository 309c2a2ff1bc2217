#pragma once
// The engine's object kinds by type name, registered once at start-up.

void nE_RegisterSceneObjectTypes();
