#pragma once
// ICC profiles in JPEG files: a profile too long for one segment is split over several
// APP2 segments, each starting with "ICC_PROFILE\0", its sequence number (from 1) and the
// number of segments.
#include <cstdint>
#include <span>
#include <vector>

namespace velora {

// The profile the APP2 segments' data hold, joined in sequence order. Segments of other
// kinds are ignored. Empty when there is no profile, when any of its segments is damaged
// (too short, numbers out of range, disagreeing or repeated, one missing) or when it is
// longer than kMaxColorProfileBytes.
std::vector<uint8_t> JoinIccSegments(const std::vector<std::span<const uint8_t>>& app2Segments);

}  // namespace velora
