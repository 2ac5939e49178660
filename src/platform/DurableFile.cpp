#include "platform/DurableFile.h"
