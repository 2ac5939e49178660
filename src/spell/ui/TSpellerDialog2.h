#pragma once

#include "spell/engine/ISpellDialog.h"
#include "spell/engine/TSpellChecker.h"

#include <QDialog>
#include <exception>

class QLabel;
class QListWidget;
class QPushButton;
class SpellPreview;

// The window in which the user decides about each finding of a check. It keeps no check state of
// its own: each decision calls one operation of its checker and then ContinueCheck, which either
// presents the next finding here or ends the check and hides the dialog. Modal or modeless as the
// checker's ModalDialog says; a modal show returns when the checker hides the dialog.
class TSpellerDialog2 final : public QDialog, public ISpellDialog {
    Q_OBJECT
public:
    static constexpr QSize ClientSize{310, 262};
    static constexpr int ItemHeight = 15;         // suggestion rows
    static constexpr int MaxLearnableLength = 64; // longer words can be neither skipped for good nor added

    TSpellerDialog2(TSpellChecker& checker, QWidget* owner);
    ~TSpellerDialog2() override;

    // The checker's dialog factory for a dialog owned by `owner`.
    static TSpellChecker::DialogFactory factory(QWidget* owner);

    // ISpellDialog
    void PresentA(const QString& message) override;
    void PresentB(const QString& message) override;
    void PresentC() override;
    bool isDialogVisible() const override { return isVisible(); }
    void showDialog() override;
    void hideDialog() override;
    void closeDialog() override;
    void setDialogCaption(const QString& caption) override { setWindowTitle(caption); }

    // The suggestion for an extra-spaces finding: the flagged text with the run of blanks before its
    // last character collapsed (the engine's error reaches one character further than the flagged text).
    static QString CollapseSpaces(const QString& errorWord);

    // Where a failure inside a decision goes when no modal show is waiting to pass it on (modeless
    // use); without a handler it is written to the warning log.
    std::function<void(const std::exception& error)> OnError;

    // Escape and the close box cancel the check.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildForm();
    QPushButton* makeButton(const char* name, const QString& caption, QRect place, const QFont& font);
    void ShowContext();
    void presentCommon(const QString& message);
    void fillVariants();
    void setDecisionButtons(bool withList);
    bool learnable() const;
    void FormShow();
    void FormActivate();
    void FormDeactivate();
    void MisspellingChange();
    void ChangeButtonClick();
    void ChangeAllButtonClick();
    void SkipButtonClick();
    void SkipAllButtonClick();
    void AddButtonClick();
    void DelButtonClick();
    void CancelButtonClick();
    void CancelEditClick();
    void StartButtonClick();
    // Runs a decision; a failure ends the check and is passed on (see OnError).
    template <typename Decision> void decide(Decision decision);
    void centreOnScreen();
    QString selectedVariant() const;

    TSpellChecker& m_checker;
    QLabel* InfoMsg;
    SpellPreview* Misspelling;
    QLabel* Label2;
    QListWidget* Variants;
    QPushButton* ChangeButton;
    QPushButton* ChangeAllButton;
    QPushButton* SkipButton;
    QPushButton* SkipAllButton;
    QPushButton* AddButton;
    QPushButton* CancelButton;
    QPushButton* CancelEdit;
    QPushButton* DelButton;
    QPushButton* StartButton;

    int m_modalDepth = 0;
    std::exception_ptr m_failure; // a decision's failure, rethrown when the modal show returns
    bool m_closing = false;
    QString m_flagged; // the flagged text as first shown, for Undo Edit
};
