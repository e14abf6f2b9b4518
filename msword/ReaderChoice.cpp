#include "msword/ReaderChoice.h"

#include <fcntl.h>
#include <unistd.h>

#include "msword/CodePages.h"

namespace msword {

TReaderKind ChooseReaderByContent(const std::u16string& FileName) {
  const int fd = ::open(WideToUtf8(FileName).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return rkDoc;
  unsigned char head[4] = {};
  const ssize_t got = ::read(fd, head, sizeof(head));
  ::close(fd);
  if (got == 4 && head[0] == 'P' && head[1] == 'K' && head[2] == 3 && head[3] == 4) return rkDocx;
  return rkDoc;
}

}  // namespace msword
