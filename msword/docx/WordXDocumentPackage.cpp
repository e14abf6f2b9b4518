// The package loader of TMSWordXDocument: the checks on a file, the parts of a
// package and the lists they fill, the header and footer parts found through the
// document's relationships, and a package kept in a compound file's "Package" stream.
#include <algorithm>
#include <vector>

#include "msword/base/CodePages.h"
#include "msword/base/Exceptions.h"
#include "msword/MSWordCnst.h"
#include "msword/storage/OleStream.h"
#include "msword/base/Streams.h"
#include "msword/crypto/CryptoErrors.h"
#include "msword/crypto/EncryptedPackage.h"
#include "msword/docx/DocxNoteMarks.h"
#include "msword/docx/DocxNumbering.h"
#include "msword/docx/DocxStyles.h"
#include "msword/docx/WordXDocument.h"
#include "msword/xml/XMLEngine.h"
#include "msword/xml/XMLItem.h"
#include "msword/zip/ZipArchive.h"
#include "msword/zip/ZipSignature.h"
#include "msword/storage/CompoundFile.h"
#include "msword/storage/StorageError.h"

namespace msword {

namespace {

// The entry's index, looked up as given and then with "/" turned into "\"; -1 when
// the package has no such entry.
int FindEntry(const TZipArchive& Zip, std::u16string_view AFileName) {
  const int index = Zip.GetIndexByFileName(AFileName);
  if (index >= 0 || AFileName.find(u'/') == std::u16string_view::npos) return index;
  std::u16string backslashed(AFileName);
  std::replace(backslashed.begin(), backslashed.end(), u'/', u'\\');
  return Zip.GetIndexByFileName(backslashed);
}

std::string EntryBytes(const TZipArchive& Zip, std::u16string_view AFileName) {
  return PackageEntryBytes(Zip, AFileName);
}

std::u16string FoldedId(std::u16string Id) {
  for (char16_t& c : Id) c = AsciiLower(c);
  return Id;
}

// The package entry a relationship target of the main document names: targets are
// relative to the main document's folder ("word/"), except those that start with
// "/", which name an entry from the package's root.
std::u16string PartNameOfTarget(const std::u16string& Folder, const std::u16string& Target) {
  if (!Target.empty() && Target[0] == u'/') return Target.substr(1);
  return Folder + Target;
}

// The relationships of the package ("_rels/.rels"), parsed into Engine; the
// Relationship items with their attributes made into items.
std::vector<TKvXMLItem*> ReadRelationships(TKvXMLEngine& Engine, const std::string& Bytes) {
  TCustomMemoryStream stream(Bytes.data(), Bytes.size());
  Engine.LoadFromStream(0, &stream);
  std::vector<TKvXMLItem*> result;
  TKvXMLItem* relationships = Engine.GetItemByTag(nullptr, u"Relationships");
  if (!relationships) return result;
  const TKvXMLItems& items = *relationships->Items();
  for (int i = 0; i < items.Count(); ++i) {
    TKvXMLItem* item = items[i];
    if (!SameStrings(false, item->TagName(), u"Relationship")) continue;
    item->ProcessAttributes();
    result.push_back(item);
  }
  return result;
}

// True when the archive's directory could not be read whole: no entry at all,
// fewer entries than the end record counts, or an entry whose local header is
// missing.
bool PackageDirectoryDamaged(const TZipArchive& Zip) {
  if (Zip.Count() == 0 || Zip.Count() < int(Zip.EndOfCentralDirectory().TotalNumberOfEntries)) return true;
  for (int i = 0; i < Zip.Count(); ++i)
    if (Zip.Files()->Items(i)->FileName().empty()) return true;
  return false;
}

// The main document part that the package's own relationships name, for packages
// whose main part is neither "word/document.xml" nor "word/document2.xml"; empty
// when there is none.
std::u16string OfficeDocumentPart(const TZipArchive& Zip) {
  TKvXMLEngine engine(nullptr);
  for (TKvXMLItem* item : ReadRelationships(engine, EntryBytes(Zip, u"_rels/.rels"))) {
    const TKvXMLItem* type = engine.GetItemByTag(item, u"Type");
    const TKvXMLItem* target = engine.GetItemByTag(item, u"Target");
    if (!type || !target) continue;
    const std::u16string value = type->GetTagValue();
    constexpr std::u16string_view officeDocument = u"/officeDocument";
    if (value.size() < officeDocument.size() ||
        value.compare(value.size() - officeDocument.size(), officeDocument.size(), officeDocument) != 0)
      continue;
    std::u16string name = target->GetTagValue();
    if (!name.empty() && name[0] == u'/') name.erase(0, 1);
    return name;
  }
  return {};
}

// The whole of a compound-file stream; empty for a missing one.
std::string StreamBytes(const std::shared_ptr<storage::TStorageStream>& Stream) {
  if (!Stream) return {};
  TKvWOleStream adapter(Stream);
  TMemoryStream copy;
  copy.LoadFromStream(adapter);
  return copy.TakeBytes();
}

}  // namespace

int FindPackageEntry(const TZipArchive& Zip, std::u16string_view AFileName) { return FindEntry(Zip, AFileName); }

std::string PackageEntryBytes(const TZipArchive& Zip, std::u16string_view AFileName) {
  const int index = FindEntry(Zip, AFileName);
  return index < 0 ? std::string() : Zip.GetUncompressed(index);
}

TMSWordXDocument::TMSWordXDocument(TComponent* AOwner)
    : TMSCustomWordDocument(AOwner),
      FHeaderFileNamesToParse(std::make_unique<TWideStrings>()),
      FFooterFileNamesToParse(std::make_unique<TWideStrings>()),
      FStyles(std::make_unique<TKvWDocxStyles>()),
      FNumbering(std::make_unique<TKvWDocxNumbering>()),
      FNoteMarks(std::make_unique<TKvWDocxNoteMarks>()) {}

TMSWordXDocument::~TMSWordXDocument() = default;

void TMSWordXDocument::LoadFromFile(const std::u16string& AFileName) {
  TMSCustomWordDocument::LoadFromFile(AFileName);
  const TLoadingFile loading(*this, AFileName);
  if (!FileIsZipArchive(AFileName)) {
    std::unique_ptr<storage::TStorage> root;
    if (storage::IsCompoundFile(AFileName)) {
      const std::shared_ptr<storage::TCompoundFile> file = storage::TCompoundFile::OpenFile(AFileName);
      root = file->Root();
      if (LoadEncryptedPackage(*root)) return;
    }
    throw EKvWNotWordDocument(Format(strFileIsNotWord, AFileName));
  }
  TFileStream stream(AFileName, fmOpenRead);
  stream.Seek(0, soBeginning);
  FLoadingFileName = AFileName;
  try {
    LoadFromStream(&stream);
  } catch (...) {
    FLoadingFileName.clear();
    throw;
  }
  FLoadingFileName.clear();
}

void TMSWordXDocument::LoadFromStream(TStream* Stream) {
  if (!Password().empty() && !FDecrypting && LoadEncryptedStream(*Stream)) return;
  TMSCustomWordDocument::LoadFromStream(Stream);
  // A property this package lacks must not show the previous document's value.
  FSummaryInformation->Clear();
  FHeaderFileNamesToParse->Clear();
  FFooterFileNamesToParse->Clear();
  FRelationshipsRead = false;
  FRelationships.clear();

  FRelationshipTypes.clear();
  FRecorded.clear();
  FRecording = 0;
  FPartLines.clear();
  FChunkLines.clear();
  FPartsConverted = 0;
  FChunksRead = 0;
  FContentTypesRead = false;
  FContentTypeOverrides.clear();
  FContentTypeDefaults.clear();

  // Whether the stream begins as a zip archive does: then an archive whose
  // directory cannot be read is a damaged package, not some other kind of file.
  bool zipSignature = false;
  if (Stream) {
    const int64_t start = Stream->Position();
    uint8_t head[4] = {};
    zipSignature = Stream->Read(head, 4) == 4 && head[0] == 'P' && head[1] == 'K' && head[2] == 3 && head[3] == 4;
    Stream->Seek(start, soBeginning);
  }
  TZipArchive zip(nullptr);
  zip.SetBudget(&Budget());
  zip.LoadFromStream(Stream);
  // The main part, its folder and its relationships.
  std::u16string main = u"word/document.xml";
  if (FindEntry(zip, main) < 0) main = u"word/document2.xml";
  if (FindEntry(zip, main) < 0) main = OfficeDocumentPart(zip);
  if (main.empty() || FindEntry(zip, main) < 0) {
    // A batch must tell a corrupt or foreign file from an empty document.
    const std::u16string name = FLoadingFileName.empty() ? FileName() : FLoadingFileName;
    if (zipSignature && PackageDirectoryDamaged(zip)) throw EKvWFileDamaged(name);
    throw EKvWNotWordDocument(Format(strFileIsNotWord, name));
  }
  const size_t slash = main.rfind(u'/');
  const std::u16string folder = slash == std::u16string::npos ? u"" : main.substr(0, slash + 1);
  FRelationshipsName = folder + u"_rels/" + main.substr(folder.size()) + u".rels";
  if (FindEntry(zip, FRelationshipsName) < 0) FRelationshipsName = u"word/_rels/document.xml.rels";
  FZip = &zip;
  FFolder = folder;
  struct TZipReset {
    TZipArchive*& Zip;
    ~TZipReset() { Zip = nullptr; }
  } zipReset{FZip};
  if (ParseItems().Contains(wpiText)) {
    FSink = View() == vwShown && TextFormating() == tfPlainText ? DocumentSink() : nullptr;
    if (View() == vwShown) PrepareShownView(zip, folder);
    UnZipAndLoad(zip, main, Text());
    UnZipAndLoad(zip, u"word/endnotes.xml", FEndNoteText.get());
    UnZipAndLoad(zip, u"word/footnotes.xml", FFootNoteText.get());
    // Each reference gives the part's lines, so a header shared by sections appears
    // as often; the part itself is converted once.
    const int headers = FHeaderFileNamesToParse->Count();
    for (int i = 0; i < headers; ++i)
      LoadPartOnce(zip, PartNameOfTarget(folder, GetTargetByID(zip, FHeaderFileNamesToParse->Get(i))),
                   FHeaderText.get());
    const int footers = FFooterFileNamesToParse->Count();
    for (int i = 0; i < footers; ++i)
      LoadPartOnce(zip, PartNameOfTarget(folder, GetTargetByID(zip, FFooterFileNamesToParse->Get(i))),
                   FFooterText.get());
    if (View() == vwShown) LoadShownSideParts(zip, folder);
  }
  if (ParseItems().Contains(wpiSummaryInformation)) {
    LoadSummary(zip, u"docProps/core.xml");
    LoadSummary(zip, u"docProps/app.xml");
  }
}

void TMSWordXDocument::UnZipAndLoad(TZipArchive& Zip, std::u16string_view AFileName, TWideStrings* AList) {
  // The part's bytes go to the engine, which frees them as it reads them.
  LoadXMLFilePart(EntryBytes(Zip, AFileName), AList);
}

void TMSWordXDocument::AddText(std::u16string Value, TWideStrings* List) {
  if (FRecording > 0) FRecorded.push_back({List, Value});
  TMSCustomWordDocument::AddText(std::move(Value), List);
}

void TMSWordXDocument::ConvertOnce(std::map<TRecordingKey, TRecording>& Lines, const TRecordingKey& Key,
                                   const std::function<void()>& Convert) {
  if (const auto it = Lines.find(Key); it != Lines.end()) {
    // Replaying may record the lines again for an enclosing recording, which moves
    // the vector: each line is copied out before it is added.
    for (size_t i = it->second.first; i < it->second.second; ++i) {
      TWideStrings* list = FRecorded[i].List;
      AddText(std::u16string(FRecorded[i].Value), list);
    }
    return;
  }
  const size_t begin = FRecorded.size();
  ++FRecording;
  struct TStop {
    int& Recording;
    ~TStop() { --Recording; }
  } stop{FRecording};
  Convert();
  Lines.emplace(Key, TRecording(begin, FRecorded.size()));
}

void TMSWordXDocument::LoadPartOnce(TZipArchive& Zip, std::u16string_view AFileName, TWideStrings* AList) {
  ConvertOnce(FPartLines, {FindEntry(Zip, AFileName), AList}, [&] { UnZipAndLoad(Zip, AFileName, AList); });
}

// The target as the relationship writes it (a leading "/" kept); empty when the
// relationships part or the id is missing.
std::u16string TMSWordXDocument::GetTargetByID(TZipArchive& Zip, const std::u16string& ID) {
  if (!FRelationshipsRead) {
    FRelationshipsRead = true;
    TKvXMLEngine engine(nullptr);
    for (TKvXMLItem* item : ReadRelationships(engine, EntryBytes(Zip, FRelationshipsName))) {
      TKvXMLItem* id = engine.GetItemByTag(item, u"Id");
      if (!id) continue;
      TKvXMLItem* target = engine.GetItemByTag(item, u"Target");
      TKvXMLItem* type = engine.GetItemByTag(item, u"Type");
      // The first relationship of an id decides, with or without a target.
      const std::u16string folded = FoldedId(id->GetTagValue());
      if (FRelationships.emplace(folded, target ? target->GetTagValue() : std::u16string()).second && type)
        FRelationshipTypes.emplace(folded, type->GetTagValue());
    }
  }
  const auto it = FRelationships.find(FoldedId(ID));
  return it == FRelationships.end() ? std::u16string() : it->second;
}

void TMSWordXDocument::InternalLoadFromOLEStream(TStream* Stream) {
  const int64_t start = Stream->Position();
  const int64_t size = std::max<int64_t>(0, Stream->Size() - start);
  std::string bytes(size_t(size), '\0');
  for (int64_t done = 0; done < size;) {
    const int32_t chunk = int32_t(std::min<int64_t>(size - done, 1 << 30));
    Stream->ReadBuffer(bytes.data() + done, chunk);
    done += chunk;
  }
  std::shared_ptr<storage::TCompoundFile> file;
  try {
    file = storage::TCompoundFile::OpenMemory(std::move(bytes));
  } catch (const storage::EStorageError&) {
    // Not a compound file: a plain package.
    Stream->Seek(start, soBeginning);
    TMSCustomWordDocument::InternalLoadFromOLEStream(Stream);
    return;
  }
  const std::unique_ptr<storage::TStorage> root = file->Root();
  if (std::shared_ptr<storage::TStorageStream> package = root->OpenStream(u"Package")) {
    TKvWOleStream adapter(std::move(package));
    LoadFromStream(&adapter);
    return;
  }
  if (!Password().empty() && LoadEncryptedPackage(*root)) return;
  // Nothing of the previous document may stay behind as if this one had been read.
  ClearInternalLists();
  FSummaryInformation->Clear();
  if (root->OpenStream(u"EncryptedPackage")) throw EKvWPasswordProtected(std::u16string(strEFileIsPasswordProtected));
}

bool TMSWordXDocument::LoadEncryptedStream(TStream& Stream) {
  static constexpr char COMPOUND_FILE_SIGNATURE[8] = {'\xD0', '\xCF', '\x11', '\xE0', '\xA1', '\xB1', '\x1A', '\xE1'};
  const int64_t start = Stream.Position();
  char head[8] = {};
  const bool compound = Stream.Read(head, 8) == 8 && std::equal(head, head + 8, COMPOUND_FILE_SIGNATURE);
  Stream.Seek(start, soBeginning);
  if (!compound) return false;
  TMemoryStream copy;
  copy.LoadFromStream(Stream);
  std::shared_ptr<storage::TCompoundFile> file;
  try {
    file = storage::TCompoundFile::OpenMemory(copy.TakeBytes());
  } catch (const storage::EStorageError&) {
    Stream.Seek(start, soBeginning);
    return false;
  }
  const std::unique_ptr<storage::TStorage> root = file->Root();
  if (LoadEncryptedPackage(*root)) return true;
  Stream.Seek(start, soBeginning);
  return false;
}

bool TMSWordXDocument::LoadEncryptedPackage(storage::TStorage& Root) {
  const std::shared_ptr<storage::TStorageStream> package = Root.OpenStream(u"EncryptedPackage");
  if (!package) return false;
  if (Password().empty()) throw EKvWPasswordProtected(std::u16string(strEFileIsPasswordProtected));
  const std::u16string& name = MessageFileName();
  const std::shared_ptr<storage::TStorageStream> info = Root.OpenStream(u"EncryptionInfo");
  if (!info) throw EKvWFileDamaged(name);
  TMemoryStream plain(DecryptPackage(StreamBytes(info), StreamBytes(package), Password(), name, MaxSpinCount()));
  // The package inside is read as it stands, even if it is another encrypted one.
  FDecrypting = true;
  try {
    LoadFromStream(&plain);
  } catch (...) {
    FDecrypting = false;
    throw;
  }
  FDecrypting = false;
  return true;
}

}  // namespace msword
