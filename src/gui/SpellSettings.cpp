#include "SpellSettings.h"

#include "spell/engine/SpellChecker.h"
#include "spell/ui/LanguagePicker.h"
#include "store/AppSettings.h"

void applySpellSettings(const AppSettings& settings, SpellChecker& checker, LanguagePicker& picker) {
    if (settings.spellCheckerType == 1) {
        checker.setEngineType(EngineType::Library);
    } else if (settings.spellCheckerType == 2) {
        checker.setEngineType(EngineType::Ispell);
    }
    picker.setItemIndex(settings.spellCheckerType == 0 ? 1 : settings.spellCheckerLanguage);
}
