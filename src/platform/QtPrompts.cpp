#include "QtPrompts.h"
