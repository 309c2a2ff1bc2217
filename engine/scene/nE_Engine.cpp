#include "engine/scene/nE_Engine.h"

#include "engine/core/nE_ObjectTypeRegistry.h"
#include "engine/core/nE_ScriptApi.h"
#include "engine/platform/nE_Cursor.h"
#include "engine/platform/nE_SoundHub.h"
#include "engine/platform/notEngine_Pl5.h"
#include "engine/scene/nE_AnimSprite.h"
#include "engine/scene/nE_AtEffect.h"
#include "engine/scene/nE_FlashAnim.h"
#include "engine/scene/nE_ParticleSystem.h"
#include "engine/scene/nE_Sprite.h"
#include "engine/scene/nE_Text.h"
#include "engine/scene/nE_Video.h"

void nE_RegisterEngineKinds()
{
    nE_RegisterPlainObjectType();       // "obj"
    nE_RegisterObjectScriptFunctions(); // ObjSet ... ModLoad
    nE_RegisterSpriteType();            // "spr"
    nE_RegisterSoundScriptFunctions();  // SndPlay, SndStop, SndPauseAll
    nE_RegisterAnimType();              // "anim": AnmPlay, AnmStop, AnmPause
    nE_RegisterFlashAnimType();         // "flashanim": FlashAnmPlay, FlashAnmStop, FlashAnmPause
    nE_RegisterVideoType();             // "video": VidPlay, VidStop, VidPause
    nE_RegisterParticleType();          // "partsys": PsSetMaskObj ... PartSysRestart
    nE_RegisterCursorScriptFunctions(); // SetCursor, CursorPosX, CursorPosY
    nE_RegisterTimerScriptFunctions();  // TimerStart ... TimerRemoveTag
    nE_RegisterTextType();              // "text", and the font resources it draws with
    nE_RegisterAtEffectType();          // "ateffect": AtGlobalForceSet
    nE_RegisterShellScriptFunctions();  // GetEngineVersion, GetFPS, CheaterReset
}

notEngine* nE_CreateEngine()
{
    nE_RegisterEngineKinds();
    if (!g_engine) g_engine = new notEngine_Pl5();
    return g_engine;
}
