#pragma once

#include "platform/QuillError.h"

#include <QByteArray>
#include <QString>
#include <vector>

// Character-set names of ispell dictionaries ("koi8-r", "iso-8859-2", ...; any letter case) and
// the word table through which the ispell engine passes what it sends.

// The Windows font character set of the name; 1 (default) for unknown or empty names.
int CharsetOfName(const QString& name);
// The Windows code page of the same script; 1200 for "UTF-8", the system's ANSI code page for
// unknown or empty names.
int CodePageOfName(const QString& name);

// UTF-8 of each UTF-16 code unit on its own, so a surrogate pair gives two three-byte sequences.
QByteArray Utf8Encode(const QString& text);

// A list index outside the items.
class EStringListError : public QuillError {
public:
    using QuillError::QuillError;
};

struct TTableItem {
    QString From;
    QString To;
};

enum class TDuplicates { dupIgnore = 0, dupAccept = 1, dupError = 2 };

// Substitution pairs ordered by From, compared by UTF-16 code unit.
class TTableList {
public:
    TTableList() = default;
    virtual ~TTableList() = default;
    TTableList(const TTableList&) = default;
    TTableList& operator=(const TTableList&) = default;

    int Count() const { return int(m_items.size()); }
    int Capacity() const { return m_capacity; }
    // Raises EStringListError below Count.
    void setCapacity(int capacity);
    bool Sorted() const { return m_sorted; }
    // Switching on sorts first.
    void setSorted(bool sorted);
    TDuplicates Duplicates = TDuplicates::dupIgnore;

    // Binary search; `index` is the position of the match or where `s` would be inserted. With
    // duplicates accepted it is the first of the equal items.
    virtual bool Find(const QString& s, int& index) const;
    virtual void Sort();

    // Raise EStringListError for an index outside 0 .. Count - 1.
    const TTableItem& item(int index) const;
    const QString& From(int index) const { return item(index).From; }
    const QString& To(int index) const { return item(index).To; }

    // Appends the pair, or inserts it at its place when the list is sorted; a duplicate is then
    // dropped, kept or refused (EStringListError) as Duplicates says. Returns the index.
    int Add(const QString& from, const QString& to);
    void Clear();

protected:
    virtual void Changed() {}
    virtual void Changing() {}

private:
    void quickSort(int left, int right);

    std::vector<TTableItem> m_items;
    int m_capacity = 0;
    bool m_sorted = false;
};

// The ispell engine's word table: substitutions (longest match first), then UTF-8 when the
// dictionary's character set is "UTF-8". Empty, it returns its input unchanged.
class TConvTable {
public:
    TConvTable();
    QString Charset;
    TTableList& Reserved() { return m_reserved; }
    TTableList& Pairs() { return m_pairs; }
    const TTableList& Pairs() const { return m_pairs; }
    QString Convert(const QString& text) const;

private:
    TTableList m_reserved; // kept with the table, not used
    TTableList m_pairs;
};
