#include "store/NoteStore.h"
