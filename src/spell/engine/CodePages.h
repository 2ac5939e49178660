#pragma once

#include "platform/QuillError.h"

#include <QByteArray>
#include <QString>
#include <vector>

// Character-set names of ispell dictionaries ("koi8-r", "iso-8859-2", ...; any letter case) and
// the word table through which the ispell engine passes what it sends.

// The Windows font character set of the name; 1 (default) for unknown or empty names.
int charsetOfName(const QString& name);
// The Windows code page of the same script; 1200 for "UTF-8", the system's ANSI code page for
// unknown or empty names.
int codePageOfName(const QString& name);

// UTF-8 of each UTF-16 code unit on its own, so a surrogate pair gives two three-byte sequences.
QByteArray utf8Encode(const QString& text);

// A list index outside the items.
class StringListError : public QuillError {
public:
    using QuillError::QuillError;
};

struct ConversionPair {
    QString from;
    QString to;
};

enum class DuplicatePolicy { Ignore = 0, Accept = 1, Error = 2 };

// Substitution pairs ordered by From, compared by UTF-16 code unit.
class ConversionList {
public:
    ConversionList() = default;
    virtual ~ConversionList() = default;
    ConversionList(const ConversionList&) = default;
    ConversionList& operator=(const ConversionList&) = default;

    int count() const { return int(m_items.size()); }
    int capacity() const { return m_capacity; }
    // Raises StringListError below Count.
    void setCapacity(int capacity);
    bool isSorted() const { return m_sorted; }
    // Switching on sorts first.
    void setSorted(bool sorted);
    DuplicatePolicy Duplicates = DuplicatePolicy::Ignore;

    // Binary search; `index` is the position of the match or where `s` would be inserted. With
    // duplicates accepted it is the first of the equal items.
    virtual bool find(const QString& s, int& index) const;
    virtual void sort();

    // Raise StringListError for an index outside 0 .. Count - 1.
    const ConversionPair& item(int index) const;
    const QString& from(int index) const { return item(index).from; }
    const QString& to(int index) const { return item(index).to; }

    // Appends the pair, or inserts it at its place when the list is sorted; a duplicate is then
    // dropped, kept or refused (StringListError) as Duplicates says. Returns the index.
    int add(const QString& from, const QString& to);
    void clear();

protected:
    virtual void changed() {}
    virtual void changing() {}

private:
    void quickSort(int left, int right);

    std::vector<ConversionPair> m_items;
    int m_capacity = 0;
    bool m_sorted = false;
};

// The ispell engine's word table: substitutions (longest match first), then UTF-8 when the
// dictionary's character set is "UTF-8". Empty, it returns its input unchanged.
class ConversionTable {
public:
    ConversionTable();
    QString charset;
    ConversionList& reserved() { return m_reserved; }
    ConversionList& pairs() { return m_pairs; }
    const ConversionList& pairs() const { return m_pairs; }
    QString convert(const QString& text) const;

private:
    ConversionList m_reserved; // kept with the table, not used
    ConversionList m_pairs;
};
