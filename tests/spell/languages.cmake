# Locale names, code pages and conversion tables.
quill_add_test(tst_languages spell/tst_languages.cpp)
quill_add_test(tst_codePages spell/tst_codePages.cpp)
# The same under a German system: the localized names follow the system's language.
add_test(NAME tst_languagesGerman COMMAND tst_languages)
set_tests_properties(tst_languagesGerman PROPERTIES TIMEOUT 120
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=de_DE.UTF-8;LANG=de_DE.UTF-8;TZ=Europe/Berlin")
