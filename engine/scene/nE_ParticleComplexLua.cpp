// The functions of a scripted particle system's private Lua state. Each finds
// its system through an upvalue (content may overwrite the global "pointer"),
// empties the stack before pushing its results, and never raises a Lua error:
// an error would unwind through C++ frames.

#include "engine/core/nE_SLHelper.h"
#include "engine/scene/nE_ParticleComplex.h"

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <lua.hpp>
#include <string>

struct nE_ComplexScript
{
    static nE_PartSysImpl_Complex* Self(lua_State* L)
    {
        return static_cast<nE_PartSysImpl_Complex*>(lua_touserdata(L, lua_upvalueindex(1)));
    }
    // A number past a float's range becomes an infinity (the plain conversion
    // would be undefined), which the callers refuse.
    static float Number(lua_State* L, int index)
    {
        const double value = lua_tonumber(L, index);
        if (std::fabs(value) > double(FLT_MAX)) return value > 0 ? HUGE_VALF : -HUGE_VALF;
        return float(value);
    }
    // False, with the file's line, for a number that is not finite.
    static bool Finite(nE_PartSysImpl_Complex* self, const char* function, float value)
    {
        if (std::isfinite(value)) return true;
        self->Warn("number", std::string("gives ") + function + " a number that is not finite; ignored");
        return false;
    }

    static int CreateEmitter(lua_State* L)
    {
        nE_PartSysImpl_Complex* self = Self(L);
        const char* name = lua_type(L, 1) == LUA_TSTRING ? lua_tostring(L, 1) : nullptr;
        const float x = Number(L, 2), y = Number(L, 3);
        lua_settop(L, 0);
        const int index = name ? self->FindTemplate(name) : -1;
        if (index < 0 || !Finite(self, "CreateEmitter", x) || !Finite(self, "CreateEmitter", y)) return 0;
        if (self->m_emitters.size() >= nE_PsBudget::kEmitters)
        {
            self->Warn("emitters", "reaches " + std::to_string(nE_PsBudget::kEmitters) +
                                       " emitters; CreateEmitter makes no more until some are deleted");
            return 0;
        }
        nE_ComplexEmitter emitter;
        emitter.templateIndex = unsigned(index);
        emitter.x = x;
        emitter.y = y;
        if (const nE_ComplexParticle* p = self->m_currentParticle)
        {
            emitter.x += p->values[NE_PS_POS_X];
            emitter.y += p->values[NE_PS_POS_Y];
        }
        self->m_emitters.push_back(emitter);
        return 0;
    }

    static int CreateParticles(lua_State* L)
    {
        const float count = Number(L, 1);
        lua_settop(L, 0);
        Self(L)->EmitParticles(count);
        return 0;
    }

    static int DieAfter(lua_State* L)
    {
        const float seconds = Number(L, 1);
        lua_settop(L, 0);
        nE_ComplexParticle* p = Self(L)->m_currentParticle;
        if (p && Finite(Self(L), "DieAfter", seconds)) p->lifetime = seconds;
        return 0;
    }

    static int Random(lua_State* L)
    {
        const double a = lua_tonumber(L, 1), b = lua_tonumber(L, 2);
        lua_settop(L, 0);
        lua_pushnumber(L, a + double(std::rand() % 10000) * (b - a) / 10000.0);
        return 1;
    }

    static int Animate(lua_State* L)
    {
        nE_PartSysImpl_Complex* self = Self(L);
        nE_ComplexParticle* p = self->m_currentParticle;
        nE_ComplexTrack track;
        track.property = int(lua_tointeger(L, 1));
        bool finite = true;
        if (p && lua_istable(L, 2))
        {
            size_t pairs = lua_objlen(L, 2) / 2;
            if (pairs > nE_PsBudget::kTrackKeys)
            {
                self->Warn("keys", "animates with more than " + std::to_string(nE_PsBudget::kTrackKeys) +
                                       " keys; the rest are dropped");
                pairs = nE_PsBudget::kTrackKeys;
            }
            track.keys.reserve(pairs * 2);
            for (size_t i = 1; i <= pairs * 2; ++i)
            {
                lua_rawgeti(L, 2, int(i));
                track.keys.push_back(Number(L, -1));
                finite = finite && std::isfinite(track.keys.back());
                lua_pop(L, 1);
            }
        }
        lua_settop(L, 0);
        const bool stored =
            track.property >= 0 && track.property < NE_PS_PROPERTY_COUNT && track.property != NE_PS_POS_Z;
        if (!p || !stored || track.keys.empty()) return 0;
        if (!finite)
        {
            self->Warn("number", "gives Animate a number that is not finite; ignored");
            return 0;
        }
        // A new track of a property replaces its old one, which it would
        // overrule at every step anyway: a particle holds one per property.
        for (nE_ComplexTrack& old : p->tracks)
            if (old.property == track.property)
            {
                old = std::move(track);
                return 0;
            }
        p->tracks.push_back(std::move(track));
        return 0;
    }

    static int DeleteMe(lua_State* L)
    {
        lua_settop(L, 0);
        if (nE_ComplexEmitter* e = Self(L)->CurrentEmitter()) e->dead = true;
        return 0;
    }

    static int ObjGet(lua_State* L)
    {
        lua_settop(L, 0);
        lua_newtable(L);
        if (nE_Object* owner = Self(L)->GetOwner())
        {
            nE_SLHelper_Lua sl(L, false);
            owner->Save(sl);
        }
        return 1;
    }

    static int GetPosFromMask(lua_State* L)
    {
        lua_settop(L, 0);
        float x = 0.0f, y = 0.0f;
        Self(L)->SampleMask(x, y);
        lua_newtable(L);
        lua_pushstring(L, "x");
        lua_pushnumber(L, x);
        lua_rawset(L, -3);
        lua_pushstring(L, "y");
        lua_pushnumber(L, y);
        lua_rawset(L, -3);
        return 1;
    }

    static int SetProperty(lua_State* L)
    {
        nE_PartSysImpl_Complex* self = Self(L);
        nE_ComplexParticle* p = self->m_currentParticle;
        const int type = lua_type(L, 1);
        const float value = Number(L, 2);
        if (p && (type == LUA_TNUMBER || type == LUA_TSTRING) && Finite(self, "SetProperty", value))
        {
            if (type == LUA_TNUMBER)
                p->Set(int(lua_tointeger(L, 1)), value);
            else
                SetNamed(self, *p, lua_tostring(L, 1), value);
        }
        lua_settop(L, 0);
        return 0;
    }

    // A particle keeps a few named numbers of short names: a chunk making up
    // new names every step must not grow it without end.
    static void SetNamed(nE_PartSysImpl_Complex* self, nE_ComplexParticle& p, const std::string& name,
                         float value)
    {
        auto it = p.named.find(name);
        if (it != p.named.end())
            it->second = value;
        else if (p.named.size() < nE_PsBudget::kNamedValues && name.size() <= nE_PsBudget::kNameLength)
            p.named.emplace(name, value);
        else
            self->Warn("names", "sets more than " + std::to_string(nE_PsBudget::kNamedValues) +
                                    " named numbers on a particle, or a name longer than " +
                                    std::to_string(nE_PsBudget::kNameLength) + " characters; refused");
    }

    static int GetProperty(lua_State* L)
    {
        const nE_ComplexParticle* p = Self(L)->m_currentParticle;
        float value = 0.0f;
        if (p && lua_type(L, 1) == LUA_TNUMBER)
            value = p->Get(int(lua_tointeger(L, 1)));
        else if (p && lua_type(L, 1) == LUA_TSTRING)
        {
            auto it = p->named.find(lua_tostring(L, 1));
            if (it != p->named.end()) value = it->second;
        }
        lua_settop(L, 0);
        lua_pushnumber(L, value);
        return 1;
    }

    static int SetIndependent(lua_State* L)
    {
        lua_settop(L, 0);
        if (nE_ComplexParticle* p = Self(L)->m_currentParticle) p->independent = true;
        return 0;
    }
};

void nE_ComplexOpenScriptFunctions(lua_State* L, nE_PartSysImpl_Complex* system)
{
    static const luaL_Reg kFunctions[] = {{"CreateEmitter", nE_ComplexScript::CreateEmitter},
                                          {"CreateParticles", nE_ComplexScript::CreateParticles},
                                          {"DieAfter", nE_ComplexScript::DieAfter},
                                          {"Random", nE_ComplexScript::Random},
                                          {"Animate", nE_ComplexScript::Animate},
                                          {"DeleteMe", nE_ComplexScript::DeleteMe},
                                          {"ObjGet", nE_ComplexScript::ObjGet},
                                          {"GetPosFromMask", nE_ComplexScript::GetPosFromMask},
                                          {"SetProperty", nE_ComplexScript::SetProperty},
                                          {"GetProperty", nE_ComplexScript::GetProperty},
                                          {"SetIndependent", nE_ComplexScript::SetIndependent}};
    for (const luaL_Reg& f : kFunctions)
    {
        lua_pushlightuserdata(L, system);
        lua_pushcclosure(L, f.func, 1);
        lua_setglobal(L, f.name);
    }
}
