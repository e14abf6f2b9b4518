// The library's exceptions: one general type carrying its message as UTF-16 text,
// and the few specialised kinds that callers may want to tell apart.
#pragma once

#include <exception>
#include <string>
#include <string_view>
#include <utility>

namespace msword {

class Exception : public std::exception {
 public:
  explicit Exception(std::u16string AMessage);
  const std::u16string& Message() const noexcept { return FMessage; }
  const char* what() const noexcept override { return FMessageUtf8.c_str(); }

 private:
  std::u16string FMessage;
  std::string FMessageUtf8;
};

// A stream ended before the bytes a reader asked for.
class EReadError : public Exception {
 public:
  EReadError() : Exception(u"Stream read error") {}
  using Exception::Exception;
};

class EWriteError : public Exception {
 public:
  EWriteError() : Exception(u"Stream write error") {}
  using Exception::Exception;
};

// A file could not be opened or created; the message names the file and the reason.
class EFOpenError : public Exception {
 public:
  using Exception::Exception;
};
class EFCreateError : public Exception {
 public:
  using Exception::Exception;
};

class EOutOfMemory : public Exception {
 public:
  EOutOfMemory() : Exception(u"Out of memory") {}
};

class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// The kinds of failure a host tells apart by type; each keeps the message text it
// has always had.
// The file named does not exist.
class EKvWFileNotFound : public Exception {
 public:
  using Exception::Exception;
};

// The file is not a document the reader reads.
class EKvWNotWordDocument : public Exception {
 public:
  using Exception::Exception;
};

// The document is protected by a password and none was given.
class EKvWPasswordProtected : public Exception {
 public:
  using Exception::Exception;
};

// A password was given and does not open the document.
class EKvWWrongPassword : public Exception {
 public:
  explicit EKvWWrongPassword(std::u16string_view AFileName);
};

// The document is damaged. A document over its budget (EDocumentOverBudget) is a
// kind of damage with a message of its own.
class EKvWFileDamaged : public Exception {
 public:
  explicit EKvWFileDamaged(std::u16string_view AFileName);

 protected:
  struct TMessage {};
  EKvWFileDamaged(TMessage, std::u16string AMessage) : Exception(std::move(AMessage)) {}
};

// Reading the document took longer than its time limit.
class EKvWTimeout : public Exception {
 public:
  using Exception::Exception;
};

// Replaces each "%s" in AFormat with AArg; nothing else is interpreted.
std::u16string Format(std::u16string_view AFormat, std::u16string_view AArg);

}  // namespace msword
