#include "engine/scene/nE_ParticleJan.h"

#include "engine/core/nE_Log.h"
#include "engine/core/nE_NumText.h"
#include "engine/core/nE_Path.h"
#include "engine/core/nE_Render.h"
#include "engine/core/nE_Resource.h"
#include "engine/platform/nE_Texture.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <tinyxml.h>

namespace
{

const float kFileFrame = 0.017f;  // the file's times are in frames of this length
const float kFrame = 0.01667f;    // rates are per frame of this length
const float kPreprocStep = 0.17f; // one pre-run step
const float kPi = 3.141592f;

enum Conversion
{
    AS_READ,
    FRAMES,  // times the file frame
    DEGREES, // to radians
    COLOUR,  // 0..255 to 0..1
    FACTOR   // as read; 1 when missing
};

struct FloatAttribute
{
    const char* name;
    float nE_JanParams::*field;
    Conversion conversion;
};

// clang-format off
#define NE_JAN_F(name, conversion) {#name, &nE_JanParams::name, conversion}
const FloatAttribute kFloats[] = {
    NE_JAN_F(lifetime, FRAMES), NE_JAN_F(lifetime_delta, FRAMES),
    NE_JAN_F(delay, FRAMES), NE_JAN_F(delay_delta, FRAMES), NE_JAN_F(delay_init, FRAMES),
    NE_JAN_F(born_count, AS_READ), NE_JAN_F(born_count_delta, AS_READ), NE_JAN_F(pos_x, AS_READ),
    NE_JAN_F(pos_y, AS_READ), NE_JAN_F(pos_x_delta, AS_READ), NE_JAN_F(pos_y_delta, AS_READ),
    NE_JAN_F(speed_x, AS_READ), NE_JAN_F(speed_y, AS_READ), NE_JAN_F(speed_x_delta, AS_READ),
    NE_JAN_F(speed_y_delta, AS_READ), NE_JAN_F(speed_xf, FACTOR), NE_JAN_F(speed_yf, FACTOR),
    NE_JAN_F(grav, AS_READ), NE_JAN_F(gravf, FACTOR), NE_JAN_F(grotate, DEGREES),
    NE_JAN_F(grotate_delta, DEGREES), NE_JAN_F(grotate_speed, DEGREES), NE_JAN_F(grotate_speed_delta, DEGREES),
    NE_JAN_F(grotatef, FACTOR), NE_JAN_F(scale_x, AS_READ), NE_JAN_F(scale_y, AS_READ),
    NE_JAN_F(scale_x_delta, AS_READ), NE_JAN_F(scale_y_delta, AS_READ), NE_JAN_F(scale_x_speed, AS_READ),
    NE_JAN_F(scale_y_speed, AS_READ), NE_JAN_F(scale_x_speed_delta, AS_READ),
    NE_JAN_F(scale_y_speed_delta, AS_READ), NE_JAN_F(scale_xf, FACTOR), NE_JAN_F(scale_yf, FACTOR),
    NE_JAN_F(rotate, DEGREES), NE_JAN_F(rotate_delta, DEGREES), NE_JAN_F(rotate_speed, DEGREES),
    NE_JAN_F(rotate_speed_delta, DEGREES), NE_JAN_F(rotatef, FACTOR), NE_JAN_F(alpha, AS_READ),
    NE_JAN_F(alpha_delta, AS_READ), NE_JAN_F(alpha_speed, AS_READ), NE_JAN_F(alpha_speed_delta, AS_READ),
    NE_JAN_F(alpha_peak, AS_READ), NE_JAN_F(color_r, COLOUR), NE_JAN_F(color_r_delta, COLOUR),
    NE_JAN_F(color_r_speed, COLOUR), NE_JAN_F(color_r_speed_delta, COLOUR), NE_JAN_F(color_g, COLOUR),
    NE_JAN_F(color_g_delta, COLOUR), NE_JAN_F(color_g_speed, COLOUR), NE_JAN_F(color_g_speed_delta, COLOUR),
    NE_JAN_F(color_b, COLOUR), NE_JAN_F(color_b_delta, COLOUR), NE_JAN_F(color_b_speed, COLOUR),
    NE_JAN_F(color_b_speed_delta, COLOUR)};
#undef NE_JAN_F
// clang-format on

struct IntAttribute
{
    const char* name;
    int nE_JanParams::*field;
    bool required;
};

const IntAttribute kInts[] = {
    {"gflag", &nE_JanParams::gflag, true},           {"course", &nE_JanParams::course, true},
    {"scale_mode", &nE_JanParams::scale_mode, true}, {"alpha_mode", &nE_JanParams::alpha_mode, true},
    {"blend", &nE_JanParams::blend, true},           {"preproc", &nE_JanParams::preproc, false},
    {"autooff", &nE_JanParams::autooff, false}};

double Convert(double value, Conversion conversion)
{
    switch (conversion)
    {
    case FRAMES:
        return value * double(kFileFrame);
    case DEGREES:
        return value * double(kPi) / 180.0;
    case COLOUR:
        return value / 255.0;
    default:
        return value;
    }
}

// What a file's emitters get wrong: the first case of each kind, for one line each.
struct Faults
{
    std::string missing; // a required attribute absent
    std::string bad;     // an attribute, its text, what is wrong and what is used
};

void NoteBad(Faults& faults, const char* name, const char* text, const char* why, double used)
{
    if (faults.bad.empty())
        faults.bad = std::string(name) + "=\"" + text + "\" " + why + "; read as " + nE_FormatG(used, 6);
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Whether the text is one number and nothing else but white space.
bool WholeNumber(const char* text)
{
    const char* end = nullptr;
    nE_ParseFloat(text, &end);
    if (end == text) return false;
    while (IsSpace(*end))
        ++end;
    return *end == 0;
}

// Whether the text is one integer (sign and digits) and nothing else but white space.
bool WholeInteger(const char* text)
{
    while (IsSpace(*text))
        ++text;
    if (*text == '+' || *text == '-') ++text;
    if (*text < '0' || *text > '9') return false;
    while (*text >= '0' && *text <= '9')
        ++text;
    while (IsSpace(*text))
        ++text;
    return *text == 0;
}

// Reads one "emit" element. Values that are not finite keep their default;
// a negative factor (whose powers would not be numbers) reads as 0.
nE_JanEmitter ReadEmitter(const TiXmlElement* emit, Faults& faults)
{
    nE_JanEmitter e;
    auto absent = [&](const char* name)
    {
        if (faults.missing.empty()) faults.missing = name;
    };
    for (const FloatAttribute& a : kFloats)
    {
        const char* text = emit->Attribute(a.name);
        if (!text)
        {
            absent(a.name);
            continue;
        }
        const double read = Convert(nE_ParseFloat(text), a.conversion);
        if (!std::isfinite(read) || std::fabs(read) > double(FLT_MAX))
        {
            NoteBad(faults, a.name, text, "is not a finite number", e.p.*a.field);
            continue;
        }
        float value = float(read);
        if (!WholeNumber(text)) NoteBad(faults, a.name, text, "is not a number", value);
        if (a.conversion == FACTOR && value < 0.0f)
        {
            NoteBad(faults, a.name, text, "is below 0", 0.0);
            value = 0.0f;
        }
        e.p.*a.field = value;
    }
    for (const IntAttribute& a : kInts)
    {
        const char* text = emit->Attribute(a.name);
        if (!text)
        {
            if (a.required) absent(a.name);
            continue;
        }
        e.p.*a.field = nE_ParseInt(text);
        if (!WholeInteger(text)) NoteBad(faults, a.name, text, "is not a whole number", e.p.*a.field);
    }
    if (e.p.blend < 0 || e.p.blend > 4)
    {
        NoteBad(faults, "blend", emit->Attribute("blend"), "is no blend mode (0 to 4)", 0.0);
        e.p.blend = 0;
    }
    const char* free = emit->Attribute("free");
    if (free && !WholeInteger(free))
        NoteBad(faults, "free", free, "is not a whole number", nE_ParseInt(free));
    e.p.free = free && nE_ParseInt(free) == 1;
    const char* res = emit->Attribute("res");
    if (res)
        e.textureName = res;
    else
        absent("res");
    if (e.p.scale_mode != 0) e.p.scale_yf = e.p.scale_xf;
    return e;
}

float Clamp01(float v)
{
    return std::min(1.0f, std::max(0.0f, v));
}

} // namespace

nE_PartSysImpl_Jan::~nE_PartSysImpl_Jan()
{
    Stop(true);
    ReleaseResources();
}

// ---- loading ----

bool nE_PartSysImpl_Jan::Load(const std::string& name)
{
    const std::string path = nE_MakePath(name, ".xml");
    TiXmlDocument doc;
    return ReadDescription(path, doc, "nE_PartSysImpl_Jan::Could not find \"%s\" file!", path) &&
           LoadDocument(doc, path);
}

bool nE_PartSysImpl_Jan::LoadDocument(const TiXmlDocument& doc, const std::string& path)
{
    m_emitters.clear();
    m_path = path;
    const TiXmlElement* root = doc.RootElement();
    if (!root) return false;
    Faults faults;
    std::string stranger;
    bool cut = false;
    for (const TiXmlElement* child = root->FirstChildElement(); child; child = child->NextSiblingElement())
    {
        if (child->ValueStr() != "emit")
        {
            if (stranger.empty()) stranger = child->ValueStr();
        }
        else if (m_emitters.size() < nE_PsBudget::kEmitters)
            m_emitters.push_back(ReadEmitter(child, faults));
        else
            cut = true;
    }
    if (!faults.missing.empty())
        Warn("missing", "lacks emitter attribute \"" + faults.missing +
                            "\" (and maybe others); missing values read as 0, the per-frame factors as 1");
    if (!faults.bad.empty())
        Warn("number", "has a bad emitter attribute: " + faults.bad + " (maybe others too)");
    if (!stranger.empty()) Warn("element", "has an element <" + stranger + ">, which is no emitter; ignored");
    if (cut)
        Warn("emitters",
             "has more than " + std::to_string(nE_PsBudget::kEmitters) + " emitters; the rest are ignored");
    return true;
}

void nE_PartSysImpl_Jan::Warn(const char* kind, const std::string& text) const
{
    WarnFile("nE_PartSysImpl_Jan", m_path, kind, text);
}

void nE_PartSysImpl_Jan::LoadResources()
{
    const std::string* lost = nullptr;
    for (auto& e : m_emitters)
    {
        bool missing = false;
        e.texture = CachedTexture(e.textureName, &missing);
        if (missing && !lost) lost = &e.textureName;
    }
    if (lost) Warn("picture", "has no picture \"" + *lost + "\"; its emitter's particles are not drawn");
}

void nE_PartSysImpl_Jan::ReleaseResources()
{
    for (nE_JanEmitter& e : m_emitters)
        e.texture.reset();
}

// ---- running ----

void nE_PartSysImpl_Jan::Start()
{
    if (m_running) return;
    m_running = true;
    for (nE_JanEmitter& e : m_emitters)
    {
        e.particles.clear();
        e.countdown = e.p.delay_init;
        e.burstsLeft = e.p.autooff == 0 ? -1 : e.p.autooff;
    }
    // The pre-run is bounded by the work it does, not by its steps: a few
    // steps of a dense burst cost more than thousands of an idle one.
    const int preproc = m_emitters.empty() || m_paused ? 0 : m_emitters.front().p.preproc;
    nE_TimeStep step;
    step.step = step.elapsed = kPreprocStep;
    size_t work = 0;
    int done = 0;
    for (; done < preproc && work < nE_PsBudget::kPreprocWork; ++done)
    {
        Update(&step);
        work += 1 + m_stepWork;
    }
    if (done < preproc)
        Warn("preproc", "stops its pre-run after " + std::to_string(done) + " of " + std::to_string(preproc) +
                            " steps, at " + std::to_string(nE_PsBudget::kPreprocWork) + " particle-steps");
}

void nE_PartSysImpl_Jan::Stop(bool clear)
{
    m_running = false;
    if (!clear) return;
    for (nE_JanEmitter& e : m_emitters)
        e.particles.clear();
}

void nE_PartSysImpl_Jan::Update(const nE_TimeStep* step)
{
    if (m_paused) return;
    const float seconds = step ? step->step : 0.0f;
    m_stepWork = m_emitters.size();
    if (m_running)
    {
        m_alive = GetParticleCount();
        m_births = 0;
        bool allFinished = true;
        for (nE_JanEmitter& e : m_emitters)
            allFinished = Emit(e, seconds) && allFinished;
        if (allFinished) m_running = false;
        m_stepWork += m_births;
    }
    for (nE_JanEmitter& e : m_emitters)
    {
        m_stepWork += e.particles.size();
        Advance(e, seconds);
    }
}

size_t nE_PartSysImpl_Jan::GetParticleCount() const
{
    size_t count = 0;
    for (const nE_JanEmitter& e : m_emitters)
        count += e.particles.size();
    return count;
}

bool nE_PartSysImpl_Jan::MayBear()
{
    if (m_alive >= nE_PsBudget::kFileParticles)
    {
        Warn("particles", "reaches " + std::to_string(nE_PsBudget::kFileParticles) +
                              " live particles; no more are born until some die");
        return false;
    }
    if (m_births >= nE_PsBudget::kBirthsPerStep)
    {
        Warn("births", "asks for more than " + std::to_string(nE_PsBudget::kBirthsPerStep) +
                           " births in one step; the rest are dropped");
        return false;
    }
    ++m_alive;
    ++m_births;
    return true;
}

bool nE_PartSysImpl_Jan::Emit(nE_JanEmitter& e, float step)
{
    if (e.burstsLeft == 0) return true;
    e.countdown -= step;
    if (e.countdown > 0.0f) return false;
    e.countdown = nE_PsSpread(e.p.delay, e.p.delay_delta);
    float n = std::max(1.0f, nE_PsSpread(e.p.born_count, e.p.born_count_delta));
    // A huge count stops at the budgets: n - 1 may equal n.
    for (; n >= 1.0f && MayBear(); n -= 1.0f)
        Spawn(e);
    if (e.burstsLeft < 0) return false;
    --e.burstsLeft;
    return e.burstsLeft < 1;
}

void nE_PartSysImpl_Jan::Spawn(nE_JanEmitter& e)
{
    const nE_JanParams& p = e.p;
    nE_JanParticle q;
    float ox = 0.0f, oy = 0.0f;
    nE_Object* mask = GetMask();
    if (mask && mask->GetTexture()) SampleMask(ox, oy);
    q.x = p.pos_x + ox + nE_PsSpread(0.0f, p.pos_x_delta);
    q.y = p.pos_y + oy + nE_PsSpread(0.0f, p.pos_y_delta);
    if (p.free && !mask && m_owner)
    {
        nE_Matrix local = m_owner->GetLocalMatrix();
        q.x += local.At(3, 0);
        q.y += local.At(3, 1);
    }
    q.speedX = nE_PsSpread(p.speed_x, p.speed_x_delta);
    q.speedY = nE_PsSpread(p.speed_y, p.speed_y_delta);
    q.scaleX = nE_PsSpread(p.scale_x, p.scale_x_delta);
    q.scaleY = nE_PsSpread(p.scale_y, p.scale_y_delta);
    const float s = nE_PsSpread(0.0f, p.scale_x_speed_delta);
    q.scaleSpeedX = p.scale_x_speed + s;
    q.scaleSpeedY = nE_PsSpread(p.scale_y_speed, p.scale_y_speed_delta);
    if (p.scale_mode == 1)
    {
        q.scaleY = q.scaleX;
        q.scaleSpeedY = q.scaleSpeedX;
    }
    else if (p.scale_mode == 2)
        q.scaleSpeedY = p.scale_y_speed + s;
    q.gravity = p.grav;
    q.course = nE_PsSpread(p.grotate, p.grotate_delta);
    q.courseSpeed = nE_PsSpread(p.grotate_speed, p.grotate_speed_delta);
    q.rotation = q.drawnRotation = nE_PsSpread(p.rotate, p.rotate_delta);
    q.rotationSpeed = nE_PsSpread(p.rotate_speed, p.rotate_speed_delta);
    q.lifetime = nE_PsSpread(p.lifetime, p.lifetime_delta);
    q.alpha = q.birthAlpha = nE_PsSpread(p.alpha, p.alpha_delta);
    q.alphaSpeed = nE_PsSpread(p.alpha_speed, p.alpha_speed_delta);
    // The fades spread the distance over the lifetime in frames.
    const float frames = q.lifetime / kFileFrame;
    if (p.alpha_mode == 1) q.alphaSpeed = frames > 0.0f ? -(q.alpha / frames) : 0.0f;
    if (p.alpha_mode == 2) q.alphaSpeed = frames > 0.0f ? (1.0f - q.alpha) / frames : 0.0f;
    q.red = nE_PsSpread(p.color_r, p.color_r_delta);
    q.redSpeed = nE_PsSpread(p.color_r_speed, p.color_r_speed_delta);
    q.green = nE_PsSpread(p.color_g, p.color_g_delta);
    q.greenSpeed = nE_PsSpread(p.color_g_speed, p.color_g_speed_delta);
    q.blue = nE_PsSpread(p.color_b, p.color_b_delta);
    q.blueSpeed = nE_PsSpread(p.color_b_speed, p.color_b_speed_delta);
    e.particles.push_back(q);
}

void nE_PartSysImpl_Jan::Advance(nE_JanEmitter& e, float step)
{
    if (e.particles.empty()) return;
    const nE_JanParams& p = e.p;
    const float f = step / kFrame;
    // The damping factors raised to the frames once for every particle.
    const float speedXf = std::pow(p.speed_xf, f), speedYf = std::pow(p.speed_yf, f);
    const float gravF = std::pow(p.gravf, f), courseF = std::pow(p.grotatef, f);
    const float scaleXf = std::pow(p.scale_xf, f), scaleYf = std::pow(p.scale_yf, f);
    const float rotateF = std::pow(p.rotatef, f);
    size_t kept = 0;
    for (size_t i = 0; i < e.particles.size(); ++i)
    {
        nE_JanParticle& q = e.particles[i];
        if (p.gflag == 1)
        {
            q.x += std::cos(q.course) * q.speedX * f;
            q.y += std::sin(q.course) * q.speedY * f;
        }
        else
        {
            q.x += q.speedX * f;
            q.y += q.speedY * f;
        }
        q.speedX *= speedXf;
        q.speedY *= speedYf;
        q.y += q.gravity * f;
        q.gravity *= gravF;
        q.scaleX += q.scaleSpeedX * f;
        q.scaleY += q.scaleSpeedY * f;
        q.scaleSpeedX *= scaleXf;
        q.scaleSpeedY *= scaleYf;
        q.course += q.courseSpeed * f;
        q.courseSpeed *= courseF;
        q.rotation += q.rotationSpeed * f;
        q.rotationSpeed *= rotateF;
        q.drawnRotation = p.course == 1 ? q.rotation - (kPi - q.course) : q.rotation;
        if (p.alpha_peak == 0.0f)
            q.alpha += q.alphaSpeed * f;
        else
        {
            const float peak = p.alpha_peak * q.lifetime / 100.0f;
            if (q.age < peak)
                q.alpha = q.birthAlpha * q.age / peak;
            else if (q.lifetime > peak)
                q.alpha = q.birthAlpha - q.birthAlpha * (q.age - peak) / (q.lifetime - peak);
        }
        q.red = Clamp01(q.red + q.redSpeed * f);
        q.green = Clamp01(q.green + q.greenSpeed * f);
        q.blue = Clamp01(q.blue + q.blueSpeed * f);
        q.alpha = Clamp01(q.alpha);
        q.age += step;
        if (q.age >= q.lifetime) continue;
        if (kept != i) e.particles[kept] = q;
        ++kept;
    }
    e.particles.resize(kept);
}

// ---- drawing ----

void nE_PartSysImpl_Jan::Draw(nE_Render* render, const nE_RenderState* state)
{
    if (!render || !state) return;
    for (const nE_JanEmitter& e : m_emitters)
    {
        if (!e.texture || e.particles.empty()) continue;
        nE_RenderState drawn = *state;
        drawn.blendMode = uint32_t(e.p.blend);
        // Free particles were born in the parent's space and stay there.
        nE_Matrix outerMatrix = state->matrix;
        if (e.p.free)
        {
            nE_Object* parent = m_owner ? m_owner->GetParent() : nullptr;
            outerMatrix = parent ? parent->GetLastWorldMatrix() : nE_Matrix();
        }
        const nE_PsAffine outer = nE_PsAffine::FromMatrix(outerMatrix);
        m_quads.Begin(*e.texture, e.particles.size());
        for (const nE_JanParticle& q : e.particles)
            m_quads.Add(
                nE_PsAffine::Object(q.x, q.y, q.drawnRotation, q.scaleX, q.scaleY).Then(outer),
                nE_PsColour(q.red * state->r, q.green * state->g, q.blue * state->b, q.alpha * state->alpha));
        m_quads.Draw(render, e.texture, drawn);
    }
}
