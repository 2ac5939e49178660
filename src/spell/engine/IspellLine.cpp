#include "IspellLine.h"

#include "spell/engine/IspellEncoding.h"
#include "spell/engine/IspellPipe.h"

namespace {

int codePoints(QStringView text) {
    int count = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (!(text[i].isLowSurrogate() && i > 0 && text[i - 1].isHighSurrogate()))
            ++count;
    return count;
}

bool isFinding(QChar kind) {
    return kind == QLatin1Char('&') || kind == QLatin1Char('?') || kind == QLatin1Char('#');
}

bool isCorrectPiece(QChar kind) {
    return kind == QLatin1Char('*') || kind == QLatin1Char('+') || kind == QLatin1Char('-');
}

} // namespace

IspellLine::IspellLine(const IspellEncoding& encoding) : m_encoding(&encoding) {
    m_bytes.reserve(IspellPipe::ExchangeBufferSize);
}

bool IspellLine::append(const QString& word, const QByteArray& bytes) {
    const qsizetype start = m_bytes.size() + (isEmpty() ? 0 : 1);
    if (m_words.size() >= MaxWords || !IspellPipe::fits(bytes) ||
        start + bytes.size() + 1 > IspellPipe::ExchangeBufferSize)
        return false;
    if (!isEmpty()) {
        m_bytes += ' ';
        ++m_chars;
    }
    m_words.append(word);
    m_byteStarts.append(int(start));
    m_charStarts.append(m_chars);
    m_bytes += bytes;
    m_chars += codePoints(word);
    return true;
}

std::optional<IspellLine::Finding> IspellLine::findingOf(const QString& line) {
    // "& piece count offset: ...", "? piece 0 offset: ...", "# piece offset"
    const QStringList head = line.section(QLatin1Char(':'), 0, 0).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (head.size() != (line.front() == QLatin1Char('#') ? 3 : 4))
        return std::nullopt;
    bool ok = false;
    const int offset = head.back().toInt(&ok);
    if (!ok || offset < 0)
        return std::nullopt;
    return Finding{head.at(1), offset};
}

bool IspellLine::locate(const Finding& finding, int& word, int& at) const {
    int roughWord = -1;
    int roughAt = 0;
    for (int w = word; w < m_words.size(); ++w) {
        const QString& text = m_words.at(w);
        for (qsizetype from = text.indexOf(finding.piece, w == word ? at : 0); from >= 0;
             from = text.indexOf(finding.piece, from + 1)) {
            const QStringView before = QStringView(text).left(from);
            const int chars = m_charStarts.at(w) + codePoints(before);
            if (chars > finding.offset)
                break; // and every later place counts more
            const int bytes =
                m_byteStarts.at(w) + int(m_encoding->encode(before.toString()).value_or(QByteArray()).size());
            if (chars == finding.offset || bytes == finding.offset) {
                word = w;
                at = int(from);
                return true;
            }
            if (bytes > finding.offset && roughWord < 0) {
                roughWord = w;
                roughAt = int(from);
            }
        }
        if (w + 1 < m_words.size() && m_charStarts.at(w + 1) > finding.offset)
            break;
    }
    if (roughWord < 0)
        return false;
    word = roughWord;
    at = roughAt;
    return true;
}

std::optional<IspellLine::Placed> IspellLine::place(const QStringList& answerLines) const {
    if (answerLines.isEmpty()) // the usual answer: every word is correct
        return Placed{true, QList<IspellAnswer>(m_words.size())};
    QList<QStringList> lines(m_words.size());
    bool complete = true;
    int word = 0;
    int at = 0;
    for (const QString& line : answerLines) {
        const QChar kind = line.isEmpty() ? QChar() : line.front();
        if (isCorrectPiece(kind))
            continue;
        if (!isFinding(kind))
            return std::nullopt;
        if (m_words.size() == 1) {
            lines[0].append(line);
            continue;
        }
        const std::optional<Finding> finding = findingOf(line);
        if (finding && locate(*finding, word, at)) {
            lines[word].append(line);
            at += int(finding->piece.size());
        } else {
            complete = false;
        }
    }
    Placed placed;
    placed.complete = complete;
    if (!complete)
        return placed;
    for (const QStringList& own : std::as_const(lines))
        placed.answers.append(IspellAnswer::parse(own).value_or(IspellAnswer{}));
    return placed;
}
