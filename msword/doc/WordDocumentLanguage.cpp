// The code page of a document's 8-bit text, chosen from its language.
#include "msword/doc/WordDocument.h"

namespace msword {

uint16_t TMSWordDocument::DocLangToCodePage() {
  uint16_t lang = IsFarEastDocument() ? FIB.lidFE : FIB.lID;
  if (FOnGetDefaultLanguage) FOnGetDefaultLanguage(this, lang);
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
