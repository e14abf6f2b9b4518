#include "msword/xml/XmlPrefixes.h"

#include <cstring>
#include <vector>

namespace msword {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Where a name ends: at a blank, "/", ">", "=", a quote, "<" or the end.
size_t NameEnd(std::string_view Text, size_t At) {
  while (At < Text.size()) {
    const char c = Text[At];
    if (IsBlank(c) || c == '/' || c == '>' || c == '=' || c == '"' || c == '\'' || c == '<') break;
    ++At;
  }
  return At;
}

// The position just after Terminator, searched from At; the end when it is missing.
size_t After(std::string_view Text, size_t At, std::string_view Terminator) {
  const size_t found = Text.find(Terminator, At);
  return found == std::string_view::npos ? Text.size() : found + Terminator.size();
}

struct TRename {
  std::string From;  // a prefix as the part writes it; empty for names without one
  std::string To;
};

class TPrefixRewriter {
 public:
  TPrefixRewriter(std::string_view AText, const std::vector<TRename>& ARenames) : FText(AText), FRenames(ARenames) {
    for (const TRename& rename : FRenames)
      if (rename.From.empty()) FDefault = &rename;
  }

  std::string Run(size_t Start) {
    FOut.reserve(FText.size() + FText.size() / 8);
    FOut.append(FText.substr(0, Start));
    size_t at = Start;
    while (at < FText.size()) {
      const void* open = std::memchr(FText.data() + at, '<', FText.size() - at);
      const size_t tag = open ? size_t(static_cast<const char*>(open) - FText.data()) : FText.size();
      FOut.append(FText.substr(at, tag - at));
      if (tag == FText.size()) break;
      at = Markup(tag);
    }
    return std::move(FOut);
  }

 private:
  // Copies the markup that starts with "<" at At, names renamed; returns where it ends.
  size_t Markup(size_t At) {
    const std::string_view rest = FText.substr(At);
    size_t end;
    if (rest.starts_with("<!--")) {
      end = After(FText, At + 4, "-->");
    } else if (rest.starts_with("<![CDATA[")) {
      end = After(FText, At + 9, "]]>");
    } else if (rest.starts_with("<?")) {
      end = After(FText, At + 2, "?>");
    } else if (rest.starts_with("<!")) {
      end = After(FText, At + 2, ">");
    } else if (rest.starts_with("</")) {
      FOut.append("</");
      const size_t nameEnd = NameEnd(FText, At + 2);
      Name(FText.substr(At + 2, nameEnd - At - 2), false);
      end = After(FText, nameEnd, ">");
      FOut.append(FText.substr(nameEnd, end - nameEnd));
      return end;
    } else {
      FOut.push_back('<');
      const size_t nameEnd = NameEnd(FText, At + 1);
      Name(FText.substr(At + 1, nameEnd - At - 1), false);
      return Attributes(nameEnd);
    }
    FOut.append(FText.substr(At, end - At));
    return end;
  }

  // The attributes of a start tag from At, up to and with the ">" that ends it.
  size_t Attributes(size_t At) {
    while (At < FText.size()) {
      const char c = FText[At];
      if (c == '>' || c == '<') {
        if (c == '>') {
          FOut.push_back(c);
          ++At;
        }
        return At;
      }
      if (c == '"' || c == '\'') {
        const size_t end = After(FText, At + 1, std::string_view(&c, 1));
        FOut.append(FText.substr(At, end - At));
        At = end;
      } else if (IsBlank(c) || c == '/' || c == '=') {
        FOut.push_back(c);
        ++At;
      } else {
        const size_t nameEnd = NameEnd(FText, At);
        Name(FText.substr(At, nameEnd - At), true);
        At = nameEnd;
      }
    }
    return At;
  }

  void Name(std::string_view AName, bool Attribute) {
    if (AName.empty() || (Attribute && (AName == "xmlns" || AName.starts_with("xmlns:")))) {
      FOut.append(AName);
      return;
    }
    const size_t colon = AName.find(':');
    if (colon == std::string_view::npos) {
      if (FDefault) FOut.append(FDefault->To).push_back(':');
      FOut.append(AName);
      return;
    }
    const std::string_view prefix = AName.substr(0, colon);
    for (const TRename& rename : FRenames) {
      if (!rename.From.empty() && rename.From == prefix) {
        FOut.append(rename.To).append(AName.substr(colon));
        return;
      }
    }
    FOut.append(AName);
  }

  std::string_view FText;
  const std::vector<TRename>& FRenames;
  const TRename* FDefault = nullptr;
  std::string FOut;
};

// The namespace declarations of the outermost element (prefix, namespace; an empty
// prefix for the default namespace). False when there is no start tag to read.
bool RootDeclarations(std::string_view Text, std::vector<std::pair<std::string_view, std::string_view>>& Declarations) {
  size_t at = 0;
  for (;;) {
    at = Text.find('<', at);
    if (at == std::string_view::npos) return false;
    const std::string_view rest = Text.substr(at);
    if (rest.starts_with("<!--")) {
      at = After(Text, at + 4, "-->");
    } else if (rest.starts_with("<?")) {
      at = After(Text, at + 2, "?>");
    } else if (rest.starts_with("<!") || rest.starts_with("</")) {
      at = After(Text, at + 2, ">");
    } else {
      break;
    }
  }
  at = NameEnd(Text, at + 1);
  while (at < Text.size() && Text[at] != '>' && Text[at] != '<') {
    const char c = Text[at];
    if (IsBlank(c) || c == '/' || c == '=') {
      ++at;
      continue;
    }
    if (c == '"' || c == '\'') {  // a value without a name
      at = After(Text, at + 1, std::string_view(&c, 1));
      continue;
    }
    const size_t nameEnd = NameEnd(Text, at);
    const std::string_view name = Text.substr(at, nameEnd - at);
    at = nameEnd;
    while (at < Text.size() && IsBlank(Text[at])) ++at;
    if (at >= Text.size() || Text[at] != '=') continue;
    ++at;
    while (at < Text.size() && IsBlank(Text[at])) ++at;
    if (at >= Text.size() || (Text[at] != '"' && Text[at] != '\'')) continue;
    const char quote = Text[at];
    const size_t valueEnd = Text.find(quote, at + 1);
    if (valueEnd == std::string_view::npos) return true;
    const std::string_view value = Text.substr(at + 1, valueEnd - at - 1);
    at = valueEnd + 1;
    if (name == "xmlns")
      Declarations.emplace_back(std::string_view(), value);
    else if (name.starts_with("xmlns:") && name.size() > 6)
      Declarations.emplace_back(name.substr(6), value);
  }
  return true;
}

}  // namespace

bool RenameXmlPrefixes(std::string& Bytes, std::span<const TXmlPrefixBinding> Bindings) {
  std::string_view text(Bytes);
  if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) return false;
  const size_t start = text.starts_with("\xEF\xBB\xBF") ? 3 : 0;
  text.remove_prefix(start);

  std::vector<std::pair<std::string_view, std::string_view>> declarations;
  if (!RootDeclarations(text, declarations)) return false;
  std::vector<TRename> renames;
  for (const auto& [prefix, uri] : declarations) {
    for (const TXmlPrefixBinding& binding : Bindings) {
      if (binding.Namespace != uri) continue;
      if (binding.Prefix != prefix) renames.push_back({std::string(prefix), std::string(binding.Prefix)});
      break;
    }
  }
  if (renames.empty()) return false;
  // A prefix the part binds to something else, spelled like one that now comes in,
  // is moved aside so its names are not taken for the wanted ones.
  for (const auto& [prefix, uri] : declarations) {
    if (prefix.empty()) continue;
    bool bound = false, clashes = false;
    for (const TRename& rename : renames) {
      bound = bound || rename.From == prefix;
      clashes = clashes || rename.To == prefix;
    }
    for (const TXmlPrefixBinding& binding : Bindings) bound = bound || (binding.Namespace == uri && binding.Prefix == prefix);
    if (clashes && !bound) renames.push_back({std::string(prefix), std::string(prefix) + "-"});
  }
  Bytes = TPrefixRewriter(Bytes, renames).Run(start);
  return true;
}

}  // namespace msword
