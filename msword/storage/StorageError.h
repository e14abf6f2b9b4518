// The exception of the compound-file layer and its message texts. Every damage
// found in a compound file is reported with one of these, never by a crash.
#pragma once

#include <string_view>

#include "msword/base/Exceptions.h"

namespace msword::storage {

inline constexpr std::u16string_view strStgNotCompoundFile = u"The data is not a compound file";
inline constexpr std::u16string_view strStgFileNotCompoundFile = u"File %s is not a compound file";
inline constexpr std::u16string_view strStgDamaged = u"Compound file is damaged: %s";
inline constexpr std::u16string_view strStgInvalidSeekOrigin =
    u"Invalid seek origin in a compound-file stream";

class EStorageError : public Exception {
 public:
  using Exception::Exception;
};

// "Compound file is damaged: <what>".
class EStorageCorrupt : public EStorageError {
 public:
  explicit EStorageCorrupt(std::u16string_view What) : EStorageError(Format(strStgDamaged, What)) {}
};

}  // namespace msword::storage
