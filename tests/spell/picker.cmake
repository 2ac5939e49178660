# The language picker, on real settings hives and ispell folders.
quill_add_test(tst_languagePicker spell/tst_languagePicker.cpp)
quill_add_test(tst_spellSettings app/tst_spellSettings.cpp)
# The descriptors as the build ships them beside the program.
target_compile_definitions(tst_languagePicker PRIVATE QUILL_ISPELL_SHIPPED="${CMAKE_BINARY_DIR}/bin/ispell")
