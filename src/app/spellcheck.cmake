# The main window's Spell Check command.
target_sources(quill_ui PRIVATE app/SpellCommands.cpp app/SpellCommands.h)
