// PartScan: a walk over the elements of a small package part (numbering, styles,
// settings, relationships) for readers that only need names and attributes. Every
// element is seen once, in document order, with the chain of its open ancestors;
// closed elements are freed at once, so the walk holds only the open path.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace msword {

class TKvXMLItem;

// Called for each start tag: Parent is the enclosing element (nullptr for the
// outermost one), Name the tag name, Attributes the raw attribute text.
using TPartScanEvent =
    std::function<void(const TKvXMLItem* Parent, std::u16string_view Name, std::u16string_view Attributes)>;

// Walks the elements of Bytes (an XML part). Malformed text gives what the XML
// engine makes of it, never an error.
void ScanXmlPart(std::string Bytes, const TPartScanEvent& OnElement);

// The value of the attribute Name (with its prefix, "w:val") in a raw attribute
// text, quoted with " or '; references are not replaced. Found is false when the
// attribute is not there.
std::u16string_view XmlAttribute(std::u16string_view Attributes, std::u16string_view Name, bool* Found = nullptr);

// A decimal integer attribute value (an optional sign, digits; blanks around are
// allowed), clamped to the int32 range; nullopt when it is not a number.
std::optional<int32_t> XmlInteger(std::u16string_view Value);

// The tag name of Item, or empty for nullptr.
std::u16string_view TagNameOf(const TKvXMLItem* Item);

}  // namespace msword
