#include "engine/scene/nE_SceneTypes.h"

#include "engine/core/nE_Object.h"
#include "engine/core/nE_ObjectTypeRegistry.h"
#include "engine/scene/nE_AnimSprite.h"
#include "engine/scene/nE_ParticleSystem.h"
#include "engine/scene/nE_Sprite.h"
#include "engine/scene/nE_Text.h"

namespace
{

nE_Object* CreatePlainObject()
{
    return new nE_Object();
}

} // namespace

void nE_RegisterSceneObjectTypes()
{
    nE_RegisterObjectType("obj", CreatePlainObject);
    nE_RegisterObjectType("spr", nE_Sprite::Create);
    nE_RegisterAnimType();
    nE_RegisterParticleType();
    nE_RegisterTextType();
}
