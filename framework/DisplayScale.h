// The display scale a window is shown at, and the system's sizes at that scale. The calls that
// tell them per window came with Windows 10 (version 1607): they are found at run time, and
// where they do not exist the scale is the system's, as it was at the program's start.
#pragma once

#include <windows.h>

// The dots per inch of window's monitor (96 at 100 %). Refer to GetDpiForWindow.
UINT AfxGetWindowDpi(HWND window);

// A system metric (SM_CXSMICON, ...) at a scale. Refer to GetSystemMetricsForDpi.
int AfxGetSystemMetricForDpi(int index, UINT dpi);

// Icon id of the program's resources at the size the metric (SM_CXICON, SM_CXSMICON) has at a
// scale, the image drawn for that size where the resource has one; the caller destroys it.
// Refer to LoadImageA.
HICON AfxLoadIconForDpi(UINT id, int metric, UINT dpi);
