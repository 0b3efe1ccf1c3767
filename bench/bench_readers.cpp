// What our readers over the format libraries cost beyond the library's own decoding: a
// 12-megapixel picture (4000 x 3000) as HEIC (x265, quality 90), AVIF (aom, quality 90),
// lossy WebP (quality 90) and LZW TIFF, each decoded by the library's bare call into its
// own buffer and by our reader (LoadFromStream: the library plus our limits and the
// copy into 24-bit rows and the alpha plane). Library and reader run in turn inside every
// iteration; the counters are medians of processor milliseconds and reader / library.
// With BENCH_READERS_FILES set to a folder, the pictures are also written there (with a
// JPEG of quality 90 of the same picture) for bench/readers.sh.
#include <benchmark/benchmark.h>
#include <libheif/heif.h>
#include <tiffio.h>
#include <unistd.h>
#include <webp/decode.h>
#include <webp/encode.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "bench_timing.h"
#include "heif/heifread.h"
#include "jpeg/jpeg.h"
#include "tiff/tiffread.h"
#include "webp/webp_read.h"

using namespace velora;
using velora::bench::CpuMilliseconds;
using velora::bench::Median;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr int kWidth = 4000, kHeight = 3000;

// Smooth colour fields with sensor-like noise, red, green, blue.
Bytes PhotoRgb() {
  Bytes rgb(static_cast<size_t>(kWidth) * kHeight * 3);
  std::mt19937 rng(12);
  std::normal_distribution<float> noise(0.0f, 4.0f);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const float u = x / 700.0f, v = y / 500.0f;
      const float base[3] = {128 + 90 * std::sin(u + 0.3f * v), 128 + 80 * std::cos(0.7f * u - v),
                             128 + 70 * std::sin(1.3f * v + 0.2f * u * u)};
      for (int c = 0; c < 3; ++c) {
        rgb[(static_cast<size_t>(y) * kWidth + x) * 3 + c] =
            static_cast<uint8_t>(std::clamp(base[c] + noise(rng), 0.0f, 255.0f));
      }
    }
  }
  return rgb;
}

heif_error Append(heif_context*, const void* data, size_t size, void* out) {
  auto* bytes = static_cast<Bytes*>(out);
  bytes->insert(bytes->end(), static_cast<const uint8_t*>(data),
                static_cast<const uint8_t*>(data) + size);
  return {heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

Bytes EncodeHeif(const Bytes& rgb, heif_compression_format codec) {
  heif_context* context = heif_context_alloc();
  heif_encoder* encoder = nullptr;
  heif_context_get_encoder_for_format(context, codec, &encoder);
  heif_encoder_set_lossy_quality(encoder, 90);
  if (codec == heif_compression_AV1) heif_encoder_set_parameter(encoder, "speed", "8");
  heif_image* image = nullptr;
  heif_image_create(kWidth, kHeight, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
  heif_image_add_plane(image, heif_channel_interleaved, kWidth, kHeight, 8);
  int stride = 0;
  uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
  for (int y = 0; y < kHeight; ++y) {
    std::copy_n(&rgb[static_cast<size_t>(y) * kWidth * 3], kWidth * 3, plane + y * stride);
  }
  heif_context_encode_image(context, image, encoder, nullptr, nullptr);
  Bytes file;
  heif_writer writer{1, &Append};
  heif_context_write(context, &writer, &file);
  heif_image_release(image);
  heif_encoder_release(encoder);
  heif_context_free(context);
  return file;
}

Bytes EncodeWebp(const Bytes& rgb) {
  uint8_t* out = nullptr;
  const size_t size = WebPEncodeRGB(rgb.data(), kWidth, kHeight, kWidth * 3, 90, &out);
  Bytes file(out, out + size);
  WebPFree(out);
  return file;
}

std::string TiffPath() {
  return "/dev/shm/velora-bench-" + std::to_string(getpid()) + ".tif";
}

Bytes EncodeTiff(const Bytes& rgb) {
  const std::string path = TiffPath();
  TIFF* tiff = TIFFOpen(path.c_str(), "w");
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, kWidth);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, kHeight);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 16);
  for (int y = 0; y < kHeight; ++y) {
    TIFFWriteScanline(tiff, const_cast<uint8_t*>(&rgb[static_cast<size_t>(y) * kWidth * 3]), y, 0);
  }
  TIFFClose(tiff);
  FILE* f = std::fopen(path.c_str(), "rb");
  Bytes file(static_cast<size_t>(kWidth) * kHeight * 4);
  file.resize(std::fread(file.data(), 1, file.size(), f));
  std::fclose(f);
  return file;
}

void HeifLibrary(const Bytes& file) {
  heif_context* context = heif_context_alloc();
  heif_context_read_from_memory_without_copy(context, file.data(), file.size(), nullptr);
  heif_image_handle* handle = nullptr;
  heif_context_get_primary_image_handle(context, &handle);
  heif_image* image = nullptr;
  heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr);
  int stride = 0;
  benchmark::DoNotOptimize(heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride));
  heif_image_release(image);
  heif_image_handle_release(handle);
  heif_context_free(context);
}

void WebpLibrary(const Bytes& file) {
  int w = 0, h = 0;
  uint8_t* pixels = WebPDecodeBGR(file.data(), file.size(), &w, &h);
  benchmark::DoNotOptimize(pixels);
  WebPFree(pixels);
}

// libtiff's own conversion to packed pixels, the call our reader builds on.
void TiffLibrary(const Bytes&) {
  TIFF* tiff = TIFFOpen(TiffPath().c_str(), "r");
  std::vector<uint32_t> raster(static_cast<size_t>(kWidth) * kHeight);
  TIFFReadRGBAImageOriented(tiff, kWidth, kHeight, raster.data(), ORIENTATION_TOPLEFT, 1);
  benchmark::DoNotOptimize(raster.data());
  TIFFClose(tiff);
}

template <class Reader>
void OurReader(const Bytes& file) {
  Reader picture;
  TBytesStream in(file.data(), file.size());
  picture.LoadFromStream(in);
  benchmark::DoNotOptimize(picture.Bitmap().Dib().get());
}

void WriteFile(const std::string& path, const Bytes& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

Bytes EncodeJpeg(const Bytes& rgb) {
  TBitmap bitmap;
  bitmap.SetPixelDepth(PixelDepth::pf24bit);
  bitmap.SetSize(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y) {
    uint8_t* row = bitmap.RowAddress(y);
    const uint8_t* in = &rgb[static_cast<size_t>(y) * kWidth * 3];
    for (int x = 0; x < kWidth; ++x) {
      row[3 * x] = in[3 * x + 2];
      row[3 * x + 1] = in[3 * x + 1];
      row[3 * x + 2] = in[3 * x];
    }
  }
  TJPEGImage jpeg;
  jpeg.EncodeQuality = 90;
  jpeg.CopyGraphic(&bitmap);
  jpeg.EncodeJpeg();
  return jpeg.CompressedBytes();
}

struct Format {
  std::string name;
  Bytes file;
  std::function<void(const Bytes&)> library, reader;
};

void Readers(benchmark::State& state) {
  const Bytes rgb = PhotoRgb();
  std::vector<Format> formats = {
      {"heic", EncodeHeif(rgb, heif_compression_HEVC), &HeifLibrary, &OurReader<THeifPicture>},
      {"avif", EncodeHeif(rgb, heif_compression_AV1), &HeifLibrary, &OurReader<THeifPicture>},
      {"webp", EncodeWebp(rgb), &WebpLibrary, &OurReader<TWebPPicture>},
      {"tiff", EncodeTiff(rgb), &TiffLibrary, &OurReader<TTiffPicture>},
  };
  if (const char* folder = std::getenv("BENCH_READERS_FILES")) {
    for (const Format& f : formats) WriteFile(std::string(folder) + "/photo." + f.name, f.file);
    WriteFile(std::string(folder) + "/photo.jpg", EncodeJpeg(rgb));
  }
  std::map<std::string, std::vector<double>> ms;
  for (auto _ : state) {
    for (const Format& f : formats) {
      double start = CpuMilliseconds();
      f.library(f.file);
      ms[f.name + "_library"].push_back(CpuMilliseconds() - start);
      start = CpuMilliseconds();
      f.reader(f.file);
      ms[f.name + "_reader"].push_back(CpuMilliseconds() - start);
    }
  }
  for (const Format& f : formats) {
    const double library = Median(ms[f.name + "_library"]);
    const double reader = Median(ms[f.name + "_reader"]);
    state.counters[f.name + "_library_ms"] = library;
    state.counters[f.name + "_reader_ms"] = reader;
    state.counters[f.name + "_reader/library"] = reader / library;
  }
  std::remove(TiffPath().c_str());
}

const bool kRegistered = [] {
  benchmark::RegisterBenchmark("readers12mp/library_vs_reader", &Readers)
      ->Unit(benchmark::kMillisecond)
      ->Iterations(7);
  return true;
}();

}  // namespace
