#pragma once
// Scripted particle systems (root "type" = "complex", or none): emitter
// templates carry Lua chunks that a private Lua state runs. The root's
// "process" chunk runs every step; emitters run their template's "process"
// chunk, emit particles ("bornpart" runs for each newborn), and particles run
// "processpart" every step and "diepart" when their lifetime is over.

#include "engine/scene/nE_ParticleSystem.h"

#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

struct lua_State;
class TiXmlDocument;

// The Lua globals that name the animatable properties; 2 has no storage.
enum nE_ComplexProperty
{
    NE_PS_POS_X = 0,
    NE_PS_POS_Y = 1,
    NE_PS_POS_Z = 2,
    NE_PS_SCALE_X = 3,
    NE_PS_SCALE_Y = 4,
    NE_PS_ANGLE = 5,
    NE_PS_ALPHA = 6,
    NE_PS_COLOR_R = 7,
    NE_PS_COLOR_G = 8,
    NE_PS_COLOR_B = 9,
    NE_PS_PROPERTY_COUNT = 10
};

enum nE_ComplexChunk
{
    NE_PS_BORNPART = 0,
    NE_PS_DIEPART = 1,
    NE_PS_PROCESS = 2,
    NE_PS_PROCESSPART = 3,
    NE_PS_CHUNK_COUNT = 4
};

struct nE_ComplexEmitterDesc
{
    std::string name;
    std::string textureName;
    std::shared_ptr<nE_Texture> texture;
    std::string chunks[NE_PS_CHUNK_COUNT];
};

struct nE_ComplexEmitter
{
    unsigned templateIndex = 0;
    float x = 0, y = 0, z = 0;
    float accumulator = 0;
    bool dead = false;
};

// Keys are (time in percent of the lifetime, value) pairs.
struct nE_ComplexTrack
{
    int property = 0;
    size_t key = 0;
    std::vector<float> keys;
    size_t KeyCount() const { return keys.size() / 2; }
};

struct nE_ComplexParticle
{
    unsigned templateIndex = 0;
    float baseX = 0, baseY = 0, baseZ = 0;
    float lifetime = 0, age = 0;
    bool independent = false;
    float values[NE_PS_PROPERTY_COUNT] = {0, 0, 0, 1, 1, 0, 1, 1, 1, 1};
    std::vector<nE_ComplexTrack> tracks;
    std::map<std::string, float> named;

    // Alpha and colours are clamped to 0..1; index 2 and unknown ones do nothing.
    void Set(int property, float value);
    float Get(int property) const;
};

class nE_PartSysImpl_Complex : public nE_PartSysImpl
{
public:
    // Running from construction.
    nE_PartSysImpl_Complex();
    ~nE_PartSysImpl_Complex() override;

    bool Load(const std::string& name) override;
    // The templates of a parsed document; `path` names it in log lines.
    bool LoadDocument(const TiXmlDocument& doc, const std::string& path) override;
    void LoadResources() override;
    void ReleaseResources() override;
    void Update(const nE_TimeStep* step) override;
    void Draw(nE_Render* render, const nE_RenderState* state) override;
    // A system with a Lua state left from Stop(false) closes it first.
    void Start() override;
    // Stop(true) closes the Lua state and drops every emitter and particle,
    // whether or not the system was running.
    void Stop(bool clear) override;

    lua_State* GetLuaState() const { return m_L; }
    int GetPsState() const { return m_psState; }
    const std::deque<nE_ComplexEmitterDesc>& GetTemplates() const { return m_templates; }
    const std::vector<nE_ComplexEmitter>& GetEmitters() const { return m_emitters; }
    const std::vector<std::unique_ptr<nE_ComplexParticle>>& GetParticles() const { return m_particles; }
    // Lua states opened and not yet closed, over every system.
    static int GetOpenStateCount();

private:
    friend struct nE_ComplexScript;

    void OpenState();
    void CloseState();
    // Template -1 is the root's process chunk. Compiled once per state; a
    // failing chunk is logged (each distinct message once) and skipped.
    void RunChunk(int templateIndex, int chunk);
    void LogLuaError(const char* message);
    void UpdateParticles(float step);
    // Emits from the current emitter while its accumulator holds a whole one.
    void EmitParticles(float count);
    // The emitter whose chunk runs now; null outside emitter chunks.
    nE_ComplexEmitter* CurrentEmitter();
    int FindTemplate(const std::string& name) const;
    void Warn(const char* kind, const std::string& text) const;
    // Whether one more birth fits the budgets this step; counts it when it does.
    bool MayBear();

    std::deque<nE_ComplexEmitterDesc> m_templates;
    std::string m_processChunk;
    std::string m_path;
    lua_State* m_L = nullptr;
    int m_psState = 0;
    std::vector<nE_ComplexEmitter> m_emitters;
    std::vector<std::unique_ptr<nE_ComplexParticle>> m_particles;
    int m_currentEmitter = -1;
    // Set while bornpart chunks run; no emission starts then.
    bool m_emitting = false;
    size_t m_births = 0; // in this step
    nE_ComplexParticle* m_currentParticle = nullptr;
    // Registry references of the compiled chunks, by template * 4 + chunk,
    // the root's last; unset, or nil when empty or failing.
    std::vector<int> m_chunkRefs;
    // Once the watchdog has stopped one chunk, none of this system runs again
    // (a restart included): a file of many endless chunks costs one stop, not one each.
    bool m_scriptsStopped = false;
    std::set<std::string> m_loggedErrors;
    nE_PsQuads m_quads;
};
