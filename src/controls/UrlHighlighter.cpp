#include "UrlHighlighter.h"

#include "controls/UrlFinder.h"

#include <QSignalBlocker>
#include <QTextDocument>

UrlHighlighter::UrlHighlighter(const QColor& linkColor, QTextDocument* document)
    : QSyntaxHighlighter(document) {
    m_linkFormat.setFontUnderline(true);
    m_linkFormat.setForeground(linkColor);
}

void UrlHighlighter::setLinkColor(const QColor& color) {
    if (m_linkFormat.foreground().color() == color)
        return;
    m_linkFormat.setForeground(color);
    // rehighlight() wraps its work in an edit block whose end reports a content change although no
    // character changed; change tracking behind textChanged must not take it for an edit.
    const QSignalBlocker quiet(document());
    rehighlight();
}

void UrlHighlighter::highlightBlock(const QString& text) {
    for (const UrlSpan& link : UrlFinder::find(text))
        setFormat(int(link.start), int(link.length), m_linkFormat);
}
