// The video object on hostile files: the input's first part steers (which
// alpha file is there, looping, frame counting, then one step per byte:
// ticks of several lengths, a jump to a frame, pause, play again, stop, a
// device loss), the others are the ".ogg", the alpha stream and the ".srt".
// Each step is followed by a draw; the texture, when there is one, is as
// large as the frames the player reports.
#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_TriggerManager.h"
#include "engine/platform/nE_Texture.h"
#include "engine/scene/nE_TheoraDecoder.h"
#include "engine/scene/nE_Video.h"
#include "fuzz_support.h"
#include "tests/core/recording_render.h"

#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool once = []
    {
        fuzz::Scratch();
        nE_EngineContext::Instance();
        g_triggerManager->AddTrigger(std::make_unique<nE_Trigger>("ended", "ended = (ended or 0) + 1"));
        return true;
    }();
    (void)once;
    const std::vector<std::string> parts = fuzz::Split(data, size, 4);
    const std::string& steer = parts[0];
    const unsigned flags = steer.empty() ? 0 : uint8_t(steer[0]);
    for (const char* suffix : {".zalpha", ".oggalpha", ".srt"})
        std::remove((fuzz::Scratch() + "v" + suffix).c_str());
    fuzz::Write("v.ogg", parts[1]);
    if (flags & 1) fuzz::Write("v.zalpha", parts[2]);
    if (flags & 2) fuzz::Write("v.oggalpha", parts[2]);
    if (flags & 4) fuzz::Write("v.srt", parts[3]);
    RecordingRender render;
    {
        nE_Video video("fuzz");
        video.SetCountFrames(flags & 8);
        video.SetResourceName("v");
        video.LoadResourcesTree();
        video.SetLoop(flags & 16);
        video.Play("ended");
        for (size_t i = 1; i < steer.size() && i < 64; ++i)
        {
            const uint8_t op = uint8_t(steer[i]);
            nE_TimeStep step;
            switch (op % 8)
            {
            case 0: video.SetFrame(op / 8 - 4); break;
            case 1: video.Pause(op & 8); break;
            case 2: video.Play("ended"); break;
            case 3: video.Stop(); break;
            case 4: video.Restore(true); break;
            default:
                step.step = step.elapsed = (op / 8) * (op % 8 == 7 ? 1.0f : 0.02f);
                video.UpdateTree(&step);
            }
            video.DrawTree(&render, nE_RenderState());
            const std::shared_ptr<nE_Texture> texture = video.GetTexture();
            const nE_VideoPlayer* player = video.GetPlayer();
            if (texture && player && player->HasDecoder() &&
                (texture->GetWidth() != float(player->GetFrameWidth()) ||
                 texture->GetHeight() != float(player->GetFrameHeight())))
                std::abort();
        }
        video.ReleaseResourcesTree();
    }
    g_triggerManager->Update();
    // The trigger's compiled text freed now: memory still held after an input
    // has the fuzzer look for leaks, a whole-heap scan each time.
    lua_gc(nE_GetLua(), LUA_GCCOLLECT, 0);
    return 0;
}
