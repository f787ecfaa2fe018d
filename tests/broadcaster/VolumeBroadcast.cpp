// Tells every top-level window that a drive came or went, from outside the program that is
// told, as Windows does when a USB drive is plugged in or pulled out:
//   vexa_volume_broadcast arrival F [media]
//   vexa_volume_broadcast removal F
// The exit code is 0 once every window has answered, 1 when the broadcast failed, 2 for other
// arguments.
#include "support/WineDrives.h"

#include <dbt.h>

#include <cstring>

int main(int argc, char** argv)
{
    if (argc < 3 || std::strlen(argv[2]) != 1)
        return 2;
    const bool arrival = std::strcmp(argv[1], "arrival") == 0;
    if (!arrival && std::strcmp(argv[1], "removal") != 0)
        return 2;
    const WORD flags = argc > 3 && std::strcmp(argv[3], "media") == 0 ? DBTF_MEDIA : 0;
    return BroadcastVolumeChange(argv[2][0], arrival, flags) ? 0 : 1;
}
