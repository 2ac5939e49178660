#include "DesktopShell.h"
