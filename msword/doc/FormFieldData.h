// The data of a form field (check box, drop-down list or text box) that the Data
// stream keeps for the field's picture character: its type, its state or chosen
// entry, and the entries of a drop-down list.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace msword {

class TStream;

enum TFormFieldType : uint8_t { fftText = 0, fftCheckBox = 1, fftDropDown = 2 };

struct TFormFieldData {
  TFormFieldType Type = fftText;
  // A check box's state (0 clear, 1 checked) or a drop-down's chosen entry; 25 when
  // the field has none of its own and shows its default.
  uint8_t Result = 0;
  uint16_t Default = 0;  // the default state or entry (check boxes and drop-downs)
  std::vector<std::u16string> Entries;  // a drop-down's entries, in order
};

// Reads the form field data at Offset of Data: a record of lcb bytes whose header
// of cbHeader bytes precedes the field data. False when the record lies outside
// the stream, or is too short or inconsistent for what it announces.
bool ReadFormFieldData(TStream& Data, int64_t Offset, TFormFieldData& Field);

// What a check box or drop-down shows: "☒" or "☐", or the chosen entry (empty when
// the list has no such entry). Empty for text fields, which show their result.
std::u16string FormFieldValue(const TFormFieldData& Field);

}  // namespace msword
