#include "engine/core/nE_Tween.h"

#include <cmath>

int nE_TweenComponents(int kind)
{
    switch (kind)
    {
    case NE_TWEEN_XY:
    case NE_TWEEN_SCALE_XY:
        return 2;
    case NE_TWEEN_COLOR_RGB:
        return 3;
    default:
        return 1;
    }
}

int nE_TweenStride(int kind)
{
    return nE_TweenComponents(kind) + 2;
}

float nE_Interpolate(int curve, float a, float b, float t)
{
    const float kPi = 3.141592f;
    const float kHalfPi = 1.570796f;
    switch (curve)
    {
    case NE_CURVE_EASE_IN:
        return a + (b - a) * (std::sin(t * kPi * 0.5f - kHalfPi) + 1.0f);
    case NE_CURVE_EASE_OUT:
        return a + (b - a) * std::sin(t * kPi * 0.5f);
    case NE_CURVE_EASE_IN_OUT:
        return a + (b - a) * (std::sin(t * kPi - kHalfPi) + 1.0f) * 0.5f;
    default:
        return a + (b - a) * t;
    }
}

namespace
{
// Curve codes arrive as floats from scripts.
int CurveFromValue(float v)
{
    for (int code = NE_CURVE_EASE_IN; code <= NE_CURVE_EASE_IN_OUT; ++code)
        if (std::fabs(v - static_cast<float>(code)) <= 0.0001f) return code;
    return NE_CURVE_LINEAR;
}
} // namespace

nE_Tween::nE_Tween(int keyCount, bool loop, const std::string& trigger, const std::string& objectName,
                   const float* values, int components, nE_TweenPoster poster)
    : m_poster(std::move(poster))
{
    if (keyCount <= 0 || components <= 0 || components >= 4 || !values) return;
    m_trigger = trigger;
    m_objectName = objectName;
    m_loop = loop;
    m_keyCount = keyCount;
    m_components = components;
    m_finished = false;
    m_keys.reserve(keyCount);
    for (int k = 0; k < keyCount; ++k, values += components + 2)
    {
        nE_TweenKey key;
        key.time = values[0];
        key.curve = CurveFromValue(values[1]);
        key.value1 = values[2];
        key.value2 = components >= 2 ? values[3] : 0.0f;
        key.value3 = components >= 3 ? values[4] : 0.0f;
        m_keys.push_back(key);
    }
}

size_t nE_Tween::FindSegmentStart() const
{
    size_t i = 0;
    for (size_t k = 0; k < m_keys.size() && m_keys[k].time <= m_currentTime; ++k)
        i = k;
    return i;
}

void nE_Tween::WriteKey(const nE_TweenKey& key, float* c1, float* c2, float* c3) const
{
    *c1 = key.value1;
    if (m_components >= 2) *c2 = key.value2;
    if (m_components >= 3) *c3 = key.value3;
}

void nE_Tween::WriteSegment(size_t i, float* c1, float* c2, float* c3) const
{
    const nE_TweenKey& from = m_keys[i];
    const nE_TweenKey& to = m_keys[i + 1];
    float span = to.time - from.time;
    // Only reachable before the first key: a zero-length segment holds its
    // start until its time comes.
    if (span == 0.0f)
    {
        WriteKey(from, c1, c2, c3);
        return;
    }
    float f = (m_currentTime - from.time) / span;
    *c1 = nE_Interpolate(to.curve, from.value1, to.value1, f);
    if (m_components >= 2) *c2 = nE_Interpolate(to.curve, from.value2, to.value2, f);
    if (m_components >= 3) *c3 = nE_Interpolate(to.curve, from.value3, to.value3, f);
}

void nE_Tween::Post()
{
    if (m_poster) m_poster(m_trigger, m_objectName);
}

void nE_Tween::Update(float dt, float* c1, float* c2, float* c3)
{
    if (m_finished || m_keys.empty() || !c1 || (m_components >= 2 && !c2) || (m_components >= 3 && !c3))
        return;
    if (std::isfinite(dt)) m_currentTime += dt; // a broken step must not poison the clock
    size_t i = FindSegmentStart();
    if (i + 1 < m_keys.size())
    {
        WriteSegment(i, c1, c2, c3);
        return;
    }
    WriteKey(m_keys.back(), c1, c2, c3);
    if (m_loop)
        m_currentTime = 0.0f;
    else
        m_finished = true;
    Post();
}

std::unique_ptr<nE_Tween> nE_MakeTween(int kind, bool loop, const std::string& trigger,
                                       const std::string& objectName, const float* values, unsigned count,
                                       nE_TweenPoster poster)
{
    int stride = nE_TweenStride(kind);
    int keys = static_cast<int>(count / static_cast<unsigned>(stride));
    return std::make_unique<nE_Tween>(keys, loop, trigger, objectName, values, nE_TweenComponents(kind),
                                      std::move(poster));
}
