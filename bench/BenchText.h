// Text generation shared by the benchmarks that build document.xml-like parts.
#pragma once

#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace kvbench {

// A vocabulary of 20,000 made-up words (a few with letters outside ASCII), so the
// generated text compresses about as well as real prose.
inline std::vector<std::string> MakeVocabulary(std::mt19937& rng) {
  std::vector<std::string> words;
  const char* extra[] = {"\xC3\xA9", "\xC3\xBC", "\xD0\x96", "\xE6\x97\xA5"};
  for (int i = 0; i < 20000; ++i) {
    std::string w;
    const int n = 2 + int(rng() % 9);
    for (int k = 0; k < n; ++k) w += char('a' + rng() % 26);
    if (i % 25 == 0) w += extra[rng() % std::size(extra)];
    words.push_back(w);
  }
  return words;
}

}  // namespace kvbench
