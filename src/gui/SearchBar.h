#pragma once

#include <QObject>
#include <QPointer>

class QAction;
class QLabel;
class QLineEdit;
class QRadioButton;
class QStatusBar;
class QToolButton;
class QWidget;

// The find box and its scope buttons, laid over the note list's status bar. Only the controls and
// their places: what they do is SearchCommands' business.
class SearchBar final : public QObject {
    Q_OBJECT
public:
    // The controls exist from here on; they belong to the status bar once placed on it.
    explicit SearchBar(QAction& findAction, QObject* parent = nullptr);
    ~SearchBar() override;

    // Gives the status bar its one panel "   Find:" and puts the controls over it.
    void placeOn(QStatusBar* bar);
    // Puts the controls back on their design places; the main window calls it whenever it is resized.
    void keepAligned();

    QLineEdit* findEdit() const;
    QToolButton* findButton() const;
    QRadioButton* allNotesButton() const;
    QRadioButton* currentNoteButton() const;
    QLabel* panel() const;
    // The bar's message (a long hint while the mouse rests on a command), shown over the controls.
    QLabel* hint() const;

    // Design places, from the panel's left edge; every control's top is EditTop below the bar's top.
    static constexpr int PanelWidth = 500;
    static constexpr int EditTop = 3;
    static constexpr int ControlHeight = 21;
    static constexpr int EditLeft = 40, EditWidth = 321;
    static constexpr int ButtonLeft = 363, ButtonWidth = 23;
    static constexpr int AllNotesLeft = 400, AllNotesWidth = 76;
    static constexpr int CurrentNoteLeft = 495, CurrentNoteWidth = 100;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QList<QWidget*> controls() const;
    void showHint(const QString& text);

    QPointer<QLineEdit> m_findEdit;
    QPointer<QToolButton> m_findButton;
    QPointer<QRadioButton> m_allNotesButton;
    QPointer<QRadioButton> m_currentNoteButton;
    QPointer<QLabel> m_panel;
    QPointer<QLabel> m_hint;
    QPointer<QStatusBar> m_bar;
};
