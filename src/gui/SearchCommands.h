#pragma once

#include <QObject>
#include <QString>
#include <QStringView>
#include <functional>

class IPrompts;
class NoteList;
class NoteListModel;
class QAction;
class QKeyEvent;
class SearchBar;
class LinkTextEdit;
struct AppSettings;

// The search: the find box's text looked for in every note of the list (walking the rows from the
// one after the selected row) or in the open note's title and body. Repeating goes on after the last
// match. Also the behaviour of the find box, its button and the two scope buttons.
class SearchCommands final : public QObject {
    Q_OBJECT
public:
    struct Parts {
        NoteList& list;
        LinkTextEdit& title;
        LinkTextEdit& body;
        AppSettings& settings;
        IPrompts& prompts;
        QAction& findAction;
        // Opens the selected row's note as a double-click does, save question included.
        std::function<void()> openSelectedNote;
        // Receives (method, message) of a failure no caller can catch: Enter in the find box.
        std::function<void(const QString&, const QString&)> reportFailure;
    };
    SearchCommands(Parts parts, SearchBar& bar, QObject* parent = nullptr);

    // One search step in the scope the settings choose. Throws on failure.
    void findText();
    void startFind();
    // Checks the scope button that matches SearchAllNotes (start-up).
    void showScope();

    // Handlers of the controls, public for the main window and tests.
    // Enter runs the search and is consumed; returns whether the key was.
    bool handleFindKey(QKeyEvent* event);
    void enableFindButton();
    void chooseAllNotes();
    void chooseCurrentNote();

    enum class Field { None, Body, Title };
    struct RowMatch {
        int row = -1;
        Field field = Field::None;
    };
    // The search text as the list compares it: the letters a to z upper-cased, nothing else changed.
    static QString upperAscii(const QString& text);
    // The first row from `start` on whose body, else title, holds `upperText` with a to z folded.
    static RowMatch findInRows(const NoteListModel& model, int start, QStringView upperText);
    static bool containsUpperAscii(QStringView text, QStringView upperText);
    // Position of `text` in the field after its selection (from 0 without one), not case-sensitive;
    // -1 when absent. An empty text is never found.
    static int findInEditor(const LinkTextEdit& field, const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void searchAllNotes(const QString& text);
    void searchCurrentNote(const QString& text);
    void showMatchInBody(int position, int length);
    void showMatchInTitle(int position, int length);
    bool findButtonWanted() const;

    Parts m;
    SearchBar& m_bar;
};
