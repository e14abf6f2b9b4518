// The code page of a document's 8-bit text, chosen from its language and, for Word 6
// and 95, the platform it was last saved on.
#include "msword/doc/WordDocument.h"

namespace msword {

namespace {

// The Mac code page of a language's script; 0 for the scripts whose Mac encodings
// the reader does not hold (Far East, Hebrew, Arabic, Thai), which keep the Windows
// page of their language (the Far East ones are near supersets of each other).
uint16_t MacCodePageOf(uint16_t lang) {
  if (lang == 0x0C1A) return 10007;                   // Cyrillic Serbian
  if (lang == 0x041A || lang == 0x081A) return 10082;  // Croatian, Latin Serbian
  switch (uint8_t(lang)) {
    case 0x02: case 0x19: case 0x22: case 0x23: case 0x2F:
      return 10007;  // Cyrillic
    case 0x05: case 0x0E: case 0x15: case 0x1B: case 0x25: case 0x26: case 0x27:
      return 10029;  // Central European
    case 0x24: return 10082;  // Slovenian
    case 0x18: return 10010;  // Romanian
    case 0x08: return 10006;  // Greek
    case 0x1F: return 10081;  // Turkish
    case 0x0F: return 10079;  // Icelandic
    case 0x01: case 0x04: case 0x0D: case 0x11: case 0x12: case 0x1E:
      return 0;
    default:
      return 10000;  // Roman
  }
}

}  // namespace

uint16_t TMSWordDocument::DocLangToCodePage() {
  uint16_t lang = IsFarEastDocument() ? FIB.lidFE : FIB.lID;
  if (FOnGetDefaultLanguage) FOnGetDefaultLanguage(this, lang);
  // Word 6 and 95 for the Macintosh write 8-bit text in the Mac encoding of the
  // text's script. The header says so twice: bit 0 of byte 19 (last saved on a
  // Macintosh) and the text's character set chse (256: the Macintosh set).
  if (FDocVersion >= 5 && FDocVersion <= 7 && ((FIB.fMac & 0x01) != 0 || FIB.chse == 256))
    if (const uint16_t mac = MacCodePageOf(lang)) return mac;
  // Only the low byte is taken as the primary language, so 0x0109 counts as English.
  switch (uint8_t(lang)) {
    case 0x05: case 0x0E: case 0x15: case 0x18: case 0x1B: case 0x24:
      return 1250;
    case 0x02: case 0x19: case 0x1C: case 0x22: case 0x23: case 0x2F:
      return 1251;
    default:
      break;
  }
  if (lang == 0x0C1A || lang == 0x082C || lang == 0x0843) return 1251;  // Cyrillic Serbian, Azeri, Uzbek
  switch (uint8_t(lang)) {
    case 0x03: case 0x06: case 0x07: case 0x09: case 0x0A: case 0x0B: case 0x0C: case 0x0F:
    case 0x10: case 0x13: case 0x14: case 0x16: case 0x17: case 0x1D: case 0x21: case 0x2D:
    case 0x36: case 0x38: case 0x3E: case 0x41:
      return 1252;
    default:
      break;
  }
  if (lang == 0x041A || lang == 0x081A) return 1252;  // Croatian, Latin Serbian
  switch (uint8_t(lang)) {
    case 0x08: return 1253;
    case 0x1F: return 1254;
    case 0x25: case 0x26: case 0x27: return 1257;
    case 0x0D: return 1255;
    case 0x01: return 1256;
    case 0x04:
      if (lang == 0x0404 || lang == 0x0C04) return 950;
      return lang == 0x0804 ? 936 : 0;
    case 0x11: return 932;
    case 0x12:
      if (lang == 0x0812) return 1361;
      return lang == 0x0412 ? 949 : 0;
    default:
      return lang == 0x041E ? 874 : 0;
  }
}

}  // namespace msword
