#include "art_palette.h"

#include <algorithm>
#include <array>
#include <map>

namespace velora::art {

namespace {

struct Weighted {
  std::array<int, 3> c;
  long count;
};

struct Box {
  std::vector<Weighted> colours;
  std::array<double, 3> mean{};
  double error = 0;  // sum of count * squared distance from the mean
  int widest = 0;    // the channel with the largest spread

  void Measure() {
    long total = 0;
    std::array<double, 3> sum{};
    for (const Weighted& w : colours) {
      total += w.count;
      for (int k = 0; k < 3; ++k) sum[k] += static_cast<double>(w.c[k]) * w.count;
    }
    for (int k = 0; k < 3; ++k) mean[k] = sum[k] / static_cast<double>(total);
    std::array<double, 3> spread{};
    error = 0;
    for (const Weighted& w : colours) {
      for (int k = 0; k < 3; ++k) {
        const double d = w.c[k] - mean[k];
        spread[k] += d * d * static_cast<double>(w.count);
        error += d * d * static_cast<double>(w.count);
      }
    }
    widest = static_cast<int>(std::max_element(spread.begin(), spread.end()) - spread.begin());
  }
};

uint32_t Key(const Rgb& c) {
  return static_cast<uint32_t>(c.r) << 16 | static_cast<uint32_t>(c.g) << 8 | c.b;
}

std::vector<Rgb> MedianCut(const std::map<uint32_t, long>& histogram) {
  std::vector<Box> boxes(1);
  for (const auto& [key, count] : histogram) {
    boxes[0].colours.push_back({{static_cast<int>(key >> 16), static_cast<int>(key >> 8 & 255),
                                 static_cast<int>(key & 255)},
                                count});
  }
  boxes[0].Measure();
  while (boxes.size() < 256) {
    auto worst = std::max_element(boxes.begin(), boxes.end(), [](const Box& a, const Box& b) {
      return a.colours.size() < 2 || (b.colours.size() >= 2 && a.error < b.error);
    });
    if (worst->colours.size() < 2) break;
    const int k = worst->widest;
    std::vector<Weighted>& list = worst->colours;
    std::sort(list.begin(), list.end(),
              [k](const Weighted& a, const Weighted& b) { return a.c[k] < b.c[k]; });
    long total = 0;
    for (const Weighted& w : list) total += w.count;
    long running = 0;
    size_t cut = 1;
    for (; cut < list.size() - 1; ++cut) {
      running += list[cut - 1].count;
      if (running * 2 >= total) break;
    }
    Box upper;
    upper.colours.assign(list.begin() + static_cast<long>(cut), list.end());
    list.resize(cut);
    worst->Measure();
    upper.Measure();
    boxes.push_back(std::move(upper));
  }
  std::vector<Rgb> palette;
  for (const Box& box : boxes) {
    auto channel = [&](int k) {
      return static_cast<uint8_t>(std::clamp(box.mean[k] + 0.5, 0.0, 255.0));
    };
    palette.push_back({channel(0), channel(1), channel(2)});
  }
  return palette;
}

uint8_t Nearest(const std::vector<Rgb>& palette, const Rgb& c) {
  size_t best = 0;
  int bestDistance = -1;
  for (size_t i = 0; i < palette.size(); ++i) {
    const int dr = palette[i].r - c.r, dg = palette[i].g - c.g, db = palette[i].b - c.b;
    const int d = dr * dr + dg * dg + db * db;
    if (bestDistance < 0 || d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return static_cast<uint8_t>(best);
}

}  // namespace

PalettePicture ReduceToPalette(const std::vector<Rgb>& pixels) {
  std::map<uint32_t, long> histogram;
  for (const Rgb& c : pixels) ++histogram[Key(c)];
  PalettePicture result;
  if (histogram.size() <= 256) {
    for (const auto& entry : histogram) {
      const uint32_t key = entry.first;
      result.palette.push_back({static_cast<uint8_t>(key >> 16), static_cast<uint8_t>(key >> 8),
                                static_cast<uint8_t>(key)});
    }
  } else {
    result.palette = MedianCut(histogram);
  }
  std::map<uint32_t, uint8_t> index;
  for (const auto& entry : histogram) {
    const uint32_t key = entry.first;
    index[key] =
        Nearest(result.palette, {static_cast<uint8_t>(key >> 16), static_cast<uint8_t>(key >> 8),
                                 static_cast<uint8_t>(key)});
  }
  result.indices.reserve(pixels.size());
  for (const Rgb& c : pixels) result.indices.push_back(index[Key(c)]);
  return result;
}

}  // namespace velora::art
