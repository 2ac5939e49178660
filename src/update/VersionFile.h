#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

// The version-information file of the vendor's server, read through typed accessors:
// VerInfo/<product>/{CurrVersion, Date, FileName, Size}. A missing text element reads as empty text.
class ProductVersion {
public:
    QString currentVersion() const { return text("CurrVersion"); }
    QString fileName() const { return text("FileName"); }
    QString size() const { return text("Size"); }
    // Days since 30 December 1899. Throws QuillError when missing, empty or not a whole number.
    int date() const;

    struct Document;

protected:
    ProductVersion(std::shared_ptr<const Document> document, const char* element)
        : m_document(std::move(document)), m_element(element) {}

private:
    QString text(const char* child) const;

    std::shared_ptr<const Document> m_document;
    const char* m_element;
};

class QuillnoteVersion final : public ProductVersion {
    friend class VersionInfo;
    using ProductVersion::ProductVersion;
};
class FernlogVersion final : public ProductVersion {
    friend class VersionInfo;
    using ProductVersion::ProductVersion;
};
class BramblerVersion final : public ProductVersion {
    friend class VersionInfo;
    using ProductVersion::ProductVersion;
};

// The whole document. Inactive (empty) until a file is bound to it.
class VersionInfo {
public:
    // Parses the file; throws QuillError when it cannot be read, is not well-formed XML or its root is
    // not VerInfo. Entities other than XML's own are never expanded.
    void loadFromFile(const QString& path);
    void loadFromBytes(const QByteArray& bytes);
    bool active() const { return m_document != nullptr; }
    // Lets the document go, so that its file can be deleted.
    void deactivate() { m_document.reset(); }

    // Each throws QuillError when no document is bound.
    QuillnoteVersion quillnote() const;
    FernlogVersion fernlog() const;
    BramblerVersion brambler() const;

private:
    std::shared_ptr<const ProductVersion::Document> boundDocument() const;

    std::shared_ptr<const ProductVersion::Document> m_document;
};
