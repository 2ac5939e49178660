# The spell checker's scripted engine and dialog, its tests and the main window's Spell Check command.
target_sources(quill_test_support PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/support/ScriptedSpeller.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/support/ScriptedSpeller.h
    ${CMAKE_CURRENT_SOURCE_DIR}/support/ScriptedSpellDialog.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/support/ScriptedSpellDialog.h
)
quill_add_test(tst_spellChecker spell/tst_spellChecker.cpp)
quill_add_test(tst_spellCommand app/tst_spellCommand.cpp)
