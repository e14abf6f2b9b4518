// Word-level comparison of an extracted text with a reference text: words are
// maximal runs of Unicode letters and digits, case-folded, counted as a multiset.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

namespace kvgate {

using TWordCounts = std::unordered_map<std::u32string, int>;

// Adds the words of Text (UTF-16) to Counts.
void CountWords(std::u16string_view Text, TWordCounts& Counts);
// The share of Reference's words (with multiplicity) that Text holds; 1 when the
// reference has no words.
double WordShare(const TWordCounts& Reference, const TWordCounts& Text);

}  // namespace kvgate
