#include "store/DayNumber.h"
