#include "StoreEscapes.h"

#include "store/StrictXml.h"

namespace {

const QString caretM = QStringLiteral("^M");

// "\r\n", then any lone "\n" or "\r" (pasted text may carry either) become "^M".
QString lineBreaksToCaretM(QString text) {
    if (!text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    text.replace(QLatin1String("\r\n"), caretM);
    text.replace(QLatin1Char('\n'), caretM);
    text.replace(QLatin1Char('\r'), caretM);
    return text;
}

// One pass over the text, in the order the escapes were applied: "^M" (either case) to a line break,
// then, in bodies, "&lt;" and "&gt;" (any case) to "<" and ">". Replacing one escape never forms
// another, so a single left-to-right pass gives what the three replacements in turn would give.
// Building the list decodes every body once; this keeps that to one allocation per text.
QString unescaped(const QString& text, bool body) {
    const qsizetype n = text.size();
    if (!text.contains(QLatin1Char('^')) && (!body || !text.contains(QLatin1Char('&'))))
        return text;
    QString out;
    out.reserve(n);
    const QChar* c = text.constData();
    auto lower = [](QChar ch) { return ch.unicode() < 0x80 ? QChar(ch.toLatin1() | 0x20) : ch; };
    qsizetype copied = 0; // the text before this is in `out`
    for (qsizetype i = 0; i < n; ++i) {
        QChar replacement;
        qsizetype length = 0;
        if (c[i] == QLatin1Char('^') && i + 1 < n && lower(c[i + 1]) == QLatin1Char('m')) {
            replacement = QLatin1Char('\n');
            length = 2;
        } else if (body && c[i] == QLatin1Char('&') && i + 3 < n && lower(c[i + 2]) == QLatin1Char('t') &&
                   c[i + 3] == QLatin1Char(';') &&
                   (lower(c[i + 1]) == QLatin1Char('l') || lower(c[i + 1]) == QLatin1Char('g'))) {
            replacement = lower(c[i + 1]) == QLatin1Char('l') ? QLatin1Char('<') : QLatin1Char('>');
            length = 4;
        } else {
            continue;
        }
        out.append(c + copied, i - copied);
        out.append(replacement);
        i += length - 1;
        copied = i + 1;
    }
    out.append(c + copied, n - copied);
    return out;
}

} // namespace

namespace StoreEscapes {

QString escapeTitle(const QString& title) {
    return lineBreaksToCaretM(title);
}

QString escapeBody(const QString& body) {
    QString text = lineBreaksToCaretM(body);
    text.replace(QLatin1Char('<'), QLatin1String("&lt;"));
    text.replace(QLatin1Char('>'), QLatin1String("&gt;"));
    return text;
}

QString unescapeTitle(const QString& title) {
    return unescaped(title, false);
}

QString unescapeBody(const QString& body) {
    return unescaped(body, true);
}

QString xmlSafe(const QString& text) {
    const char16_t* data = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype size = text.size();
    // Nearly every text is clean: find the first bad unit before copying anything.
    qsizetype i = 0;
    for (; i < size; ++i) {
        const char16_t c = data[i];
        if (QChar::isHighSurrogate(c) && i + 1 < size && QChar::isLowSurrogate(data[i + 1])) {
            ++i;
            continue;
        }
        if (QChar::isSurrogate(c) || !StrictXml::isXmlChar(c))
            break;
    }
    if (i == size)
        return text;

    QString clean;
    clean.reserve(size);
    clean.append(QStringView(data, i));
    for (; i < size; ++i) {
        const char16_t c = data[i];
        if (QChar::isHighSurrogate(c) && i + 1 < size && QChar::isLowSurrogate(data[i + 1])) {
            clean.append(QChar(c));
            clean.append(QChar(data[++i]));
            continue;
        }
        if (!QChar::isSurrogate(c) && StrictXml::isXmlChar(c))
            clean.append(QChar(c));
    }
    return clean;
}

} // namespace StoreEscapes
