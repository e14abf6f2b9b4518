// TMSWordDocument's reading of protected documents: the main and table streams are
// decrypted (RC4, RC4 through CryptoAPI) or freed of their XOR obfuscation in
// memory, and then read as a plain document's.
#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "msword/base/LittleEndian.h"
#include "msword/base/PropertySet.h"
#include "msword/base/Streams.h"
#include "msword/storage/CompoundFile.h"
#include "msword/storage/OleStream.h"
#include "msword/storage/StorageError.h"
#include "msword/crypto/CryptoErrors.h"
#include "msword/crypto/DocumentKey.h"
#include "msword/crypto/EncryptedSummary.h"
#include "msword/crypto/EncryptionInfo.h"
#include "msword/crypto/XorObfuscation.h"
#include "msword/doc/WordDocument.h"

namespace msword {

namespace {

// Word 97 and later keep the first 68 bytes of the FIB (FibBase) plain; Word 6
// and Word 95 the first 48 bytes of theirs.
constexpr size_t FIB_BASE_SIZE = 68;
constexpr size_t WORD95_PLAIN_SIZE = 0x30;
constexpr uint8_t fEncrypted = 0x01;
constexpr uint8_t fObfuscated = 0x80;
constexpr uint16_t WORD97_FIRST_NFIB = 105;

// The stream's bytes up to its end, or up to where its sector chain is damaged:
// the plain reader reads those bytes too and fails only past them, and so does
// the decrypted copy (Word 97 files are known whose table chain loops after the
// pieces they use).
std::string ReadReadable(TStream& Stream) {
  const int64_t size = Stream.Size();
  std::string bytes(size_t(std::max<int64_t>(size, 0)), '\0');
  // Large reads first; where one fails, the rest goes in mini-sector steps, so the
  // read stops at the damage itself.
  size_t done = 0, chunk = size_t(1) << 20;
  while (done < bytes.size()) {
    Stream.Seek(int64_t(done), soBeginning);
    int32_t got = 0;
    try {
      got = Stream.Read(bytes.data() + done, int32_t(std::min(bytes.size() - done, chunk)));
    } catch (const storage::EStorageCorrupt&) {
      if (chunk == 64) break;
      chunk = 64;
      continue;
    }
    if (got <= 0) break;
    done += size_t(got);
  }
  bytes.resize(done);
  return bytes;
}

// The encrypted property sets are a few kilobytes; a stream claiming more than
// this is not read.
constexpr int64_t MAX_ENCRYPTED_SUMMARY_SIZE = 16 << 20;

}  // namespace

std::shared_ptr<const TKvWDocumentKey> TMSWordDocument::ReadProtectedDoc(TStream& Main, TStream* TableStream) {
  std::string main = ReadReadable(Main);
  // Too short for a FIB: the plain path reports it as it reports any short FIB.
  if (main.size() < FIB_BASE_SIZE) {
    ReadDocFromStream(&Main, TableStream);
    return nullptr;
  }
  const uint8_t* fib = reinterpret_cast<const uint8_t*>(main.data());
  const uint16_t wIdent = GetU16(fib);
  const uint16_t nFib = GetU16(fib + 2);
  const uint8_t flags = fib[11];
  const uint32_t lKey = GetU32(fib + 14);  // lKey
  const std::u16string& name = MessageFileName();

  std::string table;
  std::shared_ptr<const TKvWDocumentKey> key;
  const bool word95 = wIdent == 0x37FE || nFib < WORD97_FIRST_NFIB;
  if (word95 || (flags & fObfuscated)) {
    // XOR obfuscation: the FIB's key word holds the password's key and verifier.
    const std::optional<TKvWXorObfuscation> xorArray = TKvWXorObfuscation::ForStoredKey(Password(), lKey);
    if (!xorArray) throw EKvWWrongPassword(name);
    xorArray->Apply(main, word95 ? WORD95_PLAIN_SIZE : FIB_BASE_SIZE);
    if (TableStream && !word95) {
      table = ReadReadable(*TableStream);
      xorArray->Apply(table, 0);
    }
  } else {
    // RC4: the encryption header fills the first lKey bytes of the table stream.
    if (!TableStream) throw EKvWFileDamaged(name);
    table = ReadReadable(*TableStream);
    if (lKey > table.size()) throw EKvWFileDamaged(name);
    const TKvWEncryptionInfo info = DecodeEncryptionInfo(std::string_view(table).substr(0, lKey), name);
    if (info.Kind != ekRc4 && info.Kind != ekRc4CryptoApi) throw EKvWFileDamaged(name);
    key = std::make_shared<const TKvWDocumentKey>(info, Password(), name);
    // Both streams are encrypted from their first byte, though their first bytes
    // are then stored plain.
    const std::string fibBase = main.substr(0, FIB_BASE_SIZE);
    key->DecryptStream(main);
    main.replace(0, FIB_BASE_SIZE, fibBase);
    const std::string header = table.substr(0, lKey);
    key->DecryptStream(table);
    table.replace(0, lKey, header);
  }
  // Read as a plain document from here on.
  main[11] = char(uint8_t(main[11]) & ~(fEncrypted | fObfuscated));
  TMemoryStream mainStream(std::move(main));
  TMemoryStream tableStream(std::move(table));
  ReadDocFromStream(&mainStream, TableStream && !word95 ? &tableStream : TableStream);
  return key;
}

void TMSWordDocument::ReadEncryptedSummary(storage::TStorage& Storage, std::u16string_view StreamName,
                                           const TKvWDocumentKey& Key) {
  const std::shared_ptr<storage::TStorageStream> stream = Storage.OpenStream(std::u16string(StreamName));
  if (!stream) return;
  TKvWOleStream ole(stream);
  if (ole.Size() <= 0 || ole.Size() > MAX_ENCRYPTED_SUMMARY_SIZE) return;
  const std::string bytes = ReadReadable(ole);
  const auto blockKey = [&Key](uint32_t Block) { return Key.BlockKey(Block); };
  for (const TKvWSummaryStream& stored : DecryptSummaryStreams(bytes, blockKey)) {
    const std::optional<bool> docSummary = SummaryStreamKind(stored.Name);
    if (!docSummary) continue;
    TMemoryStream set(stored.Bytes);
    if (!ReadPropertySet(set, *FSummaryInformation, *docSummary)) return;
  }
}

}  // namespace msword
