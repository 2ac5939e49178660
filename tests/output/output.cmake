# Export of notes to a text file and printing.
quill_add_test(tst_export output/tst_export.cpp)
quill_add_test(tst_print output/tst_print.cpp)
