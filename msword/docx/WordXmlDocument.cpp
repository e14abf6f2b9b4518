#include "msword/base/Base64.h"
#include "msword/docx/WordXmlDocument.h"

#include <algorithm>
#include <vector>

#include "msword/base/Exceptions.h"
#include "msword/base/Streams.h"
#include "msword/MSWordCnst.h"
#include "msword/docx/WordPrefixes.h"
#include "msword/zip/ZipWriter.h"

namespace msword {

namespace {

constexpr std::string_view XML_DECLARATION = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";

bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ':' || c == '_' ||
         c == '-' || c == '.';
}

// One markup item of an XML text: a tag, or what lies between tags.
struct TTag {
  size_t Start = 0, End = 0;  // [Start, End) of the whole tag
  std::string_view Name;      // empty for a comment, declaration or instruction
  std::string_view Attrs;
  bool Closing = false;
  bool SelfClosing = false;
};

// The next tag at or after At; false at the end (or in a tag the text cuts off).
bool NextTag(std::string_view S, size_t At, TTag& Tag) {
  const size_t lt = S.find('<', At);
  if (lt == std::string_view::npos) return false;
  Tag = TTag{};
  Tag.Start = lt;
  if (S.substr(lt, 4) == "<!--") {
    const size_t end = S.find("-->", lt + 4);
    if (end == std::string_view::npos) return false;
    Tag.End = end + 3;
    return true;
  }
  if (S.substr(lt, 9) == "<![CDATA[") {
    const size_t end = S.find("]]>", lt + 9);
    if (end == std::string_view::npos) return false;
    Tag.End = end + 3;
    return true;
  }
  // Attribute values may hold ">" inside quotes.
  char quote = 0;
  size_t k = lt + 1;
  for (; k < S.size(); ++k) {
    const char c = S[k];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      break;
    }
  }
  if (k >= S.size()) return false;
  Tag.End = k + 1;
  size_t p = lt + 1;
  if (p < k && (S[p] == '?' || S[p] == '!')) return true;
  if (p < k && S[p] == '/') {
    Tag.Closing = true;
    ++p;
  }
  const size_t nameStart = p;
  while (p < k && IsNameChar(S[p])) ++p;
  Tag.Name = S.substr(nameStart, p - nameStart);
  Tag.SelfClosing = k > lt && S[k - 1] == '/';
  Tag.Attrs = S.substr(p, k - p - (Tag.SelfClosing ? 1 : 0));
  return true;
}

// The end of the element whose start tag is Open: the position after its end tag,
// counting nested elements of the same name; the text's end when it never closes.
size_t ElementEnd(std::string_view S, const TTag& Open, size_t& ContentEnd) {
  if (Open.SelfClosing) {
    ContentEnd = Open.End;
    return Open.End;
  }
  size_t depth = 1;
  TTag tag;
  for (size_t at = Open.End; NextTag(S, at, tag); at = tag.End) {
    if (tag.Name != Open.Name || tag.SelfClosing) continue;
    if (!tag.Closing) {
      ++depth;
    } else if (--depth == 0) {
      ContentEnd = tag.Start;
      return tag.End;
    }
  }
  ContentEnd = S.size();
  return S.size();
}

// The value of an attribute given by its local name (any prefix); empty when absent.
std::string AttributeByLocalName(std::string_view Attrs, std::string_view Local) {
  size_t at = 0;
  while ((at = Attrs.find(Local, at)) != std::string_view::npos) {
    const bool starts = at > 0 && (Attrs[at - 1] == ':' || Attrs[at - 1] == ' ' || Attrs[at - 1] == '\t' ||
                                   Attrs[at - 1] == '\r' || Attrs[at - 1] == '\n');
    size_t k = at + Local.size();
    while (k < Attrs.size() && Attrs[k] == ' ') ++k;
    if (starts && k < Attrs.size() && Attrs[k] == '=') {
      ++k;
      while (k < Attrs.size() && Attrs[k] == ' ') ++k;
      if (k < Attrs.size() && (Attrs[k] == '"' || Attrs[k] == '\'')) {
        const size_t end = Attrs.find(Attrs[k], k + 1);
        return std::string(Attrs.substr(k + 1, end == std::string_view::npos ? std::string_view::npos : end - k - 1));
      }
    }
    at += Local.size();
  }
  return std::string();
}

std::string_view LocalName(std::string_view Name) {
  const size_t colon = Name.find(':');
  return colon == std::string_view::npos ? Name : Name.substr(colon + 1);
}

// The first element of the text (its start tag); false when there is none.
bool RootTag(std::string_view S, TTag& Root) {
  for (size_t at = 0; NextTag(S, at, Root); at = Root.End)
    if (!Root.Name.empty() && !Root.Closing) return true;
  return false;
}

// The namespace declarations of a start tag's attributes, to be repeated on the
// root of each part made from the document.
std::string NamespaceDeclarations(std::string_view Attrs) {
  std::string out;
  size_t at = 0;
  while ((at = Attrs.find("xmlns", at)) != std::string_view::npos) {
    const size_t eq = Attrs.find('=', at);
    if (eq == std::string_view::npos) break;
    size_t q = eq + 1;
    while (q < Attrs.size() && Attrs[q] == ' ') ++q;
    if (q >= Attrs.size() || (Attrs[q] != '"' && Attrs[q] != '\'')) break;
    const size_t end = Attrs.find(Attrs[q], q + 1);
    if (end == std::string_view::npos) break;
    out += ' ';
    out.append(Attrs.substr(at, end + 1 - at));
    at = end + 1;
  }
  return out;
}

}  // namespace

bool IsFlatPackage(std::string_view Bytes) {
  TTag root;
  return RootTag(Bytes, root) && LocalName(root.Name) == "package";
}

std::string FlatPackageToZip(std::string_view Bytes) {
  TZipWriter zip;
  TTag tag;
  for (size_t at = 0; NextTag(Bytes, at, tag);) {
    if (tag.Closing || tag.SelfClosing || LocalName(tag.Name) != "part") {
      at = tag.End;
      continue;
    }
    size_t contentEnd = 0;
    const size_t end = ElementEnd(Bytes, tag, contentEnd);
    std::string name = AttributeByLocalName(tag.Attrs, "name");
    while (!name.empty() && name[0] == '/') name.erase(0, 1);
    const std::string_view content = Bytes.substr(tag.End, contentEnd - tag.End);
    // The part's data: the element inside xmlData, or binaryData in base64.
    TTag inner;
    for (size_t k = 0; !name.empty() && NextTag(content, k, inner); k = inner.End) {
      if (inner.Closing || inner.Name.empty()) continue;
      const std::string_view local = LocalName(inner.Name);
      if (local != "xmlData" && local != "binaryData") continue;
      size_t dataEnd = 0;
      ElementEnd(content, inner, dataEnd);
      const std::string_view data = content.substr(inner.End, dataEnd - inner.End);
      if (local == "binaryData") {
        zip.Add(name, DecodeBase64(data));
      } else {
        std::string part(XML_DECLARATION);
        part.append(data);
        zip.Add(name, part);
      }
      break;
    }
    at = end;
  }
  return zip.Finish();
}

std::string WordML2003ToZip(std::string_view Bytes) {
  TTag root;
  if (!RootTag(Bytes, root)) return TZipWriter().Finish();
  std::string namespaces = NamespaceDeclarations(root.Attrs);
  // The declarations matter to the reader of a part only when they give names of
  // the namespaces it reads other prefixes; otherwise the parts made from the
  // document go without them (a root may declare kilobytes of namespaces, and a
  // document may hold tens of thousands of headers).
  if (std::string probe = "<w:hdr" + namespaces + "/>"; !UseWordPrefixes(probe)) namespaces.clear();
  std::string document(XML_DECLARATION);
  std::vector<std::string> footnotes, endnotes, comments, headers, footers;
  struct TRevision {
    std::string_view Close;
  };
  std::vector<TRevision> annotations;  // the open aml:annotation elements
  std::string properties;              // the document properties' XML
  size_t copied = root.Start;
  auto copyTo = [&](size_t To) {
    if (To > copied) document.append(Bytes.substr(copied, To - copied));
    copied = std::max(copied, To);
  };
  TTag tag;
  for (size_t at = root.Start; NextTag(Bytes, at, tag);) {
    const std::string_view name = tag.Name;
    at = tag.End;
    if (Bytes.substr(tag.Start, 9) == "<![CDATA[") {
      // Character data as the text it stands for.
      copyTo(tag.Start);
      for (const char c : Bytes.substr(tag.Start + 9, tag.End - tag.Start - 12)) {
        if (c == '&') document += "&amp;";
        else if (c == '<') document += "&lt;";
        else if (c == '>') document += "&gt;";
        else document.push_back(c);
      }
      copied = tag.End;
      continue;
    }
    if (name.empty()) continue;
    if (name == "w:t" && !tag.Closing && !tag.SelfClosing && tag.Attrs.find("xml:space") == std::string_view::npos) {
      // The text of a run is kept as written, white space included.
      copyTo(tag.Start);
      document += "<w:t xml:space=\"preserve\"";
      document.append(tag.Attrs);
      document += ">";
      copied = tag.End;
      continue;
    }
    const std::string_view local = LocalName(name);
    if (name == "wx:sect" || name == "wx:sub-section" || name == "aml:content") {
      // Sections and annotation content are only wrappers of what they hold.
      copyTo(tag.Start);
      copied = tag.End;
      continue;
    }
    if (tag.Closing) {
      if (local == "annotation" && name.starts_with("aml:") && !annotations.empty()) {
        copyTo(tag.Start);
        document.append(annotations.back().Close);
        annotations.pop_back();
        copied = tag.End;
      }
      continue;
    }
    if (local == "DocumentProperties") {
      size_t contentEnd = 0;
      const size_t end = ElementEnd(Bytes, tag, contentEnd);
      properties.assign(Bytes.substr(tag.End, contentEnd - tag.End));
      at = end;
      continue;
    }
    const bool note = name == "w:footnote" || name == "w:endnote";
    const bool story = name == "w:hdr" || name == "w:ftr";
    const bool annotation = name == "aml:annotation";
    if (!note && !story && !annotation) continue;
    const std::string type = AttributeByLocalName(tag.Attrs, "type");
    if (annotation && type != "Word.Comment") {
      copyTo(tag.Start);
      copied = tag.End;
      if (tag.SelfClosing) continue;
      if (type == "Word.Insertion") {
        document.append("<w:ins>");
        annotations.push_back({"</w:ins>"});
      } else if (type == "Word.Deletion") {
        document.append("<w:del>");
        annotations.push_back({"</w:del>"});
      } else {
        annotations.push_back({""});
      }
      continue;
    }
    // A note, header, footer or comment: its content becomes a part of its own and
    // a reference takes its place.
    size_t contentEnd = 0;
    const size_t end = ElementEnd(Bytes, tag, contentEnd);
    std::string content(Bytes.substr(tag.End, contentEnd - tag.End));
    copyTo(tag.Start);
    copied = end;
    at = end;
    if (name == "w:footnote" && (type == "separator" || type == "continuation-separator")) continue;
    if (name == "w:endnote" && (type == "separator" || type == "continuation-separator")) continue;
    if (name == "w:footnote") {
      footnotes.push_back(std::move(content));
      document += "<w:footnoteReference w:id=\"" + std::to_string(footnotes.size()) + "\"/>";
    } else if (name == "w:endnote") {
      endnotes.push_back(std::move(content));
      document += "<w:endnoteReference w:id=\"" + std::to_string(endnotes.size()) + "\"/>";
    } else if (name == "w:hdr") {
      headers.push_back(std::move(content));
      document += "<w:headerReference r:id=\"rIdKvwH" + std::to_string(headers.size()) + "\"/>";
    } else if (name == "w:ftr") {
      footers.push_back(std::move(content));
      document += "<w:footerReference r:id=\"rIdKvwF" + std::to_string(footers.size()) + "\"/>";
    } else {
      // The comment's own aml:content wrapper goes with it.
      std::string paragraphs;
      TTag inner;
      size_t from = 0;
      for (size_t k = 0; NextTag(content, k, inner); k = inner.End) {
        if (inner.Name != "aml:content") continue;
        paragraphs.append(content, from, inner.Start - from);
        from = inner.End;
      }
      paragraphs.append(content, from, std::string::npos);
      comments.push_back(std::move(paragraphs));
      document += "<w:commentReference w:id=\"" + std::to_string(comments.size()) + "\"/>";
    }
  }
  copyTo(Bytes.size());

  TZipWriter zip;
  zip.Add("word/document.xml", document);
  auto notesPart = [&](const char* Part, const char* Root, const char* Item, const std::vector<std::string>& Items) {
    if (Items.empty()) return;
    std::string xml(XML_DECLARATION);
    xml += std::string("<") + Root + namespaces + ">";
    for (size_t k = 0; k < Items.size(); ++k)
      xml += std::string("<") + Item + " w:id=\"" + std::to_string(k + 1) + "\">" + Items[k] + "</" + Item + ">";
    xml += std::string("</") + Root + ">";
    zip.Add(Part, xml);
  };
  notesPart("word/footnotes.xml", "w:footnotes", "w:footnote", footnotes);
  notesPart("word/endnotes.xml", "w:endnotes", "w:endnote", endnotes);
  notesPart("word/comments.xml", "w:comments", "w:comment", comments);
  std::string rels(XML_DECLARATION);
  rels += "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
  auto storyParts = [&](const char* Kind, const char* Id, const char* Root, const std::vector<std::string>& Items) {
    for (size_t k = 0; k < Items.size(); ++k) {
      const std::string target = std::string("kvw") + Kind + std::to_string(k + 1) + ".xml";
      rels += std::string("<Relationship Id=\"") + Id + std::to_string(k + 1) +
              "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/" + Kind +
              "\" Target=\"" + target + "\"/>";
      zip.Add("word/" + target, std::string(XML_DECLARATION) + "<" + Root + namespaces + ">" + Items[k] + "</" +
                                    Root + ">");
    }
  };
  storyParts("header", "rIdKvwH", "w:hdr", headers);
  storyParts("footer", "rIdKvwF", "w:ftr", footers);
  rels += "</Relationships>";
  zip.Add("word/_rels/document.xml.rels", rels);
  if (!properties.empty()) {
    // The document properties of the 2003 document, under the names of a package's.
    auto value = [&](std::string_view Name) {
      const std::string open = "<o:" + std::string(Name) + ">";
      const size_t start = properties.find(open);
      if (start == std::string::npos) return std::string();
      const size_t end = properties.find("</o:" + std::string(Name) + ">", start);
      if (end == std::string::npos) return std::string();
      return properties.substr(start + open.size(), end - start - open.size());
    };
    auto element = [&](std::string_view Tag, std::string_view Name) {
      const std::string v = value(Name);
      return v.empty() ? std::string() : "<" + std::string(Tag) + ">" + v + "</" + std::string(Tag) + ">";
    };
    std::string core(XML_DECLARATION);
    core += "<cp:coreProperties>" + element("dc:title", "Title") + element("dc:subject", "Subject") +
            element("dc:creator", "Author") + element("cp:keywords", "Keywords") +
            element("dc:description", "Description") + element("cp:lastModifiedBy", "LastAuthor") +
            element("cp:revision", "Revision") + element("cp:category", "Category") +
            element("dcterms:created", "Created") + element("dcterms:modified", "LastSaved") +
            "</cp:coreProperties>";
    zip.Add("docProps/core.xml", core);
    std::string app(XML_DECLARATION);
    app += "<Properties>" + element("Template", "Template") + element("TotalTime", "TotalTime") +
           element("Pages", "Pages") + element("Words", "Words") + element("Characters", "Characters") +
           element("Lines", "Lines") + element("Paragraphs", "Paragraphs") + element("Manager", "Manager") +
           element("Company", "Company") + element("CharactersWithSpaces", "CharactersWithSpaces") +
           "</Properties>";
    zip.Add("docProps/app.xml", app);
  }
  return zip.Finish();
}

TMSWordXmlDocument::TMSWordXmlDocument(TComponent* AOwner) : TMSWordXDocument(AOwner) {}

TMSWordXmlDocument::~TMSWordXmlDocument() = default;

void TMSWordXmlDocument::LoadFromFile(const std::u16string& AFileName) {
  TMSCustomWordDocument::LoadFromFile(AFileName);
  std::string bytes;
  {
    TFileStream file(AFileName, fmOpenRead);
    bytes = ReadRestOfStream(file);
  }
  TTag root;
  if (!RootTag(bytes, root)) throw EKvWNotWordDocument(Format(strFileIsNotWord, AFileName));
  LoadFromBytes(bytes);
}

void TMSWordXmlDocument::LoadFromStream(TStream* Stream) { LoadFromBytes(ReadRestOfStream(*Stream)); }

void TMSWordXmlDocument::LoadFromBytes(std::string_view Bytes) {
  std::string zip = IsFlatPackage(Bytes) ? FlatPackageToZip(Bytes) : WordML2003ToZip(Bytes);
  TMemoryStream stream(std::move(zip));
  TMSWordXDocument::LoadFromStream(&stream);
}

}  // namespace msword
