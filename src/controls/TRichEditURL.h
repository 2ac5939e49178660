#pragma once

#include <QPlainTextEdit>

// The text control of every title and body field. In one-line mode (title fields) Enter does not
// break the line and pasted line breaks become blanks.
class TRichEditURL : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TRichEditURL(bool singleLine, QWidget* parent = nullptr);

    bool isSingleLine() const { return m_singleLine; }
    QString text() const { return toPlainText(); }
    void setText(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

signals:
    void focusChanged();

private:
    bool m_singleLine;
};
