#pragma once

#include <QSyntaxHighlighter>
#include <QTextCharFormat>

// Underlines the links of a document (UrlFinder's rule) in the link colour. The formats live in the
// layout only, so they add no undo steps and never mark the document modified.
class UrlHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
public:
    UrlHighlighter(const QColor& linkColor, QTextDocument* document);

    // Re-formats the whole document when the colour really changes.
    void setLinkColor(const QColor& color);

protected:
    void highlightBlock(const QString& text) override;

private:
    QTextCharFormat m_linkFormat;
};
