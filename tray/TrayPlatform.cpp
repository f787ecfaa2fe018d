#include "TrayPlatform.h"

TrayPlatform g_trayPlatform = {::GetVersion, ::Shell_NotifyIconW};
