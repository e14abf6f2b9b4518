#include "msword/base/LazyIcu.h"

#include <dlfcn.h>
#include <unicode/uchar.h>
#include <unicode/ucol.h>
#include <unicode/uloc.h>
#include <unicode/uvernum.h>

#include <cstring>

// Weak references: a program that links ICU in (kvword built statically) calls
// it directly; anywhere else they are null and the libraries are loaded on first
// use.
U_CAPI UChar32 U_EXPORT2 u_toupper(UChar32 c) __attribute__((weak));
U_CAPI const char* U_EXPORT2 uloc_getDefault(void) __attribute__((weak));
U_CAPI UCollator* U_EXPORT2 ucol_open(const char* loc, UErrorCode* status) __attribute__((weak));
U_CAPI void U_EXPORT2 ucol_setStrength(UCollator* coll, UCollationStrength strength) __attribute__((weak));
U_CAPI UCollationResult U_EXPORT2 ucol_strcoll(const UCollator* coll, const UChar* source, int32_t sourceLength,
                                              const UChar* target, int32_t targetLength) __attribute__((weak));

namespace msword {

namespace {

// ICU's functions carry its major version in their names (u_toupper is a macro
// for u_toupper_72): the macros give the names the libraries export.
#define KVW_ICU_NAME2(x) #x
#define KVW_ICU_NAME(x) KVW_ICU_NAME2(x)

template <typename T>
T Symbol(void* Library, const char* Name) {
  return Library ? reinterpret_cast<T>(dlsym(Library, Name)) : nullptr;
}

struct TIcuCommon {
  decltype(&u_toupper) ToUpper = nullptr;
  decltype(&uloc_getDefault) DefaultLocale = nullptr;
  TIcuCommon() {
    if (&u_toupper && &uloc_getDefault) {
      ToUpper = &u_toupper;
      DefaultLocale = &uloc_getDefault;
      return;
    }
    void* library = dlopen("libicuuc.so." KVW_ICU_NAME(U_ICU_VERSION_MAJOR_NUM), RTLD_NOW | RTLD_LOCAL);
    ToUpper = Symbol<decltype(ToUpper)>(library, KVW_ICU_NAME(u_toupper));
    DefaultLocale = Symbol<decltype(DefaultLocale)>(library, KVW_ICU_NAME(uloc_getDefault));
  }
};

const TIcuCommon& Common() {
  static const TIcuCommon common;
  return common;
}

struct TIcuCollation {
  UCollator* Collator = nullptr;
  decltype(&ucol_strcoll) Collate = nullptr;
  TIcuCollation() {
    const TIcuCommon& common = Common();
    if (!common.DefaultLocale) return;
    decltype(&ucol_open) open = &ucol_open;
    decltype(&ucol_setStrength) setStrength = &ucol_setStrength;
    Collate = &ucol_strcoll;
    if (!open || !setStrength || !Collate) {
      void* library = dlopen("libicui18n.so." KVW_ICU_NAME(U_ICU_VERSION_MAJOR_NUM), RTLD_NOW | RTLD_LOCAL);
      open = Symbol<decltype(open)>(library, KVW_ICU_NAME(ucol_open));
      setStrength = Symbol<decltype(setStrength)>(library, KVW_ICU_NAME(ucol_setStrength));
      Collate = Symbol<decltype(Collate)>(library, KVW_ICU_NAME(ucol_strcoll));
    }
    if (!open || !setStrength || !Collate) return;
    UErrorCode status = U_ZERO_ERROR;
    // The user's locale; the POSIX locale (LANG=C) has a case-sensitive ASCII
    // collation, so it is replaced by the root collation there.
    const char* locale = common.DefaultLocale();
    if (std::strncmp(locale, "en_US_POSIX", 11) == 0) locale = "";
    UCollator* collator = open(locale, &status);
    if (U_FAILURE(status)) return;
    setStrength(collator, UCOL_SECONDARY);  // letters and accents count, case does not
    Collator = collator;
  }
};

}  // namespace

char32_t IcuToUpper(char32_t C) {
  const TIcuCommon& common = Common();
  return common.ToUpper ? char32_t(common.ToUpper(UChar32(C))) : C;
}

bool IcuCompareIgnoreCase(std::u16string_view S1, std::u16string_view S2, int& Result) {
  static const TIcuCollation collation;
  if (!collation.Collator) return false;
  const UCollationResult r =
      collation.Collate(collation.Collator, reinterpret_cast<const UChar*>(S1.data()), int32_t(S1.size()),
                        reinterpret_cast<const UChar*>(S2.data()), int32_t(S2.size()));
  Result = r == UCOL_LESS ? -1 : r == UCOL_GREATER ? 1 : 0;
  return true;
}

}  // namespace msword
