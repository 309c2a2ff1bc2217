#pragma once
// The game's message bus: the type of the one global bus instance.

#include "engine/core/nE_Mediator.h"

class nG_Mediator : public nE_Mediator
{
};
