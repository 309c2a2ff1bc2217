#pragma once
// A particle effect in a scene: an object of type "partsys" whose resource
// name is a description file. The root's "type" picks the implementation that
// does the work: "jan" a file of fixed emitter parameters, "complex" (or no
// type) emitters driven by Lua chunks. The object itself draws nothing.

#include "engine/core/nE_Object.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class nE_ParticleSystem;
class nE_Texture;
class nE_VertexList_Pl5;
namespace DE50
{
struct TTransformedLitVert;
}
class TiXmlDocument;

// The most work one system's content may ask for, whatever its numbers and
// chunks say. Past a bound the excess is dropped and the file named once.
struct nE_PsBudget
{
    // Alive, every emitter together: an emitter file's particle costs a few
    // hundred nanoseconds a frame, a scripted one may run a chunk.
    static constexpr size_t kFileParticles = 50000;
    static constexpr size_t kScriptedParticles = 10000;
    static constexpr size_t kEmitters = 256;       // of a file, and alive in a scripted system
    static constexpr size_t kBirthsPerStep = 2000; // over every emitter
    static constexpr size_t kPreprocWork = 100000; // particle-steps of an emitter file's pre-run
    static constexpr size_t kTrackKeys = 64;       // (time, value) pairs of one Animate
    static constexpr size_t kNamedValues = 16;     // named numbers of one particle
    static constexpr size_t kNameLength = 64;      // characters of such a name
};

class nE_PartSysImpl
{
public:
    virtual ~nE_PartSysImpl() = default;
    // Reads "<name>.xml".
    virtual bool Load(const std::string& name) = 0;
    // The description of a document already parsed; `path` names it in log lines.
    virtual bool LoadDocument(const TiXmlDocument& doc, const std::string& path) = 0;
    virtual void LoadResources() = 0;
    virtual void ReleaseResources() = 0;
    virtual void Update(const nE_TimeStep* step) = 0;
    virtual void Draw(nE_Render* render, const nE_RenderState* state) = 0;
    virtual void Start() { m_running = true; }
    virtual void Stop(bool /*clear*/) { m_running = false; }
    virtual void SetPaused(bool paused) { m_paused = paused; }
    virtual bool IsRunning() const { return m_running; }

    bool IsPaused() const { return m_paused; }
    nE_ParticleSystem* GetOwner() const { return m_owner; }
    void SetOwner(nE_ParticleSystem* owner) { m_owner = owner; }
    // Held through the liveness handle: a deleted mask reads as none.
    nE_Object* GetMask() const { return m_mask.Get(); }
    void SetMask(nE_Object* mask) { m_mask = mask ? mask->GetHandle() : nE_ObjectHandle(); }

protected:
    // Parses `path` into `doc`. A missing file logs `missingLine` (one %s,
    // given `shown`) and answers false; so does a file that does not parse.
    static bool ReadDescription(const std::string& path, TiXmlDocument& doc, const char* missingLine,
                                const std::string& shown);
    // The image from the resource cache; empty without a cache or image.
    // `missing` gets set when the cache could not load it (an empty name too).
    static std::shared_ptr<nE_Texture> CachedTexture(const std::string& name, bool* missing = nullptr);
    // "Warning: <owner>::"<path>" <text>", the first time `kind` goes wrong for that file.
    static void WarnFile(const char* owner, const std::string& path, const char* kind,
                         const std::string& text);

    // A random point of the mask's texture that its hit test accepts, in the
    // mask's parent space. Without a live mask answers false. A mask without
    // a texture, of no size, or whose texture accepts nothing within a bounded
    // number of tries gives its centre (the last case logged once).
    bool SampleMask(float& x, float& y);

    nE_ParticleSystem* m_owner = nullptr;
    nE_ObjectHandle m_mask;
    bool m_running = false;
    bool m_paused = false;

private:
    bool m_maskWarned = false;
};

class nE_ParticleSystem : public nE_Object
{
public:
    nE_ParticleSystem();
    explicit nE_ParticleSystem(const std::string& name);
    ~nE_ParticleSystem() override;

    void SetResourceName(const std::string& name) override;
    void Load(nE_SLHelper& sl) override;
    void Save(nE_SLHelper& sl) override;
    std::string GetTypeName() const override { return "partsys"; }
    void SetDefaults() override;
    void LoadResources() override;
    void ReleaseResources() override;
    void Update(const nE_TimeStep* step) override;
    void Draw(nE_Render* render, const nE_RenderState& state) override;

    nE_PartSysImpl* GetImpl() const { return m_impl.get(); }

    static nE_Object* Create();

protected:
    // Replaces the implementation by a new, stopped one read from the
    // resource name; none when the file is missing, unreadable or of an
    // unknown type.
    void RecreateImpl();
    // Parses the description into `doc` and makes the implementation its root names.
    void CreateImpl(TiXmlDocument& doc, const std::string& path);
    void DropImpl();

    std::unique_ptr<nE_PartSysImpl> m_impl;
};

// A random value in [a, b) in 10000 steps, drawn from rand().
float nE_PsRandom(float a, float b);
inline float nE_PsSpread(float base, float delta)
{
    return nE_PsRandom(base - delta, base + delta);
}

// A 2D affine transform in the engine's row-vector form:
// x' = x * a + y * c + e, y' = x * b + y * d + f.
struct nE_PsAffine
{
    float a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;

    static nE_PsAffine FromMatrix(const nE_Matrix& m);
    // Scale, then rotation, then translation, as an object's transform.
    static nE_PsAffine Object(float x, float y, float angle, float sx, float sy);
    // This transform followed by `outer`.
    nE_PsAffine Then(const nE_PsAffine& outer) const;
};

// 0xAARRGGBB from components clamped to 0..1.
uint32_t nE_PsColour(float r, float g, float b, float a);

// The quads of one texture for one draw call: four corners per particle from
// the texture's frame, coordinates from its texture rectangle. The platform
// renderer takes the corners as they are; any other gets two triangles each.
class nE_PsQuads
{
public:
    nE_PsQuads();
    ~nE_PsQuads();
    void Begin(const nE_Texture& texture, size_t count);
    void Add(const nE_PsAffine& m, uint32_t colour);
    void Draw(nE_Render* render, const std::shared_ptr<nE_Texture>& texture, const nE_RenderState& state);

private:
    std::vector<DE50::TTransformedLitVert> m_corners;
    std::unique_ptr<nE_VertexList_Pl5> m_list; // the triangles, for other renderers
    nE_Rect m_frame, m_uv;
    size_t m_next = 0;
};

// What the Ps* script functions do, for code that holds the object: each acts
// only on a particle system (of any kind derived from "partsys") that has an
// implementation, and does nothing otherwise (null included).
void nE_PsSetMask(nE_Object* system, nE_Object* mask);
void nE_PsStart(nE_Object* system);
void nE_PsPause(nE_Object* system, bool pause);
void nE_PsStop(nE_Object* system, bool clear);

// Registers "partsys" and its script functions PsSetMaskObj, PsStart,
// PsPause, PsStop and PartSysRestart.
void nE_RegisterParticleType();
