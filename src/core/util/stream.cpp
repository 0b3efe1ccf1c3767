#include "util/stream.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "util/errors.h"
#include "util/regular_file.h"

namespace velora {

int64_t TStream::Size() {
  const int64_t here = Position();
  const int64_t end = Seek(0, SeekOrigin::End);
  Seek(here, SeekOrigin::Begin);
  return end;
}

int64_t TStream::Remaining() {
  const int64_t rest = Size() - Position();
  return rest > 0 ? rest : 0;
}

void TStream::ReadBuffer(void* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    const size_t n = Read(static_cast<uint8_t*>(buffer) + done, count - done);
    if (n == 0) throw EReadError("Stream read error");
    done += n;
  }
}

void TStream::WriteBuffer(const void* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    const size_t n = Write(static_cast<const uint8_t*>(buffer) + done, count - done);
    if (n == 0) throw EWriteError("Stream write error");
    done += n;
  }
}

namespace {

// New position for a seek on an in-memory stream of the given size; never negative.
size_t SeekTarget(size_t position, size_t size, int64_t offset, SeekOrigin origin) {
  int64_t base = 0;
  switch (origin) {
    case SeekOrigin::Begin:
      base = 0;
      break;
    case SeekOrigin::Current:
      base = static_cast<int64_t>(position);
      break;
    case SeekOrigin::End:
      base = static_cast<int64_t>(size);
      break;
  }
  const int64_t target = base + offset;
  return target < 0 ? 0 : static_cast<size_t>(target);
}

}  // namespace

size_t TMemoryStream::Read(void* buffer, size_t count) {
  if (position_ >= data_.size()) return 0;
  const size_t n = std::min(count, data_.size() - position_);
  std::memcpy(buffer, data_.data() + position_, n);
  position_ += n;
  return n;
}

size_t TMemoryStream::Write(const void* buffer, size_t count) {
  if (count == 0) return 0;
  if (position_ + count > data_.size()) data_.resize(position_ + count);
  std::memcpy(data_.data() + position_, buffer, count);
  position_ += count;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, SeekOrigin origin) {
  position_ = SeekTarget(position_, data_.size(), offset, origin);
  return static_cast<int64_t>(position_);
}

size_t TBytesStream::Read(void* buffer, size_t count) {
  if (position_ >= size_) return 0;
  const size_t n = std::min(count, size_ - position_);
  std::memcpy(buffer, data_ + position_, n);
  position_ += n;
  return n;
}

int64_t TBytesStream::Seek(int64_t offset, SeekOrigin origin) {
  position_ = SeekTarget(position_, size_, offset, origin);
  return static_cast<int64_t>(position_);
}

std::string ExpandFileName(const std::string& fileName) {
  if (fileName.empty()) return fileName;
  std::error_code ec;
  const auto full = std::filesystem::absolute(fileName, ec);
  if (ec) return fileName;
  return full.lexically_normal().string();
}

TFileStream::TFileStream(const std::string& fileName, Mode mode) {
  const OpenedFile file = mode == Mode::OpenRead
                              ? OpenRegularFile(fileName, O_RDONLY)
                              : OpenRegularFile(fileName, O_RDWR | O_CREAT | O_TRUNC, 0666);
  if (file.fd < 0) {
    const std::string text = "\"" + ExpandFileName(fileName) + "\". " + FileErrorText(file.error);
    if (mode == Mode::OpenRead) throw EFOpenError("Cannot open file " + text);
    throw EFCreateError("Cannot create file " + text);
  }
  fd_ = file.fd;
}

TFileStream::~TFileStream() {
  if (fd_ >= 0) ::close(fd_);
}

size_t TFileStream::Read(void* buffer, size_t count) {
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, count);
    if (n >= 0) return static_cast<size_t>(n);
    if (errno != EINTR) return 0;
  }
}

size_t TFileStream::Write(const void* buffer, size_t count) {
  for (;;) {
    const ssize_t n = ::write(fd_, buffer, count);
    if (n >= 0) return static_cast<size_t>(n);
    if (errno != EINTR) return 0;
  }
}

int64_t TFileStream::Seek(int64_t offset, SeekOrigin origin) {
  const int whence = origin == SeekOrigin::Begin     ? SEEK_SET
                     : origin == SeekOrigin::Current ? SEEK_CUR
                                                     : SEEK_END;
  const off_t r = ::lseek(fd_, offset, whence);
  return r < 0 ? -1 : static_cast<int64_t>(r);
}

}  // namespace velora
