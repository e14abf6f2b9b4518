#include "msword/base/Charsets.h"
#include "msword/base/Base64.h"
#include "msword/html/MimeArchive.h"

#include <functional>

#include "msword/base/CodePages.h"

namespace msword {

namespace {

constexpr int MAX_MULTIPART_DEPTH = 4;

std::string Lower(std::string_view S) {
  std::string out(S);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
  return out;
}

std::string_view Trim(std::string_view S) {
  while (!S.empty() && (S.front() == ' ' || S.front() == '\t' || S.front() == '\r' || S.front() == '\n'))
    S.remove_prefix(1);
  while (!S.empty() && (S.back() == ' ' || S.back() == '\t' || S.back() == '\r' || S.back() == '\n'))
    S.remove_suffix(1);
  return S;
}

// The next line of S from At (without its line end); At moves past it.
std::string_view NextLine(std::string_view S, size_t& At) {
  const size_t start = At;
  size_t end = S.find('\n', At);
  if (end == std::string_view::npos) {
    At = S.size();
    end = S.size();
  } else {
    At = end + 1;
  }
  std::string_view line = S.substr(start, end - start);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

struct THeaders {
  std::string ContentType;  // the whole value
  std::string Encoding;
  std::string Location;
  bool Mime = false;
};

// Reads header lines from At up to and past the empty line that ends them;
// continuation lines are joined to the line they continue.
THeaders ReadHeaders(std::string_view S, size_t& At) {
  THeaders h;
  std::string current;
  auto finish = [&] {
    const size_t colon = current.find(':');
    if (colon == std::string::npos) return;
    const std::string name = Lower(Trim(std::string_view(current).substr(0, colon)));
    const std::string value(Trim(std::string_view(current).substr(colon + 1)));
    if (name == "content-type") h.ContentType = value;
    else if (name == "content-transfer-encoding") h.Encoding = Lower(value);
    else if (name == "content-location") h.Location = value;
    else if (name == "mime-version") h.Mime = true;
  };
  while (At < S.size()) {
    const std::string_view line = NextLine(S, At);
    if (line.empty()) break;
    if ((line[0] == ' ' || line[0] == '\t') && !current.empty()) {
      if (current.size() < 65536) current.append(line);
      continue;
    }
    finish();
    current.assign(line.substr(0, 65536));
  }
  finish();
  return h;
}

// A parameter of a header value ("boundary", "charset"), unquoted; empty when absent.
std::string Parameter(std::string_view Value, std::string_view Name) {
  const std::string lower = Lower(Value);
  size_t at = 0;
  while ((at = lower.find(Name, at)) != std::string::npos) {
    const bool starts = at > 0 && (lower[at - 1] == ';' || lower[at - 1] == ' ' || lower[at - 1] == '\t');
    size_t k = at + Name.size();
    while (k < lower.size() && (lower[k] == ' ' || lower[k] == '\t')) ++k;
    if (!starts || k >= lower.size() || lower[k] != '=') {
      at += Name.size();
      continue;
    }
    ++k;
    while (k < lower.size() && (lower[k] == ' ' || lower[k] == '\t')) ++k;
    if (k < Value.size() && Value[k] == '"') {
      const size_t end = Value.find('"', k + 1);
      return std::string(Value.substr(k + 1, end == std::string_view::npos ? std::string_view::npos : end - k - 1));
    }
    size_t end = k;
    while (end < Value.size() && Value[end] != ';' && Value[end] != ' ' && Value[end] != '\t') ++end;
    return std::string(Value.substr(k, end - k));
  }
  return std::string();
}

std::string MediaType(std::string_view ContentType) {
  const size_t semicolon = ContentType.find(';');
  return Lower(Trim(ContentType.substr(0, semicolon)));
}

using TVisit = std::function<void(TMimePart&&)>;

void AddParts(std::string_view Message, int Depth, const TVisit& Visit);

// The body of one part (after its headers) by its headers.
void AddPart(const THeaders& Headers, std::string_view Body, int Depth, const TVisit& Visit) {
  const std::string type = MediaType(Headers.ContentType);
  const std::string boundary = Parameter(Headers.ContentType, "boundary");
  if (type.rfind("multipart/", 0) == 0 && !boundary.empty() && Depth < MAX_MULTIPART_DEPTH) {
    // The parts lie between lines "--boundary"; "--boundary--" ends them.
    const std::string delimiter = "--" + boundary;
    size_t at = 0;
    // Each part is given to Visit as soon as its end is found.
    size_t partStart = std::string_view::npos;
    while (at < Body.size()) {
      const size_t lineStart = at;
      const std::string_view line = NextLine(Body, at);
      if (line.size() < delimiter.size() || line.compare(0, delimiter.size(), delimiter) != 0) continue;
      const std::string_view rest = Trim(line.substr(delimiter.size()));
      if (!rest.empty() && rest != "--") continue;
      if (partStart != std::string_view::npos) {
        // The line end before the delimiter belongs to it.
        size_t end = lineStart;
        if (end > partStart && Body[end - 1] == '\n') --end;
        if (end > partStart && Body[end - 1] == '\r') --end;
        AddParts(Body.substr(partStart, end - partStart), Depth + 1, Visit);
      }
      partStart = rest == "--" ? std::string_view::npos : at;
      if (rest == "--") break;
    }
    if (partStart != std::string_view::npos) AddParts(Body.substr(partStart), Depth + 1, Visit);  // never closed
    return;
  }
  TMimePart part;
  part.ContentType = type.empty() ? "text/plain" : type;
  part.Charset = Parameter(Headers.ContentType, "charset");
  part.Location = Headers.Location;
  if (Headers.Encoding == "quoted-printable") part.Body = DecodeQuotedPrintable(Body);
  else if (Headers.Encoding == "base64") part.Body = DecodeBase64(Body);
  else part.Body.assign(Body);
  Visit(std::move(part));
}

void AddParts(std::string_view Message, int Depth, const TVisit& Visit) {
  size_t at = 0;
  const THeaders headers = ReadHeaders(Message, at);
  AddPart(headers, Message.substr(at), Depth, Visit);
}

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

bool IsMimeMessage(std::string_view Bytes) {
  size_t at = 0;
  bool mime = false;
  for (int lines = 0; at < Bytes.size() && lines < 64; ++lines) {
    const std::string_view line = NextLine(Bytes, at);
    if (line.empty()) return mime && lines > 0;
    const std::string lower = Lower(line.substr(0, 64));
    if (lower.rfind("mime-version:", 0) == 0 ||
        (lower.rfind("content-type:", 0) == 0 && lower.find("multipart/") != std::string::npos))
      mime = true;
    if (line[0] != ' ' && line[0] != '\t' && line.find(':') == std::string_view::npos) return false;
  }
  return mime;
}

void ForEachMimePart(std::string_view Bytes, const std::function<void(TMimePart&& Part)>& Visit) {
  AddParts(Bytes, 0, Visit);
}

std::vector<TMimePart> ReadMimeParts(std::string_view Bytes) {
  std::vector<TMimePart> parts;
  ForEachMimePart(Bytes, [&parts](TMimePart&& Part) { parts.push_back(std::move(Part)); });
  return parts;
}

std::string DecodeQuotedPrintable(std::string_view S) {
  std::string out;
  out.reserve(S.size());
  for (size_t i = 0; i < S.size(); ++i) {
    const char c = S[i];
    if (c != '=') {
      out.push_back(c);
      continue;
    }
    if (i + 1 < S.size() && S[i + 1] == '\n') {  // a soft line break
      ++i;
      continue;
    }
    if (i + 2 < S.size() && S[i + 1] == '\r' && S[i + 2] == '\n') {
      i += 2;
      continue;
    }
    const int hi = i + 1 < S.size() ? Hex(S[i + 1]) : -1, lo = i + 2 < S.size() ? Hex(S[i + 2]) : -1;
    if (hi >= 0 && lo >= 0) {
      out.push_back(char(hi * 16 + lo));
      i += 2;
    } else {
      out.push_back(c);  // a stray "=" stands for itself
    }
  }
  return out;
}

}  // namespace msword
