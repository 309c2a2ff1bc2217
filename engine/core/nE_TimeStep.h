#pragma once
// One tick's time, in seconds: the step that animations use (capped at three
// minimum frame periods) and the raw elapsed time (uncapped, for video).

struct nE_TimeStep
{
    float step = 0.0f;
    float elapsed = 0.0f;
};
