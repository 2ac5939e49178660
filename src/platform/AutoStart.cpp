#include "AutoStart.h"

#include "platform/AppPaths.h"
#include "platform/DurableFile.h"
#include "platform/QuillError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

// The escapes every string value of a desktop file needs; a leading blank would be trimmed.
QString escapeString(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            out += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else if (c == QLatin1Char(' ') && i == 0)
            out += QStringLiteral("\\s");
        else
            out += c;
    }
    return out;
}

// One argument of an Exec line, always quoted so that blanks and reserved characters stay in it.
QString quotedArgument(const QString& argument) {
    QString out = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        if (c == QLatin1Char('%'))
            out += QLatin1Char('%'); // a lone % would start a field code
        out += c;
    }
    return out + QLatin1Char('"');
}

} // namespace

AutoStart::AutoStart(QString folder, QString programPath)
    : m_folder(AppPaths::withTrailingSlash(folder)), m_programPath(std::move(programPath)) {}

QString AutoStart::userFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/");
}

QString AutoStart::folderFor(uid_t user) {
    return user == 0 ? commonFolder() : userFolder();
}

QString AutoStart::entryPath() const {
    return m_folder + entryName();
}

bool AutoStart::exists() const {
    return QFileInfo::exists(entryPath());
}

QString AutoStart::execValue(const QString& programPath) {
    return escapeString(quotedArgument(programPath) + QStringLiteral(" -0"));
}

QByteArray AutoStart::entryContents(const QString& programPath) {
    const QString workingFolder = AppPaths::withTrailingSlash(QFileInfo(programPath).absolutePath());
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Quillnote\n"
                                        "Exec=%1\n"
                                        "Path=%2\n")
                             .arg(execValue(programPath), escapeString(workingFolder));
    return text.toUtf8();
}

void AutoStart::createAutoStartEntry() const {
    if (!QDir().mkpath(m_folder))
        throw QuillError(QStringLiteral("The auto-start folder \"%1\" could not be created.").arg(m_folder));
    const QString path = entryPath();
    DurableFile::replaceContents(path, entryContents(m_programPath));
    // Every user's session reads the common entry, whatever our umask was.
    if (!QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                         QFileDevice::ReadGroup | QFileDevice::ReadOther))
        throw QuillError(QStringLiteral("The auto-start entry \"%1\" could not be made readable.").arg(path));
}

void AutoStart::removeAutoStartEntry() const {
    const QString path = entryPath();
    if (::unlink(QFile::encodeName(path).constData()) != 0 && errno != ENOENT)
        throw QuillError(QStringLiteral("The auto-start entry \"%1\" could not be removed: %2")
                             .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
}
