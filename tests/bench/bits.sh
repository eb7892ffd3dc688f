# Sourced by the benchmarks under Wine, from the repository root: the build
# they measure is the 64-bit one unless BITS=32 asks for the 32-bit one.
# Each runs under Wine of its own bitness, in prefixes under its own build
# tree (cmake/wine.sh reads which from the tree).
bits=${BITS:-64}
case "$bits" in
  32 | 64) ;;
  *) echo "BITS must be 64 or 32, not '$bits'" >&2; exit 2 ;;
esac
preset=win$bits
build=build/$preset
echo "The $bits-bit build ($build):"

# build_targets TARGET...: the build tree configured and the targets brought
# up to date.
build_targets() {
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target "$@" >/dev/null
}
