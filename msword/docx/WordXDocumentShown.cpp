// The package side of TMSWordXDocument's shown view: the parts that only what Word
// shows needs (numbering, styles, settings, comments, the VBA project) and the
// chunks a document imports in place.
#include <algorithm>
#include <vector>

#include "msword/base/Exceptions.h"
#include "msword/base/Streams.h"
#include "msword/docx/ChunkText.h"
#include "msword/docx/DocxNoteMarks.h"
#include "msword/docx/DocxNumbering.h"
#include "msword/docx/DocxStyles.h"
#include "msword/docx/PartScan.h"
#include "msword/docx/WordXDocument.h"
#include "msword/xml/XMLItem.h"
#include "msword/zip/ZipArchive.h"

namespace msword {

namespace {

// Chunks that import chunks: real documents nest one or two deep.
constexpr int MaxChunkDepth = 4;

// The package entry a relationship target names: relative to Folder, or from the
// package's root when it starts with "/"; "." and ".." steps resolved (never above
// the root).
std::u16string ResolvePartName(const std::u16string& Folder, std::u16string_view Target) {
  const std::u16string path =
      !Target.empty() && Target[0] == u'/' ? std::u16string(Target.substr(1)) : Folder + std::u16string(Target);
  std::vector<std::u16string_view> segments;
  const std::u16string_view all(path);
  size_t start = 0;
  while (start <= all.size()) {
    size_t slash = all.find(u'/', start);
    if (slash == std::u16string_view::npos) slash = all.size();
    const std::u16string_view segment = all.substr(start, slash - start);
    if (segment == u"..") {
      if (!segments.empty()) segments.pop_back();
    } else if (!segment.empty() && segment != u".") {
      segments.push_back(segment);
    }
    start = slash + 1;
  }
  std::u16string out;
  for (const std::u16string_view segment : segments) {
    if (!out.empty()) out += u'/';
    out += segment;
  }
  return out;
}

// A part the shown view reads besides the text: a part that does not decompress
// costs what it would have added, not the document.
std::string OptionalPartBytes(const TZipArchive& Zip, const std::u16string& Name) {
  if (Name.empty()) return {};
  try {
    return PackageEntryBytes(Zip, Name);
  } catch (const EDocumentOverBudget&) {
    throw;
  } catch (const Exception&) {
    return {};
  }
}

bool EndsWith(std::u16string_view Text, std::u16string_view Suffix) {
  return Text.size() >= Suffix.size() && Text.substr(Text.size() - Suffix.size()) == Suffix;
}

}  // namespace

std::u16string TMSWordXDocument::PartNameOfType(TZipArchive& Zip, std::u16string_view TypeSuffix) {
  GetTargetByID(Zip, std::u16string());  // reads the relationships once
  for (const auto& [id, type] : FRelationshipTypes) {
    if (!EndsWith(type, TypeSuffix)) continue;
    const auto target = FRelationships.find(id);
    if (target != FRelationships.end() && !target->second.empty()) return ResolvePartName(FFolder, target->second);
  }
  return {};
}

void TMSWordXDocument::PrepareShownView(TZipArchive& Zip, const std::u16string& Folder) {
  FNoteMarks->Clear();
  FNumbering->Clear();
  FStyles->Clear();
  std::u16string numbering = PartNameOfType(Zip, u"/numbering");
  if (numbering.empty()) numbering = Folder + u"numbering.xml";
  std::string numberingBytes = OptionalPartBytes(Zip, numbering);
  std::u16string styles;
  if (!numberingBytes.empty() || FSink) {
    styles = PartNameOfType(Zip, u"/styles");
    if (styles.empty()) styles = Folder + u"styles.xml";
  }
  // The styles part is inflated once for the numbering and the sink both.
  std::string stylesBytes = OptionalPartBytes(Zip, styles);
  if (!numberingBytes.empty())
    FNumbering->Load(std::move(numberingBytes), FSink ? stylesBytes : std::move(stylesBytes));
  // The sink is told the headings and the emphasis the styles give.
  if (FSink) FStyles->Load(std::move(stylesBytes));
  std::u16string settings = PartNameOfType(Zip, u"/settings");
  if (settings.empty()) settings = Folder + u"settings.xml";
  FNoteMarks->LoadSettings(OptionalPartBytes(Zip, settings));
}

void TMSWordXDocument::LoadShownSideParts(TZipArchive& Zip, const std::u16string& Folder) {
  const std::u16string comments = PartNameOfType(Zip, u"/comments");
  if (!comments.empty()) {
    std::string bytes = OptionalPartBytes(Zip, comments);
    if (!bytes.empty()) LoadXMLFilePart(std::move(bytes), FAnnotationText.get());
  }
  if (ParseItems().Contains(wpiVBA)) LoadVBAProject(Zip, Folder);
}

bool TMSWordXDocument::InsertChunkReader(TMSCustomWordDocument& Chunk, std::string Bytes, TWideStrings* List,
                                         bool Paragraphs) {
  Chunk.SetTextFormating(tfPlainText);
  TKvWParseItems items = ParseItems();
  items.Exclude(wpiSummaryInformation);
  items.Exclude(wpiVBA);
  Chunk.SetParseItems(items);
  Chunk.SetView(View());
  Chunk.SetRevisions(Revisions());
  // The chunk's work is this document's: it charges this document's budget.
  Chunk.ShareBudget(SharedBudget());
  Budget().ChargeParts(1);
  try {
    TMemoryStream stream(std::move(Bytes));
    Chunk.LoadFromStream(&stream);
  } catch (const EDocumentOverBudget&) {
    throw;
  } catch (const Exception&) {
    return false;
  }
  const TMSTextFormating format = TextFormating();
  const std::pair<TWideStrings*, TWideStrings*> lists[] = {
      {Chunk.Text(), List},
      {Chunk.FootNoteText(), FFootNoteText.get()},
      {Chunk.EndNoteText(), FEndNoteText.get()},
      {Chunk.AnnotationText(), FAnnotationText.get()},
      {Chunk.TextBoxText(), FTextBoxText.get()},
  };
  const auto add = [&](const std::u16string& Line, TWideStrings* To) {
    AddText(format == tfHTML ? u"<p>" + FormattedText(Line) + u"</p>" : FormattedText(Line), To);
    if (FSink && To == List) EmitPlainParagraph(Line);
  };
  for (const auto& [from, to] : lists) {
    const int count = from->Count();
    if (Paragraphs) {
      for (int i = 0; i < count; ++i) add(from->Get(i), to);
      continue;
    }
    // Lines that hold line breaks of their own, framed by empty ones: one line per
    // paragraph, the empty ones left out as in a web page's chunk.
    std::u16string all;
    for (int i = 0; i < count; ++i) all.append(from->Get(i)).append(u"\r\n");
    for (const std::u16string& line : PlainChunkLines(all))
      if (!line.empty()) add(line, to);
  }
  return true;
}

std::u16string TMSWordXDocument::PartContentType(TZipArchive& Zip, std::u16string_view Name) {
  const auto folded = [](std::u16string_view Text) {
    std::u16string out(Text);
    for (char16_t& c : out)
      if (c >= u'A' && c <= u'Z') c = char16_t(c + 32);
    return out;
  };
  if (!FContentTypesRead) {
    FContentTypesRead = true;
    ScanXmlPart(OptionalPartBytes(Zip, u"[Content_Types].xml"),
                [&](const TKvXMLItem*, std::u16string_view Element, std::u16string_view Attributes) {
                  std::u16string type(XmlAttribute(Attributes, u"ContentType"));
                  ReplaceHTMLChars(type);
                  if (Element == u"Override") {
                    std::u16string part = folded(XmlAttribute(Attributes, u"PartName"));
                    ReplaceHTMLChars(part);
                    if (!part.empty() && part[0] == u'/') part.erase(0, 1);
                    FContentTypeOverrides.emplace(std::move(part), std::move(type));
                  } else if (Element == u"Default") {
                    std::u16string extension = folded(XmlAttribute(Attributes, u"Extension"));
                    ReplaceHTMLChars(extension);
                    FContentTypeDefaults.emplace(std::move(extension), std::move(type));
                  }
                });
  }
  const std::u16string part = folded(Name);
  if (const auto it = FContentTypeOverrides.find(part); it != FContentTypeOverrides.end()) return it->second;
  const size_t dot = part.rfind(u'.');
  if (dot == std::u16string::npos || part.find(u'/', dot) != std::u16string::npos) return {};
  const auto it = FContentTypeDefaults.find(part.substr(dot + 1));
  return it == FContentTypeDefaults.end() ? std::u16string() : it->second;
}

void TMSWordXDocument::InsertAltChunk(const std::u16string& Id) {
  if (!FZip || Id.empty() || FChunkDepth >= MaxChunkDepth) return;
  const std::u16string target = GetTargetByID(*FZip, Id);
  if (target.empty()) return;
  const std::u16string name = ResolvePartName(FFolder, target);
  const int entry = FindPackageEntry(*FZip, name);
  if (entry < 0) return;
  // A chunk imported again gives the lines it gave the first time: chunks that
  // import each other many times over are read once each, not once a reference.
  ConvertOnce(FChunkLines, {entry, FcurList}, [&] { ReadAltChunk(entry, name); });
}

void TMSWordXDocument::ReadAltChunk(int Entry, const std::u16string& Name) {
  ++FChunksRead;
  std::string bytes;
  try {
    bytes = FZip->GetUncompressed(Entry);
  } catch (const EDocumentOverBudget&) {
    throw;
  } catch (const Exception&) {
    return;  // a chunk that does not decompress costs what it would have added
  }
  if (bytes.empty()) return;
  const std::u16string& name = Name;
  TWideStrings* list = FcurList;
  const TMSTextFormating format = TextFormating();
  auto addLine = [&](const std::u16string& Line) {
    AddText(format == tfHTML ? u"<p>" + FormattedText(Line) + u"</p>" : FormattedText(Line), list);
    if (FSink) EmitPlainParagraph(Line);
  };

  if (bytes.size() >= 4 && bytes.compare(0, 4, "PK\x03\x04") == 0) {
    // A whole package, read by a reader like this one.
    TMSWordXDocument chunk(nullptr);
    chunk.FChunkDepth = FChunkDepth + 1;
    chunk.SetChunkReaders(FChunkReaders);
    InsertChunkReader(chunk, std::move(bytes), list, true);
    return;
  }
  const std::u16string contentType = PartContentType(*FZip, name);
  const bool rtf = IsRtfChunk(bytes, contentType);
  const std::u16string lowerName = [&] {
    std::u16string n = name;
    for (char16_t& c : n)
      if (c >= u'A' && c <= u'Z') c = char16_t(c + 32);
    return n;
  }();
  // A chunk that is markup, or named as a web page, is one whatever its content type.
  const bool html = !rtf && (ChunkLooksLikeMarkup(bytes) || EndsWith(lowerName, u".htm") ||
                             EndsWith(lowerName, u".html") || EndsWith(lowerName, u".xhtml"));
  if (FChunkReaders) {
    if (const std::unique_ptr<TMSCustomWordDocument> chunk =
            FChunkReaders(bytes, html ? std::u16string_view(u"text/html") : std::u16string_view(contentType))) {
      InsertChunkReader(*chunk, std::move(bytes), list, false);
      return;
    }
  }
  if (rtf || html) return;  // a format without a reader for it
  for (const std::u16string& line : PlainChunkLines(DecodeChunkText(bytes))) addLine(line);
}

}  // namespace msword
