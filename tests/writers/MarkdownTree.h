// Markdown read back with a CommonMark parser that knows GitHub's tables,
// footnotes and strikethrough, as a compact outline of what it found, so tests
// compare shapes rather than spellings:
//   H2[text]  P[text]  UL{LI{...}}  OL7{LI{...}}  T{R{C[a]C[b]}R{...}}
//   FN1{P[...]}  HR  CODE[...]  HTML[...]
// and inside text: <b>..</b> <i>..</i> <s>..</s> <a URL>..</a> <img:ALT> [^1]
// `code`, "⏎" for a hard line break or <br>, " " for a soft one. The HTML tags
// <strong>, <em>, <del> and <br> read as their Markdown counterparts. Footnotes
// are numbered as the parser numbers them, in the order of their first reference.
#pragma once

#include <string>
#include <string_view>

namespace kvword_test {

std::string MarkdownTree(std::string_view Markdown);

}  // namespace kvword_test
