#pragma once
// Particle systems of fixed emitter parameters (root "type" = "jan"): each
// "emit" element is an emitter that spawns particles in bursts and moves,
// scales, turns, fades and tints them by per-frame rates (a frame is 1/60 s).

#include "engine/scene/nE_ParticleSystem.h"

#include <memory>
#include <string>
#include <vector>

class TiXmlDocument;

struct nE_JanParticle
{
    float x = 0, y = 0;
    float scaleX = 0, scaleY = 0;
    float drawnRotation = 0;
    float speedX = 0, speedY = 0;
    float gravity = 0;
    float scaleSpeedX = 0, scaleSpeedY = 0;
    float course = 0, courseSpeed = 0;
    float rotationSpeed = 0, rotation = 0;
    float age = 0, lifetime = 0;
    float alpha = 0, alphaSpeed = 0, birthAlpha = 0;
    float red = 0, redSpeed = 0, green = 0, greenSpeed = 0, blue = 0, blueSpeed = 0;
};

// The file's parameters of one emitter, times in seconds, angles in radians,
// colours 0..1.
struct nE_JanParams
{
    float lifetime = 0, lifetime_delta = 0, delay = 0, delay_delta = 0, delay_init = 0;
    float born_count = 0, born_count_delta = 0;
    int gflag = 0, course = 0;
    bool free = false;
    float pos_x = 0, pos_y = 0, pos_x_delta = 0, pos_y_delta = 0;
    float speed_x = 0, speed_y = 0, speed_x_delta = 0, speed_y_delta = 0, speed_xf = 1, speed_yf = 1;
    float grav = 0, gravf = 1;
    float grotate = 0, grotate_delta = 0, grotate_speed = 0, grotate_speed_delta = 0, grotatef = 1;
    int scale_mode = 0;
    float scale_x = 0, scale_y = 0, scale_x_delta = 0, scale_y_delta = 0;
    float scale_x_speed = 0, scale_y_speed = 0, scale_x_speed_delta = 0, scale_y_speed_delta = 0;
    float scale_xf = 1, scale_yf = 1;
    float rotate = 0, rotate_delta = 0, rotate_speed = 0, rotate_speed_delta = 0, rotatef = 1;
    float alpha = 0, alpha_delta = 0, alpha_speed = 0, alpha_speed_delta = 0, alpha_peak = 0;
    int alpha_mode = 0;
    float color_r = 0, color_r_delta = 0, color_r_speed = 0, color_r_speed_delta = 0;
    float color_g = 0, color_g_delta = 0, color_g_speed = 0, color_g_speed_delta = 0;
    float color_b = 0, color_b_delta = 0, color_b_speed = 0, color_b_speed_delta = 0;
    int preproc = 0, autooff = -1, blend = 0;
};

struct nE_JanEmitter
{
    std::vector<nE_JanParticle> particles;
    std::shared_ptr<nE_Texture> texture;
    float countdown = 0;
    int burstsLeft = -1; // -1 unlimited, 0 finished
    nE_JanParams p;
    std::string textureName;
};

class nE_PartSysImpl_Jan : public nE_PartSysImpl
{
public:
    ~nE_PartSysImpl_Jan() override;

    // A missing file logs and keeps no emitter.
    bool Load(const std::string& name) override;
    // The emitters of a parsed document; `path` names it in log lines.
    bool LoadDocument(const TiXmlDocument& doc, const std::string& path) override;
    void LoadResources() override;
    void ReleaseResources() override;
    void Update(const nE_TimeStep* step) override;
    void Draw(nE_Render* render, const nE_RenderState* state) override;
    void Start() override;
    void Stop(bool clear) override;

    const std::vector<nE_JanEmitter>& GetEmitters() const { return m_emitters; }
    // Live particles of every emitter.
    size_t GetParticleCount() const;

private:
    // Spawns while running; true when the emitter has used up its bursts.
    bool Emit(nE_JanEmitter& e, float step);
    // Whether one more birth fits the budgets this step; counts it when it does.
    bool MayBear();
    void Spawn(nE_JanEmitter& e);
    void Advance(nE_JanEmitter& e, float step);
    void Warn(const char* kind, const std::string& text) const;

    std::vector<nE_JanEmitter> m_emitters;
    std::string m_path;
    // Counted through each step: the live particles, the births, and the
    // work done (emitters, particles born and moved) for the pre-run.
    size_t m_alive = 0, m_births = 0, m_stepWork = 0;
    nE_PsQuads m_quads;
};
