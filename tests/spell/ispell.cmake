# The ispell engine against the real ispell, hunspell and aspell, and against misbehaving programs.
quill_add_test(tst_ispellSpeller spell/tst_ispellSpeller.cpp TIMEOUT 180)
# The descriptors as the build ships them beside the program.
target_compile_definitions(tst_ispellSpeller PRIVATE QUILL_ISPELL_SHIPPED="${CMAKE_BINARY_DIR}/bin/ispell")
