#include "NoteChange.h"

#include <pugixml.hpp>
#include <string>

namespace {

const char* const elemTitle = "Title";
const char* const elemText = "Text";
const char* const elemDateTime = "DateTime";
const char* const elemLastModified = "LastModified";

std::string textOf(pugi::xml_node element) {
    std::string joined;
    for (pugi::xml_node n = element.first_child(); n; n = n.next_sibling())
        if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata)
            joined += n.value();
    return joined;
}

bool sameText(pugi::xml_node a, pugi::xml_node b, const char* element) {
    return textOf(a.child(element)) == textOf(b.child(element));
}

bool sameNote(pugi::xml_node a, pugi::xml_node b) {
    for (const char* element : {elemTitle, elemText, elemDateTime, elemLastModified})
        if (!sameText(a, b, element))
            return false;
    return true;
}

// Replaces the element's contents with those of the same element in `from`.
void copyElement(pugi::xml_node to, pugi::xml_node from, const char* name) {
    const pugi::xml_node source = from.child(name);
    if (!source)
        return;
    pugi::xml_node target = to.child(name);
    if (!target)
        target = to.append_child(name);
    while (pugi::xml_node child = target.first_child())
        target.remove_child(child);
    for (pugi::xml_node child = source.first_child(); child; child = child.next_sibling())
        target.append_copy(child);
}

std::unique_ptr<pugi::xml_document> copyOf(pugi::xml_node note) {
    if (!note)
        return nullptr;
    auto doc = std::make_unique<pugi::xml_document>();
    doc->append_copy(note);
    return doc;
}

} // namespace

NoteChange::NoteChange(Kind kind, pugi::xml_node before, pugi::xml_node after)
    : m_kind(kind), m_before(copyOf(before)), m_after(copyOf(after)) {}

NoteChange::~NoteChange() = default;
NoteChange::NoteChange(NoteChange&&) noexcept = default;
NoteChange& NoteChange::operator=(NoteChange&&) noexcept = default;

pugi::xml_node NoteChange::beforeNote() const {
    return m_before ? m_before->first_child() : pugi::xml_node();
}

pugi::xml_node NoteChange::afterNote() const {
    return m_after ? m_after->first_child() : pugi::xml_node();
}

pugi::xml_node NoteChange::applyTo(pugi::xml_node root, pugi::xml_node target) const {
    switch (m_kind) {
    case Kind::Append:
        return root.append_copy(afterNote());
    case Kind::Update:
        for (const char* element : {elemTitle, elemText, elemLastModified})
            copyElement(target, afterNote(), element);
        return target;
    case Kind::RepairDate:
        copyElement(target, afterNote(), elemDateTime);
        return target;
    case Kind::Delete:
        root.remove_child(target);
        return {};
    }
    return target;
}

pugi::xml_node NoteChange::find(pugi::xml_node root, bool byCreationOnly) const {
    const pugi::xml_node before = beforeNote();
    const std::string created = textOf(before.child(elemDateTime));
    const std::string title = textOf(before.child(elemTitle));
    pugi::xml_node found;
    for (pugi::xml_node n = root.first_child(); n; n = n.next_sibling()) {
        if (n.type() != pugi::node_element || textOf(n.child(elemDateTime)) != created)
            continue;
        if (!byCreationOnly) {
            if (textOf(n.child(elemTitle)) == title)
                return n;
            continue;
        }
        if (found)
            return {}; // more than one note of that time: none of them is surely ours
        found = n;
    }
    return found;
}

void NoteChange::addCopy(pugi::xml_node root, const QString& rawTitle) const {
    pugi::xml_node copy = root.append_copy(afterNote());
    pugi::xml_node title = copy.child(elemTitle);
    while (pugi::xml_node child = title.first_child())
        title.remove_child(child);
    title.append_child(pugi::node_pcdata).set_value(rawTitle.toUtf8().constData());
}

void NoteChange::mergeInto(pugi::xml_node root, const ConflictTitle& conflictTitle, Outcome& outcome) const {
    if (m_kind == Kind::Append) {
        applyTo(root, {});
        return;
    }
    if (!beforeNote())
        return; // not a note: nothing to match it by
    pugi::xml_node theirs = find(root, false);
    if (!theirs)
        theirs = find(root, true); // renamed there
    const bool unchangedThere = theirs && sameNote(theirs, beforeNote());
    if (unchangedThere) {
        applyTo(root, theirs);
        return;
    }
    switch (m_kind) {
    case Kind::Update:
        if (!theirs) {
            // Deleted there, edited here: the edit is kept as it is.
            root.append_copy(afterNote());
        } else {
            addCopy(root, conflictTitle(QString::fromUtf8(textOf(afterNote().child(elemTitle)).c_str())));
            ++outcome.conflicts;
        }
        break;
    case Kind::Delete:
        outcome.keptChanged += theirs ? 1 : 0;
        break;
    case Kind::RepairDate:
    case Kind::Append:
        break; // a note changed there gets its date repaired when it is next read
    }
}
