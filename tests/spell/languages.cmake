# Locale names, code pages and conversion tables.
quill_add_test(tst_languages spell/tst_languages.cpp)
