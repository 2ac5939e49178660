#include "IspellCatalog.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace {

// A dictionary descriptor is a few lines; anything far larger is not one.
constexpr qint64 MaxIniSize = 1 << 20;

struct RawSection {
    QString name;
    QList<std::pair<QString, QString>> values; // key, value in file order
};

QString valueOf(const RawSection& section, const QString& key) {
    for (const auto& [name, value] : section.values)
        if (name.compare(key, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

bool hasKey(const RawSection& section, const QString& key) {
    for (const auto& entry : section.values)
        if (entry.first.compare(key, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// Sections with the same name are one section, as the platform's reader of such files sees them:
// its values come from the first occurrence of each key.
QList<RawSection> readSections(const QByteArray& text) {
    QList<RawSection> sections;
    RawSection* current = nullptr;
    QString content = QString::fromUtf8(text);
    if (content.startsWith(QChar(0xFEFF)))
        content.remove(0, 1);
    for (QString line : content.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")))) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            const int close = line.indexOf(QLatin1Char(']'));
            const QString name = line.mid(1, close < 0 ? -1 : close - 1).trimmed();
            current = nullptr;
            for (RawSection& known : sections)
                if (known.name.compare(name, Qt::CaseInsensitive) == 0)
                    current = &known;
            if (!current) {
                sections.append({name, {}});
                current = &sections.last();
            }
            continue;
        }
        const int equals = line.indexOf(QLatin1Char('='));
        if (!current || equals <= 0)
            continue;
        current->values.append({line.left(equals).trimmed(), line.mid(equals + 1).trimmed()});
    }
    return sections;
}

LanguageId languageNumber(const QString& text) {
    bool ok = false;
    const uint number = text.toUInt(&ok);
    return ok && number <= 0xFFFF ? LanguageId(number) : LanguageId(0);
}

} // namespace

namespace IspellCatalog {

QList<IspellSection> parseIni(const QByteArray& text, const QString& directory) {
    QList<IspellSection> result;
    for (const RawSection& raw : readSections(text)) {
        IspellSection section;
        section.name = raw.name.isEmpty() ? directory : raw.name;
        section.directory = directory;
        section.language = languageNumber(valueOf(raw, QStringLiteral("LangNo")));
        section.cmd = valueOf(raw, QStringLiteral("Cmd"));
        section.charset = valueOf(raw, QStringLiteral("Charset"));
        section.surrogate = valueOf(raw, QStringLiteral("Surrogate"));
        if (section.surrogate.isEmpty())
            section.surrogate = QStringLiteral("-");
        section.flag = hasKey(raw, QStringLiteral("Flag")) ? valueOf(raw, QStringLiteral("Flag")) : directory;
        result.append(section);
    }
    return result;
}

QList<IspellSection> scan(const QString& ispellDirectory) {
    QList<IspellSection> result;
    const QDir folder(ispellDirectory);
    for (const QString& name : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        QFile ini(folder.filePath(name + QStringLiteral("/ispell.ini")));
        if (!ini.open(QIODevice::ReadOnly) || ini.size() > MaxIniSize)
            continue;
        result += parseIni(ini.readAll(), name);
    }
    return result;
}

QString expandCommand(const QString& cmd, const QString& ispellDirectory) {
    QString folder = ispellDirectory;
    while (folder.size() > 1 && (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\'))))
        folder.chop(1);
    QString result = cmd;
    return result.replace(QStringLiteral("%AppDir%ispell"), folder, Qt::CaseInsensitive);
}

} // namespace IspellCatalog
