#pragma once

#include <QCollator>
#include <QStringView>
#include <array>
#include <cstdint>

struct UCollator;

// The locale's collation as QCollator configures it, with keys cut to a few bytes: each is the
// beginning of the full sort key, built from only as much of the text as it needs. Keys that differ
// order their texts as the full keys would; only equal cut keys leave the texts to compare in full.
// In the C locale the order is that of the UTF-16 code units, as QCollator's there. One instance is
// not to be used by two threads at once.
class PrefixCollator {
public:
    static constexpr int KeySize = 45;
    struct Key {
        bool made = false;
        bool cut = false; // the full key may go on
        std::uint8_t size = 0;
        std::array<std::uint8_t, KeySize> bytes{};
    };

    // With the locale and settings of `like`.
    explicit PrefixCollator(const QCollator& like);
    ~PrefixCollator();
    PrefixCollator(const PrefixCollator&) = delete;
    PrefixCollator& operator=(const PrefixCollator&) = delete;

    // The key of a text of which `text` is the beginning, or all when `whole`. False when the key
    // depends on more of the text than `text` holds.
    bool makeKey(QStringView text, bool whole, Key& key) const;
    // <0, 0, >0 as the full keys compare; `decided` is false when only the full texts can tell.
    static int compareKeys(const Key& a, const Key& b, bool& decided);
    // The full comparison, as the full keys would give it.
    int compare(QStringView a, QStringView b) const;

private:
    bool makePlainKey(QStringView text, bool whole, Key& key) const;

    UCollator* m_collator = nullptr; // none in the C locale
    Qt::CaseSensitivity m_caseSensitivity;
};
