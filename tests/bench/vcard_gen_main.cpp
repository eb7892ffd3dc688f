// vcard-gen [--photo BYTES] N [FILE]: writes N generated contacts to FILE or
// standard output, each with a picture of BYTES bytes when asked.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "vcard_gen.h"

int main(int argc, char** argv) {
  long photo = 0;
  if (argc > 2 && std::strcmp(argv[1], "--photo") == 0) {
    photo = std::atol(argv[2]);
    argv += 2;
    argc -= 2;
  }
  if (argc < 2 || argc > 3 || std::atol(argv[1]) < 0 || photo < 0) {
    std::fputs("usage: vcard-gen [--photo BYTES] N [FILE]\n", stderr);
    return 2;
  }
  std::FILE* out = argc == 3 ? std::fopen(argv[2], "wb") : stdout;
  if (!out) {
    std::perror(argv[2]);
    return 1;
  }
  tessary_bench::WriteVCards(out, std::atol(argv[1]), std::size_t(photo));
  return std::fclose(out) == 0 ? 0 : 1;
}
