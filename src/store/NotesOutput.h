#pragma once

#include "platform/LargeMemory.h"

#include <QtGlobal>
#include <span>
#include <vector>

namespace pugi {
class xml_document;
class xml_node;
class xml_writer;
} // namespace pugi

// The one form the notes file is written in: pugixml's output indented by tabs, in UTF-8, with
// carriage returns as references.
//
// A save after one edit writes every other note exactly as the save before it did, and writing ten
// thousand notes out again took a third of such a save. So an instance keeps the bytes of its last
// save, note by note, and copies those of the notes not touched since. A note changed, added or
// removed must be touch()ed; any other change to the document (a merge, a reload, cleaning) must
// clear() what is kept.
class NotesOutput {
public:
    static void writeWhole(const pugi::xml_document& doc, pugi::xml_writer& writer);
    // One node on one line, for an element kept elsewhere; its carriage returns go out as references
    // too, which the parser turns back into themselves.
    static void writeUnindented(const pugi::xml_node& node, pugi::xml_writer& writer);

    // The same bytes as writeWhole, with the kept ones copied where they still hold; notes where they
    // went, for keep(). Large copies go to the writer in one call each.
    void write(const pugi::xml_document& doc, pugi::xml_writer& writer);
    // The bytes that write() just produced, copied before the save's check spoils them. Nothing is
    // kept of a file over `maxKeptBytes`: there the copy would cost more memory than it saves time.
    void keep(std::span<const char> written);
    // The file now holds what keep() took: the next write() may copy from it.
    void commit();
    // A child of the root element that was changed, added or removed (its memory may be reused).
    void touch(const pugi::xml_node& child);
    // Forgets what is kept, for a document that was replaced or changed other than by notes.
    void clear();
    // clear(), and the memory goes back to the system.
    void release();

    static constexpr qsizetype maxKeptBytes = qsizetype(64) * 1024 * 1024;

private:
    struct Piece {
        const void* node; // the child of the root element written there
        qsizetype offset;
        qsizetype size;
    };
    class Copier;
    const Piece* keptPiece(const void* node, size_t& next) const;
    bool isTouched(const void* node) const;

    LargeMemory::Block m_bytes;
    std::vector<Piece> m_pieces;        // where each child's bytes are in m_bytes, in document order
    std::vector<Piece> m_written;       // the same for the last write(), until keep()
    std::vector<const void*> m_touched; // sorted
    bool m_valid = false;
};
