# The spell checker and the adapter over the program's text controls.
target_sources(quill_spell PRIVATE TSpellChecker.cpp)
