#pragma once

#include <QString>
#include <array>

namespace VersionCompare {

// The four numbers of a version "a.b.c.d". Throws QuillError when the text is not exactly four
// dot-separated whole decimal numbers.
std::array<int, 4> split(const QString& version);

// Whether `offered` counts as newer than `running`: false when the texts are equal, or when the offered
// version is lower in the first position where the numbers differ; true otherwise, so equal numbers
// written differently ("071" for "71") count as newer. Throws QuillError for a malformed version.
bool isNewer(const QString& offered, const QString& running);

} // namespace VersionCompare
