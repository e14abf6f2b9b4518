// XmlPrefixes: gives the elements and attributes of chosen namespaces the prefixes
// the readers look for. The XML engine compares names as written ("w:p"), so a part
// that binds the same namespace to another prefix ("ns0:p") or makes it the default
// namespace ("p") is rewritten once, before it is parsed, into the usual spelling.
//
// Only the declarations of the outermost element are read: that is where writers put
// them. A part already spelled the usual way is left untouched after a look at that
// one start tag, so the common case costs nothing.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace msword {

// A namespace and the prefix its names are to carry.
struct TXmlPrefixBinding {
  std::string_view Namespace;
  std::string_view Prefix;
};

// Rewrites the names of Bytes (an XML part as bytes: UTF-8 or a single-byte code
// page; text with a UTF-16 byte-order mark is left alone) so that every element and
// attribute in a namespace of Bindings carries that binding's prefix. A name without
// a prefix takes the prefix of the default namespace when that is one of Bindings;
// a prefix the part binds elsewhere that would clash with a wanted one is renamed
// out of the way. The text between tags, comments, CDATA sections, processing
// instructions and attribute values are copied as they are. True when the part was
// rewritten. The result is at most three times the size of the input.
bool RenameXmlPrefixes(std::string& Bytes, std::span<const TXmlPrefixBinding> Bindings);

}  // namespace msword
