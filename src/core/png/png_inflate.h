#pragma once
// zlib inflation for the PNG reader: a stream that is always ended, and the failure
// that names zlib's result.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velora {

// An inflating zlib stream, released on every path out.
class TInflater {
 public:
  // Raises EPNGZLIBError when zlib cannot start.
  TInflater();
  ~TInflater();
  TInflater(const TInflater&) = delete;
  TInflater& operator=(const TInflater&) = delete;

  z_stream& Stream() { return z_; }

 private:
  z_stream z_{};
};

// Raises EPNGZLIBError whose text names the zlib result.
[[noreturn]] void RaiseZlibError(int zlibResult);

// Inflates a complete zlib stream held in memory, keeping at most `limit` bytes of its
// output. A stream cut short keeps what it gave; damaged data raise EPNGZLIBError.
std::string InflateBytes(const uint8_t* data, size_t size, size_t limit);
// The output of a complete zlib stream held in memory when it ends within `limit` bytes;
// none when it is longer, cut short or damaged. Never raises for bad data.
std::optional<std::vector<uint8_t>> InflateWhole(const uint8_t* data, size_t size, size_t limit);

}  // namespace velora
