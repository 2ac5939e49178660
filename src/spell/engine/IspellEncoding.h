#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>

// Text to and from the byte encoding an ispell dictionary names in its "Charset" ("UTF-8",
// "iso-8859-1", "koi8-r", ...). UTF-8 and Latin-1 are converted by Qt, every other name by iconv.
// An empty name means UTF-8.
class IspellEncoding {
public:
    explicit IspellEncoding(const QString& charset);
    ~IspellEncoding();
    IspellEncoding(const IspellEncoding&) = delete;
    IspellEncoding& operator=(const IspellEncoding&) = delete;

    // False when iconv knows no such encoding.
    bool isValid() const { return m_valid; }
    // nullopt when the text holds a character the encoding cannot represent: such a word cannot be
    // in the dictionary, and a substitute character would make it another word.
    std::optional<QByteArray> encode(const QString& text) const;
    // Bytes that are not valid in the encoding become U+FFFD.
    QString decode(const QByteArray& bytes) const;

private:
    enum class Kind { Utf8, Latin1, Iconv };
    struct Converters;

    Kind m_kind = Kind::Utf8;
    bool m_valid = true;
    std::unique_ptr<Converters> m_iconv;
};
