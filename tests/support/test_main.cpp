#include <dlfcn.h>
#include <stdlib.h>

#include "support/failing_new.h"

#include <gtest/gtest.h>

#include <new>
#include <string>

// Mesa's drivers keep allocations alive past exit; keep them loaded so the
// leak checker sees them as reachable instead of reporting them.
static void PinGraphicsLibraries()
{
    const char* libs[] = {"libGLX_mesa.so.0", "libEGL_mesa.so.0", "libgallium_dri.so", "swrast_dri.so"};
    for (const char* lib : libs)
        dlopen(lib, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}

// A driver unloaded with its window in the middle of a run leaves its
// allocations to a module the leak checker can no longer name (nor scan), so
// windowed test programs load it first and never let it go.
static void KeepGraphicsDriverLoaded()
{
#ifdef NE_GL_DRIVER
    const char* libs[] = {"libGLX_mesa.so.0", "libEGL_mesa.so.0", NE_GL_DRIVER};
    for (const char* lib : libs)
        dlopen(lib, RTLD_NOW | RTLD_NODELETE);
#endif
}

// Read before the runtime is initialised, so it must be a constant.
extern "C" const char* __lsan_default_options()
{
    return "print_suppressions=0:suppressions=" NE_SOURCE_DIR_DEFAULT "/tests/lsan.supp";
}

// Dynamic thread-local storage of the GL driver's libraries confuses the leak
// checker's range tracking (it crashes while scanning); it is not our memory.
extern "C" const char* __asan_default_options()
{
    return "intercept_tls_get_addr=0";
}

// The replaceable operator new, for tests of what a loader does when memory
// runs out (see failing_new.h); the sanitizers' own must stay in place.
static size_t s_failingSize = 0;

void SetFailingAllocationSize(size_t bytes)
{
    s_failingSize = bytes;
}

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define NE_TEST_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(NE_TEST_ASAN)
bool FailingAllocationsWork()
{
    return false;
}
#else
bool FailingAllocationsWork()
{
    return true;
}

void* operator new(size_t size)
{
    void* block = s_failingSize && size >= s_failingSize ? nullptr : malloc(size ? size : 1);
    if (!block) throw std::bad_alloc();
    return block;
}
#endif

static void SetTestEnvironment()
{
    const std::string source = NE_SOURCE_DIR_DEFAULT;
    setenv("NE_SOURCE_DIR", source.c_str(), 0);
    setenv("NE_TEST_DATA", (source + "/tests/data").c_str(), 0);
    // No test needs a sound device; must be set before the first OpenAL call.
    setenv("ALSOFT_DRIVERS", "null", 0);
}

int main(int argc, char** argv)
{
    SetTestEnvironment();
    KeepGraphicsDriverLoaded();
    testing::InitGoogleTest(&argc, argv);
    int rc = RUN_ALL_TESTS();
    PinGraphicsLibraries();
    return rc;
}
