#pragma once

#include <QDialog>
#include <QRect>
#include <QSize>
#include <functional>
#include <optional>

class IErrorReporter;
class IClock;
class NoteKeys;
class QPushButton;
class QTimer;
class SettingsStore;
class LinkTextEdit;
struct LocaleFormats;

// What the quick-add window works on: the settings that keep its bounds, the error log, and the
// command that saves the note typed into it (it throws when the note could not be saved).
// `placesItself` is false where the window system neither reports nor honours positions (Wayland).
struct AddNoteContext {
    SettingsStore& settings;
    std::function<void(const QString& title, const QString& body)> saveNote;
    IErrorReporter& log;
    const IClock& clock;
    const LocaleFormats& formats;
    bool placesItself = true;
};

// The quick-add window: a small frameless, resizable, modal window with a title and a body field.
// It places itself from the stored bounds when shown and stores its bounds whenever it closes.
// Where it cannot place itself it has the window system's frame, so that the user can move it, and
// it stores only its size, keeping the stored position.
class QuickAddDialog final : public QDialog {
    Q_OBJECT
public:
    static constexpr QSize DesignSize{420, 221};
    static constexpr QSize MinimumSize{300, 150};
    static constexpr int SettleMs = 300;   // a move or resize counts as ended after this pause
    static constexpr int Margin = 8;       // around the fields, inside the border
    static constexpr int ResizeBorder = 6; // a press this near an edge resizes the window

    // The edges a press at `pos` in a window of `size` drags: none, one, or two at a corner.
    static Qt::Edges edgesAt(QPoint pos, QSize size);
    // `bounds` with `edges` dragged by `delta`, the edges opposite them kept where they are.
    static QRect dragged(QRect bounds, Qt::Edges edges, QPoint delta, QSize minimum);

    explicit QuickAddDialog(AddNoteContext context, QWidget* parent = nullptr);

    // The tray's "&Add Note": creates the window, runs it modally and destroys it. Returns the result.
    static int openQuickAdd(AddNoteContext context, QWidget* parent = nullptr);

    // The stored bounds, or the defaults when there are none or they cannot be read.
    QRect boundsFromSettings();
    // Pulls the window back inside the first screen's right and bottom edges.
    void keepOnScreen();

    LinkTextEdit* titleEdit() const { return m_titleEdit; }
    LinkTextEdit* bodyEdit() const { return m_bodyEdit; }
    QPushButton* saveButton() const { return m_saveButton; }
    QPushButton* cancelButton() const { return m_cancelButton; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void enableSave();
    void saveNote();
    void saveToStore(const QString& title, const QString& body);
    void storeBounds();
    void setOwnGeometry(const QRect& bounds);
    void geometryChanged();
    bool borderMouseEvent(QWidget* border, QEvent* event);

    AddNoteContext m;
    LinkTextEdit* m_titleEdit;
    LinkTextEdit* m_bodyEdit;
    QPushButton* m_saveButton;
    QPushButton* m_cancelButton;
    QTimer* m_settle;
    bool m_placed = false;
    bool m_boundsStored = false;
    QRect m_ownGeometry; // the last bounds the window gave itself: not a move by the user
    struct Drag {
        Qt::Edges edges;
        QPoint start;
        QRect bounds;
    };
    std::optional<Drag> m_drag; // our own resize, where the window system cannot do it
};
