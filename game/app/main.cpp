// The program's entry: everything runs on the engine library's loop, which
// reads its own command-line flags.

#include "game/app/nG_Startup.h"

int main(int argc, char** argv)
{
    return nG_RunGame(argc, argv);
}
