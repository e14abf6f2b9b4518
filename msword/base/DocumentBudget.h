// What one document may cost the readers: bytes inflated from compressed parts,
// parts and chunks loaded, and characters of text made. The limits are far above
// what real documents use; a document that goes past one fails as damaged, naming
// the limit, and the next document starts with a budget of its own.
#pragma once

#include <cstdint>

#include "msword/base/Exceptions.h"

namespace msword {

// The defaults are hundreds of times what the largest documents of the shared
// corpus use (2.7 MB inflated, 104 parts, half a million characters).
struct TDocumentLimits {
  uint64_t InflatedBytes = uint64_t(1) << 30;  // bytes inflated (zip entries and the like)
  uint64_t LoadedParts = 100000;               // package parts, imported chunks, MIME parts
  uint64_t OutputChars = uint64_t(256) << 20;  // UTF-16 code units handed to the text lists
};

enum TBudgetLimit : uint8_t { blInflatedBytes = 0, blLoadedParts, blOutputChars };

// A document went past one of its limits: a kind of damage that hosts can tell
// apart by its type.
class EDocumentOverBudget : public EKvWFileDamaged {
 public:
  EDocumentOverBudget(TBudgetLimit ALimit, uint64_t AValue);
  TBudgetLimit Limit() const { return FLimit; }

 private:
  TBudgetLimit FLimit;
};

class TDocumentBudget {
 public:
  const TDocumentLimits& Limits() const { return FLimits; }
  void SetLimits(const TDocumentLimits& Value) { FLimits = Value; }
  // Starts a document: nothing used.
  void Reset() {
    FInflated = FParts = FOutput = 0;
    FExceeded = false;
  }

  // Each charge adds to what the document has used and raises EDocumentOverBudget
  // when that passes the limit. Charge before the work, so that it is never done.
  void ChargeInflated(uint64_t Bytes) { Charge(FInflated, Bytes, FLimits.InflatedBytes, blInflatedBytes); }
  void ChargeParts(uint64_t Count = 1) { Charge(FParts, Count, FLimits.LoadedParts, blLoadedParts); }
  void ChargeOutput(uint64_t Chars) { Charge(FOutput, Chars, FLimits.OutputChars, blOutputChars); }

  // Raises the limit reached again, for a reader that passed over the failure of
  // an optional part: a document over budget fails however it was read.
  void Check() const {
    if (FExceeded) throw EDocumentOverBudget(FExceededLimit, LimitOf(FExceededLimit));
  }
  bool Exceeded() const { return FExceeded; }

  uint64_t Inflated() const { return FInflated; }
  uint64_t Parts() const { return FParts; }
  uint64_t Output() const { return FOutput; }

 private:
  void Charge(uint64_t& Used, uint64_t Amount, uint64_t Limit, TBudgetLimit Which) {
    Used = Amount > UINT64_MAX - Used ? UINT64_MAX : Used + Amount;
    if (Used <= Limit) return;
    if (!FExceeded) FExceeded = true, FExceededLimit = Which;
    throw EDocumentOverBudget(Which, Limit);
  }
  uint64_t LimitOf(TBudgetLimit Which) const {
    return Which == blInflatedBytes ? FLimits.InflatedBytes
           : Which == blLoadedParts ? FLimits.LoadedParts
                                    : FLimits.OutputChars;
  }

  TDocumentLimits FLimits;
  uint64_t FInflated = 0, FParts = 0, FOutput = 0;
  bool FExceeded = false;
  TBudgetLimit FExceededLimit = blInflatedBytes;
};

}  // namespace msword
