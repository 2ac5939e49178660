// The version file of the update check, read as the check reads it, and the version comparison over
// the versions it names (or, for input that is not such a file, over its first two lines).
#include "FuzzSupport.h"

#include "platform/QuillError.h"
#include "update/UpdateServer.h"
#include "update/VersionCompare.h"
#include "update/VersionFile.h"

#include <QDate>
#include <QLocale>
#include <optional>

namespace {

std::optional<std::array<int, 4>> numbersOf(const QString& version) {
    try {
        return VersionCompare::split(version);
    } catch (const QuillError&) {
        return std::nullopt;
    }
}

// The comparison is an order on the four numbers: never both ways unless they are equal, and what
// split accepts is four numbers that read back the same when written plainly.
void compare(const QString& a, const QString& b) {
    const auto numbersA = numbersOf(a);
    const auto numbersB = numbersOf(b);
    if (numbersA) {
        const QString plain = QStringLiteral("%1.%2.%3.%4")
                                  .arg((*numbersA)[0])
                                  .arg((*numbersA)[1])
                                  .arg((*numbersA)[2])
                                  .arg((*numbersA)[3]);
        FuzzSupport::check(numbersOf(plain) == numbersA, "a version does not read back when written plainly");
        FuzzSupport::check(!VersionCompare::isNewer(a, a), "a version is newer than itself");
    }
    if (!numbersA || !numbersB)
        return;
    const bool aNewer = VersionCompare::isNewer(a, b);
    const bool bNewer = VersionCompare::isNewer(b, a);
    FuzzSupport::check(!(aNewer && bNewer) || numbersA == numbersB, "two versions are each newer");
    FuzzSupport::check(aNewer || bNewer || a == b, "two different versions are neither newer");
}

void readProduct(const ProductVersion& product, const QString& running) {
    const QString offered = product.currentVersion().trimmed();
    compare(offered, running);
    try {
        const QDate day = QDate(1899, 12, 30).addDays(product.date());
        QLocale(QLocale::English, QLocale::UnitedStates).toString(day, QLocale::ShortFormat);
    } catch (const QuillError&) {
    }
    const QString fileName = product.fileName().trimmed();
    if (UpdateServer::isPlainFileName(fileName)) {
        const QUrl url = UpdateServer::installer(UpdateServer::defaultBase(), fileName);
        FuzzSupport::check(url.isValid(), "a plain file name makes an invalid address");
        FuzzSupport::check(url.path(QUrl::FullyDecoded) == QStringLiteral("/downloads/") + fileName,
                           "a plain file name leaves the downloads folder");
    }
    product.size();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = FuzzSupport::bytesOf(data, size);
    const QString running = QStringLiteral(QUILL_RUNNING_VERSION);
    VersionInfo info;
    try {
        info.loadFromBytes(bytes);
    } catch (const QuillError&) {
        FuzzSupport::check(!info.active(), "a refused version file is bound");
        const QList<QByteArray> lines = bytes.split('\n');
        compare(QString::fromUtf8(lines.value(0)), lines.size() > 1 ? QString::fromUtf8(lines[1]) : running);
        return 0;
    }
    readProduct(info.quillnote(), running);
    readProduct(info.fernlog(), info.quillnote().currentVersion());
    readProduct(info.brambler(), running);
    info.deactivate();
    return 0;
}
