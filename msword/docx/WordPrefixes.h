// WordPrefixes: the prefixes the ".docx" reader matches names by ("w:p", "r:id",
// "m:t", ...) and the namespaces they stand for, in the transitional and the strict
// spelling. A part that binds one of these namespaces to another prefix, or makes it
// the default namespace, is read as if it used the usual prefix.
#pragma once

#include <string>

namespace msword {

// Rewrites the names of a package part in place when its outermost element binds a
// namespace the reader knows to an unusual prefix; true when it did. A part spelled
// the usual way is only looked at, not copied.
bool UseWordPrefixes(std::string& Bytes);

}  // namespace msword
