// Sound files of any content, loaded (decoded when short) and started on a
// loopback device so that streamed ones open their stream too.
#include "de50/de50_sound.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool open = [] {
        fuzz::Scratch();
        std::atexit(DE50::TSoundManager::Shutdown);
        return DE50::TSoundManager::OpenLoopback(22050);
    }();
    if (!open) std::abort();
    fuzz::Write("sound.ogg", std::string(reinterpret_cast<const char*>(data), size));
    if (std::shared_ptr<DE50::TSound> sound = DE50::TSound::Get(fuzz::Scratch() + "sound", false))
        if (std::shared_ptr<DE50::TSoundInstance> voice = sound->Play(false, 0.0f)) voice->Kill(0.0f);
    return 0;
}
