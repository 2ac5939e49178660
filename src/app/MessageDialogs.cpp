#include "MessageDialogs.h"
