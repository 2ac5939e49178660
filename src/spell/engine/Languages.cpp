#include "Languages.h"

#include <QLocale>
#include <QSysInfo>

#include <cerrno>
#include <iconv.h>
#include <unicode/uloc.h>

#include <map>

namespace {

// Windows' three-letter abbreviations; ICU has no such names.
const std::map<LanguageId, const char*>& abbreviations() {
    static const std::map<LanguageId, const char*> table = {
        {1025, "ARA"}, {1026, "BGR"}, {1027, "CAT"}, {1028, "CHT"}, {1029, "CSY"}, {1030, "DAN"},
        {1031, "DEU"}, {1032, "ELL"}, {1033, "ENU"}, {1034, "ESP"}, {1035, "FIN"}, {1036, "FRA"},
        {1037, "HEB"}, {1038, "HUN"}, {1039, "ISL"}, {1040, "ITA"}, {1041, "JPN"}, {1042, "KOR"},
        {1043, "NLD"}, {1044, "NOR"}, {1045, "PLK"}, {1046, "PTB"}, {1048, "ROM"}, {1049, "RUS"},
        {1050, "HRV"}, {1051, "SKY"}, {1053, "SVE"}, {1054, "THA"}, {1055, "TRK"}, {1056, "URD"},
        {1057, "IND"}, {1058, "UKR"}, {1059, "BEL"}, {1060, "SLV"}, {1061, "ETI"}, {1062, "LVI"},
        {1063, "LTH"}, {1065, "FAR"}, {1066, "VIT"}, {1067, "HYE"}, {1069, "EUQ"}, {1071, "MKI"},
        {1079, "KAT"}, {1081, "HIN"}, {1086, "MSL"}, {1089, "SWK"}, {1106, "CYM"}, {1110, "GLC"},
        {2052, "CHS"}, {2055, "DES"}, {2057, "ENG"}, {2058, "ESM"}, {2060, "FRB"}, {2064, "ITS"},
        {2067, "NLB"}, {2068, "NON"}, {2070, "PTG"}, {2074, "SRL"}, {2108, "IRE"}, {3076, "ZHH"},
        {3079, "DEA"}, {3081, "ENA"}, {3082, "ESN"}, {3084, "FRC"}, {3098, "SRB"}, {4100, "ZHI"},
        {4103, "DEL"}, {4105, "ENC"}, {4108, "FRS"}, {5127, "DEC"}, {5129, "ENZ"}, {5132, "FRL"},
        {6153, "ENI"}, {6156, "FRM"}, {7177, "ENS"},
    };
    return table;
}

// Default ANSI code page by primary language (the low ten bits of the identifier); languages
// whose code page depends on the script or country are handled in languageCodePage.
const std::map<int, int>& primaryCodePages() {
    static const std::map<int, int> table = {
        // Western European
        {0x03, 1252},
        {0x06, 1252},
        {0x07, 1252},
        {0x09, 1252},
        {0x0A, 1252},
        {0x0B, 1252},
        {0x0C, 1252},
        {0x0F, 1252},
        {0x10, 1252},
        {0x13, 1252},
        {0x14, 1252},
        {0x16, 1252},
        {0x17, 1252},
        {0x1D, 1252},
        {0x21, 1252},
        {0x2D, 1252},
        {0x2E, 1252},
        {0x36, 1252},
        {0x38, 1252},
        {0x3B, 1252},
        {0x3C, 1252},
        {0x3E, 1252},
        {0x41, 1252},
        {0x52, 1252},
        {0x56, 1252},
        {0x62, 1252},
        {0x6E, 1252},
        {0x91, 1252},
        // Central European
        {0x05, 1250},
        {0x0E, 1250},
        {0x15, 1250},
        {0x18, 1250},
        {0x1B, 1250},
        {0x1C, 1250},
        {0x24, 1250},
        {0x42, 1250},
        // Cyrillic
        {0x02, 1251},
        {0x19, 1251},
        {0x22, 1251},
        {0x23, 1251},
        {0x28, 1251},
        {0x2F, 1251},
        {0x3F, 1251},
        {0x40, 1251},
        {0x44, 1251},
        {0x50, 1251},
        {0x6D, 1251},
        {0x85, 1251},
        // Others
        {0x08, 1253},
        {0x1F, 1254},
        {0x0D, 1255},
        {0x01, 1256},
        {0x20, 1256},
        {0x29, 1256},
        {0x80, 1256},
        {0x8C, 1256},
        {0x92, 1256},
        {0x25, 1257},
        {0x26, 1257},
        {0x27, 1257},
        {0x2A, 1258},
        {0x1E, 874},
        {0x11, 932},
        {0x12, 949},
        // Unicode only
        {0x2B, 0},
        {0x37, 0},
        {0x39, 0},
        {0x45, 0},
        {0x46, 0},
        {0x47, 0},
        {0x49, 0},
        {0x4A, 0},
        {0x4B, 0},
        {0x4E, 0},
        {0x4F, 0},
        {0x57, 0},
        {0x5A, 0},
        {0x65, 0},
    };
    return table;
}

// ICU's locale for the identifier; empty when there is none (0 would give the root locale).
QByteArray localeOf(LanguageId language) {
    if (language == 0) {
        return {};
    }
    char buffer[ULOC_FULLNAME_CAPACITY] = {};
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = uloc_getLocaleForLCID(language, buffer, sizeof buffer, &status);
    if (U_FAILURE(status) || length <= 0 || status == U_STRING_NOT_TERMINATED_WARNING) {
        return {};
    }
    const QByteArray locale(buffer, length);
    if (locale == "root") {
        return {};
    }
    return locale;
}

bool isTraditionalChinese(const QByteArray& locale) {
    char full[ULOC_FULLNAME_CAPACITY] = {};
    UErrorCode status = U_ZERO_ERROR;
    uloc_addLikelySubtags(locale.constData(), full, sizeof full, &status);
    char script[ULOC_SCRIPT_CAPACITY] = {};
    if (U_SUCCESS(status)) {
        uloc_getScript(full, script, sizeof script, &status);
    }
    return U_SUCCESS(status) && qstrcmp(script, "Hant") == 0;
}

using DisplayFunction = int32_t (*)(const char*, const char*, UChar*, int32_t, UErrorCode*);

QString display(DisplayFunction function, const QByteArray& locale, const QByteArray& displayLocale) {
    UChar buffer[256] = {};
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length =
        function(locale.constData(), displayLocale.constData(), buffer, int32_t(std::size(buffer)), &status);
    if (U_FAILURE(status) || length <= 0) {
        return {};
    }
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(buffer),
                              std::min<qsizetype>(length, qsizetype(std::size(buffer))));
}

// The locale of the system's user interface, as ICU spells it.
QByteArray uiLocale() {
    const QStringList languages = QLocale::system().uiLanguages();
    QString name = languages.isEmpty() ? QLocale::system().name() : languages.first();
    name.replace(QLatin1Char('-'), QLatin1Char('_'));
    if (name.isEmpty() || name == QLatin1String("C")) {
        return QByteArrayLiteral("en_US");
    }
    return name.toLatin1();
}

// glibc's name of a Windows code page.
QByteArray iconvName(int codePage) {
    switch (codePage) {
    case 0:
    case 3:
        return iconvName(SystemAnsiCodePage);
    case 2:
    case 10000:
        return QByteArrayLiteral("MACINTOSH");
    case 1200:
    case 65001:
        return QByteArrayLiteral("UTF-8");
    case 20866:
        return QByteArrayLiteral("KOI8-R");
    case 21866:
        return QByteArrayLiteral("KOI8-U");
    case 28603:
        return QByteArrayLiteral("ISO-8859-13");
    case 28605:
        return QByteArrayLiteral("ISO-8859-15");
    default:
        break;
    }
    if (codePage >= 28591 && codePage <= 28599) {
        return "ISO-8859-" + QByteArray::number(codePage - 28590);
    }
    return "CP" + QByteArray::number(codePage);
}

QByteArray wideName() {
    return QSysInfo::ByteOrder == QSysInfo::LittleEndian ? QByteArrayLiteral("UTF-16LE")
                                                         : QByteArrayLiteral("UTF-16BE");
}

class Converter {
public:
    Converter(const QByteArray& to, const QByteArray& from)
        : m_cd(iconv_open(to.constData(), from.constData())) {}
    ~Converter() {
        if (valid()) {
            iconv_close(m_cd);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool valid() const { return m_cd != iconv_t(-1); }

    // Converts all of `input`; an input unit iconv rejects (`unitSize` bytes) is replaced by
    // `replacement`, already in the target encoding. Finishes with the flush that stateful
    // encodings (CP1255, CP1258) need to give out their last character.
    QByteArray run(const QByteArray& input, int unitSize, const QByteArray& replacement) {
        QByteArray output;
        output.resize(std::max<qsizetype>(64, input.size() * 4));
        char* in = const_cast<char*>(input.constData());
        size_t inLeft = size_t(input.size());
        char* out = output.data();
        size_t outLeft = size_t(output.size());
        auto grow = [&] {
            const qsizetype used = out - output.data();
            output.resize(output.size() * 2);
            out = output.data() + used;
            outLeft = size_t(output.size() - used);
        };
        while (inLeft > 0) {
            if (iconv(m_cd, &in, &inLeft, &out, &outLeft) != size_t(-1)) {
                continue;
            }
            if (errno == E2BIG) {
                grow();
            } else if (errno == EILSEQ || errno == EINVAL) {
                // An invalid or incomplete unit: skip it and mark the place.
                const size_t skip = std::min(size_t(unitSize), inLeft);
                in += skip;
                inLeft -= skip;
                while (outLeft < size_t(replacement.size())) {
                    grow();
                }
                std::copy(replacement.begin(), replacement.end(), out);
                out += replacement.size();
                outLeft -= size_t(replacement.size());
            } else {
                break;
            }
        }
        while (iconv(m_cd, nullptr, nullptr, &out, &outLeft) == size_t(-1) && errno == E2BIG) {
            grow();
        }
        output.truncate(out - output.data());
        return output;
    }

private:
    iconv_t m_cd;
};

} // namespace

QString languageName(LanguageId language, LanguageNameForm option) {
    const QByteArray locale = localeOf(language);
    if (locale.isEmpty()) {
        return {};
    }
    switch (option) {
    case LanguageNameForm::Localized:
        return display(uloc_getDisplayName, locale, uiLocale());
    case LanguageNameForm::English:
        return display(uloc_getDisplayLanguage, locale, QByteArrayLiteral("en"));
    case LanguageNameForm::Native:
        return display(uloc_getDisplayLanguage, locale, locale);
    case LanguageNameForm::Abbreviation: {
        const auto found = abbreviations().find(language);
        if (found != abbreviations().end()) {
            return QString::fromLatin1(found->second);
        }
        return QString::fromLatin1(uloc_getISO3Language(locale.constData())).toUpper();
    }
    }
    return {};
}

int languageCodePage(LanguageId language) {
    if (localeOf(language).isEmpty()) {
        return SystemAnsiCodePage;
    }
    const int primary = language & 0x3FF;
    const int sub = language >> 10;
    switch (primary) {
    case 0x04: // Chinese: traditional script (Taiwan, Hong Kong, Macao) 950, simplified 936
        return isTraditionalChinese(localeOf(language)) ? 950 : 936;
    case 0x1A: // Croatian, Serbian, Bosnian: Cyrillic variants
        return (sub == 3 || sub == 7 || sub == 8 || sub == 10 || sub == 12) ? 1251 : 1250;
    case 0x2C: // Azerbaijani: Latin, Cyrillic
    case 0x43: // Uzbek: Latin, Cyrillic
        return sub == 2 ? 1251 : 1254;
    default:
        break;
    }
    const auto found = primaryCodePages().find(primary);
    return found != primaryCodePages().end() ? found->second : SystemAnsiCodePage;
}

int codePageCharset(int codePage) {
    switch (codePage) {
    case 1252:
        return 0;
    case 1250:
        return 238;
    case 1251:
        return 204;
    case 1253:
        return 161;
    case 1254:
        return 162;
    case 1255:
        return 177;
    case 1256:
        return 178;
    case 1257:
        return 186;
    case 1258:
        return 163;
    case 874:
        return 222;
    case 932:
        return 128;
    case 936:
        return 134;
    case 949:
        return 129;
    case 950:
        return 136;
    default:
        return 1;
    }
}

int languageCharset(LanguageId language) {
    return codePageCharset(languageCodePage(language));
}

QString ansiToWide(const QByteArray& text, int codePage) {
    if (text.isEmpty()) {
        return {};
    }
    Converter converter(wideName(), iconvName(codePage));
    if (!converter.valid()) {
        return QString::fromLatin1(text);
    }
    const char16_t replacement = 0xFFFD;
    const QByteArray wide =
        converter.run(text, 1, QByteArray(reinterpret_cast<const char*>(&replacement), sizeof replacement));
    return QString(reinterpret_cast<const QChar*>(wide.constData()), wide.size() / 2);
}

QByteArray wideToAnsi(const QString& text, int codePage) {
    if (text.isEmpty()) {
        return {};
    }
    Converter converter(iconvName(codePage), wideName());
    if (!converter.valid()) {
        QByteArray latin;
        latin.reserve(text.size());
        for (const QChar c : text) {
            latin.append(c.unicode() < 0x100 ? char(c.unicode()) : '?');
        }
        return latin;
    }
    const QByteArray wide(reinterpret_cast<const char*>(text.constData()), text.size() * 2);
    return converter.run(wide, 2, QByteArrayLiteral("?"));
}
