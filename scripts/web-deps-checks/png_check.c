/* png_check.c: smoke check of the browser build's libpng: decodes a known 2x1 RGBA file to its
 * exact pixels, rejects a copy with a damaged checksum through libpng's error jump (setjmp and
 * longjmp must work in the compiled code), and reads back what it writes. Prints "ok" and exits
 * 0, or names what failed and exits 1. */
#include <png.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* Red opaque, then blue at half alpha. */
static const unsigned char kFile[] = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48,
    0x44, 0x52, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00,
    0x00, 0xf4, 0x22, 0x7f, 0x8a, 0x00, 0x00, 0x00, 0x0e, 0x49, 0x44, 0x41, 0x54, 0x78,
    0x9c, 0x63, 0xf8, 0xcf, 0xc0, 0x00, 0x42, 0x0d, 0x00, 0x0f, 0x7a, 0x03, 0x7e, 0x77,
    0xe9, 0x7f, 0x97, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60,
    0x82};
static const unsigned char kPixels[8] = {255, 0, 0, 255, 0, 0, 255, 128};

static int Decode(const void* data, size_t size, unsigned char* rgba, size_t room,
                  png_uint_32* w, png_uint_32* h, char* why) {
  png_image image;
  memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data, size)) {
    strcpy(why, image.message);
    return 0;
  }
  image.format = PNG_FORMAT_RGBA;
  *w = image.width;
  *h = image.height;
  if (PNG_IMAGE_SIZE(image) > room) {
    png_image_free(&image);
    strcpy(why, "image too large");
    return 0;
  }
  if (!png_image_finish_read(&image, NULL, rgba, 0, NULL)) {
    strcpy(why, image.message);
    return 0;
  }
  return 1;
}

int main(void) {
  unsigned char rgba[64], damaged[sizeof kFile], written[512];
  char why[128] = "";
  png_uint_32 w = 0, h = 0;
  if (!Decode(kFile, sizeof kFile, rgba, sizeof rgba, &w, &h, why)) {
    printf("libpng: the 2x1 file did not decode: %s\n", why);
    return 1;
  }
  if (w != 2 || h != 1 || memcmp(rgba, kPixels, sizeof kPixels) != 0) {
    printf("libpng: the 2x1 file decoded to %ux%u with other pixels\n", (unsigned)w, (unsigned)h);
    return 1;
  }
  memcpy(damaged, kFile, sizeof kFile);
  damaged[sizeof kFile - 20] ^= 0x40; /* inside the IDAT data: its CRC no longer matches */
  if (Decode(damaged, sizeof damaged, rgba, sizeof rgba, &w, &h, why)) {
    printf("libpng: a file with a damaged checksum decoded without error\n");
    return 1;
  }
  png_image out;
  memset(&out, 0, sizeof out);
  out.version = PNG_IMAGE_VERSION;
  out.width = 2;
  out.height = 1;
  out.format = PNG_FORMAT_RGBA;
  png_alloc_size_t size = sizeof written;
  if (!png_image_write_to_memory(&out, written, &size, 0, kPixels, 0, NULL)) {
    printf("libpng: writing failed: %s\n", out.message);
    return 1;
  }
  memset(rgba, 0, sizeof rgba);
  if (!Decode(written, size, rgba, sizeof rgba, &w, &h, why) ||
      memcmp(rgba, kPixels, sizeof kPixels) != 0) {
    printf("libpng: what it wrote did not read back the same (%s)\n", why);
    return 1;
  }
  printf("ok libpng %s: decode, damaged checksum refused (%s), write and read back\n",
         png_get_libpng_ver(NULL), why);
  return 0;
}
