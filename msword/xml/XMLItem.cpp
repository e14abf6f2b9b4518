#include "msword/xml/XMLItem.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "msword/base/CodePages.h"
#include "msword/xml/XMLEngine.h"

namespace msword {

// --- TKvXMLItems ---

TKvXMLItem* TKvXMLItems::AddItem(TKvXMLItem* ParentItem) {
  auto* item = new TKvXMLItem(ParentItem, TKvXMLItem::TParentTag{});
  if (ParentItem) item->FLevel = ParentItem->FLevel + 1;
  FList.push_back(item);
  return item;
}

void TKvXMLItems::Clear() {
  // Children are moved onto the stack above their parent, so every item is freed
  // after its subtree and each delete finds an empty list: no recursion.
  std::vector<TKvXMLItem*> stack;
  stack.swap(FList);
  while (!stack.empty()) {
    TKvXMLItem* item = stack.back();
    if (!item->FItems.FList.empty()) {
      stack.insert(stack.end(), item->FItems.FList.begin(), item->FItems.FList.end());
      item->FItems.FList.clear();
      continue;
    }
    stack.pop_back();
    item->FParentItem = nullptr;  // already out of every list
    delete item;
  }
}

void TKvXMLItems::Remove(TKvXMLItem* Item) {
  // A closing item is usually the last child: search from the end.
  for (size_t i = FList.size(); i-- > 0;) {
    if (FList[i] == Item) {
      FList.erase(FList.begin() + std::ptrdiff_t(i));
      return;
    }
  }
}

// --- TKvXMLItem ---

TKvXMLItem::TKvXMLItem(TObject* AOwner) : FParentItem(dynamic_cast<TKvXMLItem*>(AOwner)) {}

namespace {

// The blocks of freed items, a list per thread threaded through the blocks
// themselves; at most kMaxCachedItems, the rest go back to the heap. Plain data, so
// that it outlives every object of its thread that may still free items.
struct TItemCache {
  void* Head;
  size_t Count;
  bool Closed;  // the thread is ending: blocks go straight back to the heap
};
#if defined(__SANITIZE_ADDRESS__)
#define KVWORD_ITEM_CACHE 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KVWORD_ITEM_CACHE 0
#endif
#endif
#ifndef KVWORD_ITEM_CACHE
#define KVWORD_ITEM_CACHE 1
#endif
// Under AddressSanitizer every item goes back to the heap, so that a use after free is
// still caught.
constexpr size_t kMaxCachedItems = KVWORD_ITEM_CACHE ? 4096 : 0;
thread_local TItemCache ItemCache{nullptr, 0, false};

// Frees the cached blocks when the thread ends.
struct TItemCacheCloser {
  ~TItemCacheCloser() {
    ItemCache.Closed = true;
    while (void* block = ItemCache.Head) {
      std::memcpy(&ItemCache.Head, block, sizeof(void*));
      ::operator delete(block);
    }
    ItemCache.Count = 0;
  }
};
thread_local TItemCacheCloser ItemCacheCloser;

}  // namespace

void* TKvXMLItem::operator new(size_t Size) {
  if (Size == sizeof(TKvXMLItem) && ItemCache.Head) {
    void* block = ItemCache.Head;
    std::memcpy(&ItemCache.Head, block, sizeof(void*));
    --ItemCache.Count;
    return block;
  }
  return ::operator new(Size);
}

void TKvXMLItem::operator delete(void* Block, size_t Size) {
  if (!Block) return;
  if (Size == sizeof(TKvXMLItem) && !ItemCache.Closed && ItemCache.Count < kMaxCachedItems) {
    (void)&ItemCacheCloser;  // registers the closer of this thread
    std::memcpy(Block, &ItemCache.Head, sizeof(void*));
    ItemCache.Head = Block;
    ++ItemCache.Count;
    return;
  }
  ::operator delete(Block);
}

TKvXMLItem::~TKvXMLItem() {
  if (!FItems.FList.empty()) FItems.Clear();
  if (FParentItem) FParentItem->FItems.Remove(this);
  if (FEngine) FEngine->RootItemFreed(this);
}

TKvXMLItem* TKvXMLItem::GetChild(std::u16string_view XMLTag, bool ExpandAllLevels) {
  // Pre-order with an explicit stack of (item, depth).
  std::vector<std::pair<TKvXMLItem*, int>> stack{{this, 0}};
  while (!stack.empty()) {
    auto [item, depth] = stack.back();
    stack.pop_back();
    if (item->FTagName == XMLTag) return item;
    if (!ExpandAllLevels && depth >= 2) continue;
    const auto& children = item->FItems.FList;
    for (size_t i = children.size(); i-- > 0;) stack.emplace_back(children[i], depth + 1);
  }
  return nullptr;
}

std::u16string TKvXMLItem::GetTagXMLValue() const {
  std::u16string s = FValue;
  if (!s.empty() && (s[0] == u'"' || s[0] == u'\'')) {
    const char16_t quote = s[0];
    while (!s.empty()) {
      const char16_t c = s.back();
      if (c != u' ' && c != u'?' && c != quote && c != u'\r' && c != u'\n' && c != u'\t') break;
      s.pop_back();
    }
    if (!s.empty()) s.erase(0, 1);
  }
  return s;
}

std::u16string TKvXMLItem::GetTagValue() const {
  std::u16string s = GetTagXMLValue();
  if (!s.empty()) ReplaceHTMLChars(s);
  return s;
}

void TKvXMLItem::ProcessAttributes() {
  if (FAttributes.empty()) return;
  const std::u16string text = std::move(FAttributes);
  FAttributes.clear();
  std::u16string name, value;
  bool inQuotes = false, readingName = true;
  const size_t L = text.size();
  for (size_t i = 0; i < L; ++i) {
    const char16_t c = text[i];
    if (c == u'"') inQuotes = !inQuotes;
    if (!inQuotes && c == u'=') {
      readingName = false;
    } else {
      (readingName ? name : value).push_back(c);
    }
    const bool white = c == 9 || c == 10 || c == 13 || c == 32;
    if (!inQuotes && (white || i == L - 1)) {
      if (!name.empty() && !value.empty()) {
        TKvXMLItem* item = FItems.AddItem(this);
        item->FKind = ikAttribute;
        item->FTagName = name;
        item->FValue = value;
      }
      name.clear();
      value.clear();
      readingName = true;
    }
  }
}

// --- Value helpers ---

bool SameStrings(bool CaseSensitive, std::u16string_view S1, std::u16string_view S2) {
  if (CaseSensitive) return S1 == S2;
  return SameTextAscii(S1, S2);
}

namespace {

// A run of 2 or 4 characters as a decimal integer (an optional sign allowed).
bool ParseDatePart(std::u16string_view S, size_t From, size_t Count, int& Value) {
  if (From >= S.size()) return false;
  std::u16string_view part = S.substr(From, Count);
  bool negative = false;
  if (!part.empty() && (part[0] == u'+' || part[0] == u'-')) {
    negative = part[0] == u'-';
    part.remove_prefix(1);
  }
  if (part.empty()) return false;
  int v = 0;
  for (char16_t c : part) {
    if (c < u'0' || c > u'9') return false;
    v = v * 10 + (c - u'0');
  }
  Value = negative ? -v : v;
  return true;
}

struct TReference {
  std::u16string_view Name;  // without the ";"
  std::u16string_view Replacement;
};
// Tried in this order at every "&".
constexpr TReference kReferences[] = {
    {u"&brvbar", u"|"}, {u"&deg", u"\u00B0"}, {u"&#176", u"\u00B0"}, {u"&plusmn", u"+"},
    {u"&para", u"\u00B6"}, {u"&amp", u"&"},   {u"&lt", u"<"},         {u"&gt", u">"},
    {u"&copy", u"c"},      {u"&quot", u"\""}, {u"&apos", u"'"},       {u"&trade", u"T"},
    {u"&nbsp", u""},       {u"&car", u"\n"},  {u"&ret", u"\r"}};

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

}  // namespace

TDateTime XMLStringToDateTime(std::u16string_view S) {
  if (S.empty()) return 0;
  int year, month, day, hour, minute, second;
  if (!ParseDatePart(S, 0, 4, year) || !ParseDatePart(S, 5, 2, month) || !ParseDatePart(S, 8, 2, day) ||
      !ParseDatePart(S, 11, 2, hour) || !ParseDatePart(S, 14, 2, minute) || !ParseDatePart(S, 17, 2, second))
    return 0;
  TDateTime date, time;
  if (!TryEncodeDate(year, month, day, date) || !TryEncodeTime(hour, minute, second, 0, time)) return 0;
  return date + time;
}

std::optional<int32_t> XMLStringUtcOffset(std::u16string_view S) {
  if (XMLStringToDateTime(S) == 0 || S.size() < 20) return std::nullopt;
  std::u16string_view zone = S.substr(19);
  if (zone[0] == u'.') {
    zone.remove_prefix(1);
    while (!zone.empty() && zone[0] >= u'0' && zone[0] <= u'9') zone.remove_prefix(1);
  }
  if (zone == u"Z" || zone == u"z") return 0;
  if (zone.size() != 6 && zone.size() != 5) return std::nullopt;
  if (zone[0] != u'+' && zone[0] != u'-') return std::nullopt;
  const bool colon = zone.size() == 6;
  if (colon && zone[3] != u':') return std::nullopt;
  const std::u16string_view hh = zone.substr(1, 2), mm = zone.substr(colon ? 4 : 3, 2);
  for (char16_t c : std::u16string(hh) + std::u16string(mm))
    if (c < u'0' || c > u'9') return std::nullopt;
  const int hours = (hh[0] - u'0') * 10 + (hh[1] - u'0');
  const int minutes = (mm[0] - u'0') * 10 + (mm[1] - u'0');
  if (hours > 14 || minutes > 59) return std::nullopt;
  const int32_t offset = hours * 60 + minutes;
  return zone[0] == u'-' ? -offset : offset;
}

void ReplaceHTMLChars(std::u16string& S) {
  const size_t first = S.find(u'&');
  if (first == std::u16string::npos) return;
  std::u16string out(S, 0, first);
  out.reserve(S.size());
  const std::u16string_view s = S;
  size_t i = first;
  while (i < s.size()) {
    const size_t amp = s.find(u'&', i);
    if (amp == std::u16string_view::npos) {
      out.append(s.substr(i));
      break;
    }
    out.append(s.substr(i, amp - i));
    i = amp;
    const std::u16string_view rest = s.substr(i);
    bool replaced = false;
    for (const TReference& ref : kReferences) {
      if (rest.substr(0, ref.Name.size()) != ref.Name) continue;
      out.append(ref.Replacement);
      i += ref.Name.size();
      if (i < s.size() && s[i] == u';') ++i;
      replaced = true;
      break;
    }
    if (replaced) continue;
    if (rest.size() > 1 && rest[1] == u'#') {
      // A numeric reference: the longest run of digits; values saturate while read.
      size_t j = 2;
      const bool hex = j < rest.size() && (rest[j] == u'x' || rest[j] == u'X');
      if (hex) ++j;
      const size_t digitsStart = j;
      uint32_t value = 0;
      for (; j < rest.size(); ++j) {
        const int d = hex ? HexDigit(rest[j]) : (rest[j] >= u'0' && rest[j] <= u'9' ? rest[j] - u'0' : -1);
        if (d < 0) break;
        value = std::min<uint32_t>(value * (hex ? 16 : 10) + uint32_t(d), 0x110000);
      }
      // A character beyond the 16 bits (an emoji) is written as its surrogate pair.
      const bool supplementary = value >= 0x10000 && value <= 0x10FFFF;
      if (j > digitsStart && (value < 0xFFFF || supplementary)) {
        if (supplementary) {
          out.push_back(char16_t(0xD800 + ((value - 0x10000) >> 10)));
          out.push_back(char16_t(0xDC00 + ((value - 0x10000) & 0x3FF)));
        } else {
          out.push_back(char16_t(value));
        }
        i += j;
        if (i < s.size() && s[i] == u';') ++i;
        continue;
      }
    }
    out.push_back(u'&');  // not a reference that can be read: it stays
    ++i;
  }
  S = std::move(out);
}

}  // namespace msword
