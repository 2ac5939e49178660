# The language picker, its two engine pictures, and the stored choice applied at start-up.
target_sources(quill_spell_ui PRIVATE
    SpellSettings.cpp
    SpellSettings.h
    TSpellLanguageComboBox.cpp
    TSpellLanguageComboBox.h
    ${PROJECT_SOURCE_DIR}/resources/spell/spell.qrc
)
