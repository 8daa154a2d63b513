#pragma once

#include <cstdint>
#include <string>

// A PNG of one colour, as a server would send it.
std::string pngOfColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue, int size = 3);
// The same as a baseline JPEG.
std::string jpegOfColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue, int size = 8);
