// What a ".docx" reader needs to know of the chunks a document imports (w:altChunk):
// which reader a chunk wants (RTF, a web page) and the lines of a plain text one.
// Chunks of another format are read by that format's reader.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace msword {

// The text of a plain text chunk: a byte order mark decides, else UTF-8.
std::u16string DecodeChunkText(std::string_view Bytes);

// The lines of a plain text, split at CR LF, CR or LF.
std::vector<std::u16string> PlainChunkLines(std::u16string_view Text);

// A content type without its parameters (what follows ";") and the blanks around
// it, in lower case: "Text/HTML; charset=x" is "text/html".
std::u16string BareContentType(std::u16string_view ContentType);

// True for an RTF chunk: bytes that start with "{\rtf", or a content type
// "application/rtf" or "text/rtf" (case ignored, parameters after ";" too).
bool IsRtfChunk(std::string_view Bytes, std::u16string_view ContentType);

// True when the bytes look like markup rather than plain text: after a byte order
// mark and white space, the first character is "<".
bool ChunkLooksLikeMarkup(std::string_view Bytes);

}  // namespace msword
