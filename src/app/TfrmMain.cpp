#include "TfrmMain.h"
