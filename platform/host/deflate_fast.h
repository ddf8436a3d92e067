// deflate_fast.h: a zlib stream made quickly from a picture's filtered rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace host {

// Writes a zlib stream (RFC 1950/1951) at the start of `zlib`, grown as
// needed and never shrunk, and returns its length. `data` is rows of
// `rowBytes` bytes holding pixels of `pixelBytes` bytes. Repeats are looked
// for only at the pixel to the left and the pixel above, and everything goes
// into one block of Huffman codes made for these bytes (or stored blocks when
// those would be smaller). The bytes depend only on the arguments.
std::size_t ZlibCompressRows(std::span<const std::uint8_t> data, std::size_t pixelBytes,
                             std::size_t rowBytes, std::vector<std::uint8_t>& zlib);

}  // namespace host
