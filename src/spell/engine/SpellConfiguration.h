#pragma once

#include "spell/engine/SpellTypes.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class RegistryHive;

// Where the engines find their resources: the registry hive's "App Paths" key of ispell and the
// proofing-tools keys of the speller library. Keys the program only reads fall back to discovered
// defaults when the hive does not hold them: the ispell folder shipped beside the program, and one
// proofing entry per hunspell dictionary installed on the machine, pointing at our speller library.
class SpellConfiguration {
public:
    // `executableFolder` ends with '/'. `hive` may be null: then only the defaults are seen.
    // `dictionaryFolders`: where installed hunspell dictionaries are looked for.
    SpellConfiguration(const RegistryHive* hive, QString executableFolder,
                       QStringList dictionaryFolders = {QStringLiteral("/usr/share/hunspell")});

    // The ispell folder with a trailing '/' (value "Path" of
    // "\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\ispell.exe"); "<program>/ispell/" when
    // the hive has no such key or an empty "Path".
    QString ispellDirectory() const;

    // Subkey names of "\SOFTWARE\Microsoft\Shared Tools\Proofing Tools\Spelling", in order.
    QStringList proofingLanguageKeys() const;

    struct ProofingEntry {
        QString engine;     // path of the speller library
        QString dictionary; // path of the main dictionary
    };
    // Values of "...\Proofing Tools\Spelling\<language>\Normal"; nullopt when the key is missing.
    std::optional<ProofingEntry> proofingEntry(LanguageId language) const;

    // Value "1" of "...\Proofing Tools\Custom Dictionaries"; nullopt when the key is missing.
    std::optional<QString> customDictionary() const;
    // Creates the Custom Dictionaries key with value "1"; false when the hive cannot be written.
    bool writeCustomDictionary(const QString& path) const;

    // The speller library beside the program ("libquillcsapi.so").
    QString spellerLibraryPath() const;

    struct InstalledDictionary {
        LanguageId language;
        QString dictionary; // the .dic file
    };
    // Hunspell dictionaries with a locale, in the order the default proofing keys list them.
    QList<InstalledDictionary> installedDictionaries() const;

private:
    bool hiveHasProofingKeys() const;

    const RegistryHive* m_hive;
    QString m_executableFolder;
    QStringList m_dictionaryFolders;
};
