#pragma once

#include "store/FileStamp.h"

#include <QtGlobal>
#include <span>

// The checks of the notes file's bytes that can be made as they are written, mostly on the writing
// thread (see DurableFile::Inspector): their hash, for the stamp, and a first look for characters a
// strict XML reader refuses. Done there, little is left of them when the last byte is written, and
// the save mostly waits for the parse that checks the file reads back.
class WrittenCheck {
public:
    void inspect(std::span<const char> written, bool complete);

    // Valid once the bytes were inspected complete; the same value as FileStamp::hashOf().
    quint64 hash() const { return m_hash.value(); }
    // False when the bytes may hold a character StrictXml::characterFault() reports.
    bool isCertainlyClean() const { return m_clean; }

private:
    FileStamp::PieceHash m_hash;
    qsizetype m_hashed = 0;
    qsizetype m_looked = 0;
    bool m_clean = true;
};
