#include "SortKeyPrefetch.h"

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <system_error>

namespace {

// Reading texts between events: short enough that the window answers at once.
constexpr qint64 SliceNanoseconds = 4'000'000;
// Chunks read ahead of the workers: enough to keep both busy, few enough that pause() waits briefly.
constexpr int MaxInFlight = 3;

} // namespace

SortKeyPrefetch::SortKeyPrefetch(const QCollator& collator, Rows rows, QObject* parent)
    : QObject(parent), m_rows(std::move(rows)), m_like(collator) {}

SortKeyPrefetch::~SortKeyPrefetch() {
    // The workers stop within the text they are on; queued chunks are dropped.
    for (std::jthread& worker : m_workers)
        worker.request_stop();
    for (std::jthread& worker : m_workers)
        worker = {};
}

void SortKeyPrefetch::restart(int slotCount) {
    pause();
    // Made at the first slice, so that filling the list does not wait for them.
    std::vector<Slot>().swap(m_slots);
    std::vector<char>().swap(m_read);
    m_slotCount = std::max(slotCount, 0);
    m_readCount = 0;
    resume();
}

void SortKeyPrefetch::pause() {
    m_paused = true;
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_inFlight == 0; });
}

void SortKeyPrefetch::resume() {
    m_paused = false;
    m_cursor = 0; // the rows may have moved
    if (m_readCount < m_slotCount)
        scheduleSlice();
}

bool SortKeyPrefetch::isComplete() const {
    if (m_readCount < m_slotCount && m_cursor < m_rows.count())
        return false;
    std::lock_guard lock(m_mutex);
    return m_inFlight == 0;
}

const PrefixCollator::Key* SortKeyPrefetch::key(int slot, Field field) const {
    if (slot < 0 || size_t(slot) >= m_slots.size() || !m_slots[size_t(slot)].done)
        return nullptr;
    const Slot& s = m_slots[size_t(slot)];
    const PrefixCollator::Key& key = field == Field::Title ? s.title : s.body;
    return key.made ? &key : nullptr;
}

std::optional<std::uint64_t> SortKeyPrefetch::modifiedKey(int slot) const {
    if (slot < 0 || size_t(slot) >= m_slots.size() || !m_slots[size_t(slot)].done ||
        !m_slots[size_t(slot)].modifiedPlain)
        return std::nullopt;
    return m_slots[size_t(slot)].modified;
}

std::optional<std::uint64_t> SortKeyPrefetch::plainNumberKey(QStringView text) {
    std::uint64_t key = 0;
    int at = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        std::uint64_t code = 0;
        if (u == u',')
            code = 1;
        else if (u == u'.')
            code = 2;
        else if (u >= u'0' && u <= u'9')
            code = 3 + std::uint64_t(u - u'0');
        else
            return std::nullopt;
        if (at < 15)
            key |= code << (60 - 4 * at);
        ++at;
    }
    return at > 15 ? key | 1 : key;
}

void SortKeyPrefetch::scheduleSlice() {
    if (m_sliceQueued || m_paused)
        return;
    m_sliceQueued = true;
    QTimer::singleShot(0, this, &SortKeyPrefetch::readSlice);
}

void SortKeyPrefetch::readSlice() {
    m_sliceQueued = false;
    if (m_paused)
        return;
    {
        std::lock_guard lock(m_mutex);
        if (m_inFlight >= MaxInFlight)
            return; // a worker asks again when it has made one
    }
    if (m_slots.size() != size_t(m_slotCount)) {
        m_slots.assign(size_t(m_slotCount), {});
        m_read.assign(size_t(m_slotCount), 0);
    }
    QElapsedTimer timer;
    timer.start();
    Chunk chunk;
    const int rows = m_rows.count();
    while (m_cursor < rows && timer.nsecsElapsed() < SliceNanoseconds) {
        for (const int end = std::min(rows, m_cursor + 128); m_cursor < end; ++m_cursor) {
            const int slot = m_rows.slotOf(m_cursor);
            if (slot < 0 || size_t(slot) >= m_read.size() || m_read[size_t(slot)])
                continue;
            m_read[size_t(slot)] = 1;
            ++m_readCount;
            Texts texts;
            if (m_rows.read(m_cursor, texts)) { // else the sort reads it
                chunk.slotIndexes.push_back(slot);
                chunk.texts.push_back(std::move(texts));
            }
        }
    }
    if (!chunk.slotIndexes.empty())
        submit(std::move(chunk));
    if (m_cursor < rows)
        scheduleSlice();
}

void SortKeyPrefetch::submit(Chunk chunk) {
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(chunk));
        ++m_inFlight;
    }
    m_changed.notify_all();
    if (m_workers[0].joinable())
        return;
    try {
        // Made here, on the first slice, so that filling the list does not wait for them.
        for (size_t i = 0; i < std::size(m_workers); ++i) {
            if (!m_collators[i])
                m_collators[i] = std::make_unique<PrefixCollator>(m_like);
            m_workers[i] = std::jthread(
                [this, collator = m_collators[i].get()](std::stop_token stop) { work(stop, *collator); });
        }
    } catch (const std::system_error&) {
        // No second thread to be had: one does; none: the sort makes the keys itself.
        if (m_workers[0].joinable())
            return;
        std::lock_guard lock(m_mutex);
        m_queue.clear();
        m_inFlight = 0;
    }
}

void SortKeyPrefetch::work(const std::stop_token& stop, const PrefixCollator& collator) {
    for (;;) {
        Chunk chunk;
        {
            std::unique_lock lock(m_mutex);
            if (!m_changed.wait(lock, stop, [this] { return !m_queue.empty(); }))
                return;
            chunk = std::move(m_queue.front());
            m_queue.pop_front();
        }
        build(chunk, stop, collator);
        {
            std::lock_guard lock(m_mutex);
            --m_inFlight;
        }
        m_changed.notify_all();
        if (stop.stop_requested())
            return;
        QMetaObject::invokeMethod(this, &SortKeyPrefetch::scheduleSlice, Qt::QueuedConnection);
    }
}

void SortKeyPrefetch::build(const Chunk& chunk, const std::stop_token& stop, const PrefixCollator& collator) {
    for (size_t i = 0; i < chunk.slotIndexes.size() && !stop.stop_requested(); ++i) {
        Slot& slot = m_slots[size_t(chunk.slotIndexes[i])];
        const Texts& texts = chunk.texts[i];
        collator.makeKey(texts.title, true, slot.title);
        collator.makeKey(texts.body, texts.bodyWhole, slot.body);
        const std::optional<std::uint64_t> modified = plainNumberKey(texts.modified);
        slot.modifiedPlain = modified.has_value();
        slot.modified = modified.value_or(0);
        slot.done = true;
    }
}
