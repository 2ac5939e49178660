quill_add_test(tst_options app/tst_options.cpp)
quill_add_test(tst_autoStart platform/tst_autoStart.cpp)
