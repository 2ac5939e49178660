#pragma once

#include <QPlainTextEdit>
#include <optional>

class UrlHighlighter;

// The text control of every title and body field. Links (UrlFinder's rule) are underlined in the
// palette's link colour while the user types and after text is loaded; a left press on a link emits
// linkClicked with the link's text. In one-line mode (title fields) Enter does not break the line and
// pasted line breaks become blanks; a loaded text's line breaks are shown as blanks, yet the text is
// handed back exactly as loaded until the user changes it.
class LinkTextEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit LinkTextEdit(bool singleLine, QWidget* parent = nullptr);

    bool isSingleLine() const { return m_singleLine; }
    // The characters as typed, lines divided by "\n". Unlike toPlainText(), no-break spaces stay.
    QString text() const;
    void setText(const QString& text);

    // The text of the link drawn under a point of the viewport, or an empty string. A point beside
    // the text (past a line's end, in the margins) is on no link.
    QString linkAt(QPoint viewportPos) const;

signals:
    void focusChanged();
    // A left mouse press on a link; `url` is exactly the link's characters.
    void linkClicked(const QString& url);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void updateMouseCursor(QPoint viewportPos, Qt::MouseButtons buttons);
    QString typedText() const;

    bool m_singleLine;
    UrlHighlighter* m_highlighter;
    std::optional<QString> m_untouched; // a loaded one-line text whose line breaks are shown as blanks
};
