#include "WrittenCheck.h"

#include "store/StrictXml.h"

#include <QByteArrayView>
#include <algorithm>

void WrittenCheck::inspect(std::span<const char> written, bool complete) {
    const QByteArrayView bytes(written.data(), qsizetype(written.size()));
    constexpr qsizetype piece = FileStamp::PieceHash::PieceSize;
    while (bytes.size() - m_hashed >= piece || (complete && m_hashed < bytes.size())) {
        const qsizetype size = std::min(piece, bytes.size() - m_hashed);
        m_hash.add(bytes.sliced(m_hashed, size));
        m_hashed += size;
    }
    if (!m_clean)
        return;
    // Up to just after the last '>', so that no character is cut in two.
    const qsizetype end = complete ? bytes.size() : m_looked + bytes.sliced(m_looked).lastIndexOf('>') + 1;
    if (end <= m_looked)
        return;
    m_clean = StrictXml::isCertainlyClean(bytes.sliced(m_looked, end - m_looked));
    m_looked = end;
}
