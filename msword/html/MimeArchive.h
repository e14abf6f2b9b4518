// The parts of a MIME archive (a single-file web page, MHTML) and the decodings a
// web page's bytes may need: quoted-printable (base64 and the character sets are
// base/Base64 and base/Charsets).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace msword {

struct TMimePart {
  std::string ContentType;  // lower case, without parameters ("text/html")
  std::string Charset;      // the charset parameter as written, or empty
  std::string Location;     // Content-Location
  std::string Body;         // decoded from its transfer encoding
};

// True when Bytes start with the header of a MIME message (header lines, one of
// them a MIME version or a multipart content type, then an empty line).
bool IsMimeMessage(std::string_view Bytes);

// The leaf parts of the MIME message in Bytes, in order. A part whose closing
// boundary never comes runs to the end of the message; a message that is no
// multipart is one part. Nested multiparts are opened to a small fixed depth.
std::vector<TMimePart> ReadMimeParts(std::string_view Bytes);
// The same parts given to Visit one at a time, each as soon as it has been read:
// a message of millions of parts never holds more than one.
void ForEachMimePart(std::string_view Bytes, const std::function<void(TMimePart&& Part)>& Visit);

std::string DecodeQuotedPrintable(std::string_view S);

}  // namespace msword
