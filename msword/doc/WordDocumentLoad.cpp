// TMSWordDocument's load paths: files and streams, compound files and the oldest
// plain Word files, and the visit of a compound file's elements.
#include <array>
#include <memory>
#include <optional>
#include <string>

#include "msword/base/CodePages.h"
#include "msword/base/Exceptions.h"
#include "msword/base/LittleEndian.h"
#include "msword/MSWordCnst.h"
#include "msword/storage/OleStream.h"
#include "msword/base/PropertySet.h"
#include "msword/base/Streams.h"
#include "msword/crypto/DocumentKey.h"
#include "msword/doc/WordDocument.h"
#include "msword/storage/CompoundFile.h"
#include "msword/storage/StorageError.h"

namespace msword {

namespace {

constexpr std::u16string_view WORD_DOCUMENT_STREAM = u"WordDocument";
constexpr std::u16string_view MACROS_STORAGE = u"Macros";
constexpr std::u16string_view SUMMARY_STREAM = u"SummaryInformation";
constexpr std::u16string_view DOC_SUMMARY_STREAM = u"DocumentSummaryInformation";
constexpr std::u16string_view ENCRYPTED_SUMMARY_STREAM = u"encryption";
constexpr uint8_t STGTY_STORAGE = 1;
constexpr uint8_t STGTY_STREAM = 2;

// The first words of the plain (non-compound) Word files: Word for DOS and Write
// (0xBE31, 0xBE32, 0x6031), Word 1 and Word 2 for Windows (0xA59B, 0xA5DB).
constexpr std::array<uint16_t, 5> PLAIN_WORD_SIGNATURES = {0xBE31, 0xBE32, 0x6031, 0xA59B, 0xA5DB};

constexpr uint32_t WRITE_HEADER_SIZE = 128;

constexpr uint8_t COMPOUND_FILE_SIGNATURE[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

bool HasCompoundFileSignature(const std::string& Bytes) {
  return Bytes.size() >= 8 && std::equal(std::begin(COMPOUND_FILE_SIGNATURE), std::end(COMPOUND_FILE_SIGNATURE),
                                         reinterpret_cast<const uint8_t*>(Bytes.data()));
}

// The bytes of Stream from Position to its end; a stream that ends sooner raises
// "Stream read error".
std::string ReadRest(TStream& Stream, int64_t Position) {
  const int64_t size = Stream.Size();
  Stream.Seek(Position, soBeginning);
  std::string bytes(size_t(size > Position ? size - Position : 0), '\0');
  Stream.ReadBuffer(bytes.data(), int64_t(bytes.size()));
  return bytes;
}

// Byte 11 of the FIB says which table stream belongs to the document: bit 1 set
// names "1Table", clear "0Table". Answers false for a stream too short to say.
bool NamesTableStream1(TStream& Main) {
  uint8_t flags = 0;
  Main.Seek(11, soBeginning);
  const bool got = Main.Read(&flags, 1) == 1;
  Main.Seek(0, soBeginning);
  return got && (flags & 0x02) != 0;
}

// Byte 11 of the FIB, bit 0: the document is encrypted or obfuscated.
bool FibSaysEncrypted(TStream& Main) {
  uint8_t flags = 0;
  Main.Seek(11, soBeginning);
  const bool got = Main.Read(&flags, 1) == 1;
  Main.Seek(0, soBeginning);
  return got && (flags & 0x01) != 0;
}

}  // namespace

void TMSWordDocument::ClearInternalLists() {
  TMSCustomWordDocument::ClearInternalLists();
  FLastFieldCode.clear();
  intFieldCodeLen = 0;
  FDescribed = false;
  ClearCLX(CLX);
  // Every load starts from an empty record, so a plain Word 2 file never shows
  // the title of the compound file loaded before it.
  if (FSummaryInformation) FSummaryInformation->Clear();
}

void TMSWordDocument::LoadFromFile(const std::u16string& AFileName) {
  TMSCustomWordDocument::LoadFromFile(AFileName);
  const TLoadingFile loading(*this, AFileName);
  ClearInternalLists();
  // Opened once: whether it is a compound file, and then as one or as a plain file.
  auto opened = std::make_unique<TFileStream>(AFileName, fmOpenRead);
  if (storage::IsCompoundFile(*opened)) {
    const std::shared_ptr<storage::TCompoundFile> file = storage::TCompoundFile::OpenFile(std::move(opened), AFileName);
    LoadIStorage(file->Root().get());
    return;
  }
  FIB = TFIB{};
  TFileStream& stream = *opened;
  stream.Seek(0, soBeginning);
  uint8_t head[4] = {};
  stream.Read(head, 4);
  FIB.wIdent = uint16_t(head[0] | head[1] << 8);
  FIB.Version = uint16_t(head[2] | head[3] << 8);
  if (std::find(PLAIN_WORD_SIGNATURES.begin(), PLAIN_WORD_SIGNATURES.end(), FIB.wIdent) == PLAIN_WORD_SIGNATURES.end())
    throw EKvWNotWordDocument(Format(strFileIsNotWord, AFileName));
  ReadDocFromStream(&stream, nullptr);
}

void TMSWordDocument::LoadFromStream(TStream* Stream) {
  TMSCustomWordDocument::LoadFromStream(Stream);
  // LoadFromStream of the base class cleared the lists through the virtual call.
  const int64_t start = Stream->Position();
  std::string bytes = ReadRest(*Stream, start);
  if (HasCompoundFileSignature(bytes)) {
    std::shared_ptr<storage::TCompoundFile> file;
    try {
      file = storage::TCompoundFile::OpenMemory(std::move(bytes));
    } catch (const storage::EStorageError&) {
      // Not a compound file after all: the bytes are read as a main document
      // stream below.
    }
    if (file) {
      LoadIStorage(file->Root().get());
      return;
    }
    bytes = ReadRest(*Stream, start);
  }
  // The document's offsets count from where the caller's data begins (after a
  // "BDOC" header, for instance), not from the start of the caller's stream.
  TMemoryStream main(std::move(bytes));
  ReadDocFromStream(&main, nullptr);
}

void TMSWordDocument::ReadDocFromStream(TStream* Stream, TStream* TableStream, TStream* DataStream) {
  if (ReadWriteText(*Stream)) return;
  ReadDocStreams(Stream, TableStream, DataStream);
}

// Write and Word for DOS files have a 128-byte header of their own, not a FIB:
// signature 0xBE31 or 0xBE32, a zero document type, the tool word 0xAB00, and at
// offset 14 the end of the text, which starts right after the header. Read with
// the Word 2 header layout their counts would be garbage.
bool TMSWordDocument::ReadWriteText(TStream& Stream) {
  uint8_t head[18];
  Stream.Seek(0, soBeginning);
  if (Stream.Read(head, sizeof(head)) != int32_t(sizeof(head))) return false;
  const uint16_t wIdent = GetU16(head), dty = GetU16(head + 2), wTool = GetU16(head + 4);
  if ((wIdent != 0xBE31 && wIdent != 0xBE32) || dty != 0 || wTool != 0xAB00) return false;
  FIB = TFIB{};
  FIB.wIdent = wIdent;
  FIB.fcMin = WRITE_HEADER_SIZE;
  FIB.fcMac = GetU32(head + 14);  // fcMac
  FDocVersion = 2;
  if (!ParseItems().Contains(wpiText)) return true;
  const int64_t size = Stream.Size();
  if (FIB.fcMac < FIB.fcMin || FIB.fcMac > size) throw EReadError();
  std::string bytes(FIB.fcMac - FIB.fcMin, '\0');
  Stream.Seek(FIB.fcMin, soBeginning);
  Stream.ReadBuffer(bytes.data(), int64_t(bytes.size()));
  // Paragraphs end with CR LF here; the CR alone is Word's paragraph mark.
  std::string text;
  for (size_t i = 0; i < bytes.size(); ++i)
    if (!(bytes[i] == '\n' && i > 0 && bytes[i - 1] == '\r')) text += bytes[i];
  // A file whose page count (word 48 of the header) is 0 comes from Word for DOS,
  // not Write: its text is in the DOS code page the header names at 0x74 (437 when
  // it names none), where box drawing and accented letters lie.
  uint8_t dos[0x76 - 0x60];
  Stream.Seek(0x60, soBeginning);
  if (View() == vwShown && Stream.Read(dos, sizeof(dos)) == int32_t(sizeof(dos)) && GetU16(dos) == 0) {
    AddText(OemToWide(text, GetU16(dos + 0x74 - 0x60)), Text());
  } else {
    AddText(StringToWideStringEx(text, DocLangToCodePage()), Text());
  }
  Text()->Insert(0, GetTextStart());
  Text()->Add(GetTextFinish());
  return true;
}

std::optional<bool> TMSWordDocument::SummaryStreamKind(std::u16string_view Name) {
  if (Name.size() < 2) return std::nullopt;
  const std::u16string_view name = Name.substr(1);  // after the leading control character
  if (SameTextAscii(name, DOC_SUMMARY_STREAM)) return true;
  if (SameTextAscii(name, SUMMARY_STREAM)) return false;
  return std::nullopt;
}

// Element names are compared without regard to ASCII case, as the compound-file
// directory itself compares them: some writers store "worddocument".
void TMSWordDocument::LoadIStorage(storage::TStorage* Storage) {
  FSummaryInformation->Clear();
  wvCHPX_pn_previous = 0;
  const std::unique_ptr<storage::TStorageEnum> elements = Storage->EnumElements();
  storage::TStatStg element;
  // RC4 through CryptoAPI may keep the property sets in a stream of their own, which
  // the key of the main stream opens; it is read once the whole visit is done.
  std::shared_ptr<const TKvWDocumentKey> key;
  std::u16string encryptedSummary;
  while (elements->Next(element)) {
    if (element.Type == STGTY_STORAGE) {
      if (!SameTextAscii(element.Name, MACROS_STORAGE) || !ParseItems().Contains(wpiVBA)) continue;
      const std::unique_ptr<storage::TStorage> macros = Storage->OpenStorage(element.Name);
      if (!macros) continue;
      // The project of this document only: nothing of an earlier load's modules.
      VBAProjectItems->Clear();
      FVBAProject.clear();
      LoadVBA(macros.get());
      DecompressMacros(macros.get());
      AddMacroText();
    } else if (element.Type == STGTY_STREAM) {
      if (SameTextAscii(element.Name, WORD_DOCUMENT_STREAM)) {
        const std::shared_ptr<storage::TStorageStream> stream = Storage->OpenStream(element.Name);
        if (!stream) continue;
        TKvWOleStream main(stream);
        if (main.Size() <= 0) continue;
        // The FIB names the table stream that belongs to the document; a file
        // may keep a stale one of the other name beside it.
        const bool table1 = NamesTableStream1(main);
        std::shared_ptr<storage::TStorageStream> table = Storage->OpenStream(table1 ? u"1Table" : u"0Table");
        if (!table) table = Storage->OpenStream(table1 ? u"0Table" : u"1Table");
        std::unique_ptr<TKvWOleStream> tableStream = table ? std::make_unique<TKvWOleStream>(table) : nullptr;
        if (!Password().empty() && FibSaysEncrypted(main))
          key = ReadProtectedDoc(main, tableStream.get());
        else {
          // The data stream holds, among others, the values of form fields.
          const std::shared_ptr<storage::TStorageStream> data =
              View() == vwShown ? Storage->OpenStream(u"Data") : nullptr;
          std::unique_ptr<TKvWOleStream> dataStream = data ? std::make_unique<TKvWOleStream>(data) : nullptr;
          ReadDocFromStream(&main, tableStream.get(), dataStream.get());
        }
      } else if (SameTextAscii(element.Name, ENCRYPTED_SUMMARY_STREAM)) {
        encryptedSummary = element.Name;
      } else if (ParseItems().Contains(wpiSummaryInformation)) {
        const std::optional<bool> docSummary = SummaryStreamKind(element.Name);
        if (!docSummary) continue;
        const std::shared_ptr<storage::TStorageStream> stream = Storage->OpenStream(element.Name);
        if (!stream) continue;
        TKvWOleStream set(stream);
        if (set.Size() <= 0) continue;
        if (!ReadPropertySet(set, *FSummaryInformation, *docSummary)) return;
      }
    }
  }
  if (key && !encryptedSummary.empty() && ParseItems().Contains(wpiSummaryInformation))
    ReadEncryptedSummary(*Storage, encryptedSummary, *key);
}

}  // namespace msword
