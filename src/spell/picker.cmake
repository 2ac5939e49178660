# The language picker and its two engine pictures.
target_sources(quill_spell_ui PRIVATE
    TSpellLanguageComboBox.cpp
    TSpellLanguageComboBox.h
    ${PROJECT_SOURCE_DIR}/resources/spell/spell.qrc
)
