#include "IspellEncoding.h"

#include <QStringDecoder>
#include <cerrno>
#include <iconv.h>

namespace {

const iconv_t NoConverter = reinterpret_cast<iconv_t>(-1);

// iconv's spelling of the names ispell descriptors use.
QByteArray iconvName(const QString& charset) {
    if (charset.compare(QLatin1String("macroman"), Qt::CaseInsensitive) == 0)
        return "MACINTOSH";
    return charset.toLatin1();
}

bool isName(const QString& charset, std::initializer_list<const char*> names) {
    for (const char* name : names)
        if (charset.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// One conversion from start to end; false on input the target cannot take, unless `lossy`: then
// each such byte is skipped and `replacement` put in its place.
bool convert(iconv_t cd, const QByteArray& in, QByteArray& out, bool lossy, const QByteArray& replacement) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    out.clear();
    char* inPtr = const_cast<char*>(in.constData());
    size_t inLeft = size_t(in.size());
    char buffer[1024];
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(buffer, qsizetype(outPtr - buffer));
        if (rc != size_t(-1) || errno == E2BIG)
            continue;
        if (!lossy)
            return false;
        out.append(replacement);
        ++inPtr;
        --inLeft;
    }
    // Stateful encodings emit their last characters only when flushed.
    for (;;) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t rc = iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
        out.append(buffer, qsizetype(outPtr - buffer));
        if (rc != size_t(-1) || errno != E2BIG)
            return rc != size_t(-1) || lossy;
    }
}

} // namespace

struct IspellEncoding::Converters {
    iconv_t toCharset = NoConverter;
    iconv_t fromCharset = NoConverter;
    ~Converters() {
        if (toCharset != NoConverter)
            iconv_close(toCharset);
        if (fromCharset != NoConverter)
            iconv_close(fromCharset);
    }
};

IspellEncoding::IspellEncoding(const QString& charset) {
    if (charset.isEmpty() || isName(charset, {"UTF-8", "utf8"})) {
        m_kind = Kind::Utf8;
    } else if (isName(charset, {"iso-8859-1", "iso8859-1", "iso_8859-1", "latin1", "l1"})) {
        m_kind = Kind::Latin1;
    } else {
        m_kind = Kind::Iconv;
        m_iconv = std::make_unique<Converters>();
        const QByteArray name = iconvName(charset);
        m_iconv->toCharset = iconv_open(name.constData(), "UTF-8");
        m_iconv->fromCharset = iconv_open("UTF-8", name.constData());
        m_valid = m_iconv->toCharset != NoConverter && m_iconv->fromCharset != NoConverter;
    }
}

IspellEncoding::~IspellEncoding() = default;

std::optional<QByteArray> IspellEncoding::encode(const QString& text) const {
    if (!m_valid)
        return std::nullopt;
    switch (m_kind) {
    case Kind::Utf8: {
        // A lone surrogate has no UTF-8 form.
        QStringEncoder encoder(QStringConverter::Utf8);
        QByteArray bytes = encoder.encode(text);
        if (encoder.hasError())
            return std::nullopt;
        return bytes;
    }
    case Kind::Latin1:
        for (const QChar c : text)
            if (c.unicode() > 0xFF)
                return std::nullopt;
        return text.toLatin1();
    case Kind::Iconv: {
        QStringEncoder utf8(QStringConverter::Utf8);
        const QByteArray in = utf8.encode(text);
        QByteArray out;
        if (utf8.hasError() || !convert(m_iconv->toCharset, in, out, false, {}))
            return std::nullopt;
        return out;
    }
    }
    return std::nullopt;
}

QString IspellEncoding::decode(const QByteArray& bytes) const {
    switch (m_kind) {
    case Kind::Utf8:
        return QString::fromUtf8(bytes);
    case Kind::Latin1:
        return QString::fromLatin1(bytes);
    case Kind::Iconv: {
        if (!m_valid)
            return {};
        QByteArray out;
        convert(m_iconv->fromCharset, bytes, out, true, QByteArray("\xEF\xBF\xBD"));
        return QString::fromUtf8(out);
    }
    }
    return {};
}
