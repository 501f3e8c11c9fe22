// JPEG files made on the spot.
#include "tests/support/jpeg_writer.h"

#include <jpeglib.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace testing_support {

std::string encodeJpeg(int width, int height, int components, const JpegRowFill& fillRow, bool progressive,
                       bool adobe) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  jpeg_mem_dest(&cinfo, &out, &outSize);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = components;
  cinfo.in_color_space = components == 4 ? JCS_CMYK : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  if (components == 4) cinfo.write_Adobe_marker = adobe ? TRUE : FALSE;
  if (progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<unsigned char> row(static_cast<size_t>(width) * static_cast<size_t>(components));
  while (cinfo.next_scanline < cinfo.image_height) {
    fillRow(cinfo.next_scanline, row.data());
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::string bytes(reinterpret_cast<char*>(out), outSize);
  std::free(out);
  return bytes;
}

}  // namespace testing_support
