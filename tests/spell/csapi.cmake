# The speller library through its C interface, as shipped and under AddressSanitizer / UBSan.
quill_add_test(tst_csapiLibrary spell/tst_csapiLibrary.cpp)
target_link_libraries(tst_csapiLibrary PRIVATE quillcsapi)

quill_add_test(tst_csapiLibraryAsan spell/tst_csapiLibrary.cpp TIMEOUT 300)
target_link_libraries(tst_csapiLibraryAsan PRIVATE quillcsapi_asan)
set_tests_properties(tst_csapiLibraryAsan PROPERTIES ENVIRONMENT
    "QT_QPA_PLATFORM=offscreen;LC_ALL=en_US.UTF-8;LANG=en_US.UTF-8;TZ=Europe/Berlin;ASAN_OPTIONS=detect_leaks=1;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
