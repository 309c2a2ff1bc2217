#include <dlfcn.h>

#include <gtest/gtest.h>

// Mesa's drivers keep allocations alive past exit; keep them loaded so the
// leak checker sees them as reachable instead of reporting them.
static void PinGraphicsLibraries()
{
    const char* libs[] = {"libGLX_mesa.so.0", "libEGL_mesa.so.0", "libgallium_dri.so", "swrast_dri.so"};
    for (const char* lib : libs)
        dlopen(lib, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    int rc = RUN_ALL_TESTS();
    PinGraphicsLibraries();
    return rc;
}
