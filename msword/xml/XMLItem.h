// The item tree that the XML engine builds, and the helpers that read values out of
// it: splitting a start tag's attribute text into attribute items, a value without
// its quotes, references replaced, names compared, property dates converted.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "msword/base/Classes.h"
#include "msword/base/DateTime.h"

namespace msword {

class TKvXMLEngine;
class TKvXMLItem;

enum TKvXMLItemKind : uint8_t { ikProperty = 0, ikAttribute = 1, ikComment = 2, ikCDATA = 3 };

// The owning, ordered list of an item's children. Freeing the list frees its items.
class TKvXMLItems {
 public:
  TKvXMLItems() = default;
  TKvXMLItems(const TKvXMLItems&) = delete;
  TKvXMLItems& operator=(const TKvXMLItems&) = delete;
  ~TKvXMLItems() { Clear(); }

  int Count() const { return int(FList.size()); }
  // The item at Index; nullptr outside the list.
  TKvXMLItem* Items(int Index) const {
    return Index >= 0 && size_t(Index) < FList.size() ? FList[size_t(Index)] : nullptr;
  }
  TKvXMLItem* operator[](int Index) const { return Items(Index); }
  // Creates an item owned by ParentItem (level: the parent's plus one) and appends it.
  TKvXMLItem* AddItem(TKvXMLItem* ParentItem);
  // Frees every item, the last first, each after its own children; no recursion,
  // however deep the tree.
  void Clear();

 private:
  friend class TKvXMLItem;
  void Remove(TKvXMLItem* Item);
  std::vector<TKvXMLItem*> FList;
};

// One node of the tree: an element (or the XML declaration), an attribute, a
// comment or a CDATA section. Freeing an item frees its subtree and takes it out of
// its parent's list, so an item may be freed at any time.
class TKvXMLItem : public TObject {
 public:
  // The parent is AOwner when that is an item; the level starts at 0.
  explicit TKvXMLItem(TObject* AOwner);
  ~TKvXMLItem() override;
  // Items come and go by the hundred thousand in a large part: freed items are kept
  // for reuse by the thread that frees them.
  static void* operator new(size_t Size);
  static void operator delete(void* Block, size_t Size);

  // The first item in pre-order from this one (itself included) whose tag name is
  // XMLTag exactly; with ExpandAllLevels false only children and grandchildren are
  // searched. nullptr when none.
  TKvXMLItem* GetChild(std::u16string_view XMLTag, bool ExpandAllLevels);
  // The value as text; a value that starts with a quote loses it, and trailing
  // blanks, "?", CR, LF, TAB and that quote.
  std::u16string GetTagXMLValue() const;
  // GetTagXMLValue with the entity and character references replaced.
  std::u16string GetTagValue() const;
  // Turns the raw attribute text into attribute child items and empties it.
  void ProcessAttributes();

  TKvXMLItem* ParentItem() const { return FParentItem; }
  int32_t Level() const { return FLevel; }
  const std::u16string& Attributes() const { return FAttributes; }
  void SetAttributes(std::u16string Value) { FAttributes = std::move(Value); }
  TKvXMLItemKind Kind() const { return FKind; }
  void SetKind(TKvXMLItemKind Value) { FKind = Value; }
  const std::u16string& TagName() const { return FTagName; }
  void SetTagName(std::u16string Value) { FTagName = std::move(Value); }
  // The stored text; empty until text is stored.
  const std::u16string& Value() const { return FValue; }
  void SetValue(std::u16string Value) { FValue = std::move(Value); }
  TKvXMLItems* Items() { return &FItems; }
  const TKvXMLItems* Items() const { return &FItems; }

 private:
  friend class TKvXMLItems;
  struct TParentTag {};
  TKvXMLItem(TKvXMLItem* AParent, TParentTag) : FParentItem(AParent) {}
  friend class TKvXMLEngine;
  template <class CharT> friend class TKvXMLParser;

  TKvXMLItemKind FKind = ikProperty;
  std::u16string FTagName;
  std::u16string FValue;
  std::u16string FAttributes;
  int32_t FLevel = 0;
  TKvXMLItems FItems;
  TKvXMLItem* FParentItem = nullptr;
  TKvXMLEngine* FEngine = nullptr;  // set on an engine's root item: told when it is freed
};

// A document-property date ("2022-12-06T10:20:30Z": the zone and fractions are
// ignored) to a date-time; 0 for the empty string and for anything unreadable.
TDateTime XMLStringToDateTime(std::u16string_view S);
// The zone of such a date, in minutes east of UTC: 0 for "Z", +120 for "+02:00"
// (or "+0200"), after seconds and any fraction of them; unset when the value
// states none or is unreadable.
std::optional<int32_t> XMLStringUtcOffset(std::u16string_view S);
// Replaces entity references (a fixed table, the ";" optional) and numeric character
// references (decimal or hexadecimal, 0 to 65534, and 0x10000 to 0x10FFFF as a
// surrogate pair) in one pass from left to right: replaced text is never looked at
// again.
void ReplaceHTMLChars(std::u16string& S);
// Equal exactly, or (CaseSensitive false) with the letters A-Z and a-z folded.
bool SameStrings(bool CaseSensitive, std::u16string_view S1, std::u16string_view S2);

}  // namespace msword
