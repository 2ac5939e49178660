#pragma once

#include <QString>

// The view the checker drives for each finding. The program's one is SpellingDialog; tests may
// script it. Presentations show the dialog themselves when it is not visible (modal or modeless as
// the checker's ModalDialog says); a modal show returns only when the dialog is hidden again.
class ISpellDialog {
public:
    virtual ~ISpellDialog() = default;

    // Findings with a list of suggestions.
    virtual void presentSuggestions(const QString& message) = 0;
    // Missing space, initial numeral: skip or edit only.
    virtual void presentSkipOrEdit(const QString& message) = 0;
    // Repeated word: delete or skip.
    virtual void presentRepeatedWord() = 0;

    virtual bool isDialogVisible() const = 0;
    virtual void showDialog() = 0; // modal when the checker's ModalDialog is on
    virtual void hideDialog() = 0; // also ends a modal show
    virtual void closeDialog() = 0;
    virtual void setDialogCaption(const QString& caption) = 0;
};
