// vcard-gen N [FILE]: writes N generated contacts to FILE or standard output.
#include <cstdio>
#include <cstdlib>

#include "vcard_gen.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3 || std::atol(argv[1]) < 0) {
    std::fputs("usage: vcard-gen N [FILE]\n", stderr);
    return 2;
  }
  std::FILE* out = argc == 3 ? std::fopen(argv[2], "wb") : stdout;
  if (!out) {
    std::perror(argv[2]);
    return 1;
  }
  tessary_bench::WriteVCards(out, std::atol(argv[1]));
  return std::fclose(out) == 0 ? 0 : 1;
}
