/* zlib_check.c: smoke check of the browser build's zlib: the standard CRC-32 check value and a
 * compress/uncompress round trip. Prints "ok" and exits 0, or names what differed and exits 1. */
#include <stdio.h>
#include <string.h>
#include <zlib.h>

int main(void) {
  static unsigned char in[65536], packed[70000], out[65536];
  uLongf packed_len = sizeof packed, out_len = sizeof out;
  unsigned long crc = crc32(0, (const Bytef*)"123456789", 9);
  if (crc != 0xCBF43926UL) {
    printf("zlib: crc32 of \"123456789\" is %08lx, not cbf43926\n", crc);
    return 1;
  }
  for (size_t i = 0; i < sizeof in; ++i) in[i] = (unsigned char)((i * 7u) ^ (i >> 5));
  if (compress2(packed, &packed_len, in, sizeof in, 9) != Z_OK ||
      uncompress(out, &out_len, packed, packed_len) != Z_OK || out_len != sizeof in ||
      memcmp(in, out, sizeof in) != 0) {
    printf("zlib: 64 KiB did not survive compress2/uncompress\n");
    return 1;
  }
  printf("ok zlib %s: crc32 and a 64 KiB round trip (%lu bytes packed)\n", zlibVersion(),
         (unsigned long)packed_len);
  return 0;
}
