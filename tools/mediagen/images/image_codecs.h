// JPEG (libjpeg-turbo) and PNG (libpng) encoding for the generated pictures, plus a JPEG
// decoder the tests use to look at what was written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mediagen/images/image.h"

namespace eh::mediagen {

// Baseline (sequential, Huffman-optimised) JPEG, three components, 4:4:4 sampling so thin
// light lines on black stay clean, integer DCT so the bytes are the same on every run.
// quality is 1..100. Alpha is ignored.
std::vector<uint8_t> EncodeJpeg(const Image8& img, int quality);

// Decodes a JPEG into RGBA (alpha 255). Returns false for data libjpeg refuses.
bool DecodeJpeg(const std::vector<uint8_t>& bytes, Image8& out);

// Writes an 8-bit RGBA PNG file; false when the file cannot be written.
bool WritePng(const std::string& path, const Image8& img);

}  // namespace eh::mediagen
