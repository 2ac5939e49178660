#pragma once

#include <QString>
#include <functional>
#include <memory>

namespace pugi {
class xml_document;
class xml_node;
} // namespace pugi

// One change to the notes document, kept until the file holds it. It applies to the document it was
// made on and, when another program has written the file meanwhile, to the document read from the
// file then, so that saving merges instead of writing over the other change. Notes are matched as
// the list matches rows: by the stored creation number and title as they were before the change.
class NoteChange {
public:
    enum class Kind { Append, Update, Delete, RepairDate };

    // What a merge did that the user should hear about.
    struct Outcome {
        int conflicts = 0;   // changed on both sides: theirs kept, ours added as a conflicting copy
        int keptChanged = 0; // deleted here, changed elsewhere: kept
    };
    // The raw title of our note when it is added beside another program's version of it.
    using ConflictTitle = std::function<QString(const QString& rawTitle)>;

    // `before` is the note as read before the change, `after` the note as it should be (copies are
    // taken). Append has no `before`, Delete no `after`.
    NoteChange(Kind kind, pugi::xml_node before, pugi::xml_node after);
    ~NoteChange();
    NoteChange(NoteChange&&) noexcept;
    NoteChange& operator=(NoteChange&&) noexcept;

    Kind kind() const { return m_kind; }

    // Applies the change to `target`, the note it was made for (null for Append). Returns the node
    // that now holds the note, or a null node when it was removed.
    pugi::xml_node applyTo(pugi::xml_node root, pugi::xml_node target) const;
    // Applies the change to a document another program wrote, finding the note there first.
    void mergeInto(pugi::xml_node root, const ConflictTitle& conflictTitle, Outcome& outcome) const;

private:
    pugi::xml_node beforeNote() const;
    pugi::xml_node afterNote() const;
    pugi::xml_node find(pugi::xml_node root, bool byCreationOnly) const;
    void addCopy(pugi::xml_node root, const QString& rawTitle) const;

    Kind m_kind;
    std::unique_ptr<pugi::xml_document> m_before;
    std::unique_ptr<pugi::xml_document> m_after;
};
