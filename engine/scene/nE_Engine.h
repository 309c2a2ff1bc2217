#pragma once
// The engine as a whole: its object kinds and services registered in one
// list, then the shell.

class notEngine;

// The engine's list: each kind's object type and script functions, and the
// script functions of the services, one call each. The order of the list is
// the order in which scripts' global functions are registered.
void nE_RegisterEngineKinds();

// Runs the list, then creates the engine shell (the platform's notEngine_Pl5)
// when there is none; answers g_engine. Called first by the start-up.
notEngine* nE_CreateEngine();
