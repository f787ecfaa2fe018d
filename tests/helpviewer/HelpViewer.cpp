// A stand-in for the system's help viewer program file: the link tests copy it to where the
// help viewer lives, for its hand cursor (resource 106) alone. It is never run.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return 0;
}
