#include "IspellAnswer.h"

std::optional<IspellAnswer> IspellAnswer::parse(const QStringList& lines) {
    IspellAnswer answer;
    QString guess;
    QString notFound;
    for (const QString& line : lines) {
        const QChar kind = line.isEmpty() ? QChar() : line.front();
        if (kind == QLatin1Char('*') || kind == QLatin1Char('+') || kind == QLatin1Char('-'))
            continue;
        if (kind == QLatin1Char('&')) {
            if (answer.reply.isEmpty())
                answer.reply = line;
        } else if (kind == QLatin1Char('?')) {
            if (guess.isEmpty())
                guess = line;
        } else if (kind == QLatin1Char('#')) {
            if (notFound.isEmpty())
                notFound = line;
        } else {
            return std::nullopt;
        }
        answer.misspelled = true;
    }
    if (answer.reply.isEmpty())
        answer.reply = guess.isEmpty() ? notFound : guess;
    return answer;
}

QStringList IspellAnswer::suggestionsOf(const QString& reply) {
    QStringList list;
    const int colon = reply.indexOf(QLatin1Char(':'));
    if (colon < 0 || !(reply.startsWith(QLatin1Char('&')) || reply.startsWith(QLatin1Char('?'))))
        return list;
    // Separators are skipped before every suggestion, the first too: a list that begins with a comma
    // or holds two in a row has no empty suggestion, which would replace the word with nothing.
    int i = colon + 1;
    for (;;) {
        while (i < reply.size() && (reply[i] == QLatin1Char(',') || reply[i] == QLatin1Char(' ')))
            ++i;
        if (i >= reply.size())
            return list;
        int end = reply.indexOf(QLatin1Char(','), i);
        if (end < 0)
            end = reply.size();
        list.append(reply.mid(i, end - i));
        i = end;
    }
}
