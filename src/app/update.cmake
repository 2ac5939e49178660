# The update check of the main window.
target_sources(quill_ui PRIVATE
    app/UpdateCommands.cpp
    app/UpdateCommands.h
)
