#pragma once
// What a resize job writes: the file format and how much photo information is kept.
namespace velora {

// JPEG, PNG (lossless) or WebP (lossy); Same keeps the format of JPEG, PNG and WebP
// sources and writes every other source as JPEG.
enum class OutputFormat { Jpeg, Png, Webp, Same };

// None removes all photo information; NoLocation keeps EXIF without the GPS directory and
// without XMP; All keeps EXIF and XMP.
enum class MetadataChoice { None, NoLocation, All };

}  // namespace velora
