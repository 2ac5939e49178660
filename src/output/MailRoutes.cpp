#include "output/MailRoutes.h"
