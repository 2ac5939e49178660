# The language picker, on real settings hives and ispell folders.
quill_add_test(tst_languagePicker spell/tst_languagePicker.cpp)
quill_add_test(tst_spellSettings app/tst_spellSettings.cpp)
