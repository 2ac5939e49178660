# The ispell engine against the real ispell, hunspell and aspell, and against misbehaving programs.
quill_add_test(tst_ispellSpeller spell/tst_ispellSpeller.cpp TIMEOUT 180)
