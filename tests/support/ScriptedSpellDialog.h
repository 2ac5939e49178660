#pragma once

#include "spell/engine/ISpellDialog.h"
#include "spell/engine/SpellChecker.h"

#include <QString>
#include <deque>
#include <functional>
#include <vector>

// A spelling dialog answered by the test: each presentation is recorded, and each answer does what
// a button of the real dialog does (a decision of the checker, then continueCheck). With the
// checker's ModalDialog on, the first presentation answers findings until the check hides the
// dialog, as a modal dialog's loop would; an answer missing from the script cancels the check and
// is counted in `unanswered`. Modeless, the test calls answerNext() itself.
class ScriptedSpellDialog : public ISpellDialog {
public:
    struct Presentation {
        char kind = 'A'; // 'A', 'B' or 'C'
        QString message;
        SpellResult result = SpellResult::NoErrors;
        QString errorWord;
        int errorPos = 0;
        int errorLen = 0;
        QString caption;
        QString line;            // lineAt of the finding, as the preview shows it
        QStringList suggestions; // what presentation A would list
    };
    using Answer = std::function<void(SpellChecker&, ScriptedSpellDialog&)>;

    explicit ScriptedSpellDialog(SpellChecker& checker);
    ~ScriptedSpellDialog() override;

    // Makes the checker use this dialog.
    void install();

    // Answers, like the dialog's buttons.
    static Answer skip();
    static Answer skipAll();
    static Answer add();
    static Answer del();
    static Answer cancel();
    // Change: changeWord for an unknown word, changeWordOnce otherwise; an empty text takes the
    // first suggestion of the presentation.
    static Answer change(const QString& text = {});
    static Answer changeAll(const QString& text = {});

    ScriptedSpellDialog& then(Answer answer) {
        m_answers.push_back(std::move(answer));
        return *this;
    }
    bool answerNext();

    void presentSuggestions(const QString& message) override;
    void presentSkipOrEdit(const QString& message) override;
    void presentRepeatedWord() override;
    bool isDialogVisible() const override { return m_visible; }
    void showDialog() override;
    void hideDialog() override { m_visible = false; }
    void closeDialog() override { ++closes; }
    void setDialogCaption(const QString& caption) override { m_caption = caption; }

    std::vector<Presentation> presentations;
    int shows = 0;
    int closes = 0;
    int unanswered = 0;

private:
    void present(char kind, const QString& message);
    void runModal();

    SpellChecker& m_checker;
    std::deque<Answer> m_answers;
    QString m_caption;
    bool m_visible = false;
    bool m_inModal = false;
};
