#include "SpellSettings.h"

#include "spell/engine/TSpellChecker.h"
#include "spell/ui/TSpellLanguageComboBox.h"
#include "store/AppSettings.h"

void applySpellSettings(const AppSettings& settings, TSpellChecker& checker, TSpellLanguageComboBox& picker) {
    if (settings.SpellCheckerType == 1) {
        checker.setSpellerType(TSpellerType::sptMSOffice);
    } else if (settings.SpellCheckerType == 2) {
        checker.setSpellerType(TSpellerType::sptISpell);
    }
    picker.setItemIndex(settings.SpellCheckerType == 0 ? 1 : settings.SpellCheckerLanguage);
}
