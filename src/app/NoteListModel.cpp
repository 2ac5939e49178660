#include "NoteListModel.h"
