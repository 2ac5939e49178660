#include "store/StoreEscapes.h"
