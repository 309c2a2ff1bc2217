// A particle description file, its seeds of the scripted form: every chunk
// runs, loops included.
#include "fuzz_particles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzz::RunParticleFile(data, size);
}
