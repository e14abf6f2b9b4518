// Linked only into a statically built kvword. It refers to the ICU functions the
// library uses, so that they are taken from ICU's archives and the library's weak
// references to them (base/LazyIcu) find them instead of loading ICU at run time;
// and it tells the library that no shared module can be loaded into this process
// (crypto/Rc4 then leaves OpenSSL's legacy provider alone).
#include <unicode/uchar.h>
#include <unicode/ucol.h>
#include <unicode/uloc.h>

namespace kvword {

extern void* const StaticIcuFunctions[];
void* const StaticIcuFunctions[] = {
    reinterpret_cast<void*>(&u_toupper), reinterpret_cast<void*>(&uloc_getDefault),
    reinterpret_cast<void*>(&ucol_open), reinterpret_cast<void*>(&ucol_setStrength),
    reinterpret_cast<void*>(&ucol_strcoll)};

}  // namespace kvword

namespace msword {

bool LinkedStatically() { return true; }

}  // namespace msword
