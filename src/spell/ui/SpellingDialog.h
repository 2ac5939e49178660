#pragma once

#include "spell/engine/ISpellDialog.h"
#include "spell/engine/SpellChecker.h"

#include <QDialog>
#include <exception>

class QLabel;
class QListWidget;
class QPushButton;
class SpellPreview;

// The window in which the user decides about each finding of a check. It keeps no check state of
// its own: each decision calls one operation of its checker and then continueCheck, which either
// presents the next finding here or ends the check and hides the dialog. Modal or modeless as the
// checker's ModalDialog says; a modal show returns when the checker hides the dialog.
class SpellingDialog final : public QDialog, public ISpellDialog {
    Q_OBJECT
public:
    static constexpr QSize ClientSize{310, 262};
    static constexpr int ItemHeight = 15;         // suggestion rows
    static constexpr int MaxLearnableLength = 64; // longer words can be neither skipped for good nor added

    SpellingDialog(SpellChecker& checker, QWidget* owner);
    ~SpellingDialog() override;

    // The checker's dialog factory for a dialog owned by `owner`.
    static SpellChecker::DialogFactory factory(QWidget* owner);

    // ISpellDialog
    void presentSuggestions(const QString& message) override;
    void presentSkipOrEdit(const QString& message) override;
    void presentRepeatedWord() override;
    bool isDialogVisible() const override { return isVisible(); }
    void showDialog() override;
    void hideDialog() override;
    void closeDialog() override;
    void setDialogCaption(const QString& caption) override { setWindowTitle(caption); }

    // The suggestion for an extra-spaces finding: the flagged text with the run of blanks before its
    // last character collapsed (the engine's error reaches one character further than the flagged text).
    static QString collapseSpaces(const QString& errorWord);

    // Where a failure inside a decision goes when no modal show is waiting to pass it on (modeless
    // use); without a handler it is written to the warning log.
    std::function<void(const std::exception& error)> onError;

    // Escape and the close box cancel the check.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildForm();
    QPushButton* makeButton(const char* name, const QString& caption, QRect place, const QFont& font);
    void showContext();
    void presentCommon(const QString& message);
    void fillVariants();
    void setDecisionButtons(bool withList);
    bool learnable() const;
    void setCaptions();
    void enableFinding();
    void pauseCheck();
    void previewEdited();
    void change();
    void changeAll();
    void skip();
    void skipAll();
    void addWord();
    void deleteWord();
    void cancelCheck();
    void undoEdit();
    void startAgain();
    // Runs a decision; a failure ends the check and is passed on (see OnError).
    template <typename Decision> void decide(Decision decision);
    void centreOnScreen();
    QString selectedVariant() const;

    SpellChecker& m_checker;
    QLabel* m_message;
    SpellPreview* m_preview;
    QLabel* m_suggestionsLabel;
    QListWidget* m_suggestions;
    QPushButton* m_changeButton;
    QPushButton* m_changeAllButton;
    QPushButton* m_skipButton;
    QPushButton* m_skipAllButton;
    QPushButton* m_addButton;
    QPushButton* m_cancelButton;
    QPushButton* m_undoEditButton;
    QPushButton* m_deleteButton;
    QPushButton* m_startButton;

    int m_modalDepth = 0;
    std::exception_ptr m_failure; // a decision's failure, rethrown when the modal show returns
    bool m_closing = false;
    QString m_flagged; // the flagged text as first shown, for Undo Edit
};
