# The engine that talks to ispell, hunspell or aspell through a pipe.
target_sources(quill_spell PRIVATE
    IspellAnswer.cpp
    IspellAnswer.h
    IspellEncoding.cpp
    IspellEncoding.h
    IspellPipe.cpp
    IspellPipe.h
    TISpeller.cpp
    TISpeller.h
)
