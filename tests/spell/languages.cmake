# Locale names, code pages and conversion tables.
quill_add_test(tst_languages spell/tst_languages.cpp)
quill_add_test(tst_codePages spell/tst_codePages.cpp)
