#include "output/ErrorLog.h"
