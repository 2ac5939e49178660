#include "VersionFile.h"

#include "platform/QuillError.h"

#include <QFile>
#include <pugixml.hpp>

struct ProductVersion::Document {
    pugi::xml_document xml;
};

namespace {

// A version file is a few hundred bytes; anything far larger is not one.
constexpr qint64 MaxVersionFileSize = qint64(1) << 20;

} // namespace

QString ProductVersion::text(const char* child) const {
    const pugi::xml_node node = m_document->xml.child("VerInfo").child(m_element).child(child);
    return QString::fromUtf8(node.child_value());
}

int ProductVersion::date() const {
    const QString value = text("Date").trimmed();
    bool ok = false;
    const int days = value.toInt(&ok, 10);
    if (!ok)
        throw QuillError(QStringLiteral("\"%1\" is not a valid whole number for %2/Date.")
                             .arg(value, QString::fromLatin1(m_element)));
    return days;
}

void VersionInfo::loadFromFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw QuillError(
            QStringLiteral("The version file \"%1\" cannot be read: %2").arg(path, file.errorString()));
    if (file.size() > MaxVersionFileSize)
        throw QuillError(QStringLiteral("The version file \"%1\" is too large.").arg(path));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw QuillError(
            QStringLiteral("The version file \"%1\" cannot be read: %2").arg(path, file.errorString()));
    loadFromBytes(bytes);
}

void VersionInfo::loadFromBytes(const QByteArray& bytes) {
    auto document = std::make_shared<ProductVersion::Document>();
    const pugi::xml_parse_result parsed =
        document->xml.load_buffer(bytes.constData(), size_t(bytes.size()), pugi::parse_default);
    if (!parsed)
        throw QuillError(QStringLiteral("The version information is not well-formed XML: %1 at offset %2.")
                             .arg(QString::fromUtf8(parsed.description()))
                             .arg(parsed.offset));
    if (!document->xml.child("VerInfo"))
        throw QuillError(QStringLiteral("The version information has no VerInfo element."));
    m_document = std::move(document);
}

std::shared_ptr<const ProductVersion::Document> VersionInfo::boundDocument() const {
    if (!m_document)
        throw QuillError(QStringLiteral("No version information is loaded."));
    return m_document;
}

QuillnoteVersion VersionInfo::quillnote() const {
    return QuillnoteVersion(boundDocument(), "Quillnote");
}

FernlogVersion VersionInfo::fernlog() const {
    return FernlogVersion(boundDocument(), "Fernlog");
}

BramblerVersion VersionInfo::brambler() const {
    return BramblerVersion(boundDocument(), "Brambler");
}
