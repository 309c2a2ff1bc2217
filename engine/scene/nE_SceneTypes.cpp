#include "engine/scene/nE_SceneTypes.h"

#include "engine/core/nE_Object.h"
#include "engine/core/nE_ObjectTypeRegistry.h"
#include "engine/scene/nE_AnimSprite.h"
#include "engine/scene/nE_AtEffect.h"
#include "engine/scene/nE_FlashAnim.h"
#include "engine/scene/nE_ParticleSystem.h"
#include "engine/scene/nE_Sprite.h"
#include "engine/scene/nE_Text.h"
#include "engine/scene/nE_Video.h"

#include <tinyxml.h>

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
    nE_RegisterObjectType("video", nE_Video::Create);
    nE_InstallVideoScriptHooks();
    nE_RegisterObjectType("ateffect", nE_AtEffect::Create);
    nE_RegisterObjectType("flashanim", nE_FlashAnim::Create);
    nE_InstallFlashAnimScriptHooks();
}
