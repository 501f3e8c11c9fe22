// JPEG files made on the spot for tests and benchmarks, through libjpeg-turbo's encoder.
#pragma once

#include <functional>
#include <string>

namespace testing_support {

// Fills row y of the picture: width × components bytes (3: RGB; 4: CMYK).
using JpegRowFill = std::function<void(unsigned y, unsigned char* row)>;

// The whole file. adobe: a CMYK picture says so in an Adobe marker; progressive: the encoder's usual scans.
std::string encodeJpeg(int width, int height, int components, const JpegRowFill& fillRow,
                       bool progressive = false, bool adobe = false);

}  // namespace testing_support
