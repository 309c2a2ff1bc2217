// A particle description file, its seeds of the emitter-file form: any
// pre-processing time and birth count.
#include "fuzz_particles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzz::RunParticleFile(data, size);
}
