#pragma once
// Helpers the interface widgets share: the bus, attaching, cursor shapes,
// lookups by name, the level's and application's queries, coordinate frames
// and the ease-in-out curve of flights and slides.

#include "engine/core/nE_Math.h"
#include "engine/core/nE_Scene.h"

#include <initializer_list>
#include <memory>
#include <string>

class nE_AnimSprite;
class nE_Object;
class nE_SoundHub;
class nE_Sprite;
class nE_Text;

// nE_Attach, as the widgets spell it: a new child under parent through the
// scene (resources follow the root); a refused child dies with its
// unique_ptr. Answers the attached child, or null.
template <class T> T* nG_Attach(nE_Object* parent, std::unique_ptr<T> child)
{
    return nE_Attach(parent, std::move(child));
}
// Moves a content object (already in the tree, reached by name) under parent;
// a refusal leaves it where it was.
void nG_Move(nE_Object* parent, nE_Object* object);
void nG_SelectCursor(int index);

// The scene object of that name; an empty name finds nothing, so a script
// can never reach an unnamed content object this way.
nE_Object* nG_FindObject(const std::string& name);

// Query 112: whether the level is still being set up (restoring).
bool nG_IsLevelStarting();
// Query 109: the application's width in design units, 1024 without an answer.
float nG_AppWidth();
// Query 100: the current room's name, "" when there is none.
std::string nG_CurrentRoomName();

// The translation of the object's world matrix seen from frame's space.
nE_Vec3 nG_PositionIn(nE_Object* object, nE_Object* frame);
// A screen point (pixels, as the cursor reports it) in frame's space.
nE_Vec3 nG_ScreenToFrame(float x, float y, nE_Object* frame);
// The cursor position in screen pixels.
nE_Vec3 nG_CursorPos();
// A point of object's local space carried through its local transform.
nE_Vec3 nG_ThroughLocal(nE_Object* object, float x, float y);

// (1 + sin(pi t - pi/2)) / 2, and a + (b - a) * ease(t).
float nG_Ease(float t);
float nG_EaseLerp(float a, float b, float t);

// A sprite or text child that takes no input, attached under parent.
nE_Sprite* nG_AddSprite(nE_Object* parent, const std::string& name, const std::string& res, float z);
// A raw text shows its text as it is, not looked up in the string table.
nE_Text* nG_AddText(nE_Object* parent, const std::string& name, const std::string& font, int size,
                    const float* rgb, float x, float y, float z, bool raw = false);

// Where an element anchored to a screen edge stands: the design space is 1024
// wide, a wide screen 1366; k is how far it moves out at 1366 (negative: left).
float nG_WideX(float base, float k);

// The hub widget sounds go to: g_soundHub unless this is set (tests record).
extern nE_SoundHub* g_widgetSoundHub;
// Plays an interface sound once on the "sfx" channel.
void nG_PlaySfx(const std::string& name);
bool nG_IsSoundPlaying(const std::string& name);
// Posts a trigger call with the sender's name; an empty call posts nothing.
void nG_PostCall(const std::string& sender, const std::string& call);

// A tween of (time, curve, values...) keys, never relative, no end trigger.
void nG_Tween(nE_Object* object, int kind, std::initializer_list<float> keys, bool loop = false);
// Shows frame `index` of the named clip without playing it; false (and
// nothing changed) when the clip has no frames.
bool nG_ShowClipFrame(nE_AnimSprite* anim, const std::string& clip, int index);
// Visible, active and input together.
void nG_SetShown(nE_Object* object, bool on);
// An animation child that takes no input, attached under parent.
nE_AnimSprite* nG_AddAnim(nE_Object* parent, const std::string& name, const std::string& res, float z);
// Moves a 0..1 fade level by rate * dt, up while showing, else down; answers
// whether it moved. At 0 the object is switched off (not drawn, updated or
// clicked); at 1 it takes input.
bool nG_SlideLevel(nE_Object* object, float& level, bool showing, float rate, float dt);
