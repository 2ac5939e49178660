# The spelling dialog and its preview.
target_sources(quill_spell_ui PRIVATE
    SpellPreview.cpp
    SpellPreview.h
    TSpellerDialog2.cpp
    TSpellerDialog2.h
)
