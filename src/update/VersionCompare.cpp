#include "VersionCompare.h"

#include "platform/QuillError.h"

namespace VersionCompare {

namespace {

int wholeNumber(QStringView digits, const QString& version) {
    bool ok = !digits.isEmpty();
    for (const QChar c : digits)
        ok = ok && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    const int value = ok ? digits.toInt(&ok, 10) : 0;
    if (!ok)
        throw QuillError(
            QStringLiteral("\"%1\" is not a version of four dot-separated whole numbers.").arg(version));
    return value;
}

} // namespace

std::array<int, 4> split(const QString& version) {
    std::array<int, 4> numbers{};
    QStringView rest(version);
    for (int i = 0; i < 3; ++i) {
        const qsizetype dot = rest.indexOf(QLatin1Char('.'));
        // No dot left: the text before it is empty, as the conversion then sees it.
        numbers[i] = wholeNumber(dot < 0 ? QStringView() : rest.left(dot), version);
        rest = rest.mid(dot + 1);
    }
    numbers[3] = wholeNumber(rest, version);
    return numbers;
}

bool isNewer(const QString& offered, const QString& running) {
    if (offered == running)
        return false;
    const auto [r1, r2, r3, r4] = split(running);
    const auto [v1, v2, v3, v4] = split(offered);
    const bool lower = r1 > v1 || (r1 == v1 && v2 < r2) || (r1 == v1 && v2 <= r2 && v3 < r3) ||
                       (r1 == v1 && v2 <= r2 && v3 <= r3 && v4 < r4);
    return !lower;
}

} // namespace VersionCompare
