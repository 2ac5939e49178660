# The spelling dialog with the real checker over a real text control and a scripted engine.
quill_add_test(tst_spellDialog spell/tst_spellDialog.cpp)
