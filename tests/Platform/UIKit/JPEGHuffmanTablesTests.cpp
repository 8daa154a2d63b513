#include <gtest/gtest.h>

#include <string>

#include "UIKit/JPEGHuffmanTables.h"
#include "UIKit/UIImage.h"
#include "support/Platform/TestImages.h"

namespace {

// A table segment announcing 2 + 255 + 255 codes: more than the decoder's 256-entry arrays hold.
const std::string oversizedTable("\xFF\xC4\x01\x00\x00\xFF\xFF", 7);

bool fits(const std::string& bytes) {
    return jpegHuffmanTablesFit(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

std::shared_ptr<UIImage> decode(const std::string& bytes) { return UIImage::fromData(Data(bytes.begin(), bytes.end())); }

TEST(JPEGHuffmanTablesTests, AnOversizedTableIsRefusedBeforeDecodingWhereverTheDecoderWouldReadIt) {
    const std::string jpeg = jpegOfColor(200, 30, 30);
    ASSERT_TRUE(fits(jpeg));
    ASSERT_NE(decode(jpeg), nullptr);

    // Among the header segments, as the first segment.
    const std::string asHeader = jpeg.substr(0, 2) + oversizedTable + std::string(64, '\0') + jpeg.substr(2);
    // After the coded data, where the decoder looks for the next marker.
    const std::string afterScan = jpeg.substr(0, jpeg.size() - 2) + oversizedTable + std::string(64, '\0') + "\xFF\xD9";
    for (const std::string& bad : {std::string("\xFF\xD8", 2) + oversizedTable, asHeader, afterScan}) {
        EXPECT_FALSE(fits(bad));
        EXPECT_EQ(decode(bad), nullptr);
    }
    // A table exactly full still fits.
    const std::string full = std::string("\xFF\xD8\xFF\xC4\x01\x13\x00\x00\xFF\x01", 10) + std::string(14, '\0');
    EXPECT_TRUE(fits(full));
}

TEST(JPEGHuffmanTablesTests, TableLikeBytesInsideAHeaderSegmentOrAnotherFormatAreNoTable) {
    const std::string jpeg = jpegOfColor(30, 200, 30);
    // An application segment (as camera data) holding the bytes of an oversized table.
    std::string payload = oversizedTable + std::string(16, '\x7F');
    std::string application = "\xFF\xE1";
    application += static_cast<char>((payload.size() + 2) >> 8);
    application += static_cast<char>((payload.size() + 2) & 0xFF);
    application += payload;
    const std::string withApplicationData = jpeg.substr(0, 2) + application + jpeg.substr(2);
    EXPECT_TRUE(fits(withApplicationData));
    EXPECT_NE(decode(withApplicationData), nullptr);

    const std::string png = pngOfColor(1, 2, 3) + oversizedTable;
    EXPECT_TRUE(fits(png));
    EXPECT_TRUE(fits(""));
}

}  // namespace
