#include "NotesOutput.h"

#include <QByteArray>
#include <QByteArrayView>

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>
#include <pugixml.hpp>

namespace {

const pugi::char_t* const indent = "\t";
constexpr unsigned formatFlags = pugi::format_indent;

// A text holds a carriage return only from a reference in a file another program wrote (typed ones
// are stored as "^M"; the parser reads raw ones as line feeds). pugixml writes it raw, and every XML
// reader would then read a line feed, or nothing before one: it goes out as a reference again.
// Indentation is written with line feeds only, so files without one are passed on unchanged.
struct CarriageReturnWriter final : pugi::xml_writer {
    explicit CarriageReturnWriter(pugi::xml_writer& next) : next(next) {}
    pugi::xml_writer& next;
    void write(const void* data, size_t size) override {
        const char* begin = static_cast<const char*>(data);
        const char* const end = begin + size;
        while (const void* found = std::memchr(begin, '\r', size_t(end - begin))) {
            const char* const cr = static_cast<const char*>(found);
            if (cr != begin)
                next.write(begin, size_t(cr - begin));
            next.write("&#13;", 5);
            begin = cr + 1;
        }
        if (begin != end)
            next.write(begin, size_t(end - begin));
    }
};

struct ByteWriter final : pugi::xml_writer {
    QByteArray bytes;
    void write(const void* data, size_t size) override {
        bytes.append(static_cast<const char*>(data), qsizetype(size));
    }
};

struct CountingWriter final : pugi::xml_writer {
    explicit CountingWriter(pugi::xml_writer& next) : next(next) {}
    pugi::xml_writer& next;
    qsizetype count = 0;
    void write(const void* data, size_t size) override {
        next.write(data, size);
        count += qsizetype(size);
    }
};

void writeChild(const pugi::xml_node& child, pugi::xml_writer& writer) {
    child.print(writer, indent, formatFlags, pugi::encoding_utf8, 1);
}

// Inside the root element, each child that is not text is written on lines of its own, exactly as
// it is written alone one level deep. Text there would join its neighbours' lines.
bool splitsIntoLines(const pugi::xml_node& root) {
    if (!root.first_child() || *root.value() != 0)
        return false;
    for (const pugi::xml_node& child : root.children())
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
            return false;
    return true;
}

// What comes before and after the root element's children: the document written with one marker
// instead of them, cut where the marker is. None if the marker is not found exactly once (a comment
// that happens to hold it).
struct Frame {
    QByteArray head;
    QByteArray tail;
};

std::optional<Frame> frameAround(const pugi::xml_document& doc, const pugi::xml_node& root) {
    pugi::xml_document frame;
    pugi::xml_node marker;
    for (const pugi::xml_node& node : doc.children()) {
        if (node != root) {
            frame.append_copy(node);
            continue;
        }
        pugi::xml_node copy = frame.append_child(root.name());
        for (const pugi::xml_attribute& attribute : root.attributes())
            copy.append_copy(attribute);
        marker = copy.append_child(pugi::node_comment);
        marker.set_value("quillnote: the notes go here");
    }
    ByteWriter whole;
    NotesOutput::writeWhole(frame, whole);
    ByteWriter alone;
    writeChild(marker, alone);

    const QByteArrayView text(whole.bytes);
    const qsizetype at = text.indexOf(alone.bytes);
    if (at < 0 || text.indexOf(alone.bytes, at + 1) >= 0)
        return std::nullopt;
    return Frame{whole.bytes.left(at), whole.bytes.mid(at + alone.bytes.size())};
}

} // namespace

void NotesOutput::writeWhole(const pugi::xml_document& doc, pugi::xml_writer& writer) {
    CarriageReturnWriter keepingCarriageReturns(writer);
    doc.save(keepingCarriageReturns, indent, formatFlags, pugi::encoding_utf8);
}

void NotesOutput::writeUnindented(const pugi::xml_node& node, pugi::xml_writer& writer) {
    CarriageReturnWriter keepingCarriageReturns(writer);
    node.print(keepingCarriageReturns, "", pugi::format_raw, pugi::encoding_utf8);
}

void NotesOutput::write(const pugi::xml_document& doc, pugi::xml_writer& writer) {
    m_written.clear();
    const pugi::xml_node root = doc.document_element();
    const std::optional<Frame> frame = splitsIntoLines(root) ? frameAround(doc, root) : std::nullopt;
    if (!frame)
        return writeWhole(doc, writer);

    CountingWriter out(writer);
    CarriageReturnWriter keepingCarriageReturns(out);
    out.write(frame->head.constData(), size_t(frame->head.size()));
    // Kept pieces that lie one after the other are copied in one go.
    qsizetype runBegin = 0;
    qsizetype runSize = 0;
    const auto copyRun = [&] {
        if (runSize > 0)
            out.write(m_bytes.get() + runBegin, size_t(runSize));
        runSize = 0;
    };
    size_t next = 0;
    for (const pugi::xml_node& child : root.children()) {
        const void* const node = child.internal_object();
        const qsizetype at = out.count + runSize;
        if (const Piece* kept = keptPiece(node, next)) {
            if (runBegin + runSize != kept->offset) {
                copyRun();
                runBegin = kept->offset;
            }
            runSize += kept->size;
            m_written.push_back({node, at, kept->size});
            continue;
        }
        copyRun();
        writeChild(child, keepingCarriageReturns);
        m_written.push_back({node, at, out.count - at});
    }
    copyRun();
    out.write(frame->tail.constData(), size_t(frame->tail.size()));
}

void NotesOutput::keep(std::span<const char> written) {
    m_valid = false;
    m_pieces.clear();
    const qsizetype size = qsizetype(written.size());
    const bool fits = !m_written.empty() && m_written.back().offset + m_written.back().size <= size;
    if (!fits || size > maxKeptBytes) {
        release();
        return;
    }
    if (LargeMemory::capacityOf(m_bytes) < size) {
        m_bytes.reset(); // before the larger block is mapped
        try {
            m_bytes = LargeMemory::allocate(size + size / 8, LargeMemory::Pages::MapNow);
        } catch (const std::bad_alloc&) {
            release(); // the save goes on: the next one writes every note out
            return;
        }
    }
    std::memcpy(m_bytes.get(), written.data(), written.size());
    m_pieces.swap(m_written);
    m_written.clear();
}

void NotesOutput::commit() {
    m_valid = !m_pieces.empty();
    m_touched.clear();
}

void NotesOutput::touch(const pugi::xml_node& child) {
    const void* const node = child.internal_object();
    const auto at = std::lower_bound(m_touched.begin(), m_touched.end(), node);
    if (at == m_touched.end() || *at != node)
        m_touched.insert(at, node);
}

void NotesOutput::clear() {
    m_valid = false;
    m_pieces.clear();
    m_written.clear();
    m_touched.clear();
}

void NotesOutput::release() {
    clear();
    m_bytes.reset();
    m_pieces.shrink_to_fit();
    m_written.shrink_to_fit();
}

const NotesOutput::Piece* NotesOutput::keptPiece(const void* node, size_t& next) const {
    if (!m_valid || isTouched(node))
        return nullptr;
    for (size_t k = next; k < m_pieces.size(); ++k) {
        if (m_pieces[k].node == node) {
            next = k + 1;
            return &m_pieces[k];
        }
    }
    // Out of step with the last save (never so after the store's own changes): write the rest out.
    next = m_pieces.size();
    return nullptr;
}

bool NotesOutput::isTouched(const void* node) const {
    return std::binary_search(m_touched.begin(), m_touched.end(), node);
}
