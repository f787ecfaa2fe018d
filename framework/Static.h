// CStatic: a static text or picture control; the base of controls that draw themselves.
#pragma once

#include "Wnd.h"

class CStatic : public CWnd {
};
