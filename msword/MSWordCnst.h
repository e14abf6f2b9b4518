// Message texts and version strings of the library. The messages are raised as
// they stand, "%s" replaced by the file name exactly as the caller gave it.
#pragma once

#include <cstdint>
#include <string_view>

namespace msword {

inline constexpr std::u16string_view KvWordVersion = u"1.48";
inline constexpr std::u16string_view WDPGeneratorName = u"Norvale Word Document Parser";

inline constexpr std::u16string_view strFileNotFound = u"File %s is not found.";
inline constexpr std::u16string_view strFileIsDirectory = u"File %s is a directory.";
inline constexpr std::u16string_view strFileIsNotRegular = u"File %s is not a regular file.";
inline constexpr std::u16string_view strFileIsNotWord = u"File %s is not valid MS Word document";
inline constexpr std::u16string_view strPieceOutOfRange = u"Piece Bounds out of range";
inline constexpr std::u16string_view strEFileIsPasswordProtected =
    u"Could not read the password protected file";
inline constexpr std::u16string_view strWrongPassword = u"The password does not open file %s";
inline constexpr std::u16string_view strFileIsDamaged = u"File %s is damaged";
inline constexpr std::u16string_view strSpinCountTooHigh =
    u"File %s asks for more rounds of password hashing than the limit allows";

// The most rounds of password hashing (an Agile spin count) a document may ask for
// unless the caller raises the limit: Word writes 100,000; each round is a hash.
inline constexpr uint32_t DefaultMaxSpinCount = 1'000'000;

// Zip archives.
inline constexpr std::u16string_view strZipIndexOutOfRange = u"Index out of range.";
inline constexpr std::u16string_view strZipCRCError = u"CRC Error in \"%s\".";
inline constexpr std::u16string_view strZipEntryTooLarge = u"Zip entry \"%s\" is too large.";

inline constexpr std::u16string_view strWideStringsIndexOutOfBounds =
    u"WideStrings index out of bounds";

}  // namespace msword
