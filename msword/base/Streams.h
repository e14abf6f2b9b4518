// Byte streams every reader reads through: an abstract stream, a buffered file
// stream, and memory streams (a read-only view and an owning, growable buffer).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "msword/base/Classes.h"

namespace msword {

enum TSeekOrigin : uint8_t { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class TStream : public TObject {
 public:
  // Reads up to Count bytes; returns how many arrived (fewer at the end, 0 past it).
  virtual int32_t Read(void* Buffer, int32_t Count) = 0;
  // Writes Count bytes; returns how many were written.
  virtual int32_t Write(const void* Buffer, int32_t Count) = 0;
  // Moves the position; a position past the end is allowed (reads there give 0
  // bytes), a negative one is clamped to 0. Returns the new position.
  virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;
  virtual int64_t Size();

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t Value) { Seek(Value, soBeginning); }
  // Reads exactly Count bytes or raises EReadError ("Stream read error").
  void ReadBuffer(void* Buffer, int64_t Count);
  // Writes exactly Count bytes or raises EWriteError.
  void WriteBuffer(const void* Buffer, int64_t Count);
  // Copies Count bytes from Source (all of it from its start when Count is 0).
  int64_t CopyFrom(TStream& Source, int64_t Count);
};

// A read-only view of memory that the stream does not own.
class TCustomMemoryStream : public TStream {
 public:
  TCustomMemoryStream() = default;
  TCustomMemoryStream(const void* Memory, size_t Size) { SetPointer(Memory, Size); }

  int32_t Read(void* Buffer, int32_t Count) override;
  int32_t Write(const void* Buffer, int32_t Count) override;  // read-only: writes nothing
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t Size() override { return int64_t(FSize); }

  const uint8_t* Memory() const { return FMemory; }
  // The bytes from the current position to the end, without copying.
  std::string_view Remaining() const;

 protected:
  void SetPointer(const void* Memory, size_t Size);
  const uint8_t* FMemory = nullptr;
  size_t FSize = 0;
  size_t FPosition = 0;
};

// A growable memory stream that owns its bytes.
class TMemoryStream : public TCustomMemoryStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::string Bytes);
  explicit TMemoryStream(const std::vector<uint8_t>& Bytes);

  int32_t Write(const void* Buffer, int32_t Count) override;
  void SetSize(int64_t NewSize);
  void Clear();
  // Reads the whole of Source from its start (ReadBuffer semantics).
  void LoadFromStream(TStream& Source);
  void LoadFromFile(const std::u16string& FileName);
  // Hands the owned bytes over (the stream is empty afterwards).
  std::string TakeBytes();
  const std::string& Bytes() const { return FBytes; }

 private:
  void Sync();
  std::string FBytes;
};

enum TFileMode : uint8_t { fmOpenRead = 0, fmCreate = 1 };

// A file opened for reading (others may read it too) or created/truncated for
// writing. Reads go through a buffer, so small reads cost no system call.
class TFileStream : public TStream {
 public:
  TFileStream(const std::u16string& FileName, TFileMode Mode);
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;
  ~TFileStream() override;

  int32_t Read(void* Buffer, int32_t Count) override;
  int32_t Write(const void* Buffer, int32_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t Size() override;
  // Reads up to Count bytes at Offset without moving the position or using the
  // buffer; fewer only at the end of the file. Safe from several threads.
  size_t ReadAt(int64_t Offset, void* Buffer, size_t Count) const;

 private:
  int FHandle = -1;
  int64_t FPosition = 0;       // logical position
  // Left uninitialised: only what a read fills is touched, so a small file costs
  // no more memory than its size however large the buffer.
  std::unique_ptr<uint8_t[]> FBuffer;
  int64_t FBufferStart = 0;    // file offset of FBuffer[0]
  size_t FBufferLength = 0;    // valid bytes in FBuffer
  int64_t FSize = -1;          // cached size for read-only files
  bool FWritable = false;
};

// Little-endian reads of exact widths; a short stream raises EReadError.
uint8_t ReadU8(TStream& S);
uint16_t ReadU16(TStream& S);
uint32_t ReadU32(TStream& S);
uint64_t ReadU64(TStream& S);

// The bytes of Stream from its position to its end.
std::string ReadRestOfStream(TStream& Stream);

}  // namespace msword
