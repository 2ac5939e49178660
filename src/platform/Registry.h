#pragma once

#include <QString>
#include <QStringList>
#include <memory>

class QSettings;

// The settings hive: registry-style keys and typed values kept in one INI file per user.
// Integers and texts are stored distinctly ("dword:<n>" and "sz:<text>"), so that a value of the
// wrong type is a failure when read, as it would be in a real registry. The file is replaced
// atomically when written.
class RegistryKey {
public:
    RegistryKey(std::shared_ptr<QSettings> file, QString keyPath);
    ~RegistryKey();

    bool valueExists(const QString& name) const;
    // Whether the key holds any value or subkey.
    bool exists() const;
    // Names of the subkeys, in name order.
    QStringList subKeyNames() const;
    // Each read throws QuillError when the value is missing or of another type.
    int readInteger(const QString& name) const;
    bool readBool(const QString& name) const;
    QString readString(const QString& name) const;

    void writeInteger(const QString& name, int value);
    void writeBool(const QString& name, bool value) { writeInteger(name, value ? 1 : 0); }
    void writeString(const QString& name, const QString& value);

    // Writes pending changes to disk; throws QuillError when the file cannot be written.
    void close();

private:
    QString storedValue(const QString& name) const;
    QString qualified(const QString& name) const;

    std::shared_ptr<QSettings> m_file;
    QString m_keyPath;
};

class RegistryHive {
public:
    explicit RegistryHive(QString filePath);

    // keyPath like "\Software\Tarrowin\Quillnote\Settings"; the key is created on first write.
    // Throws QuillError naming the file when it is damaged or cannot be read.
    std::unique_ptr<RegistryKey> openKey(const QString& keyPath) const;
    // For writing: a damaged file is kept as damagedFilePath() (replacing an older copy) and a fresh,
    // empty file is begun, so that one damage cannot block every later save.
    std::unique_ptr<RegistryKey> openKeyForWriting(const QString& keyPath) const;

    const QString& filePath() const { return m_filePath; }
    QString damagedFilePath() const { return m_filePath + QStringLiteral(".damaged"); }

private:
    QString m_filePath;
};

// Key of the program's settings.
inline const QString SettingsKeyPath = QStringLiteral("\\Software\\Tarrowin\\Quillnote\\Settings");
