#include "jpeg/icc_profile.h"

#include <cstring>

#include "picture/picture.h"

namespace velora {

namespace {
constexpr uint8_t kIccId[12] = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0};
constexpr size_t kIccHeader = sizeof kIccId + 2;  // then the sequence number and the count
}  // namespace

std::vector<uint8_t> JoinIccSegments(const std::vector<std::span<const uint8_t>>& app2Segments) {
  std::vector<std::span<const uint8_t>> bySequence;  // index: sequence number - 1
  std::vector<bool> seen;
  size_t found = 0, total = 0;
  for (const std::span<const uint8_t>& segment : app2Segments) {
    if (segment.size() < sizeof kIccId || std::memcmp(segment.data(), kIccId, sizeof kIccId) != 0)
      continue;
    if (segment.size() < kIccHeader) return {};
    const unsigned sequence = segment[sizeof kIccId], count = segment[sizeof kIccId + 1];
    if (count == 0 || sequence == 0 || sequence > count) return {};
    if (found == 0) {
      bySequence.resize(count);
      seen.resize(count);
    }
    if (bySequence.size() != count || seen[sequence - 1]) return {};  // another count, a repeat
    seen[sequence - 1] = true;
    bySequence[sequence - 1] = segment.subspan(kIccHeader);
    ++found;
    total += segment.size() - kIccHeader;
    if (total > kMaxColorProfileBytes) return {};
  }
  if (found != bySequence.size()) return {};  // a segment is missing
  std::vector<uint8_t> profile;
  profile.reserve(total);
  for (const std::span<const uint8_t>& part : bySequence)
    profile.insert(profile.end(), part.begin(), part.end());
  return profile;
}

}  // namespace velora
