#include "Registry.h"

#include "QuillError.h"

#include <QSettings>

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
        throw QuillError(QStringLiteral("Failed to write the settings to %1").arg(m_file->fileName()));
}

RegistryHive::RegistryHive(QString filePath) : m_filePath(std::move(filePath)) {}

std::unique_ptr<RegistryKey> RegistryHive::openKey(const QString& keyPath) const {
    auto file = std::make_shared<QSettings>(m_filePath, QSettings::IniFormat);
    // QSettings parses the sections of an INI file lazily; parse them all now, so that a damaged file
    // is reported here wherever its damage is, not by some later read or by close().
    file->allKeys();
    if (file->status() == QSettings::FormatError)
        throw QuillError(QStringLiteral("The settings file %1 is damaged").arg(m_filePath));
    QString group = keyPath;
    group.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (group.startsWith(QLatin1Char('/')))
        group.remove(0, 1);
    return std::make_unique<RegistryKey>(std::move(file), group);
}
