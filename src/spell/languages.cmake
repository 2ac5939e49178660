# Locale names, code pages and the conversion tables of the ispell engine.
target_sources(quill_spell PRIVATE
    Languages.cpp
    Languages.h
)
target_link_libraries(quill_spell PRIVATE PkgConfig::ICU)
target_sources(quill_spell PRIVATE
    CodePages.cpp
    CodePages.h
)
