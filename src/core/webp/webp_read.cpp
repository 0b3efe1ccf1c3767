#include "webp/webp_read.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>
#include <memory>
#include <string>

#include "jpeg/exif.h"

namespace velora {

namespace {

std::unique_ptr<TGraphic> Create() {
  return std::make_unique<TWebPPicture>();
}

constexpr const char* kInvalid = "WebP image is not valid";

struct DemuxDeleter {
  void operator()(WebPDemuxer* demux) const { WebPDemuxDelete(demux); }
};
using Demuxer = std::unique_ptr<WebPDemuxer, DemuxDeleter>;

// The payload of the first chunk of a kind (none when the file has none).
std::vector<uint8_t> ChunkBytes(WebPDemuxer* demux, const char fourcc[5]) {
  WebPChunkIterator chunk;
  std::vector<uint8_t> bytes;
  if (WebPDemuxGetChunk(demux, fourcc, 1, &chunk)) {
    bytes.assign(chunk.chunk.bytes, chunk.chunk.bytes + chunk.chunk.size);
  }
  WebPDemuxReleaseChunkIterator(&chunk);
  return bytes;
}

// The EXIF chunk holds a bare TIFF structure; some writers put the JPEG segment's
// "Exif\0\0" before it, which the EXIF reader wants.
int OrientationOf(std::vector<uint8_t> exif) {
  static constexpr uint8_t kExifId[6] = {'E', 'x', 'i', 'f', 0, 0};
  if (exif.size() < sizeof kExifId || std::memcmp(exif.data(), kExifId, sizeof kExifId) != 0) {
    exif.insert(exif.begin(), kExifId, kExifId + sizeof kExifId);
  }
  return ExifOrientation(exif.data(), exif.size());
}

struct Frame {
  const uint8_t* bytes = nullptr;
  size_t size = 0;
  int left = 0, top = 0, width = 0, height = 0;
  bool alpha = false;
};

Frame FirstFrame(WebPDemuxer* demux) {
  WebPIterator iter;
  if (!WebPDemuxGetFrame(demux, 1, &iter)) throw EWebPError(kInvalid);
  Frame frame{iter.fragment.bytes, iter.fragment.size, iter.x_offset, iter.y_offset, 0, 0, false};
  WebPDemuxReleaseIterator(&iter);
  WebPBitstreamFeatures features;
  if (WebPGetFeatures(frame.bytes, frame.size, &features) != VP8_STATUS_OK) {
    throw EWebPError(kInvalid);
  }
  frame.width = features.width;
  frame.height = features.height;
  frame.alpha = features.has_alpha != 0;
  return frame;
}

// Decodes the frame into the pixels at its place: opaque frames straight into the
// bitmap's rows, others through one buffer of blue, green, red, alpha.
void DecodeFrame(const Frame& frame, DibSection& dib, std::vector<uint8_t>& alpha) {
  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config)) throw EWebPError(kInvalid);
  config.output.is_external_memory = 1;
  std::vector<uint8_t> bgra;
  uint8_t* first = dib.Row(frame.top) + static_cast<size_t>(frame.left) * 3;
  const size_t width = static_cast<size_t>(frame.width);
  if (frame.alpha) {
    bgra.resize(width * 4 * static_cast<size_t>(frame.height));
    config.output.colorspace = MODE_BGRA;
    config.output.u.RGBA = {bgra.data(), static_cast<int>(width * 4), bgra.size()};
  } else {
    config.output.colorspace = MODE_BGR;
    config.output.u.RGBA = {first, static_cast<int>(dib.stride),
                            dib.stride * static_cast<size_t>(frame.height - 1) + width * 3};
  }
  const VP8StatusCode status = WebPDecode(frame.bytes, frame.size, &config);
  WebPFreeDecBuffer(&config.output);
  if (status != VP8_STATUS_OK) throw EWebPError(kInvalid);
  if (!frame.alpha) return;
  for (int y = 0; y < frame.height; ++y) {
    const uint8_t* in = bgra.data() + static_cast<size_t>(y) * width * 4;
    uint8_t* out = dib.Row(frame.top + y) + static_cast<size_t>(frame.left) * 3;
    uint8_t* a = alpha.data() + (static_cast<size_t>(frame.top + y) * dib.width + frame.left);
    for (size_t x = 0; x < width; ++x, in += 4, out += 3) {
      out[0] = in[0];
      out[1] = in[1];
      out[2] = in[2];
      a[x] = in[3];
    }
  }
}

}  // namespace

const TGraphicClass& TWebPPicture::Class() {
  static const TGraphicClass cls{"TWebPPicture", nullptr, &Create};
  return cls;
}

void TWebPPicture::LoadFromStream(TStream& stream) {
  Clear();
  const std::vector<uint8_t> bytes = ReadRemaining(stream);
  const WebPData data{bytes.data(), bytes.size()};
  const Demuxer demux(WebPDemux(&data));
  if (!demux) throw EWebPError(kInvalid);
  const int width = static_cast<int>(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH));
  const int height = static_cast<int>(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT));
  const Frame frame = FirstFrame(demux.get());
  if (frame.left < 0 || frame.top < 0 || frame.width <= 0 || frame.height <= 0 ||
      frame.width > width - frame.left || frame.height > height - frame.top) {
    throw EWebPError(kInvalid);
  }
  // Where the first frame leaves the canvas uncovered, the canvas is transparent.
  const bool covers = frame.width == width && frame.height == height;
  const bool alpha = frame.alpha || !covers;
  if (!FitsPixelBudget(width, height, alpha)) {
    throw EWebPError("WebP image is too large (" + std::to_string(width) + " x " +
                     std::to_string(height) + " pixels)");
  }
  Pixels pixels = NewPixels(width, height, alpha);
  if (!covers) std::memset(pixels.dib->bits.get(), 0xFF, pixels.dib->ByteSize());
  DecodeFrame(frame, *pixels.dib, pixels.alpha);

  const uint32_t flags = WebPDemuxGetI(demux.get(), WEBP_FF_FORMAT_FLAGS);
  std::vector<uint8_t> profile;
  if (flags & ICCP_FLAG) profile = ChunkBytes(demux.get(), "ICCP");
  const int orientation = flags & EXIF_FLAG ? OrientationOf(ChunkBytes(demux.get(), "EXIF")) : 1;
  Install(std::move(pixels), orientation, std::move(profile));
}

}  // namespace velora
