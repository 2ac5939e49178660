# Links and misspellings stay readable under light and dark palettes.
quill_add_test(tst_themes controls/tst_themes.cpp)
