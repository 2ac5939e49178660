// What an ispell-compatible program sends back, as the engine takes it: the first byte picks the
// dictionary's character set, the rest is the program's output, cut into lines and into answers at
// the empty lines, each decoded, parsed and, when it is a finding, split into suggestions.
#include "FuzzSupport.h"

#include "spell/engine/IspellAnswer.h"
#include "spell/engine/IspellEncoding.h"

#include <QList>
#include <QStringList>

namespace {

void takeAnswer(const QList<QByteArray>& lines, const IspellEncoding& encoding) {
    QStringList decoded;
    for (const QByteArray& line : lines)
        decoded.append(encoding.decode(line));
    const std::optional<IspellAnswer> answer = IspellAnswer::parse(decoded);
    if (!answer)
        return;
    FuzzSupport::check(answer->misspelled == !answer->reply.isEmpty(),
                       "a finding without its line, or a line without a finding");
    for (const QString& suggestion : IspellAnswer::suggestionsOf(answer->reply)) {
        FuzzSupport::check(!suggestion.isEmpty(), "an empty suggestion");
        FuzzSupport::check(!suggestion.contains(QLatin1Char(',')), "a suggestion holds the separator");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    static const IspellEncoding encodings[] = {
        IspellEncoding(QString()),
        IspellEncoding(QStringLiteral("iso-8859-1")),
        IspellEncoding(QStringLiteral("koi8-r")),
        IspellEncoding(QStringLiteral("iso-8859-2")),
        IspellEncoding(QStringLiteral("UTF-16")),
        IspellEncoding(QStringLiteral("ISO-2022-JP")),
    };
    const IspellEncoding& encoding = encodings[data[0] % std::size(encodings)];
    const QByteArray output = FuzzSupport::bytesOf(data + 1, size - 1);

    QList<QByteArray> answer;
    for (QByteArray line : output.split('\n')) {
        while (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty()) {
            takeAnswer(answer, encoding);
            answer.clear();
        } else {
            answer.append(line);
        }
    }
    if (!answer.isEmpty())
        takeAnswer(answer, encoding);
    return 0;
}
