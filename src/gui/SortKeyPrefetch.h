#pragma once

#include "gui/PrefixCollator.h"

#include <QCollator>
#include <QObject>
#include <QString>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>
#include <vector>

// Makes the sort keys of a long list while the user looks at it, so that the first sort by title,
// body or last-modified only sorts. The texts are read on this thread, a slice at a time between
// events, and their keys made on two threads of their own from copies of them; nothing on those
// threads touches the rows or the document.
//
// Keys belong to slots, the rows as they were when the list was filled; a row that changes since is
// no longer its slot's (the model's business). Results are read only while the workers are idle:
// pause() waits for the few texts in flight.
class SortKeyPrefetch final : public QObject {
    Q_OBJECT
public:
    struct Texts {
        QString title;
        QString body; // or its beginning
        bool bodyWhole = true;
        QString modified;
    };
    // The row's slot (-1 when it has none) and, when it has one, the row's texts; false when they
    // cannot be read now.
    struct Rows {
        std::function<int()> count;
        std::function<int(int row)> slotOf;
        std::function<bool(int row, Texts& texts)> read;
    };

    SortKeyPrefetch(const QCollator& collator, Rows rows, QObject* parent = nullptr);
    ~SortKeyPrefetch() override;
    SortKeyPrefetch(const SortKeyPrefetch&) = delete;
    SortKeyPrefetch& operator=(const SortKeyPrefetch&) = delete;

    // Forgets every key and starts on `slotCount` slots at the next turn of the event loop.
    void restart(int slotCount);
    // Stops reading rows and waits for the workers; resume() goes on from the first row.
    void pause();
    void resume();
    // Every slot has been read and its keys made (or found unreadable).
    bool isComplete() const;

    enum class Field { Title, Body };
    // While paused: the slot's key of the field, if made.
    const PrefixCollator::Key* key(int slot, Field field) const;
    // While paused: the slot's last-modified text as an order key (see plainNumberKey), if made.
    std::optional<std::uint64_t> modifiedKey(int slot) const;

    // A number text of ASCII digits, '.' and ',' as an integer in the order the texts compare in:
    // fifteen characters of four bits each, then 1 when the text goes on. None for other texts.
    static std::optional<std::uint64_t> plainNumberKey(QStringView text);
    static bool keyIsCut(std::uint64_t key) { return key & 1; }

private:
    struct Slot {
        PrefixCollator::Key title;
        PrefixCollator::Key body;
        std::uint64_t modified = 0;
        bool modifiedPlain = false;
        bool done = false;
    };
    struct Chunk {
        std::vector<int> slotIndexes;
        std::vector<Texts> texts;
    };
    void scheduleSlice();
    void readSlice();
    void submit(Chunk chunk);
    void work(const std::stop_token& stop, const PrefixCollator& collator);
    void build(const Chunk& chunk, const std::stop_token& stop, const PrefixCollator& collator);

    Rows m_rows;
    QCollator m_like;
    std::unique_ptr<PrefixCollator> m_collators[2]; // one for each worker
    std::vector<Slot> m_slots;                      // written by the workers, read while they are idle
    std::vector<char> m_read;                       // slots already read or given up
    int m_slotCount = 0;
    int m_readCount = 0;
    int m_cursor = 0;
    bool m_paused = true;
    bool m_sliceQueued = false;

    mutable std::mutex m_mutex;
    std::condition_variable_any m_changed;
    std::deque<Chunk> m_queue; // under m_mutex
    int m_inFlight = 0;        // under m_mutex: chunks queued or being built
    std::jthread m_workers[2]; // last: joined first
};
