#include "store/StoreEscapes.h"

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

QString caretMToLineBreaks(QString text) {
    if (text.contains(QLatin1Char('^')))
        text.replace(caretM, QStringLiteral("\n"), Qt::CaseInsensitive);
    return text;
}

bool isXmlChar(char16_t c) {
    if (c < 0x20)
        return c == u'\t' || c == u'\n' || c == u'\r';
    return c != 0xFFFE && c != 0xFFFF;
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
    return caretMToLineBreaks(title);
}

QString unescapeBody(const QString& body) {
    QString text = caretMToLineBreaks(body);
    if (text.contains(QLatin1Char('&'))) {
        text.replace(QLatin1String("&lt;"), QLatin1String("<"), Qt::CaseInsensitive);
        text.replace(QLatin1String("&gt;"), QLatin1String(">"), Qt::CaseInsensitive);
    }
    return text;
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
        if (QChar::isSurrogate(c) || !isXmlChar(c))
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
        if (!QChar::isSurrogate(c) && isXmlChar(c))
            clean.append(QChar(c));
    }
    return clean;
}

} // namespace StoreEscapes
