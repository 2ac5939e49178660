#include "Registry.h"

#include "platform/QuillError.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSettings>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {
const QString IntegerTag = QStringLiteral("dword:");
const QString TextTag = QStringLiteral("sz:");
} // namespace

RegistryKey::RegistryKey(std::shared_ptr<QSettings> file, QString keyPath)
    : m_file(std::move(file)), m_keyPath(std::move(keyPath)) {}

RegistryKey::~RegistryKey() = default;

QString RegistryKey::qualified(const QString& name) const {
    return m_keyPath + QLatin1Char('/') + name;
}

bool RegistryKey::valueExists(const QString& name) const {
    return m_file->contains(qualified(name));
}

bool RegistryKey::exists() const {
    m_file->beginGroup(m_keyPath);
    const bool found = !m_file->childKeys().isEmpty() || !m_file->childGroups().isEmpty();
    m_file->endGroup();
    return found;
}

QStringList RegistryKey::subKeyNames() const {
    m_file->beginGroup(m_keyPath);
    QStringList names = m_file->childGroups();
    m_file->endGroup();
    return names;
}

QString RegistryKey::storedValue(const QString& name) const {
    const QVariant v = m_file->value(qualified(name));
    // A hand-edited value with a comma reads back as a list: not a value we wrote.
    if (!v.isValid() || v.typeId() != QMetaType::QString)
        throw QuillError(QStringLiteral("Invalid data type for '%1'").arg(name));
    return v.toString();
}

int RegistryKey::readInteger(const QString& name) const {
    const QString v = storedValue(name);
    bool ok = false;
    const int n = v.startsWith(IntegerTag) ? v.mid(IntegerTag.size()).toInt(&ok) : 0;
    if (!ok)
        throw QuillError(QStringLiteral("Invalid data type for '%1'").arg(name));
    return n;
}

bool RegistryKey::readBool(const QString& name) const {
    return readInteger(name) != 0;
}

QString RegistryKey::readString(const QString& name) const {
    const QString v = storedValue(name);
    if (!v.startsWith(TextTag))
        throw QuillError(QStringLiteral("Invalid data type for '%1'").arg(name));
    return v.mid(TextTag.size());
}

void RegistryKey::writeInteger(const QString& name, int value) {
    m_file->setValue(qualified(name), IntegerTag + QString::number(value));
}

void RegistryKey::writeString(const QString& name, const QString& value) {
    m_file->setValue(qualified(name), TextTag + value);
}

void RegistryKey::close() {
    m_file->sync();
    if (m_file->status() != QSettings::NoError)
        // QSettings keeps no system error; its status still tells a refusal from a damaged file.
        throw QuillError(QStringLiteral("Failed to write the settings to %1 (%2)")
                             .arg(m_file->fileName(),
                                  m_file->status() == QSettings::AccessError
                                      ? QStringLiteral("the file or its folder cannot be written, or the "
                                                       "disk is full")
                                      : QStringLiteral("the file is not in the expected format")));
}

RegistryHive::RegistryHive(QString filePath) : m_filePath(std::move(filePath)) {}

namespace {

struct FileStamp {
    qint64 size = -1;
    QDateTime modified;
    bool operator==(const FileStamp&) const = default;
};

FileStamp stampOf(const QString& path) {
    const QFileInfo info(path);
    return {info.size(), info.lastModified()};
}

// QSettings keeps what it parsed of a file for the whole process and parses it again only when the
// file's size or time has changed; a second QSettings on an unchanged damaged file reports no damage.
// So damage is remembered here by the same stamp.
bool isDamaged(const QSettings& file, const QString& path) {
    static QMutex mutex;
    static QHash<QString, FileStamp> damaged;
    const QMutexLocker lock(&mutex);
    const QString name = QFileInfo(path).absoluteFilePath();
    const FileStamp stamp = stampOf(path);
    if (file.status() == QSettings::FormatError || damaged.value(name) == stamp) {
        damaged.insert(name, stamp);
        return true;
    }
    damaged.remove(name);
    return false;
}

// QSettings parses the sections of an INI file lazily; parse them all now, so that a damaged file
// is reported when the key is opened wherever its damage is, not by some later read or by close().
std::shared_ptr<QSettings> parsedFile(const QString& path) {
    auto file = std::make_shared<QSettings>(path, QSettings::IniFormat);
    file->allKeys();
    if (file->status() == QSettings::AccessError)
        throw QuillError(QStringLiteral("The settings file %1 cannot be read").arg(path));
    return file;
}

std::unique_ptr<RegistryKey> keyIn(std::shared_ptr<QSettings> file, const QString& keyPath) {
    QString group = keyPath;
    group.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (group.startsWith(QLatin1Char('/')))
        group.remove(0, 1);
    return std::make_unique<RegistryKey>(std::move(file), group);
}

} // namespace

std::unique_ptr<RegistryKey> RegistryHive::openKey(const QString& keyPath) const {
    auto file = parsedFile(m_filePath);
    if (isDamaged(*file, m_filePath))
        throw QuillError(QStringLiteral("The settings file %1 is damaged").arg(m_filePath));
    return keyIn(std::move(file), keyPath);
}

std::unique_ptr<RegistryKey> RegistryHive::openKeyForWriting(const QString& keyPath) const {
    auto file = parsedFile(m_filePath);
    if (isDamaged(*file, m_filePath)) {
        // QSettings would silently drop the lines it could not parse on the next sync; keep them for
        // the user instead. A rename replaces an older copy in one step.
        file.reset();
        const QString copy = damagedFilePath();
        if (std::rename(QFile::encodeName(m_filePath).constData(), QFile::encodeName(copy).constData()) != 0)
            throw QuillError(QStringLiteral("The damaged settings file %1 could not be kept as %2: %3")
                                 .arg(m_filePath, copy, QString::fromLocal8Bit(std::strerror(errno))));
        file = parsedFile(m_filePath);
    }
    return keyIn(std::move(file), keyPath);
}
