#pragma once
// The LZW decoder of GIF image data.
#include <cstdint>

#include "gif/gifread_reader.h"

namespace velora {

// Decodes one frame's image data: the minimum code size byte and the data sub-blocks
// up to and including their terminator. pixels holds width × height bytes, top row
// first, already filled; pixels the data do not reach keep their value. Interlaced
// frames are filled in the four passes of rows 0, 8, 16 ...; 4, 12 ...; 2, 6 ...;
// 1, 3 ....
//
// Data that end without an end code give the warning "Decoder bit buffer under-run";
// a code that is not yet in the table raises EGifError "Circular decoder table entry".
void DecodeGifImageData(TGifReader& reader, uint8_t* pixels, int width, int height,
                        bool interlaced);

}  // namespace velora
