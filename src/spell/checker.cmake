# The spell checker and the adapter over the program's text controls.
target_sources(quill_spell PRIVATE TSpellChecker.cpp)
target_sources(quill_spell_ui PRIVATE RichEditSpellControl.cpp RichEditSpellControl.h)
