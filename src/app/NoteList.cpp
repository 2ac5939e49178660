#include "NoteList.h"
