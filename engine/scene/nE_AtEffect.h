#pragma once
// An atmospheric effect: a 3D box of falling particles (rain streaks or
// flakes) in front of a camera, moved by the forces every at-effect shares
// (set from scripts with AtGlobalForceSet) and drawn as screen-space quads.

#include "engine/core/nE_Object.h"
#include "engine/core/nE_SLHelper.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class nE_VertexList;
class AtRenderer;

// Forces shared by every at-effect; scripts set them with AtGlobalForceSet.
struct nE_AtGlobalForces
{
    nE_Vec3 gravityForce{0.0f, 9.8f, 0.0f};
    nE_Vec3 windForce{0.0f, 0.0f, 0.0f};
    float airCounterforce = 0.05f;
    float randWindMinForce = 0.0f;
    float randWindMaxForce = 10.0f;
    float randWindMinWaitTime = 0.0f;
    float randWindMaxWaitTime = 10.0f;
    float randWindMinChangeTime = 0.5f;
    float randWindMaxChangeTime = 2.0f;
    nE_Vec3 gust{0.0f, 0.0f, 0.0f};
};
extern nE_AtGlobalForces g_atGlobalForces;

struct nE_AtParticle
{
    nE_Vec3 position;
    nE_Vec3 velocity;
    float lifeAlpha = 0.0f;
    float depthAlpha = 1.0f;
    float age = 0.0f;
    bool dead = false;
    nE_Vec4 head; // screen position (x, y) and depth (z) after projection
    nE_Vec4 tail;
    float headSize = 0.0f;
    float tailSize = 0.0f;
    float angle = 0.0f; // rotates the quad's corners when not 0
};

// Live particles beyond this are not born.
constexpr size_t kMaxAtParticles = 200000;

struct nE_AtField
{
    uint32_t type = 1; // 1: streaks from head to tail; 0: point sprites
    float particleInvMass = 0.01f;
    float dencity = 1.0f; // births per unit of box volume per second
    float deviation = 0.3f;
    float particleLifeTime = 20.0f;
    float rainLengthFactor = 4.0f;
    std::shared_ptr<nE_Texture> texture;
    std::vector<nE_AtParticle> particles;
    float spriteW = 10.0f, spriteH = 10.0f;
    float uvX = 1.0f, uvY = 1.0f;
    float lastDt = 1.0f / 60.0f;

    // One step of motion, deaths and births inside [boxMin, boxMax].
    void Simulate(float dt, float floorClip, const nE_Vec3& boxMin, const nE_Vec3& boxMax);

private:
    void Move(nE_AtParticle& p, float dt, float floorClip) const;
    void RemoveDead();
    void Birth(float dt, const nE_Vec3& boxMin, const nE_Vec3& boxMax);
};

// The camera and projection of one effect.
class AtRenderer
{
public:
    virtual ~AtRenderer() = default;

    void SetupCamera(const nE_SLVec2& clip);
    // Projects every particle; those that leave the view die, the others are
    // listed as visible.
    void Project(nE_AtField& field, const nE_SLVec2& clip, float particleScale);
    void Draw(nE_AtField& field, const nE_SLVec2& clip, nE_Render* render, const nE_RenderState& state,
              float particleScale);
    // The quads of the visible particles, six vertices each.
    void BuildVertices(const nE_AtField& field, const nE_RenderState& state, nE_VertexList& list) const;

    float nearZ = 1.0f;
    float farZ = 10.0f;
    float floorClip = 2.2f;
    nE_Vec3 camPos;
    nE_Vec3 camAng;
    nE_Matrix view;
    nE_Matrix projection;
    nE_Vec3 boxMin, boxMax;
    std::vector<const nE_AtParticle*> visible;

private:
    std::unique_ptr<nE_VertexList> m_list;
};

class nE_AtEffect : public nE_Object
{
public:
    nE_AtEffect();
    explicit nE_AtEffect(const std::string& name);
    ~nE_AtEffect() override;

    std::shared_ptr<nE_Texture> GetTexture() override;
    void Load(nE_SLHelper& sl) override;
    void Save(nE_SLHelper& sl) override;
    std::string GetTypeName() const override { return "ateffect"; }
    void SetDefaults() override;
    void LoadResources() override;
    void ReleaseResources() override;
    void Update(const nE_TimeStep* step) override;
    void Draw(nE_Render* render, const nE_RenderState& state) override;

    AtRenderer& GetRenderer() { return *m_renderer; }
    nE_AtField& GetField() { return *m_field; }
    const nE_SLVec2& GetClipSize() const { return m_scrClipSize; }
    float GetParticleScale() const { return m_particleScale; }
    void SetClipSize(const nE_SLVec2& size) { m_scrClipSize = size; }

    static nE_Object* Create();

private:
    // The persisted properties after the base ones, in the order Load reads
    // and Save writes them.
    static const nE_PropertyTable<nE_AtEffect>& Properties();

    std::unique_ptr<AtRenderer> m_renderer;
    std::unique_ptr<nE_AtField> m_field;
    nE_SLVec2 m_scrClipSize{0.0f, 0.0f};
    float m_particleScale = 1.0f;
    float m_fastStart = 0.0f;
};

// Registers the "ateffect" object kind and its script function
// AtGlobalForceSet.
void nE_RegisterAtEffectType();
