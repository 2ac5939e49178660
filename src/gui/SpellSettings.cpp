#include "SpellSettings.h"

#include "spell/engine/TSpellChecker.h"
#include "spell/ui/TSpellLanguageComboBox.h"
#include "store/AppSettings.h"

void applySpellSettings(const AppSettings& settings, TSpellChecker& checker, TSpellLanguageComboBox& picker) {
    if (settings.spellCheckerType == 1) {
        checker.setSpellerType(TSpellerType::sptMSOffice);
    } else if (settings.spellCheckerType == 2) {
        checker.setSpellerType(TSpellerType::sptISpell);
    }
    picker.setItemIndex(settings.spellCheckerType == 0 ? 1 : settings.spellCheckerLanguage);
}
