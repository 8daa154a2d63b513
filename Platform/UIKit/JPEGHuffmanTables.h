#pragma once

#include <cstddef>
#include <cstdint>

// False when the bytes are a JPEG file with a Huffman table of more than 256 codes. The image
// decoder copies such a table into fixed 256-entry arrays without checking, writing past them,
// so these files must never reach it. Anything else (other formats, other faults) answers true
// and is left to the decoder. A table in leftover or misplaced data after the first scan counts
// too, because the decoder may take it for one.
bool jpegHuffmanTablesFit(const std::uint8_t* data, std::size_t size);
