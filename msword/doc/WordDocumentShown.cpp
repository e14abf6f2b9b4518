// The shown view of a Word document: the text as Word displays it. The main text
// is the main story alone; footnotes, endnotes, comments, headers, footers and text
// boxes go to their own lists, one entry per paragraph. List paragraphs begin with
// their labels, note references show their numbers, tracked changes are resolved,
// hidden text is left out and symbol-font characters show as the characters they
// draw.
#include <algorithm>
#include <bit>
#include <climits>
#include <map>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "msword/base/Charsets.h"
#include "msword/base/CodePages.h"
#include "msword/base/Exceptions.h"
#include "msword/base/LittleEndian.h"
#include "msword/base/Streams.h"
#include "msword/base/SymbolFonts.h"
#include "msword/MSWordCnst.h"
#include "msword/doc/FormFieldData.h"
#include "msword/doc/Sprm.h"
#include "msword/doc/ShownSink.h"
#include "msword/doc/WordDocument.h"

namespace msword {

namespace {

constexpr char16_t chPicture = 1, chNoteRef = 2, chCell = 7, chPageBreak = 12, chParagraph = 13, chFieldBegin = 19,
                   chFieldSeparator = 20, chFieldEnd = 21, chNonBreakingHyphen = 30;
// How far past its begin mark the instruction and end of a field shown by its
// value are looked for.
constexpr uint32_t kFieldSpan = 512;
// Fields nested deeper than this are taken for damage: their marks alone are
// hidden.
constexpr size_t kMaxFieldDepth = 64;
// How much of a field's instruction is read for a hyperlink's target.
constexpr uint32_t kMaxInstruction = 2048;
// The built-in style identifier of the title style.
constexpr uint16_t kStiTitle = 62;

// A run of character positions stored together: Width bytes per character from
// file position Fc on.
struct TSegment {
  uint32_t CpFirst = 0;
  uint32_t CpLim = 0;
  uint32_t Fc = 0;
  uint32_t Width = 1;
};

// The character positions of a PLC at [Fc, Fc + Lcb) of Table, with DataSize bytes
// of data per entry (into Data when given). Empty when the table lies outside the
// stream or is too short to hold one entry.
std::vector<uint32_t> ReadPlc(TStream& Table, uint32_t Fc, uint32_t Lcb, size_t DataSize,
                              std::vector<std::string>* Data = nullptr) {
  std::vector<uint32_t> cps;
  const int64_t size = Table.Size();
  if (Lcb < 8 || size < 0 || Fc > uint64_t(size) || Lcb > uint64_t(size) - Fc) return cps;
  std::string raw(Lcb, '\0');
  try {
    Table.Seek(Fc, soBeginning);
    if (Table.Read(raw.data(), int32_t(Lcb)) != int32_t(Lcb)) return cps;
  } catch (const Exception&) {
    return cps;  // where the stream's sector chain is damaged: no table
  }
  const size_t n = (Lcb - 4) / (4 + DataSize);
  if (n == 0) return cps;
  const auto* p = reinterpret_cast<const uint8_t*>(raw.data());
  cps.resize(n + 1);
  for (size_t i = 0; i <= n; ++i) cps[i] = GetU32(p + 4 * i);
  if (Data) {
    Data->resize(n);
    for (size_t i = 0; i < n; ++i) (*Data)[i] = raw.substr(4 * (n + 1) + i * DataSize, DataSize);
  }
  return cps;
}

// Reads Count bytes at Offset of S into Out; false when the stream does not hold them.
bool ReadAt(TStream& S, uint64_t Offset, void* Out, size_t Count) {
  const int64_t size = S.Size();
  if (size < 0 || Offset > uint64_t(size) || Count > uint64_t(size) - Offset) return false;
  try {
    S.Seek(int64_t(Offset), soBeginning);
    return S.Read(Out, int32_t(Count)) == int32_t(Count);
  } catch (const Exception&) {
    return false;  // where the stream's sector chain is damaged
  }
}

// The first position in [From, Lim) of Text that holds A or B; Lim when none.
uint32_t FindEither(const char16_t* Text, uint32_t From, uint32_t Lim, char16_t A, char16_t B) {
#if defined(__SSE2__)
  const __m128i a = _mm_set1_epi16(short(A)), b = _mm_set1_epi16(short(B));
  while (Lim - From >= 8) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Text + From));
    const unsigned found = unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(v, a), _mm_cmpeq_epi16(v, b))));
    if (found != 0) return From + uint32_t(std::countr_zero(found)) / 2;
    From += 8;
  }
#endif
  while (From < Lim && Text[From] != A && Text[From] != B) ++From;
  return From;
}

// The first position in [From, Lim) of Text that holds a field mark (19, 20 or
// 21); Lim when none.
uint32_t FindFieldMark(const char16_t* Text, uint32_t From, uint32_t Lim) {
#if defined(__SSE2__)
  const __m128i begin = _mm_set1_epi16(short(chFieldBegin)), two = _mm_set1_epi16(2), zero = _mm_setzero_si128();
  while (Lim - From >= 8) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Text + From));
    // v - 19 <= 2 as unsigned numbers
    const __m128i mark = _mm_cmpeq_epi16(_mm_subs_epu16(_mm_sub_epi16(v, begin), two), zero);
    const unsigned found = unsigned(_mm_movemask_epi8(mark));
    if (found != 0) return From + uint32_t(std::countr_zero(found)) / 2;
    From += 8;
  }
#endif
  while (From < Lim && (Text[From] < chFieldBegin || Text[From] > chFieldEnd)) ++From;
  return From;
}

// The base text of a phonetic guide, an equation field that overstrikes its text
// with the reading ("EQ \\* jc2 \\o\\ad(\\s\\up 10(reading),base)"): the last
// argument of the overstrike, with the equation's escapes resolved. False for any
// other equation and for one whose parentheses do not close.
bool PhoneticGuideBase(std::u16string_view Instruction, std::u16string& Base) {
  size_t at = Instruction.find(u"\\o");
  if (at == std::u16string_view::npos) return false;
  at = Instruction.find(u'(', at);
  if (at == std::u16string_view::npos) return false;
  // The overstrike's own switches (\\ad, \\ac, ...) are letters after backslashes.
  for (size_t k = Instruction.find(u"\\o") + 2; k < at; ++k)
    if (Instruction[k] != u'\\' && !(Instruction[k] >= u'a' && Instruction[k] <= u'z') && Instruction[k] != u' ')
      return false;
  std::u16string argument;
  size_t depth = 1;
  for (size_t k = at + 1; k < Instruction.size(); ++k) {
    const char16_t c = Instruction[k];
    if (c == u'\\' && k + 1 < Instruction.size() &&
        (Instruction[k + 1] == u',' || Instruction[k + 1] == u'(' || Instruction[k + 1] == u')' ||
         Instruction[k + 1] == u'\\')) {
      if (depth == 1) argument += Instruction[k + 1];
      ++k;
      continue;
    }
    if (c == u'(') ++depth;
    if (c == u')' && --depth == 0) {
      Base = std::move(argument);
      return true;
    }
    if (depth == 1) {
      if (c == u',') argument.clear();
      else argument += c;
    }
  }
  return false;
}

// The target of a field whose instruction is Instruction, when it is a hyperlink
// (HYPERLINK "http://x/" \o "tip", HYPERLINK \l "mark"): the address, with
// "#" and the bookmark after it where \l names one; empty for any other field.
std::u16string HyperlinkTarget(std::u16string_view Instruction) {
  size_t i = 0;
  const auto blank = [](char16_t c) { return c == u' ' || c == u'\t' || c == 0xA0; };
  while (i < Instruction.size() && blank(Instruction[i])) ++i;
  static constexpr std::u16string_view keyword = u"HYPERLINK";
  if (Instruction.size() - i < keyword.size()) return {};
  for (size_t k = 0; k < keyword.size(); ++k)
    if ((Instruction[i + k] & ~0x20) != keyword[k]) return {};
  i += keyword.size();
  if (i < Instruction.size() && !blank(Instruction[i]) && Instruction[i] != u'"') return {};
  // The next argument: quoted (a doubled backslash standing for one) or up to a blank.
  const auto argument = [&]() {
    std::u16string arg;
    while (i < Instruction.size() && blank(Instruction[i])) ++i;
    if (i < Instruction.size() && Instruction[i] == u'"') {
      for (++i; i < Instruction.size() && Instruction[i] != u'"'; ++i) {
        if (Instruction[i] == u'\\' && i + 1 < Instruction.size() &&
            (Instruction[i + 1] == u'\\' || Instruction[i + 1] == u'"'))
          ++i;
        arg += Instruction[i];
      }
      ++i;
    } else {
      for (; i < Instruction.size() && !blank(Instruction[i]); ++i) arg += Instruction[i];
    }
    return arg;
  };
  std::u16string address, bookmark;
  while (i < Instruction.size()) {
    while (i < Instruction.size() && blank(Instruction[i])) ++i;
    if (i >= Instruction.size() || Instruction[i] < 0x20) break;  // a nested field: the rest is not read
    if (Instruction[i] == u'\\' && i + 1 < Instruction.size()) {
      const char16_t sw = char16_t(Instruction[i + 1] | 0x20);
      i += 2;
      if (sw == u'l') bookmark = argument();
      else if (sw == u'o' || sw == u't') argument();
      continue;
    }
    std::u16string arg = argument();
    if (address.empty()) address = std::move(arg);
  }
  if (!bookmark.empty()) address += u'#' + bookmark;
  return address;
}

}  // namespace

class TShownTextReader {
 public:
  TShownTextReader(TMSWordDocument& Doc, TStream& Main, TStream& Table, TStream* Data, uint16_t CodePage)
      : FDoc(Doc), FMain(Main), FTable(Table), FData(Data), FFmt(*Doc.FFormatting), FCodePage(CodePage),
        FWord97(Doc.FDocVersion >= 8) {
    FShowHidden = Doc.ParseItems().Contains(wpiHiddenText);
    FRevisions = Doc.EffectiveRevisions();
    if (TKvWDocumentSink* sink = Doc.TextFormating() == tfPlainText ? Doc.DocumentSink() : nullptr)
      FSink = std::make_unique<TDocShownSink>(*sink);
  }

  // Whether the reader describes the document to a sink.
  bool Describes() const { return FSink != nullptr; }

  void Read() {
    LoadChars();
    const TFIB& fib = FDoc.FIB;
    const uint64_t total = FTotal;
    auto clamp = [total](uint64_t v) { return uint32_t(std::min(v, total)); };
    // A header that counts no story at all (a hand-made file) has all its text in
    // the main story.
    const uint64_t counted = uint64_t(fib.ccpText) + fib.ccpFtn + fib.ccpHdr + fib.ccpMcr + fib.ccpAtn +
                             fib.ccpEdn + fib.ccpTxbx + fib.ccpHdrTxbx;
    const uint64_t ftn = counted == 0 ? total : fib.ccpText, hdr = ftn + fib.ccpFtn, mcr = hdr + fib.ccpHdr, atn = mcr + fib.ccpMcr,
                   edn = atn + fib.ccpAtn, txbx = edn + fib.ccpEdn, hdrTxbx = txbx + fib.ccpTxbx,
                   end = hdrTxbx + fib.ccpHdrTxbx;
    ReadNotes(fib.fcPlcffndRef, fib.lcbPlcffndRef, fib.fcPlcffndTxt, fib.lcbPlcffndTxt, clamp(ftn), clamp(hdr),
              true);
    ReadNotes(fib.fcPlcfendRef, fib.lcbPlcfendRef, fib.fcPlcfendTxt, fib.lcbPlcfendTxt, clamp(edn), clamp(txbx),
              false);

    // The main story is written over its own characters as they are read, so that
    // a long document's text is not held twice; the side stories keep a copy.
    FInPlace = true;
    if (FSink) FSink->BeginStory(skMain);
    Emit(0, clamp(ftn));
    if (FSink) FSink->EndStory();
    std::u16string side(At(clamp(ftn)), size_t(total - clamp(ftn)));
    FChars.resize(FWrite);
    std::u16string main = std::move(FChars);
    FChars = std::move(side);
    FBase = 0;
    FFirstCp = clamp(ftn);
    FInPlace = false;
    FDoc.AddText(std::move(main), FDoc.Text());
    FDoc.FrameMainText(FDoc.Text());

    AddNotes(FFootnotes, FFootnoteIds, nkFootnote, FDoc.FootNoteText());
    ReadHeaders(clamp(hdr), clamp(mcr));
    AddStories(fib.fcPlcfandTxt, fib.lcbPlcfandTxt, 0, clamp(atn), clamp(edn), FDoc.AnnotationText());
    AddNotes(FEndnotes, FEndnoteIds, nkEndnote, FDoc.EndNoteText());
    AddStories(fib.fcPlcftxbxTxt, fib.lcbPlcftxbxTxt, 22, clamp(txbx), clamp(hdrTxbx), FDoc.TextBoxText());
    AddStories(fib.fcPlcfHdrtxbxTxt, fib.lcbPlcfHdrtxbxTxt, 22, clamp(hdrTxbx), clamp(end), FDoc.TextBoxText());
  }

 private:
  // Every character of the document in position order; 8-bit text of Word 6/95 is
  // kept as its bytes, decoded run by run as the fonts say.
  void LoadChars() {
    const TCLX& clx = FDoc.CLX;
    const TFIB& fib = FDoc.FIB;
    const uint64_t size = uint64_t(std::max<int64_t>(FMain.Size(), 0));
    // The pieces as they will be read, checked against the stream before the text
    // is allocated once for all of them.
    uint64_t total = 0;
    for (uint32_t i = 0; i < clx.noPCD; ++i) {
      if (i + 1 >= clx.Pos.size() || i >= clx.pcd.size()) break;
      if (clx.Pos[i + 1] < clx.Pos[i]) continue;
      uint64_t n = clx.Pos[i + 1] - clx.Pos[i];
      uint32_t flag = 1;
      uint32_t start = GetNormFC(clx.pcd[i].fc, flag);
      uint32_t width = flag == 1 ? 1 : 2;
      if (!FWord97) {
        width = 1;  // Word 6 and 95 store 8-bit text only
        if (clx.EightBit || !(clx.pcd[i].fc & 0x40000000)) start = clx.pcd[i].fc;
      }
      if (clx.Fallback) {
        if (!FWord97) n = fib.fcMac > fib.fcMin ? fib.fcMac - fib.fcMin : 0;
        else n = start > fib.fcMac ? 0 : std::min<uint64_t>(n, (fib.fcMac - start) / width + 1);
      }
      if (start > size || start + n > size) throw Exception(std::u16string(strPieceOutOfRange));
      if (n * width > size - start) throw EReadError();
      total += n * width;
      if (total > size) throw Exception(std::u16string(strPieceOutOfRange));
      if (n == 0) continue;
      TSegment seg;
      seg.CpFirst = uint32_t(FSegments.empty() ? 0 : FSegments.back().CpLim);
      seg.CpLim = uint32_t(seg.CpFirst + n);
      seg.Fc = start;
      seg.Width = width;
      FSegments.push_back(seg);
    }
    // Room in front for what the main story's text grows by, and behind for the
    // conversion of its special characters.
    FTotal = FSegments.empty() ? 0 : FSegments.back().CpLim;
    FBase = TMSWordDocument::AddTextRoom(FTotal);
    FChars.reserve(FBase + FTotal + TMSWordDocument::AddTextRoom(FTotal));
    FChars.resize(FBase);
    std::string bytes;
    for (const TSegment& seg : FSegments) {
      const size_t n = seg.CpLim - seg.CpFirst, at = FChars.size();
      FMain.Seek(seg.Fc, soBeginning);
      if (seg.Width == 2) {
        FChars.resize(at + n);
        FMain.ReadBuffer(FChars.data() + at, int64_t(n * 2));
        if constexpr (std::endian::native == std::endian::big)
          for (size_t k = at; k < FChars.size(); ++k) FChars[k] = char16_t(FChars[k] << 8 | FChars[k] >> 8);
        continue;
      }
      bytes.resize(n);
      FMain.ReadBuffer(bytes.data(), int64_t(n));
      if (FWord97) {
        AppendAnsiToWide(FChars, bytes);  // Word 97 8-bit text is always Windows-1252
      } else {
        FChars.resize(at + n);
        for (size_t k = 0; k < n; ++k) FChars[at + k] = char16_t(uint8_t(bytes[k]));
      }
    }
    // A non-breaking hyphen is stored as a control character and shown as a hyphen.
    if (FWord97) std::replace(FChars.begin() + ptrdiff_t(FBase), FChars.end(), chNonBreakingHyphen, u'\u2011');
  }

  // The file position of character position Cp.
  uint32_t FcOf(uint32_t Cp) {
    const TSegment* seg = SegmentOf(Cp);
    return seg ? seg->Fc + (Cp - seg->CpFirst) * seg->Width : 0;
  }
  const TSegment* SegmentOf(uint32_t Cp) {
    if (FSegment < FSegments.size() && Cp >= FSegments[FSegment].CpFirst && Cp < FSegments[FSegment].CpLim)
      return &FSegments[FSegment];
    auto it = std::upper_bound(FSegments.begin(), FSegments.end(), Cp,
                               [](uint32_t cp, const TSegment& s) { return cp < s.CpFirst; });
    if (it == FSegments.begin()) return nullptr;
    --it;
    if (Cp >= it->CpLim) return nullptr;
    FSegment = size_t(it - FSegments.begin());
    return &*it;
  }

  // Footnotes or endnotes: the references (with whether they are numbered
  // automatically) and the notes' texts, which follow in the same order. The
  // numbers count as the document and each section say: in their format, from
  // their start, again in each section or on each page where they restart (pages
  // being known by their hard breaks only).
  void ReadNotes(uint32_t FcRef, uint32_t LcbRef, uint32_t FcTxt, uint32_t LcbTxt, uint32_t StoryFirst,
                 uint32_t StoryLim, bool Footnotes) {
    std::vector<std::string> frds;
    const std::vector<uint32_t> refs = ReadPlc(FTable, FcRef, LcbRef, 2, &frds);
    const std::vector<uint32_t> texts = ReadPlc(FTable, FcTxt, LcbTxt, 0);
    const TDocumentProperties& dop = FFmt.Dop;
    auto& ranges = Footnotes ? FFootnotes : FEndnotes;
    auto& ids = Footnotes ? FFootnoteIds : FEndnoteIds;
    const size_t notes = refs.empty() ? 0 : refs.size() - 1;
    if (notes > 0 && !FSectionsRead) {
      FSectionsRead = true;
      if (FWord97) FSections = ReadSectionNotes(FMain, FTable, FDoc.FIB.fcPlcfsed, FDoc.FIB.lcbPlcfsed, dop);
    }
    auto numbering = [&](size_t Section) -> const TNoteNumbering& {
      if (Section < FSections.size()) return Footnotes ? FSections[Section].Footnotes : FSections[Section].Endnotes;
      return Footnotes ? dop.Footnotes : dop.Endnotes;
    };
    size_t section = 0;
    int32_t number = numbering(0).Start;
    uint32_t previous = 0;  // the reference before, for the page breaks between
    for (size_t i = 0; i < notes; ++i) {
      const uint32_t cp = refs[i];
      const size_t before = section;
      while (section < FSections.size() && cp >= FSections[section].CpLim && section + 1 < FSections.size())
        ++section;
      const TNoteNumbering& rule = numbering(section);
      bool restart = section != before && rule.Restart != 0;
      if (rule.Restart == 2 && i > 0 && cp > previous && cp <= FTotal) {
        const uint32_t from = previous + 1;
        if (from < cp && FindEither(At(from), 0, cp - from, chPageBreak, chPageBreak) < cp - from) restart = true;
      }
      if (restart) number = rule.Start;
      previous = std::max(previous, cp);
      std::u16string label;
      if (GetI16(reinterpret_cast<const uint8_t*>(frds[i].data())) != 0) {
        label = u"[";
        label += NoteNumberText(number, rule.Nfc);
        label += u']';
        if (number < INT32_MAX) ++number;
        FNoteMarks[refs[i]] = label;
      }
      if (FSink) {
        std::u16string mark = label.size() >= 2 ? label.substr(1, label.size() - 2) : std::u16string();
        FSinkNotes[cp] = {Footnotes ? nkFootnote : nkEndnote, uint32_t(i + 1), std::move(mark)};
      }
      if (i + 1 < texts.size()) {
        const uint64_t first = uint64_t(StoryFirst) + texts[i], lim = uint64_t(StoryFirst) + texts[i + 1];
        if (first < lim && lim <= StoryLim) {
          ranges.emplace_back(uint32_t(first), uint32_t(lim));
          ids.push_back(uint32_t(i + 1));
          if (!label.empty()) FNoteMarks[uint32_t(first)] = label;
        }
      }
    }
    // Without a table of the notes' texts the story is one entry.
    if (texts.size() < 2 && StoryFirst < StoryLim) {
      ranges.emplace_back(StoryFirst, StoryLim);
      ids.push_back(0);
    }
  }

  // The header story: six separators of the notes, then per section six stories:
  // even header, odd header, even footer, odd footer, first-page header and footer.
  void ReadHeaders(uint32_t First, uint32_t Lim) {
    const TFIB& fib = FDoc.FIB;
    const std::vector<uint32_t> cps = ReadPlc(FTable, fib.fcPlcfhdd, fib.lcbPlcfhdd, 0);
    if (cps.size() < 2) {
      if (First < Lim) AddEntries(First, Lim, FDoc.HeaderText());
      return;
    }
    if (!FWord97) {
      ReadHeaders6(First, Lim, cps);
      return;
    }
    for (size_t i = 6; i + 1 < cps.size(); ++i) {
      const uint64_t first = uint64_t(First) + cps[i], lim = uint64_t(First) + cps[i + 1];
      if (first >= lim || lim > Lim) continue;
      const size_t kind = (i - 6) % 6;
      const bool footer = kind == 2 || kind == 3 || kind == 5;
      AddEntries(uint32_t(first), uint32_t(lim), footer ? FDoc.FooterText() : FDoc.HeaderText());
    }
  }

  // Word 6 and 95 keep only the stories that exist: first the note separators the
  // document properties name, then per section the headers and footers its
  // properties name, in the order above. When those flags do not account for the
  // stories, everything after the separators is taken for headers.
  void ReadHeaders6(uint32_t First, uint32_t Lim, const std::vector<uint32_t>& Cps) {
    const TFIB& fib = FDoc.FIB;
    const size_t stories = Cps.size() - 1;
    uint8_t dop[2] = {};
    size_t separators = 0;
    if (fib.lcbDop >= 2 && ReadAt(FTable, fib.fcDop, dop, 2)) separators = size_t(std::popcount(unsigned(dop[1] & 0x3F)));
    std::vector<uint8_t> kinds;  // per story after the separators: its kind, as above
    std::vector<std::string> seds;
    const std::vector<uint32_t> sections = ReadPlc(FTable, fib.fcPlcfsed, fib.lcbPlcfsed, 12, &seds);
    std::unordered_map<uint32_t, uint8_t> flagsOfFc;  // each section's properties read once
    for (const std::string& sed : seds) {
      const uint32_t fc = GetU32(reinterpret_cast<const uint8_t*>(sed.data()) + 2);
      auto [it, first] = flagsOfFc.try_emplace(fc, 0);
      if (first) it->second = SectionHeaderFlags(fc);
      const uint8_t flags = it->second;
      for (uint8_t kind = 0; kind < 6; ++kind)
        if (flags & (1u << kind)) kinds.push_back(kind);
      if (kinds.size() > stories) break;
    }
    const bool known = separators + kinds.size() == stories || separators + kinds.size() + 1 == stories;
    for (size_t i = std::min(separators, stories); i < stories; ++i) {
      const uint64_t first = uint64_t(First) + Cps[i], lim = uint64_t(First) + Cps[i + 1];
      if (first >= lim || lim > Lim) continue;
      const size_t k = i - separators;
      const bool footer = known && k < kinds.size() && (kinds[k] == 2 || kinds[k] == 3 || kinds[k] == 5);
      AddEntries(uint32_t(first), uint32_t(lim), footer ? FDoc.FooterText() : FDoc.HeaderText());
    }
  }

  // The header and footer flags of the Word 6/95 section whose properties lie at Fc
  // of the main stream: bit k set when the section has story k of the six; 0 when
  // the properties do not say.
  uint8_t SectionHeaderFlags(uint32_t Fc) {
    uint8_t head[2];
    if (Fc == 0xFFFFFFFF || !ReadAt(FMain, Fc, head, 2)) return 0;
    const uint16_t cb = GetU16(head);
    if (cb == 0 || uint64_t(Fc) + 2 + cb > uint64_t(std::max<int64_t>(FMain.Size(), 0))) return 0;
    std::string grpprl(cb, '\0');
    if (!ReadAt(FMain, uint64_t(Fc) + 2, grpprl.data(), cb)) return 0;
    TSprmReader reader(reinterpret_cast<const uint8_t*>(grpprl.data()), grpprl.size(), false);
    TSprm sprm;
    uint8_t flags = 0;
    while (reader.Next(sprm))
      if (sprm.Opcode == sprm95::SGprfIhdt && sprm.Size >= 1) flags = sprm.Operand[0];
    return flags;
  }

  // Stories laid end to end in [First, Lim), bounded by a PLC of character positions
  // (the last story being the guard); the whole range when there is no table.
  void AddStories(uint32_t Fc, uint32_t Lcb, size_t DataSize, uint32_t First, uint32_t Lim, TWideStrings* List) {
    if (First >= Lim) return;
    std::vector<std::string> data;
    const std::vector<uint32_t> cps = ReadPlc(FTable, Fc, Lcb, DataSize, DataSize ? &data : nullptr);
    if (cps.size() < 2) {
      AddEntries(First, Lim, List);
      return;
    }
    for (size_t i = 0; i + 1 < cps.size(); ++i) {
      // A text box kept for reuse holds no text of the document.
      if (DataSize >= 10 && GetU16(reinterpret_cast<const uint8_t*>(data[i].data()) + 8) != 0) continue;
      const uint64_t first = uint64_t(First) + cps[i], lim = uint64_t(First) + cps[i + 1];
      if (first < lim && lim <= Lim) AddEntries(uint32_t(first), uint32_t(lim), List);
    }
  }

  // The notes of one kind into List, each a note of its story for the sink (Ids:
  // the number of each note, 0 for a story without a table of its notes).
  void AddNotes(const std::vector<std::pair<uint32_t, uint32_t>>& Ranges, const std::vector<uint32_t>& Ids,
                TKvWNoteKind Kind, TWideStrings* List) {
    if (FSink && !Ranges.empty()) FSink->BeginStory(Kind == nkEndnote ? skEndnotes : skFootnotes);
    for (size_t i = 0; i < Ranges.size(); ++i) {
      const bool note = FSink && i < Ids.size() && Ids[i] != 0;
      if (note) FSink->BeginNote(Kind, NumberId(Ids[i]));
      AddEntries(Ranges[i].first, Ranges[i].second, List, false);
      if (note) FSink->EndNote();
    }
    if (FSink && !Ranges.empty()) FSink->EndStory();
  }

  static std::u16string NumberId(uint32_t N) {
    std::u16string id;
    do {
      id.insert(id.begin(), char16_t(u'0' + N % 10));
      N /= 10;
    } while (N != 0);
    return id;
  }

  // The story a list of side texts holds.
  TKvWStoryKind StoryOf(const TWideStrings* List) const {
    if (List == FDoc.FootNoteText()) return skFootnotes;
    if (List == FDoc.EndNoteText()) return skEndnotes;
    if (List == FDoc.HeaderText()) return skHeaders;
    if (List == FDoc.FooterText()) return skFooters;
    if (List == FDoc.AnnotationText()) return skComments;
    if (List == FDoc.TextBoxText()) return skTextBoxes;
    return skMain;
  }

  // The shown text of [First, Lim) into List, one entry per paragraph that is not
  // empty; for the sink a story of its own unless OwnStory is false.
  void AddEntries(uint32_t First, uint32_t Lim, TWideStrings* List, bool OwnStory = true) {
    std::u16string out;
    FOut = &out;
    if (FSink && OwnStory) FSink->BeginStory(StoryOf(List));
    Emit(First, Lim);
    if (FSink && OwnStory) FSink->EndStory();
    FOut = nullptr;
    size_t from = 0;
    while (from < out.size()) {
      size_t to = out.find(chParagraph, from);
      if (to == std::u16string::npos) to = out.size();
      if (to > from) FDoc.AddText(out.substr(from, to - from), List);
      from = to + 1;
    }
  }

  // The label of a list paragraph, counted; empty for other paragraphs.
  std::u16string ListLabel(const TParaProps& Para) {
    if (FWord97) {
      if (Para.Ilfo == 0 || Para.Ilfo >= 2047) return {};
      const TListOverride* lfo = FFmt.Lists.Override(Para.Ilfo);
      if (!lfo || lfo->List < 0 || Para.Ilvl >= ListLevelCount) return {};
      uint32_t instance = uint32_t(lfo->List);
      if (lfo->Overrides) {
        instance = 0x10000u + Para.Ilfo;
        if (FStarted.insert(Para.Ilfo).second)
          for (uint32_t l = 0; l < ListLevelCount; ++l)
            if (lfo->StartAt[l] != INT_MIN) FNumbering.StartAt(instance, l, lfo->StartAt[l]);
      }
      return FNumbering.NextLabel(instance, FFmt.Lists.Levels(*lfo), Para.Ilvl);
    }
    return AnldLabel(Para);
  }

  // Word 6/95 paragraph numbering: the number description's text before and after
  // the number, the number in its format (or the bullet alone).
  std::u16string AnldLabel(const TParaProps& Para) {
    if (Para.NLvlAnm == 0 || Para.Anld.size() < 20) {
      FAnldRun = false;
      return {};
    }
    const auto* a = reinterpret_cast<const uint8_t*>(Para.Anld.data());
    const uint8_t nfc = a[0];
    const size_t before = a[1], after = a[2];
    const uint16_t ftc = GetU16(a + 6);
    const int32_t startAt = GetU16(a + 10);
    const size_t chars = std::min<size_t>(Para.Anld.size() - 20, 32);
    auto text = [&](size_t from, size_t to) {
      std::u16string s;
      const TFontEntry* font = FFmt.Font(ftc);
      for (size_t i = from; i < to && i < chars; ++i) {
        const uint8_t c = a[20 + i];
        if (font && IsSymbolFont(font->Name)) s += SymbolFontText(font->Name, c);
        else s += StringToWideStringEx(std::string(1, char(c)), FCodePage);
      }
      return s;
    };
    // A level that includes the levels above shows their numbers first ("2.2").
    const bool includesAbove = (a[3] & 0x04) != 0;
    const uint8_t level = Para.NLvlAnm;
    std::u16string label;
    if (includesAbove && level > 1 && level <= 9) {
      auto above = FAnldShown.find(uint8_t(level - 1));
      if (above != FAnldShown.end()) label = above->second;
    }
    label += text(0, before);
    if (nfc != 23 && nfc != 255) {
      if (!FAnldRun || level != FAnldLevel) {
        if (!FAnldRun || level < FAnldLevel || !FAnldCount.count(level)) FAnldCount[level] = startAt - 1;
        for (auto it = FAnldCount.begin(); it != FAnldCount.end();) it = it->first > level ? FAnldCount.erase(it) : std::next(it);
      }
      int32_t& count = FAnldCount[level];
      if (count < INT32_MAX) ++count;
      label += FormatListNumber(count, NumberFormatOfNfc(nfc));
      if (level <= 9) {
        FAnldShown[level] = label;
        for (auto it = FAnldShown.begin(); it != FAnldShown.end();)
          it = it->first > level ? FAnldShown.erase(it) : std::next(it);
      }
    }
    label += text(before, std::max(before, after));
    FAnldRun = true;
    FAnldLevel = Para.NLvlAnm;
    if (!label.empty()) label += u'\t';
    return label;
  }

  bool IsSymbolFtc(uint16_t Ftc) {
    if (Ftc >= FSymbolFonts.size()) FSymbolFonts.resize(size_t(Ftc) + 1, -1);
    int8_t& known = FSymbolFonts[Ftc];
    if (known < 0) {
      const TFontEntry* font = FFmt.Font(Ftc);
      known = font && IsSymbolFont(font->Name) ? 1 : 0;
    }
    return known == 1;
  }
  std::u16string_view FontName(uint16_t Ftc) {
    const TFontEntry* font = FFmt.Font(Ftc);
    return font ? std::u16string_view(font->Name) : std::u16string_view();
  }

  // The characters from position Cp on.
  const char16_t* At(uint32_t Cp) const { return FChars.data() + FBase + (Cp - FFirstCp); }

  // Shown text S, once the characters before Consumed are read. In place, what
  // would overtake the characters still to be read first moves them further back.
  [[gnu::always_inline]] void Put(std::u16string_view S, uint32_t Consumed) {
    if (!FInPlace) {
      FOut->append(S);
      return;
    }
    const size_t unread = FBase + (Consumed - FFirstCp);
    if (FWrite + S.size() > unread) {
      const size_t size = FChars.size(), extra = std::max(FWrite + S.size() - unread, size / 2);
      FChars.resize(size + extra);
      std::copy_backward(FChars.data() + unread, FChars.data() + size, FChars.data() + size + extra);
      FBase += extra;
    }
    std::copy(S.begin(), S.end(), FChars.data() + FWrite);
    FWrite += S.size();
  }
  // Shown text S of the document's own (not a label's or a mark's), which the sink
  // is given too.
  void PutText(std::u16string_view S, uint32_t Consumed) {
    if (FSinkText) [[unlikely]] FSink->Text(S, FSinkRun);
    Put(S, Consumed);
  }
  // The characters [First, Lim) as they are.
  void PutChars(uint32_t First, uint32_t Lim) {
    if (FSinkText) [[unlikely]] FSink->Text(std::u16string_view(At(First), Lim - First), FSinkRun);
    if (!FInPlace) {
      FOut->append(At(First), Lim - First);
      return;
    }
    // Never ahead of the characters read.
    std::copy(At(First), At(Lim), FChars.data() + FWrite);
    FWrite += Lim - First;
  }

  // Opens or closes the marks of tracked changes so that what follows is marked State
  // (0 none, 1 inserted, 2 deleted).
  void MarkState(int State, uint32_t Consumed) {
    if (State == FMark) return;
    std::u16string marks;
    if (FMark == 1) marks += TMSWordDocument::chInsertedEnd;
    if (FMark == 2) marks += TMSWordDocument::chDeletedEnd;
    if (State == 1) marks += TMSWordDocument::chInsertedBegin;
    if (State == 2) marks += TMSWordDocument::chDeletedBegin;
    Put(marks, Consumed);
    FMark = State;
  }

  // The field codes among the positions [First, Lim): what Word does not show of
  // its fields, as ranges in position order. A field with a result hides its begin
  // mark, its instruction (with the fields nested in it) and its separator, and
  // shows its result, whose own fields are resolved alike; a field without a
  // result hides everything up to its end mark. A mark that closes no field, and
  // the marks of a field that never ends, hide only themselves.
  void FindFieldCodes(uint32_t First, uint32_t Lim) {
    FHidden.clear();
    FHiddenAt = 0;
    FLinks.clear();
    FLinkNext = 0;
    struct TOpenField {
      uint32_t Begin;
      uint32_t Separator;  // UINT32_MAX: none yet
    };
    std::vector<TOpenField> open;
    size_t tooDeep = 0;  // fields open beyond kMaxFieldDepth
    std::vector<std::pair<uint32_t, uint32_t>> ranges;
    for (uint32_t cp = First; cp < Lim; ++cp) {
      cp += FindFieldMark(At(cp), 0, Lim - cp);
      if (cp >= Lim) break;
      const char16_t ch = *At(cp);
      if (ch == chFieldBegin && open.size() < kMaxFieldDepth && tooDeep == 0) {
        open.push_back({cp, UINT32_MAX});
        continue;
      }
      if (ch == chFieldBegin) {
        ++tooDeep;
      } else if (tooDeep > 0) {
        if (ch == chFieldEnd) --tooDeep;
      } else if (!open.empty() && ch == chFieldSeparator && open.back().Separator == UINT32_MAX) {
        open.back().Separator = cp;
        continue;
      } else if (!open.empty() && ch == chFieldEnd) {
        const TOpenField field = open.back();
        open.pop_back();
        if (field.Separator == UINT32_MAX) {
          ranges.emplace_back(field.Begin, cp + 1);
        } else {
          ranges.emplace_back(field.Begin, field.Separator + 1);
          ranges.emplace_back(cp, cp + 1);
          if (FSink) RecordLink(field.Begin, field.Separator, cp);
        }
        continue;
      }
      ranges.emplace_back(cp, cp + 1);
    }
    for (const TOpenField& field : open) {
      ranges.emplace_back(field.Begin, field.Begin + 1);
      if (field.Separator != UINT32_MAX) ranges.emplace_back(field.Separator, field.Separator + 1);
    }
    std::sort(ranges.begin(), ranges.end());
    std::sort(FLinks.begin(), FLinks.end(), [](const TLink& A, const TLink& B) { return A.First < B.First; });
    for (const auto& range : ranges) {
      if (!FHidden.empty() && range.first <= FHidden.back().second)
        FHidden.back().second = std::max(FHidden.back().second, range.second);
      else
        FHidden.push_back(range);
    }
  }

  // The first position from Cp on that a field code hides; UINT32_MAX when none.
  // Positions asked for never go back within one story.
  uint32_t HiddenFrom(uint32_t Cp) {
    while (FHiddenAt < FHidden.size() && FHidden[FHiddenAt].second <= Cp) ++FHiddenAt;
    if (FHiddenAt == FHidden.size()) return UINT32_MAX;
    return std::max(Cp, FHidden[FHiddenAt].first);
  }

  // Whether the paragraph mark at Mark of a paragraph of style Istd is shown: one
  // deleted (or inserted, when insertions are rejected) or hidden joins its
  // paragraph to the next.
  bool MarkShown(uint32_t Mark, uint16_t Istd) {
    if (!SegmentOf(Mark)) return true;
    return Visible(FFmt.CharProps(FFmt.Chpx.Find(FcOf(Mark)), Istd));
  }

  // The shown text of the character positions [First, Lim), paragraph by paragraph.
  // Paragraphs whose marks are not shown make one line with the paragraph after
  // them, which gives the line its list label: the paragraphs that a tracked
  // deletion took with their marks leave no empty list item behind.
  void Emit(uint32_t First, uint32_t Lim) {
    FindFieldCodes(First, Lim);
    bool lineOpen = false;  // the paragraph before joins this one
    bool labelDue = true;
    TParaProps labelPara;
    uint32_t cp = First;
    while (cp < Lim) {
      const uint32_t mark = cp + FindEither(At(cp), 0, Lim - cp, chParagraph, chCell);
      const uint32_t paraEnd = mark < Lim ? mark + 1 : Lim;
      const TParaProps para = FFmt.ParaProps(FcOf(mark < Lim ? mark : Lim - 1));
      FParaEnd = paraEnd;
      FParaIstd = para.Istd;
      const bool markShown = mark >= Lim || MarkShown(mark, para.Istd);
      if (!lineOpen) {
        // A new line: labelled by the first paragraph from here whose mark shows.
        labelDue = true;
        labelPara = para;
        bool shownMark = markShown;
        for (uint32_t next = paraEnd; !shownMark && next < Lim;) {
          const uint32_t nextMark = next + FindEither(At(next), 0, Lim - next, chParagraph, chCell);
          labelPara = FFmt.ParaProps(FcOf(nextMark < Lim ? nextMark : Lim - 1));
          shownMark = nextMark >= Lim || MarkShown(nextMark, labelPara.Istd);
          next = nextMark + 1;
        }
        if (FSink) SinkBeginLine(labelPara);
      }
      lineOpen = !markShown;
      auto shown = [&](uint32_t At, const TCharProps& Props) {
        if (!Visible(Props)) return false;
        if (labelDue) {
          labelDue = false;
          PutLabel(labelPara, At);
        }
        return true;
      };
      uint32_t c = cp;
      while (c < paraEnd) {
        const TSegment* seg = SegmentOf(c);
        if (!seg) {
          c = paraEnd;
          break;
        }
        const uint32_t hidden = HiddenFrom(c);
        if (hidden == c) {
          // A field code: a check box, a drop-down or a phonetic guide shows its
          // value in place of the whole field; the others show nothing of it.
          uint32_t after = FHidden[FHiddenAt].second;
          std::u16string value;
          const uint32_t valueEnd = FWord97 && *At(c) == chFieldBegin ? FieldValue(c, value) : c;
          if (valueEnd > c) {
            const TCharProps props = FFmt.CharProps(FFmt.Chpx.Find(FcOf(c)), para.Istd);
            if (shown(c, props)) {
              if (FRevisions == rvMark) MarkState(props.Deleted ? 2 : props.Inserted ? 1 : 0, c);
              if (FSink) SinkRun(c, props);
              PutText(value, valueEnd);
              FSinkText = false;
            }
            after = valueEnd;
          }
          c = after;
          continue;
        }
        const uint32_t fc = seg->Fc + (c - seg->CpFirst) * seg->Width;
        const size_t r = FFmt.Chpx.FirstEndingAfter(fc);
        const TPropertyRun* run = nullptr;
        uint64_t runFcLim = UINT64_MAX;
        if (r < FFmt.Chpx.Runs.size()) {
          const TPropertyRun& next = FFmt.Chpx.Runs[r];
          if (next.FcFirst <= fc) {
            run = &next;
            runFcLim = next.FcLim;
          } else {
            runFcLim = next.FcFirst;
          }
        }
        uint64_t lim = std::min<uint64_t>({paraEnd, seg->CpLim, hidden});
        if (runFcLim != UINT64_MAX) {
          const uint64_t runCpLim = seg->CpFirst + (runFcLim - seg->Fc + seg->Width - 1) / seg->Width;
          lim = std::min(lim, std::max<uint64_t>(runCpLim, c + 1));
        }
        const TCharProps props = FFmt.CharProps(run, para.Istd);
        if (shown(c, props)) EmitRun(c, uint32_t(lim), props);
        c = uint32_t(lim);
      }
      if (FSink && markShown) SinkEndLine(para, mark < Lim ? *At(mark) : chParagraph);
      // A field code that holds a paragraph mark joins the paragraphs around it.
      cp = std::max(paraEnd, c);
    }
    MarkState(0, Lim);
  }

  // The list label of the line's paragraph Para, before the position Consumed.
  void PutLabel(const TParaProps& Para, uint32_t Consumed) {
    const std::u16string label = ListLabel(Para);
    if (FSink) FSink->SetLabel(label, ListLevelOf(Para));
    Put(label, Consumed);
  }

  bool Visible(const TCharProps& Props) const {
    if (Props.Vanish && !FShowHidden) return false;
    if (Props.Deleted && FRevisions == rvAccept) return false;
    if (Props.Inserted && FRevisions == rvReject) return false;
    return true;
  }

  // Emits the run [First, Lim), which holds no field code.
  void EmitRun(uint32_t First, uint32_t Lim, const TCharProps& Props) {
    if (FRevisions == rvMark) MarkState(Props.Deleted ? 2 : Props.Inserted ? 1 : 0, First);
    if (FSink) SinkRun(First, Props);
    EmitRunText(First, Lim, Props);
    FSinkText = false;
  }

  void EmitRunText(uint32_t First, uint32_t Lim, const TCharProps& Props) {
    if (Props.HasSymbol) {
      // Each character is a placeholder for the symbol the properties name.
      const std::u16string symbol = SymbolFontText(FontName(Props.SymbolFtc), Props.SymbolChar);
      for (uint32_t c = First; c < Lim; ++c) {
        if (*At(c) < 0x20) EmitControl(c);
        else PutText(symbol, c + 1);
      }
      return;
    }
    if (FWord97) {
      const bool symbolFont = IsSymbolFtc(Props.Ftc) || IsSymbolFtc(Props.FtcOther);
      if (!symbolFont) {
        // Whole spans up to each note reference.
        for (uint32_t c = First; c < Lim;) {
          const uint32_t ref = c + FindEither(At(c), 0, Lim - c, chNoteRef, chNoteRef);
          PutChars(c, ref);
          if (ref == Lim) break;
          EmitControl(ref);
          c = ref + 1;
        }
        return;
      }
      for (uint32_t c = First; c < Lim; ++c) {
        const char16_t ch = *At(c);
        if (ch == chNoteRef) {
          EmitControl(c);
        } else if (ch >= 0xF020 && ch <= 0xF0FF) {
          PutText(SymbolFontText(FontName(IsSymbolFtc(Props.Ftc) ? Props.Ftc : Props.FtcOther), ch), c + 1);
        } else {
          PutText(std::u16string_view(&ch, 1), c + 1);
        }
      }
      return;
    }
    // Word 6/95: bytes in the code page of the run's font, or symbols of a symbol font.
    const TFontEntry* font = FFmt.Font(Props.Ftc);
    const bool symbolFont = font && IsSymbolFont(font->Name);
    uint16_t codePage = FCodePage;
    if (font) {
      const uint16_t own = FontCharsetCodePage(font->Charset);
      if (own != 0 && IsSupportedCodePage(own)) codePage = own;
    }
    std::string bytes;
    auto flush = [&](uint32_t Consumed) {
      if (!bytes.empty()) PutText(StringToWideStringEx(bytes, codePage), Consumed);
      bytes.clear();
    };
    for (uint32_t c = First; c < Lim; ++c) {
      const char16_t ch = *At(c);
      if (ch == chNoteRef) {
        flush(c);
        EmitControl(c);
      } else if (ch == chNonBreakingHyphen) {
        flush(c);
        PutText(u"\u2011", c + 1);
      } else if (symbolFont && ch >= 0x20) {
        flush(c);
        PutText(SymbolFontText(font->Name, ch), c + 1);
      } else {
        bytes.push_back(char(ch));
      }
    }
    flush(Lim);
  }

  // A field shown by a value of its own: a check box or drop-down whose field
  // begins at Cp shows its state or chosen entry, a phonetic guide its base text,
  // in place of the whole field. Sets Value and answers the position after the
  // field; answers Cp for any other field and for one that cannot be read.
  uint32_t FieldValue(uint32_t Cp, std::u16string& Value) {
    const uint32_t lim = uint32_t(std::min<uint64_t>(FParaEnd, uint64_t(Cp) + kFieldSpan));
    const char16_t* chars = At(Cp);
    uint32_t i = 1;
    while (Cp + i < lim && chars[i] == u' ') ++i;
    const uint32_t from = i;
    while (Cp + i < lim && chars[i] > u' ' && chars[i] != chFieldSeparator && chars[i] != chFieldEnd) ++i;
    const std::u16string_view keyword(chars + from, i - from);
    const bool form = keyword == u"FORMCHECKBOX" || keyword == u"FORMDROPDOWN";
    const bool button = keyword == u"MACROBUTTON";
    if (!form && !button && keyword != u"EQ") return Cp;
    // The field's end and, for a form field, its picture character, which carries
    // where its data lies. These fields hold no other field; a phonetic guide and a
    // macro button have no result of their own.
    uint32_t picture = 0, end = 0;
    for (; Cp + i < lim; ++i) {
      if (chars[i] == chFieldBegin || (!form && chars[i] == chFieldSeparator)) return Cp;
      if (chars[i] == chPicture && picture == 0) picture = Cp + i;
      if (chars[i] == chFieldEnd) {
        end = Cp + i;
        break;
      }
    }
    if (end == 0) return Cp;
    if (button) {
      // The words after the macro's name are what the button shows.
      const uint32_t first = from + uint32_t(keyword.size());
      std::u16string_view rest(chars + first, end - Cp - first);
      auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
      while (!rest.empty() && blank(rest.front())) rest.remove_prefix(1);
      while (!rest.empty() && !blank(rest.front())) rest.remove_prefix(1);  // the macro's name
      while (!rest.empty() && blank(rest.front())) rest.remove_prefix(1);
      while (!rest.empty() && blank(rest.back())) rest.remove_suffix(1);
      Value.assign(rest);
      return end + 1;
    }
    if (!form) {
      if (!PhoneticGuideBase(std::u16string_view(chars + from, end - Cp - from), Value)) return Cp;
      return end + 1;
    }
    if (!FData || picture == 0) return Cp;
    const TCharProps props = FFmt.CharProps(FFmt.Chpx.Find(FcOf(picture)), FParaIstd);
    TFormFieldData field;
    try {
      if (props.PicLocation < 0 || !ReadFormFieldData(*FData, props.PicLocation, field)) return Cp;
    } catch (const Exception&) {
      return Cp;  // data where the stream's sector chain is damaged: the field goes on as stored
    }
    Value = FormFieldValue(field);
    return end + 1;
  }

  // A control character: a note reference shows its number; the others pass on to
  // the conversion of special characters.
  void EmitControl(uint32_t Cp) {
    const char16_t ch = *At(Cp);
    if (ch == chNoteRef) {
      // For the sink a reference, not its mark's text; a note's own mark at its
      // start is nothing.
      if (FSinkText) {
        if (auto note = FSinkNotes.find(Cp); note != FSinkNotes.end())
          FSink->NoteReference(note->second.Kind, NumberId(note->second.Id), note->second.Mark);
      }
      auto it = FNoteMarks.find(Cp);
      if (it != FNoteMarks.end()) Put(it->second, Cp + 1);
      else Put(std::u16string_view(&ch, 1), Cp + 1);
      return;
    }
    PutText(std::u16string_view(&ch, 1), Cp + 1);
  }

  // The sink's side of the reading.

  // The table level of a paragraph: its nesting depth, 1 for a table's own
  // paragraphs that give none, 0 outside tables.
  static uint32_t TableLevel(const TParaProps& Para) {
    if (Para.Itap > 0) return std::min<uint32_t>(Para.Itap, TDocShownSink::MaxTableDepth);
    return Para.InTable ? 1 : 0;
  }

  // A line of the shown view begins with the paragraph whose mark ends it.
  void SinkBeginLine(const TParaProps& Para) {
    TKvWParagraphInfo info;
    const TStyle* style = FFmt.Styles.Style(Para.Istd);
    if (style) info.Style = style->Name;
    // The paragraph's outline level where it (or its style) gives one; otherwise
    // the built-in heading style it is, whatever its name.
    if (Para.OutLvl <= 8) info.OutlineLevel = Para.OutLvl + 1;
    else if (Para.OutLvl == 0xFF && style && style->Sti >= 1 && style->Sti <= 9) info.OutlineLevel = style->Sti;
    info.Title = style && style->Sti == kStiTitle;
    const uint32_t level = TableLevel(Para);
    const bool rowEnd = level > 1 ? Para.InnerTtp : Para.Ttp;
    FSink->BeginLine(info, level, rowEnd);
  }

  // The line ends at the paragraph's mark Mark (a paragraph or a cell mark).
  void SinkEndLine(const TParaProps& Para, char16_t Mark) {
    const uint32_t level = TableLevel(Para);
    FSink->EndLine(level > 0 && (Mark == chCell || (level > 1 && Para.InnerTableCell)));
  }

  // The list level of a list paragraph.
  int32_t ListLevelOf(const TParaProps& Para) const {
    if (FWord97) return Para.Ilvl;
    return Para.NLvlAnm >= 1 && Para.NLvlAnm <= 9 ? Para.NLvlAnm - 1 : 0;
  }

  // What follows goes to the sink as text of a run with the properties Props,
  // from position Cp on. Emphasis is what the run has beyond its paragraph's
  // style: a heading style's bold is the heading's, not a word's.
  void SinkRun(uint32_t Cp, const TCharProps& Props) {
    const TCharProps& style = FFmt.StyleProps(FParaIstd);
    FSinkRun = TKvWRunInfo();
    FSinkRun.Bold = Props.Bold && !style.Bold;
    FSinkRun.Italic = Props.Italic && !style.Italic;
    FSinkRun.Strike = Props.Strike && !style.Strike;
    FSinkRun.Hidden = Props.Vanish;
    FSinkRun.Inserted = FRevisions == rvMark && Props.Inserted;
    FSinkRun.Deleted = FRevisions == rvMark && Props.Deleted;
    FSinkRun.Hyperlink = LinkAt(Cp);
    FSinkText = true;
  }

  // A hyperlink field whose result lies after Separator up to its end mark End.
  void RecordLink(uint32_t Begin, uint32_t Separator, uint32_t End) {
    if (Separator + 1 >= End) return;
    const uint32_t length = std::min<uint32_t>(Separator - Begin - 1, kMaxInstruction);
    std::u16string target = HyperlinkTarget(std::u16string_view(At(Begin + 1), length));
    if (!target.empty()) FLinks.push_back({Separator + 1, End, std::move(target)});
  }

  // The target of the innermost hyperlink whose result holds Cp; positions asked
  // for never go back within one story.
  std::u16string_view LinkAt(uint32_t Cp) {
    while (FLinkNext < FLinks.size() && FLinks[FLinkNext].First <= Cp) ++FLinkNext;
    // Fields nest no deeper than kMaxFieldDepth: the link is among the last opened.
    for (size_t k = FLinkNext, seen = 0; k > 0 && seen < kMaxFieldDepth; --k, ++seen)
      if (Cp < FLinks[k - 1].Lim) return FLinks[k - 1].Target;
    return {};
  }

  TMSWordDocument& FDoc;
  TStream& FMain;
  TStream& FTable;
  TStream* FData;
  TFormatting& FFmt;
  uint16_t FCodePage;
  bool FWord97;
  bool FShowHidden = false;
  TKvWRevisions FRevisions = rvAccept;
  int FMark = 0;
  // The characters of positions FFirstCp on, from FChars[FBase] on. While the main
  // story is read (FInPlace), its shown text goes to FChars[0, FWrite), in front
  // of what is still to be read; otherwise it goes to FOut.
  std::u16string FChars;
  uint64_t FTotal = 0;
  size_t FBase = 0;
  uint32_t FFirstCp = 0;
  bool FInPlace = false;
  size_t FWrite = 0;
  std::u16string* FOut = nullptr;
  uint32_t FParaEnd = 0;  // the paragraph being read: where it ends, its style
  uint16_t FParaIstd = 0;
  std::vector<TSegment> FSegments;
  size_t FSegment = 0;
  // The field codes of the story being read (FindFieldCodes) and the first of them
  // not yet passed.
  std::vector<std::pair<uint32_t, uint32_t>> FHidden;
  size_t FHiddenAt = 0;
  std::unordered_map<uint32_t, std::u16string> FNoteMarks;
  std::vector<TSectionNotes> FSections;  // read with the first notes
  bool FSectionsRead = false;
  std::vector<std::pair<uint32_t, uint32_t>> FFootnotes, FEndnotes;
  TKvWNumbering FNumbering;
  std::unordered_set<uint32_t> FStarted;
  std::vector<int8_t> FSymbolFonts;
  std::map<uint8_t, int32_t> FAnldCount;
  std::map<uint8_t, std::u16string> FAnldShown;  // per outline level: its last label up to its number
  bool FAnldRun = false;
  uint8_t FAnldLevel = 0;
  // The sink's side (all unused without a sink).
  std::unique_ptr<TDocShownSink> FSink;
  bool FSinkText = false;  // what Put gives goes to the sink as text of FSinkRun
  TKvWRunInfo FSinkRun;
  struct TSinkNote {
    TKvWNoteKind Kind;
    uint32_t Id;
    std::u16string Mark;
  };
  std::unordered_map<uint32_t, TSinkNote> FSinkNotes;  // by the reference's position
  std::vector<uint32_t> FFootnoteIds, FEndnoteIds;     // beside FFootnotes, FEndnotes
  struct TLink {
    uint32_t First, Lim;
    std::u16string Target;
  };
  std::vector<TLink> FLinks;  // the hyperlinks' results in the story being read, in order
  size_t FLinkNext = 0;
};

void TMSWordDocument::ReadShownText(TStream* Stream, TStream* TableStream, TStream* DataStream) {
  const bool word97 = FDocVersion >= 8;
  TStream* table = word97 ? TableStream : Stream;
  if (!FFormatting) FFormatting = std::make_unique<TFormatting>();
  TMemoryStream empty{std::string()};
  if (!table) table = &empty;
  FFormatting->Read(*Stream, *table, FIB, word97);
  FMarkRevisions = EffectiveRevisions() == rvMark;
  FShowBreaks = true;
  struct TResetFlags {
    bool& Mark;
    bool& Breaks;
    ~TResetFlags() { Mark = Breaks = false; }
  } reset{FMarkRevisions, FShowBreaks};
  TShownTextReader reader(*this, *Stream, *table, DataStream, DocLangToCodePage());
  FDescribed = reader.Describes();
  reader.Read();
}

}  // namespace msword
