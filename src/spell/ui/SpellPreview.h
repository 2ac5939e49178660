#pragma once

#include <QTextCharFormat>
#include <QTextEdit>

// The spelling dialog's preview of the line around a finding. Only the flagged text can be edited:
// the text before and after it is protected. Keys, input methods, pastes and drops that would touch
// it are refused up front, and any change that still reaches the protected text (a drag that moves
// it away, a program's cursor) is undone at once, so the line the user sees always holds the text
// of the control being checked.
class SpellPreview final : public QTextEdit {
    Q_OBJECT
public:
    explicit SpellPreview(QWidget* parent = nullptr);

    // Shows `line` with `length` characters from `start` editable and drawn in `flagged`; the rest
    // is protected and drawn in `normal`.
    void setContext(const QString& line, int start, int length, const QTextCharFormat& normal,
                    const QTextCharFormat& flagged);
    // Empties the preview; nothing is editable then.
    void clearContext();

    // The start and length of the editable text as it stands now.
    void editedRange(int& start, int& length) const;
    QString editedText() const { return m_middle; }
    // Puts `text` in place of the editable text, as the program (no change notification).
    void replaceEdited(const QString& text);

    // True while the program itself writes into the preview.
    bool updating = false;

signals:
    // The user changed the editable text.
    void edited();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    int editStart() const { return int(m_prefix.size()); }
    int editEnd() const { return int(m_prefix.size() + m_middle.size()); }
    bool insideEditable(int from, int to) const;
    bool selectionEditable() const;
    void contentsGuard();
    void rebuild(int cursorPosition);

    QString m_prefix, m_middle, m_suffix;
    QTextCharFormat m_normal, m_flagged;
    bool m_hasContext = false;
};
