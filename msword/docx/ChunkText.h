// The text of a chunk a ".docx" document imports (w:altChunk) when the chunk is a
// web page or plain text: the lines a reader shows for it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace msword {

// The text of Bytes decoded as a web page or a plain text file would be: a byte
// order mark decides; otherwise the charset a web page declares (meta tag) or
// Declared (from the part's content type), else UTF-8.
std::u16string DecodeChunkText(std::string_view Bytes, std::string_view Declared, bool Html);

// The lines of an HTML or XHTML page: block elements (paragraphs, headings, list
// items, table cells, line breaks, ...) end lines; the content of head, script,
// style and template is dropped; references are decoded; white space is collapsed
// outside pre. Lines that would be empty are left out.
std::vector<std::u16string> HtmlChunkLines(std::u16string_view Page);

// The lines of a plain text, split at CR LF, CR or LF.
std::vector<std::u16string> PlainChunkLines(std::u16string_view Text);

// True for an RTF chunk: bytes that start with "{\rtf", or a content type
// "application/rtf" or "text/rtf" (case ignored, parameters after ";" too).
bool IsRtfChunk(std::string_view Bytes, std::u16string_view ContentType);

// True when the bytes look like markup rather than plain text: after a byte order
// mark and white space, the first character is "<".
bool ChunkLooksLikeMarkup(std::string_view Bytes);

}  // namespace msword
