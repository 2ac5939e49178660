#pragma once

struct AppSettings;
class SpellChecker;
class LanguagePicker;

// The stored spelling choice at start-up: "SpellCheckerType" 1 switches the checker to the proofing
// library engine, 2 to ispell, anything else leaves its engine; then the picker selects the entry
// "SpellCheckerLanguage" (already 1 when no type was chosen), which configures the checker anew.
void applySpellSettings(const AppSettings& settings, SpellChecker& checker, LanguagePicker& picker);
