#pragma once
// The failures of the PNG reader. Every class descends directly from Exception and
// carries one fixed text, so a caller can tell them apart by class and by message.
#include <string>

#include "util/errors.h"

namespace velora {

VELORA_EXCEPTION(EPngError, Exception)
VELORA_EXCEPTION(EPNGInvalidFileHeader, Exception)
VELORA_EXCEPTION(EPngUnexpectedEnd, Exception)
VELORA_EXCEPTION(EPNGIHDRNotFirst, Exception)
VELORA_EXCEPTION(EPNGUnknownCriticalChunk, Exception)
VELORA_EXCEPTION(EPngInvalidCRC, Exception)
VELORA_EXCEPTION(EPngInvalidIHDR, Exception)
VELORA_EXCEPTION(EPNGSizeExceeds, Exception)
VELORA_EXCEPTION(EPNGUnknownCompression, Exception)
VELORA_EXCEPTION(EPNGUnknownInterlace, Exception)
VELORA_EXCEPTION(EPNGInvalidPalette, Exception)
VELORA_EXCEPTION(EPNGMissingMultipleIDAT, Exception)
VELORA_EXCEPTION(EPNGZLIBError, Exception)
VELORA_EXCEPTION(EPNGNoImageData, Exception)
VELORA_EXCEPTION(EPNGHeaderNotPresent, Exception)
VELORA_EXCEPTION(EPNGOutMemory, Exception)

// The texts of the failures, word for word as users have always seen them.
namespace png_text {
inline constexpr const char* kInvalidFileHeader =
    "The file being readed is not a valid \"Portable Network Graphics\" image because it "
    "contains an invalid header. This file may be corruped, try obtaining it again.";
inline constexpr const char* kUnexpectedEnd =
    "This \"Portable Network Graphics\" image is invalid because the decoder found an "
    "unexpected end of the file.";
inline constexpr const char* kIHDRNotFirst =
    "This \"Portable Network Graphics\" image is not supported or it might be invalid."
    "\r\n(IHDR chunk is not the first)";
inline constexpr const char* kUnknownCriticalChunk =
    "This \"Portable Network Graphics\" image contains an unknown critical part which could "
    "not be decoded.";
inline constexpr const char* kInvalidCRC =
    "This \"Portable Network Graphics\" image is not valid because it contains invalid pieces "
    "of data (crc error)";
inline constexpr const char* kInvalidIHDR =
    "The \"Portable Network Graphics\" image could not be loaded because one of its main piece "
    "of data (ihdr) might be corrupted";
inline constexpr const char* kSizeExceeds =
    "This \"Portable Network Graphics\" image is not supported because either it's width or "
    "height exceeds the maximum size, which is 65535 pixels length.";
inline constexpr const char* kUnknownCompression =
    "This \"Portable Network Graphics\" image is encoded with an unknown compression scheme "
    "which could not be decoded.";
inline constexpr const char* kUnknownInterlace =
    "This \"Portable Network Graphics\" image uses an unknown interlace scheme which could not "
    "be decoded.";
inline constexpr const char* kInvalidPalette =
    "The \"Portable Network Graphics\" image contains an invalid palette.";
inline constexpr const char* kMissingMultipleIDAT =
    "This \"Portable Network Graphics\" image is invalid because it has missing image parts.";
inline constexpr const char* kNoImageData =
    "This \"Portable Network Graphics\" image contains no data.";
inline constexpr const char* kCannotResize =
    "The \"Portable Network Graphics\" image can not be resize by changing width and height "
    "properties. Try assigning the image from a bitmap.";
inline constexpr const char* kNoSuchPaletteEntry = "There is no such palette entry.";
inline constexpr const char* kHeaderNotPresent =
    "This operation is not valid because the current image contains no valid header.";
inline constexpr const char* kOutMemory =
    "Some operation could not be performed because the system is out of resources. Close some "
    "windows and try again.";
inline constexpr const char* kTooLarge =
    "This \"Portable Network Graphics\" image is too large to be loaded: its pixels would need "
    "more than 1 GiB of memory.";
}  // namespace png_text

// The text of EPNGZLIBError for a zlib result code, naming the result, for example
// "... data.\r\n Description: data error (-3)".
std::string ZlibErrorText(int zlibResult);

}  // namespace velora
