#include "SpellConfiguration.h"

#include "platform/AppPaths.h"
#include "platform/QuillError.h"
#include "platform/Registry.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <unicode/uloc.h>

namespace {

const QString IspellAppPathsKey =
    QStringLiteral("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ispell.exe");
const QString SpellingKey = QStringLiteral("\\SOFTWARE\\Microsoft\\Shared Tools\\Proofing Tools\\Spelling");
const QString CustomDictionariesKey =
    QStringLiteral("\\SOFTWARE\\Microsoft\\Shared Tools\\Proofing Tools\\Custom Dictionaries");

// The locale id of a dictionary name such as "en_US"; 0 for names without a country or unknown ones.
LanguageId languageOfDictionary(const QString& baseName) {
    const QByteArray name = baseName.toLatin1();
    if (!baseName.contains(QLatin1Char('_')))
        return 0;
    const uint32_t lcid = uloc_getLCID(name.constData());
    // A language without its country (de_BE maps to plain German) would list a second, vaguer
    // German: only ids that name a country count.
    const bool namesCountry = (lcid >> 10) != 0;
    return namesCountry && lcid <= 0xFFFF ? LanguageId(lcid) : LanguageId(0);
}

// A fresh install selects picker entry 1, and the picker lists the keys from the last to the first:
// so the user's own dictionary comes second, or, for a locale without one (such as C), the window's
// default language, English (United Kingdom), else English (United States).
QList<SpellConfiguration::InstalledDictionary>
userLocaleSecond(QList<SpellConfiguration::InstalledDictionary> found) {
    const QList<LanguageId> preferred = {languageOfDictionary(QLocale().name()), 2057, 1033};
    for (const LanguageId language : preferred) {
        for (int i = 0; i < found.size(); ++i) {
            if (language != 0 && found[i].language == language && found.size() > 1) {
                const auto own = found.takeAt(i);
                found.insert(1, own);
                return found;
            }
        }
    }
    return found;
}

} // namespace

SpellConfiguration::SpellConfiguration(const RegistryHive* hive, QString executableFolder,
                                       QStringList dictionaryFolders)
    : m_hive(hive), m_executableFolder(std::move(executableFolder)),
      m_dictionaryFolders(std::move(dictionaryFolders)) {}

QString SpellConfiguration::ispellDirectory() const {
    try {
        if (m_hive) {
            const auto key = m_hive->openKey(IspellAppPathsKey);
            if (key->valueExists(QStringLiteral("Path"))) {
                const QString path = key->readString(QStringLiteral("Path"));
                if (!path.isEmpty())
                    return AppPaths::withTrailingSlash(path);
            }
        }
    } catch (const QuillError&) {
        // A damaged hive is reported where the settings are read; the shipped folder still works.
    }
    return m_executableFolder + QStringLiteral("ispell/");
}

bool SpellConfiguration::hiveHasProofingKeys() const {
    try {
        return m_hive && m_hive->openKey(SpellingKey)->exists();
    } catch (const QuillError&) {
        return false;
    }
}

QList<SpellConfiguration::InstalledDictionary> SpellConfiguration::installedDictionaries() const {
    QList<InstalledDictionary> found;
    for (const QString& folder : m_dictionaryFolders) {
        const QDir dir(folder);
        for (const QFileInfo& dic : dir.entryInfoList({QStringLiteral("*.dic")}, QDir::Files, QDir::Name)) {
            const LanguageId language = languageOfDictionary(dic.completeBaseName());
            const bool hasAffixes = QFileInfo::exists(dic.path() + QLatin1Char('/') + dic.completeBaseName() +
                                                      QStringLiteral(".aff"));
            const bool known = std::any_of(found.begin(), found.end(), [&](const InstalledDictionary& d) {
                return d.language == language;
            });
            if (language != 0 && hasAffixes && !known)
                found.append({language, dic.absoluteFilePath()});
        }
    }
    return userLocaleSecond(found);
}

QStringList SpellConfiguration::proofingLanguageKeys() const {
    if (hiveHasProofingKeys())
        return m_hive->openKey(SpellingKey)->subKeyNames();
    QStringList keys;
    for (const InstalledDictionary& d : installedDictionaries())
        keys.prepend(QString::number(d.language));
    return keys;
}

std::optional<SpellConfiguration::ProofingEntry>
SpellConfiguration::proofingEntry(LanguageId language) const {
    if (hiveHasProofingKeys()) {
        try {
            const auto key = m_hive->openKey(SpellingKey + QStringLiteral("\\%1\\Normal").arg(language));
            if (!key->exists())
                return std::nullopt;
            auto text = [&](const QString& name) {
                return key->valueExists(name) ? key->readString(name) : QString();
            };
            return ProofingEntry{text(QStringLiteral("Engine")), text(QStringLiteral("Dictionary"))};
        } catch (const QuillError&) {
            return std::nullopt;
        }
    }
    for (const InstalledDictionary& d : installedDictionaries())
        if (d.language == language)
            return ProofingEntry{spellerLibraryPath(), d.dictionary};
    return std::nullopt;
}

std::optional<QString> SpellConfiguration::customDictionary() const {
    try {
        if (!m_hive)
            return std::nullopt;
        const auto key = m_hive->openKey(CustomDictionariesKey);
        if (!key->exists())
            return std::nullopt;
        return key->valueExists(QStringLiteral("1")) ? key->readString(QStringLiteral("1")) : QString();
    } catch (const QuillError&) {
        return std::nullopt;
    }
}

bool SpellConfiguration::writeCustomDictionary(const QString& path) const {
    if (!m_hive)
        return false;
    try {
        const auto key = m_hive->openKeyForWriting(CustomDictionariesKey);
        key->writeString(QStringLiteral("1"), path);
        key->close();
        return true;
    } catch (const QuillError&) {
        return false;
    }
}

QString SpellConfiguration::spellerLibraryPath() const {
    return m_executableFolder + QStringLiteral("libquillcsapi.so");
}
