# The language picker, on real settings hives and ispell folders.
quill_add_test(tst_languagePicker spell/tst_languagePicker.cpp)
