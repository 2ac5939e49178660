#include "TRichEditURL.h"
