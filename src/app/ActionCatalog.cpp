#include "ActionCatalog.h"
