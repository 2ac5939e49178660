# One folder per program and dictionary; the ispell engine and the language picker read them from
# bin/ispell.
set(QUILL_ISPELL_DESCRIPTORS
    aspell-de_DE
    aspell-en_GB
    aspell-en_US
    aspell-es
    aspell-fr_FR
    hunspell-de_DE
    hunspell-en_GB
    hunspell-en_US
    hunspell-es_ES
    hunspell-fr_FR
    ispell-american
    ispell-british
    ispell-french
    ispell-ngerman
    ispell-spanish
)
foreach(folder IN LISTS QUILL_ISPELL_DESCRIPTORS)
    configure_file(ispell/${folder}/ispell.ini ${CMAKE_BINARY_DIR}/bin/ispell/${folder}/ispell.ini COPYONLY)
endforeach()
