// TWideStrings: the ordered list of UTF-16 lines in which every reader keeps the
// text it extracts, joined with CR LF after every entry.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "msword/base/Classes.h"

namespace msword {

class TStream;

class TWideStrings : public TObject {
 public:
  TWideStrings() = default;
  ~TWideStrings() override { Clear(); }

  int Count() const { return int(FWideStringList.size()); }
  void Clear() { FWideStringList.clear(); }
  // Removes the last entry; nothing when the list is empty.
  void DeleteLast() {
    if (!FWideStringList.empty()) FWideStringList.pop_back();
  }
  // Appends a copy of S; returns its index.
  int Add(const std::u16string& S);
  int Add(std::u16string&& S);
  // Inserts S at Index (0..Count); outside that range raises
  // "WideStrings index out of bounds" and changes nothing.
  void Insert(int Index, const std::u16string& S);
  // The entry at Index, or the empty string outside the list.
  const std::u16string& Get(int Index) const;
  // Inserts, exactly as Insert does (it does not replace the entry at Index).
  void Put(int Index, const std::u16string& S) { Insert(Index, S); }
  const std::u16string& Strings(int Index) const { return Get(Index); }

  // Index of the first entry equal to S code unit for code unit, or -1.
  int IndexOf(std::u16string_view S) const;
  // Index of the first entry equal to S ignoring case in the user's locale, or -1.
  int IndexOfIgnoreCase(std::u16string_view S) const;
  static int WideCompareText(std::u16string_view S1, std::u16string_view S2);

  // Every entry followed by CR LF.
  std::u16string GetText() const;
  std::u16string Text() const { return GetText(); }
  // The same text built in one allocation.
  virtual std::u16string GetTextStr() const;
  std::u16string WideText() const { return GetTextStr(); }

  bool SaveUnicode() const { return FSaveUnicode; }
  void SetSaveUnicode(bool Value) { FSaveUnicode = Value; }
  // UTF-16LE with a byte-order mark, or 8-bit text in the ANSI code page.
  void SaveToStream(TStream* Stream) const;
  void SaveToFile(const std::u16string& FileName) const;

  // Direct access to the entries, for readers that build them in place.
  const std::vector<std::u16string>& Lines() const { return FWideStringList; }
  // The lines, moved out; the list is left empty.
  std::vector<std::u16string> ReleaseLines() { return std::exchange(FWideStringList, {}); }
  std::u16string& Last() { return FWideStringList.back(); }

 private:
  std::vector<std::u16string> FWideStringList;
  bool FSaveUnicode = true;
};

}  // namespace msword
