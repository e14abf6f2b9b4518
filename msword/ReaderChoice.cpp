#include "msword/ReaderChoice.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include "msword/base/CodePages.h"
#include "msword/base/Exceptions.h"
#include "msword/base/Platform.h"
#include "msword/base/Streams.h"
#include "msword/storage/CompoundFile.h"

namespace msword {

namespace {

// A password-protected ".docx" package is a compound file whose root storage holds
// an "EncryptedPackage" stream. A compound file that cannot be opened is left to
// the ".doc" reader, which reports why.
bool HoldsEncryptedPackage(const std::u16string& FileName) {
  if (!FileExists(FileName)) return false;
  try {
    const std::shared_ptr<storage::TCompoundFile> file = storage::TCompoundFile::OpenFile(FileName);
    const std::unique_ptr<storage::TStorage> root = file->Root();
    return root && root->OpenStream(u"EncryptedPackage") != nullptr;
  } catch (const Exception&) {
    return false;
  }
}

constexpr unsigned char COMPOUND_FILE_SIGNATURE[8] = {0xD0, 0xCF, 0x11, 0xE0,
                                                     0xA1, 0xB1, 0x1A, 0xE1};

bool IsZipStart(const unsigned char* head, int64_t got) {
  return got >= 4 && head[0] == 'P' && head[1] == 'K' && head[2] == 3 && head[3] == 4;
}

bool IsCompoundFileStart(const unsigned char* head, int64_t got) {
  return got == 8 && std::equal(head, head + 8, COMPOUND_FILE_SIGNATURE);
}

}  // namespace

TReaderKind ChooseReaderByContent(TStream* Stream) {
  const int64_t start = Stream->Position();
  unsigned char head[8] = {};
  Stream->SetPosition(0);
  const int64_t got = Stream->Read(head, sizeof(head));
  TReaderKind kind = rkDoc;
  if (IsZipStart(head, got)) {
    kind = rkDocx;
  } else if (IsCompoundFileStart(head, got)) {
    try {
      std::string bytes(size_t(Stream->Size()), '\0');
      Stream->SetPosition(0);
      Stream->ReadBuffer(bytes.data(), int64_t(bytes.size()));
      const std::shared_ptr<storage::TCompoundFile> file = storage::TCompoundFile::OpenMemory(std::move(bytes));
      const std::unique_ptr<storage::TStorage> root = file->Root();
      if (root && root->OpenStream(u"EncryptedPackage") != nullptr) kind = rkDocx;
    } catch (const Exception&) {
      // left to the ".doc" reader, which reports why
    }
  }
  Stream->SetPosition(start);
  return kind;
}

TReaderKind ChooseReaderByContent(const std::u16string& FileName) {
  const int fd = ::open(WideToPath(FileName).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return rkDoc;
  unsigned char head[8] = {};
  const ssize_t got = ::read(fd, head, sizeof(head));
  ::close(fd);
  if (IsZipStart(head, got)) return rkDocx;
  if (IsCompoundFileStart(head, got) && HoldsEncryptedPackage(FileName))
    return rkDocx;
  return rkDoc;
}

}  // namespace msword
