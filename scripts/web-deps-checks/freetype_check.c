/* freetype_check.c: smoke check of the browser build's FreeType: opens the font file named on the
 * command line (read through node's file system), renders "A" and U+3042 at 24 pixels with ink,
 * and inflates a zlib stream through FreeType's gzip support (the linked zlib). Prints "ok" and
 * exits 0, or names what failed and exits 1. */
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GZIP_H
#include <stdio.h>
#include <string.h>
#include <zlib.h>

static int Ink(const FT_Bitmap* b) {
  int ink = 0;
  for (unsigned y = 0; y < b->rows; ++y)
    for (unsigned x = 0; x < b->width; ++x) ink += b->buffer[y * b->pitch + x] > 127;
  return ink;
}

int main(int argc, char** argv) {
  FT_Library lib;
  FT_Face face;
  if (argc < 2) {
    printf("usage: freetype_check FONT\n");
    return 1;
  }
  if (FT_Init_FreeType(&lib) != 0) {
    printf("FreeType: FT_Init_FreeType failed\n");
    return 1;
  }
  FT_Error e = FT_New_Face(lib, argv[1], 0, &face);
  if (e != 0) {
    printf("FreeType: %s does not open (error %d)\n", argv[1], e);
    return 1;
  }
  FT_Set_Pixel_Sizes(face, 0, 24);
  static const unsigned long kChars[] = {'A', 0x3042};
  int ink[2], advance[2];
  for (int i = 0; i < 2; ++i) {
    if (FT_Get_Char_Index(face, kChars[i]) == 0) {
      printf("FreeType: %s has no glyph for U+%04lX\n", argv[1], kChars[i]);
      return 1;
    }
    e = FT_Load_Char(face, kChars[i], FT_LOAD_RENDER);
    if (e != 0) {
      printf("FreeType: U+%04lX does not render (error %d)\n", kChars[i], e);
      return 1;
    }
    ink[i] = Ink(&face->glyph->bitmap);
    advance[i] = (int)(face->glyph->advance.x >> 6);
    if (ink[i] == 0 || advance[i] <= 0) {
      printf("FreeType: U+%04lX rendered without ink or advance\n", kChars[i]);
      return 1;
    }
  }
  static unsigned char text[4096], packed[8192], out[4096];
  for (size_t i = 0; i < sizeof text; ++i) text[i] = (unsigned char)("glyph "[i % 6]);
  uLongf packed_len = sizeof packed;
  FT_ULong out_len = sizeof out;
  if (compress(packed, &packed_len, text, sizeof text) != Z_OK ||
      FT_Gzip_Uncompress(face->memory, out, &out_len, packed, packed_len) != 0 ||
      out_len != sizeof text || memcmp(out, text, sizeof text) != 0) {
    printf("FreeType: its gzip support did not inflate a zlib stream\n");
    return 1;
  }
  FT_Int major, minor, patch;
  FT_Library_Version(lib, &major, &minor, &patch);
  printf("ok FreeType %d.%d.%d: %s, \"A\" %d px ink advance %d, U+3042 %d px ink advance %d, gzip\n",
         major, minor, patch, face->family_name, ink[0], advance[0], ink[1], advance[1]);
  FT_Done_Face(face);
  FT_Done_FreeType(lib);
  return 0;
}
