#pragma once
// Byte streams the readers and writers work on: memory, a read-only view of memory,
// and files.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velora {

enum class SeekOrigin { Begin, Current, End };

class TStream {
 public:
  virtual ~TStream() = default;
  // Reads up to count bytes; returns how many were read (0 at the end).
  virtual size_t Read(void* buffer, size_t count) = 0;
  // Writes up to count bytes; returns how many were written.
  virtual size_t Write(const void* buffer, size_t count) = 0;
  // Moves the position and returns the new one. Positions past the end are allowed.
  virtual int64_t Seek(int64_t offset, SeekOrigin origin) = 0;

  int64_t Position() { return Seek(0, SeekOrigin::Current); }
  void SetPosition(int64_t position) { Seek(position, SeekOrigin::Begin); }
  int64_t Size();
  // Bytes between the position and the end (0 when the position is past the end).
  int64_t Remaining();
  // Reads exactly count bytes or raises EReadError "Stream read error".
  void ReadBuffer(void* buffer, size_t count);
  // Writes exactly count bytes or raises EWriteError "Stream write error".
  void WriteBuffer(const void* buffer, size_t count);
};

// A growable buffer in memory.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<uint8_t> bytes) : data_(std::move(bytes)) {}
  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;

  const std::vector<uint8_t>& Bytes() const { return data_; }
  std::vector<uint8_t>& Bytes() { return data_; }
  void Clear() {
    data_.clear();
    position_ = 0;
  }

 private:
  std::vector<uint8_t> data_;
  size_t position_ = 0;
};

// A read-only view of bytes owned by someone else (fuzzers, embedded pictures).
class TBytesStream : public TStream {
 public:
  TBytesStream(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void*, size_t) override { return 0; }
  int64_t Seek(int64_t offset, SeekOrigin origin) override;

 private:
  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
};

// A regular file opened for reading, or created (truncated) for reading and writing.
class TFileStream : public TStream {
 public:
  enum class Mode { OpenRead, Create };
  // Raises EFOpenError "Cannot open file "%s". %s" or EFCreateError
  // "Cannot create file "%s". %s" with the full path and the system's reason. A FIFO,
  // socket, device or folder is refused at once (see OpenRegularFile), never read.
  TFileStream(const std::string& fileName, Mode mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;

 private:
  int fd_ = -1;
};

// The full path of a file name: relative names are taken against the current folder
// and "." and ".." are resolved.
std::string ExpandFileName(const std::string& fileName);

}  // namespace velora
