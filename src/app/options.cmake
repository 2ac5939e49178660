# The options dialog, the move of the notes file and the auto-start entry.
target_sources(quill_core PRIVATE
    app/OptionsChoice.cpp
    app/OptionsChoice.h
    platform/AutoStart.cpp
    platform/AutoStart.h
)
target_sources(quill_ui PRIVATE
    app/OptionsCommands.cpp
    app/OptionsCommands.h
    app/dialogs/TfrmOptions.cpp
    app/dialogs/TfrmOptions.h
)
