#pragma once
// Keyframe tweens of one property kind of an object. A tween only computes
// values and reports its end; the owner applies the values by kind and
// supplies how end triggers are posted.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Property kinds a tween can drive.
enum nE_TweenKind
{
    NE_TWEEN_X = 0,
    NE_TWEEN_Y = 1,
    NE_TWEEN_Z = 2,
    NE_TWEEN_XY = 3,
    NE_TWEEN_SCALE_X = 4,
    NE_TWEEN_SCALE_Y = 5,
    NE_TWEEN_SCALE_XY = 6,
    NE_TWEEN_ANGLE = 7,
    NE_TWEEN_ALPHA = 8,
    NE_TWEEN_COLOR_R = 9,
    NE_TWEEN_COLOR_G = 10,
    NE_TWEEN_COLOR_B = 11,
    NE_TWEEN_COLOR_RGB = 12,
    NE_TWEEN_TILE_X = 13,
    NE_TWEEN_TILE_Y = 14
};

// Components (values per key) of a kind: 1, 2 or 3. An unknown kind counts
// as 1 so its tween still runs and ends.
int nE_TweenComponents(int kind);
// Numbers per key in a flat value array: time, curve, then the components.
int nE_TweenStride(int kind);

enum nE_TweenCurve
{
    NE_CURVE_LINEAR = 0,
    NE_CURVE_EASE_IN = 1,
    NE_CURVE_EASE_OUT = 2,
    NE_CURVE_EASE_IN_OUT = 3
};

// Eased value between a and b at t (not clamped); unknown curves are linear.
float nE_Interpolate(int curve, float a, float b, float t);

struct nE_TweenKey
{
    float time = 0.0f;
    float value1 = 0.0f;
    float value2 = 0.0f;
    float value3 = 0.0f;
    int curve = NE_CURVE_LINEAR; // shapes the segment that ends at this key
};

// Posts a trigger call (trigger text, sender). Supplied by the owner so the
// tween need not know the trigger manager.
typedef std::function<void(const std::string& trigger, const std::string& sender)> nE_TweenPoster;

class nE_Tween
{
public:
    // values holds keyCount keys of (time, curve, components values). With no
    // keys, no values or components outside 1..3 the tween is born finished
    // and never posts.
    nE_Tween(int keyCount, bool loop, const std::string& trigger, const std::string& objectName,
             const float* values, int components, nE_TweenPoster poster = nullptr);

    // Advances by dt and writes the current values of the used components.
    // At the end of the last key the trigger is posted: once for a plain
    // tween (which then finishes), every lap for a looping one (which jumps
    // back to time 0). Does nothing when finished, without keys, or when an
    // output the components need is null.
    void Update(float dt, float* c1, float* c2, float* c3);

    void SetPoster(nE_TweenPoster poster) { m_poster = std::move(poster); }
    bool HasPoster() const { return static_cast<bool>(m_poster); }

    bool IsFinished() const { return m_finished; }
    bool IsLoop() const { return m_loop; }
    int GetKeyCount() const { return m_keyCount; }
    int GetComponents() const { return m_components; }
    float GetCurrentTime() const { return m_currentTime; }
    const std::string& GetTrigger() const { return m_trigger; }
    const std::string& GetObjectName() const { return m_objectName; }
    const std::vector<nE_TweenKey>& GetKeys() const { return m_keys; }

private:
    size_t FindSegmentStart() const;
    void WriteKey(const nE_TweenKey& key, float* c1, float* c2, float* c3) const;
    void WriteSegment(size_t i, float* c1, float* c2, float* c3) const;
    void Post();

    std::string m_trigger;
    std::string m_objectName; // sender of the end trigger
    bool m_loop = false;
    int m_keyCount = 0;
    int m_components = 0;
    std::vector<nE_TweenKey> m_keys;
    float m_currentTime = 0.0f;
    bool m_finished = true;
    nE_TweenPoster m_poster;
};

// Builds a tween for a property kind from a flat value array of `count`
// numbers; the key count is count / stride (a remainder is ignored).
std::unique_ptr<nE_Tween> nE_MakeTween(int kind, bool loop, const std::string& trigger,
                                       const std::string& objectName, const float* values, unsigned count,
                                       nE_TweenPoster poster = nullptr);

// One running tween of an object: at most one per kind. Relative tweens
// combine into the object's animation fields instead of setting properties.
struct nE_TweenEntry
{
    uint32_t kind = 0;
    bool relative = false;
    std::unique_ptr<nE_Tween> tween;
};
