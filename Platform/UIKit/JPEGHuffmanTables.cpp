#include "UIKit/JPEGHuffmanTables.h"

namespace {

constexpr std::uint8_t markerPrefix = 0xFF;
constexpr std::uint8_t startOfImage = 0xD8;
constexpr std::uint8_t endOfImage = 0xD9;
constexpr std::uint8_t startOfScan = 0xDA;
constexpr std::uint8_t defineHuffmanTable = 0xC4;
constexpr unsigned maximumCodes = 256;

// Reads as the decoder does: past the end every byte is zero.
class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t at(std::size_t i) const { return i < size_ ? data_[i] : 0; }
    unsigned bigEndian16(std::size_t i) const { return unsigned(at(i)) << 8 | at(i + 1); }
    std::size_t size() const { return size_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

// The table segment whose length field is at `i`, read table by table as the decoder reads it
// (which goes on past the segment's stated end while its count says so).
bool tablesFit(const Bytes& bytes, std::size_t i) {
    long remaining = static_cast<long>(bytes.bigEndian16(i)) - 2;
    i += 2;
    while (remaining > 0) {
        const std::uint8_t kind = bytes.at(i++);
        if ((kind >> 4) > 1 || (kind & 15) > 3) return true;  // refused before any table is built
        unsigned codes = 0;
        for (int length = 0; length < 16; ++length) codes += bytes.at(i++);
        if (codes > maximumCodes) return false;
        i += codes;
        remaining -= 17 + static_cast<long>(codes);
    }
    return true;
}

// Skips a run of marker prefixes starting at `i` (fill bytes may repeat it); answers the marker.
std::uint8_t markerAfterPrefixes(const Bytes& bytes, std::size_t& i) {
    while (i < bytes.size() && bytes.at(i) == markerPrefix) ++i;
    return bytes.at(i++);
}

}  // namespace

bool jpegHuffmanTablesFit(const std::uint8_t* data, std::size_t size) {
    const Bytes bytes(data, size);
    std::size_t i = 0;
    if (bytes.at(0) != markerPrefix || markerAfterPrefixes(bytes, i) != startOfImage) return true;

    // Before the first scan the decoder goes from segment to segment by their lengths, so only
    // real table segments are read as tables (application data may hold any bytes).
    while (i < size) {
        if (bytes.at(i) != markerPrefix) break;
        const std::uint8_t marker = markerAfterPrefixes(bytes, i);
        if (marker == endOfImage) return true;
        if (marker == startOfScan || marker < 0xC0 || (marker >= 0xD0 && marker <= 0xD8)) break;
        if (marker == defineHuffmanTable && !tablesFit(bytes, i)) return false;
        const unsigned length = bytes.bigEndian16(i);
        if (length < 2) break;
        i += length;
    }
    // From the first scan on, where the decoder stops reading coded data depends on the data:
    // every marker that could be taken for a table segment is checked.
    for (; i < size; ++i) {
        if (bytes.at(i) != markerPrefix) continue;
        std::size_t next = i;
        if (markerAfterPrefixes(bytes, next) == defineHuffmanTable && !tablesFit(bytes, next)) return false;
    }
    return true;
}
