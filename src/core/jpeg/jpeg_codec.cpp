// libjpeg reports errors by calling error_exit, which must not return. We jump back to
// the function that started the work (setjmp/longjmp), release libjpeg's state there
// and raise the exception from C++ code. Functions holding a setjmp keep their C++
// objects declared before it, so the jump never skips a destructor.
#include "jpeg/jpeg_codec.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <span>
#include <string>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>
// After jpeglib.h, so the messages of the arithmetic decoder are known when it is built in.
#include <jerror.h>

#include "jpeg/exif.h"
#include "jpeg/icc_profile.h"
#include "jpeg/jpeg.h"

namespace velora {

namespace {

constexpr size_t kBlockSize = 4096;
// What libjpeg may allocate for its own buffers (progressive coefficients, etc.): the
// coefficients of the largest picture allowed take about twice its pixel bytes.
constexpr long kLibraryMemoryLimit = static_cast<long>(2 * kMaxPixelBytes);

// Every scan of a progressive (or multi-scan) file is a pass over the coefficients of
// the whole picture, and a file may repeat tiny scans thousands of times: 1 MiB of them
// keeps the decoder busy for many minutes. Encoders write ten or twenty. A picture may
// have up to kMaxScans scans, fewer when it is so large that they would make more than
// kScanPixelBudget pixel passes, but never fewer than kMinScans.
constexpr int kMaxScans = 500;
constexpr int kMinScans = 100;
constexpr uint64_t kScanPixelBudget = uint64_t{1} << 33;

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  bool outOfMemory = false;  // the destination could not grow
  int scanLimitPassed = 0;   // the scan limit the file went past
  bool dataLost = false;     // a warning said part of the picture had to be made up
};

int ScanLimit(const jpeg_decompress_struct& cinfo) {
  const uint64_t pixels = std::max<uint64_t>(1, uint64_t{cinfo.image_width} * cinfo.image_height);
  return static_cast<int>(std::clamp<uint64_t>(kScanPixelBudget / pixels, kMinScans, kMaxScans));
}

void ErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  std::longjmp(err->jump, 1);
}

void OutputNothing(j_common_ptr) {}

// The warnings after which part of the picture is libjpeg's guess, not the file's data.
// Others (extra bytes before a marker, an odd progression, an unknown Adobe transform)
// leave every pixel as the file has it.
bool LosesData(int code) {
  switch (code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_HUFF_BAD_CODE:
#if defined(D_ARITH_CODING_SUPPORTED) || JPEG_LIB_VERSION >= 70
    case JWRN_ARITH_BAD_CODE:
#endif
      return true;
    default:
      return false;
  }
}

// Warnings are not printed; the ones that lose data mark the picture as damaged.
void NoteMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  ++err->pub.num_warnings;
  if (LosesData(err->pub.msg_code)) err->dataLost = true;
}

jpeg_error_mgr* InitErrors(ErrorManager& err) {
  jpeg_std_error(&err.pub);
  err.pub.error_exit = &ErrorExit;
  err.pub.output_message = &OutputNothing;
  err.pub.emit_message = &NoteMessage;
  return &err.pub;
}

[[noreturn]] void RaiseLibraryError(const ErrorManager& err) {
  if (err.outOfMemory) throw EStreamError("Out of memory while expanding memory stream");
  if (err.scanLimitPassed) {
    throw EJPEG("JPEG image has too many scans (more than " + std::to_string(err.scanLimitPassed) +
                ")");
  }
  throw EJPEG("JPEG error #" + std::to_string(err.pub.msg_code));
}

// libjpeg calls the progress monitor again and again while it reads the scans.
void StopAfterTooManyScans(j_common_ptr cinfo) {
  const auto& decompress = *reinterpret_cast<j_decompress_ptr>(cinfo);
  const int limit = ScanLimit(decompress);
  if (decompress.input_scan_number <= limit) return;
  reinterpret_cast<ErrorManager*>(cinfo->err)->scanLimitPassed = limit;
  (*cinfo->err->error_exit)(cinfo);
}

// A source reading a memory buffer in blocks of 4096 bytes. Running dry before the
// first byte is libjpeg's input-empty error; later it warns and inserts an end marker,
// so a truncated picture decodes as far as it goes.
struct MemorySource {
  jpeg_source_mgr pub;
  const uint8_t* data;
  size_t size;
  size_t offset;
  bool started;
  JOCTET eoi[2];
};

void InitSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  auto* src = reinterpret_cast<MemorySource*>(cinfo->src);
  if (src->offset >= src->size) {
    if (!src->started) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    WARNMS(cinfo, JWRN_JPEG_EOF);
    src->eoi[0] = 0xFF;
    src->eoi[1] = JPEG_EOI;
    src->pub.next_input_byte = src->eoi;
    src->pub.bytes_in_buffer = 2;
    return TRUE;
  }
  const size_t n = std::min(kBlockSize, src->size - src->offset);
  src->pub.next_input_byte = src->data + src->offset;
  src->pub.bytes_in_buffer = n;
  src->offset += n;
  src->started = true;
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
  auto* src = reinterpret_cast<MemorySource*>(cinfo->src);
  if (count <= 0) return;
  while (count > static_cast<long>(src->pub.bytes_in_buffer)) {
    count -= static_cast<long>(src->pub.bytes_in_buffer);
    FillInputBuffer(cinfo);
  }
  src->pub.next_input_byte += count;
  src->pub.bytes_in_buffer -= static_cast<size_t>(count);
}

void TermSource(j_decompress_ptr) {}

void AttachSource(jpeg_decompress_struct& cinfo, MemorySource& src, const uint8_t* data,
                  size_t size) {
  src.pub.init_source = &InitSource;
  src.pub.fill_input_buffer = &FillInputBuffer;
  src.pub.skip_input_data = &SkipInputData;
  src.pub.resync_to_restart = &jpeg_resync_to_restart;
  src.pub.term_source = &TermSource;
  src.pub.next_input_byte = nullptr;
  src.pub.bytes_in_buffer = 0;
  src.data = data;
  src.size = size;
  src.offset = 0;
  src.started = false;
  cinfo.src = &src.pub;
}

// A destination collecting the output in a growing buffer, 4096 bytes at a time.
struct MemoryDestination {
  jpeg_destination_mgr pub;
  std::vector<uint8_t>* out;
  JOCTET block[kBlockSize];
};

void InitDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
  dest->pub.next_output_byte = dest->block;
  dest->pub.free_in_buffer = kBlockSize;
}

// Appends bytes; false when the buffer cannot grow.
bool Append(MemoryDestination& dest, size_t count) {
  try {
    dest.out->insert(dest.out->end(), dest.block, dest.block + count);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
  if (!Append(*dest, kBlockSize)) {
    reinterpret_cast<ErrorManager*>(cinfo->err)->outOfMemory = true;
    ERREXIT(cinfo, JERR_FILE_WRITE);
  }
  dest->pub.next_output_byte = dest->block;
  dest->pub.free_in_buffer = kBlockSize;
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
  if (!Append(*dest, kBlockSize - dest->pub.free_in_buffer)) {
    reinterpret_cast<ErrorManager*>(cinfo->err)->outOfMemory = true;
    ERREXIT(cinfo, JERR_FILE_WRITE);
  }
}

// Adobe CMYK as libjpeg delivers it (inverted: 255 is no ink) to blue-green-red.
void CmykRowToBgr(const uint8_t* cmyk, uint8_t* bgr, unsigned width) {
  for (unsigned x = 0; x < width; ++x) {
    const unsigned c = cmyk[4 * x], m = cmyk[4 * x + 1], y = cmyk[4 * x + 2], k = cmyk[4 * x + 3];
    bgr[3 * x] = static_cast<uint8_t>((y * k + 127) / 255);
    bgr[3 * x + 1] = static_cast<uint8_t>((m * k + 127) / 255);
    bgr[3 * x + 2] = static_cast<uint8_t>((c * k + 127) / 255);
  }
}

std::string TooLargeMessage(unsigned width, unsigned height) {
  return "JPEG image is too large to decode (" + std::to_string(width) + " x " +
         std::to_string(height) + " pixels)";
}

// The orientation and colour profile of the APP1 and APP2 segments libjpeg kept. The
// first EXIF block counts (other APP1 segments, such as XMP, are not EXIF).
void TakeMetadata(const jpeg_decompress_struct& cinfo, JpegHeader& header) {
  bool exifSeen = false;
  std::vector<std::span<const uint8_t>> app2;
  for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next) {
    if (m->marker == JPEG_APP0 + 1 && !exifSeen && m->data_length >= 6 &&
        std::memcmp(m->data, "Exif\0\0", 6) == 0) {
      exifSeen = true;
      header.Orientation = ExifOrientation(m->data, m->data_length);
    } else if (m->marker == JPEG_APP0 + 2) {
      // A segment the file ends inside of is kept only in part: no profile from it.
      if (m->data_length != m->original_length) return;
      app2.emplace_back(m->data, m->data_length);
    }
  }
  header.ColorProfile = JoinIccSegments(app2);
}

}  // namespace

JpegHeader ReadJpegHeader(const uint8_t* data, size_t size, int scaleDenominator, bool metadata) {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  MemorySource src;
  JpegHeader header;
  cinfo.err = InitErrors(err);
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    RaiseLibraryError(err);
  }
  jpeg_create_decompress(&cinfo);
  AttachSource(cinfo, src, data, size);
  if (metadata) {
    jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_save_markers(&cinfo, JPEG_APP0 + 2, 0xFFFF);
  }
  jpeg_read_header(&cinfo, TRUE);
  header.Width = static_cast<int>(cinfo.image_width);
  header.Height = static_cast<int>(cinfo.image_height);
  header.Gray = cinfo.jpeg_color_space == JCS_GRAYSCALE;
  header.Progressive = jpeg_has_multiple_scans(&cinfo);
  cinfo.scale_num = 1;
  cinfo.scale_denom = static_cast<unsigned>(scaleDenominator);
  jpeg_calc_output_dimensions(&cinfo);
  header.OutputWidth = static_cast<int>(cinfo.output_width);
  header.OutputHeight = static_cast<int>(cinfo.output_height);
  // After the last libjpeg call that may jump back: the jump must not find the profile's
  // memory half made.
  if (metadata) {
    try {
      TakeMetadata(cinfo, header);
    } catch (...) {
      jpeg_destroy_decompress(&cinfo);
      throw;
    }
  }
  jpeg_destroy_decompress(&cinfo);
  return header;
}

// Everything a running decompression needs, kept at one address for libjpeg.
struct JpegRowDecoder::State {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  MemorySource src;
  jpeg_progress_mgr progress{};
  std::vector<uint8_t> cmykRow;
  bool created = false;
  bool fourComponents = false;
  int bitCount = 24;

  ~State() {
    if (created) jpeg_destroy_decompress(&cinfo);
  }
};

// Each method that calls into libjpeg sets its own jump target: an error jumps back into
// that method's frame, which then raises the exception.
#define VELORA_JPEG_GUARD(state) \
  if (setjmp((state).err.jump)) RaiseLibraryError((state).err)

JpegRowDecoder::JpegRowDecoder(const uint8_t* data, size_t size, const JpegDecodeOptions& options) {
  auto state = std::make_unique<State>();  // released, with libjpeg's state, on any error
  State& s = *state;
  s.cinfo.err = InitErrors(s.err);
  VELORA_JPEG_GUARD(s);
  jpeg_create_decompress(&s.cinfo);
  s.created = true;
  s.cinfo.mem->max_memory_to_use = kLibraryMemoryLimit;
  s.progress.progress_monitor = &StopAfterTooManyScans;
  s.cinfo.progress = &s.progress;
  AttachSource(s.cinfo, s.src, data, size);
  jpeg_read_header(&s.cinfo, TRUE);

  jpeg_decompress_struct& cinfo = s.cinfo;
  cinfo.scale_num = 1;
  cinfo.scale_denom = static_cast<unsigned>(options.ScaleDenominator);
  cinfo.do_block_smoothing = options.Smoothing ? TRUE : FALSE;
  cinfo.dct_method = options.Fast ? JDCT_IFAST : JDCT_FLOAT;
  s.fourComponents = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  const bool grayOut =
      options.GrayOnly || (cinfo.jpeg_color_space == JCS_GRAYSCALE && options.EightBit);
  if (grayOut) {
    cinfo.out_color_space = JCS_GRAYSCALE;
    s.bitCount = 8;
  } else if (s.fourComponents) {
    cinfo.out_color_space = JCS_CMYK;
  } else {
    cinfo.out_color_space = JCS_EXT_BGR;
    if (options.EightBit && cinfo.jpeg_color_space != JCS_GRAYSCALE) {
      cinfo.quantize_colors = TRUE;
      cinfo.desired_number_of_colors = 236;
      if (options.Fast) {
        cinfo.two_pass_quantize = FALSE;
        cinfo.dither_mode = JDITHER_ORDERED;
      }
      s.bitCount = 8;
    }
  }
  jpeg_calc_output_dimensions(&cinfo);
  const uint64_t bytes = uint64_t{cinfo.output_width} * cinfo.output_height * (s.bitCount / 8);
  if (bytes > kMaxPixelBytes || cinfo.output_width > 0x7FFFFFFF) {
    throw EJPEG(TooLargeMessage(cinfo.output_width, cinfo.output_height));
  }
  if (s.fourComponents) s.cmykRow.resize(size_t{cinfo.output_width} * 4);
  jpeg_start_decompress(&cinfo);
  state_ = std::move(state);
}

JpegRowDecoder::~JpegRowDecoder() = default;

int JpegRowDecoder::Width() const {
  return static_cast<int>(state_->cinfo.output_width);
}
int JpegRowDecoder::Height() const {
  return static_cast<int>(state_->cinfo.output_height);
}
int JpegRowDecoder::BitCount() const {
  return state_->bitCount;
}
int JpegRowDecoder::NextRow() const {
  return static_cast<int>(state_->cinfo.output_scanline);
}

TColorTable JpegRowDecoder::Colors() const {
  const jpeg_decompress_struct& cinfo = state_->cinfo;
  TColorTable colors;
  if (state_->bitCount != 8) return colors;
  if (cinfo.quantize_colors) {
    for (int i = 0; i < cinfo.actual_number_of_colors; ++i) {
      colors.push_back({cinfo.colormap[2][i], cinfo.colormap[1][i], cinfo.colormap[0][i], 0});
    }
  } else {
    for (int i = 0; i < 256; ++i) {
      const auto v = static_cast<uint8_t>(i);
      colors.push_back({v, v, v, 0});
    }
  }
  return colors;
}

void JpegRowDecoder::ReadRow(uint8_t* row) {
  State& s = *state_;
  VELORA_JPEG_GUARD(s);
  JSAMPROW target = s.fourComponents ? s.cmykRow.data() : row;
  if (jpeg_read_scanlines(&s.cinfo, &target, 1) != 1) {
    // Never with a memory source; should it happen, the row is black, not garbage.
    std::memset(row, 0, static_cast<size_t>(Width()) * static_cast<size_t>(s.bitCount / 8));
    return;
  }
  if (s.fourComponents) CmykRowToBgr(s.cmykRow.data(), row, s.cinfo.output_width);
}

void JpegRowDecoder::Finish() {
  State& s = *state_;
  VELORA_JPEG_GUARD(s);
  jpeg_finish_decompress(&s.cinfo);
}

bool JpegRowDecoder::Damaged() const {
  return state_->err.dataLost;
}

std::shared_ptr<DibSection> DecodeJpeg(const uint8_t* data, size_t size,
                                       const JpegDecodeOptions& options, bool* damaged) {
  JpegRowDecoder decoder(data, size, options);
  auto dib = DibSection::Create(decoder.Width(), decoder.Height(), decoder.BitCount(), false);
  const size_t used =
      static_cast<size_t>(decoder.Width()) * static_cast<size_t>(decoder.BitCount() / 8);
  for (int y = 0; y < decoder.Height(); ++y) {
    uint8_t* row = dib->Row(y);
    decoder.ReadRow(row);
    std::memset(row + used, 0, dib->stride - used);  // padding, so saved files are repeatable
  }
  dib->colors = decoder.Colors();
  decoder.Finish();
  if (damaged) *damaged = decoder.Damaged();
  return dib;
}

namespace {

// The data of an APP1 segment: an identifier, then the block; none when the block is
// empty or too long for one segment.
std::vector<uint8_t> App1Data(const char* identifier, size_t identifierSize, const uint8_t* block,
                              size_t size) {
  constexpr size_t kMaxSegmentData = 65533;
  if (size == 0 || size > kMaxSegmentData - identifierSize) return {};
  std::vector<uint8_t> data(identifier, identifier + identifierSize);
  data.insert(data.end(), block, block + size);
  return data;
}

}  // namespace

std::vector<uint8_t> EncodeJpegBytes(const TBitmap& bitmap24, int quality, bool gray,
                                     bool progressive, const std::vector<uint8_t>& colorProfile,
                                     const std::vector<uint8_t>& exif, const std::string& xmp) {
  static constexpr char kExifId[] = "Exif\0";                       // and the string's zero
  static constexpr char kXmpId[] = "http://ns.adobe.com/xap/1.0/";  // and the string's zero
  const std::vector<uint8_t> exifData = App1Data(kExifId, sizeof kExifId, exif.data(), exif.size());
  const std::vector<uint8_t> xmpData =
      App1Data(kXmpId, sizeof kXmpId, reinterpret_cast<const uint8_t*>(xmp.data()), xmp.size());
  jpeg_compress_struct cinfo;
  ErrorManager err;
  MemoryDestination dest;
  std::vector<uint8_t> out;
  cinfo.err = InitErrors(err);
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    RaiseLibraryError(err);
  }
  jpeg_create_compress(&cinfo);
  dest.pub.init_destination = &InitDestination;
  dest.pub.empty_output_buffer = &EmptyOutputBuffer;
  dest.pub.term_destination = &TermDestination;
  dest.out = &out;
  cinfo.dest = &dest.pub;

  cinfo.image_width = static_cast<JDIMENSION>(bitmap24.Width());
  cinfo.image_height = static_cast<JDIMENSION>(bitmap24.Height());
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_EXT_BGR;  // the bitmap's own byte order, no conversion
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  cinfo.dct_method = JDCT_FLOAT;
  if (gray) jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
  if (progressive) jpeg_simple_progression(&cinfo);

  jpeg_start_compress(&cinfo, TRUE);
  // The photo information follows the JFIF segment, before the profile.
  for (const std::vector<uint8_t>* app1 : {&exifData, &xmpData}) {
    if (!app1->empty()) {
      jpeg_write_marker(&cinfo, JPEG_APP0 + 1, app1->data(), static_cast<unsigned>(app1->size()));
    }
  }
  // Written right after the JFIF segment, which jpeg_start_compress wrote; libjpeg splits
  // the profile into segments of at most 65519 bytes, numbered as the ICC format says.
  if (!colorProfile.empty() && colorProfile.size() <= kMaxColorProfileBytes) {
    jpeg_write_icc_profile(&cinfo, colorProfile.data(), static_cast<unsigned>(colorProfile.size()));
  }
  while (cinfo.next_scanline < cinfo.image_height) {
    // Reading rows never copies the pixels the bitmap shares with the caller.
    JSAMPROW row =
        const_cast<uint8_t*>(bitmap24.ConstRowAddress(static_cast<int>(cinfo.next_scanline)));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return out;
}

}  // namespace velora
