#include "StartRequest.h"

#include <algorithm>

namespace {

const QByteArray ActivateWord = "activate";
const QByteArray AddNoteWord = "add-note";
// Tokens are short printable strings; anything else is not passed on to the compositor.
constexpr qsizetype MaxTokenBytes = 512;

bool isTokenText(const QByteArray& token) {
    return token.size() <= MaxTokenBytes &&
           std::all_of(token.begin(), token.end(), [](char c) { return c > ' ' && c < 127; });
}

} // namespace

StartRequest StartRequest::fromArguments(const QStringList& arguments, const QString& activationToken) {
    StartRequest request;
    request.addNote = arguments.contains(AddNoteOption);
    if (isTokenText(activationToken.toLatin1()))
        request.activationToken = activationToken;
    return request;
}

bool StartRequest::startsHidden(const QStringList& arguments, bool trayAvailable) {
    if (arguments.isEmpty())
        return false;
    return trayAvailable || arguments != QStringList{AddNoteOption};
}

QByteArray StartRequest::toLine() const {
    QByteArray line = addNote ? AddNoteWord : ActivateWord;
    if (!activationToken.isEmpty())
        line += ' ' + activationToken.toLatin1();
    return line + '\n';
}

std::optional<StartRequest> StartRequest::fromLine(const QByteArray& line) {
    if (!line.endsWith('\n'))
        return std::nullopt;
    const QByteArray text = line.chopped(1);
    const qsizetype space = text.indexOf(' ');
    const QByteArray word = space < 0 ? text : text.left(space);
    const QByteArray token = space < 0 ? QByteArray() : text.mid(space + 1);
    if ((word != ActivateWord && word != AddNoteWord) || (space >= 0 && token.isEmpty()) ||
        !isTokenText(token))
        return std::nullopt;
    StartRequest request;
    request.addNote = word == AddNoteWord;
    request.activationToken = QString::fromLatin1(token);
    return request;
}
