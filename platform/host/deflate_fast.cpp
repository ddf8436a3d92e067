// deflate_fast.cpp: a deflate encoder made for the rows of a frame.
//
// A general compressor looks up a hash of earlier strings at every byte. In a
// frame most repeats worth having are a pixel copying the one to its left
// (flat areas, magnified texels, black) or the one above (repeated rows), so
// matches are tried at those two distances only; far repeats, such as pairs
// of grey noise pixels met again, are given up for speed. Sixteen bytes
// compared as two words show which of the first thirteen places start four
// equal bytes (the same on every processor, so the files are too); the
// first such match is taken and extended eight bytes at a time. A first pass
// records the runs of literals and the matches and counts the symbols; one
// block of Huffman codes (15 bits at most, 7 for the code lengths' own code)
// is then made for the whole picture, and a second pass writes it through a
// 64-bit bit buffer. Where that block would not be smaller than the bytes
// themselves (noise), they are stored instead.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "platform/host/deflate_fast.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>
#include <libdeflate.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>

#include "platform/host/deflate_fast.h"

#ifndef VUXA_HOST_DEFLATE_FAST_SHARED
#define VUXA_HOST_DEFLATE_FAST_SHARED
namespace host {
namespace {

constexpr std::size_t kMinMatch = 4;
constexpr std::size_t kMaxMatch = 258;
constexpr std::size_t kWindow = 32768;
constexpr std::size_t kStoredMax = 65535;  // bytes in a stored block
constexpr int kLitLenCount = 286;          // literals, end of block (256), lengths
constexpr int kEndOfBlock = 256;
constexpr int kDistCount = 30;
constexpr int kCodeLenCount = 19;
constexpr int kMaxBits = 15;
constexpr int kMaxCodeLenBits = 7;

std::uint64_t Load64(const std::uint8_t* at) {
  std::uint64_t v;
  std::memcpy(&v, at, 8);
  if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
  return v;
}

void Store64(std::uint8_t* at, std::uint64_t v) {
  if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
  std::memcpy(at, &v, 8);
}

constexpr std::size_t kScanBytes = 16;  // read at each step
constexpr int kScanStarts = 13;         // starting places tested at each step

// 0x80 in each byte where a and b agree, 0 in the others (exact: no carry
// crosses a byte).
std::uint64_t EqualBytes(std::uint64_t a, std::uint64_t b) {
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
  const std::uint64_t diff = a ^ b;
  return ~(((diff & kLow7) + kLow7) | diff | kLow7);
}

// Where in here[0..12] the first four bytes equal to those at `back` start;
// kScanStarts or more when nowhere. Sixteen bytes are compared as two words
// (for processors without vectors; the others compare them in one vector):
// the word above is shifted in so that a run may cross from one to the next.
int FirstMatchStart(const std::uint8_t* here, const std::uint8_t* back) {
  const std::uint64_t low = EqualBytes(Load64(here), Load64(back));
  const std::uint64_t high = EqualBytes(Load64(here + 8), Load64(back + 8));
  auto shifted = [&](int bytes) { return low >> (8 * bytes) | high << (64 - 8 * bytes); };
  const std::uint64_t runLow = low & shifted(1) & shifted(2) & shifted(3);
  if (runLow != 0) return std::countr_zero(runLow) / 8;
  const std::uint64_t runHigh = high & high >> 8 & high >> 16 & high >> 24;
  return 8 + std::countr_zero(runHigh) / 8;  // 16 when nowhere
}

// The length of the match at `at`, `distance` back, whose first kMinMatch
// bytes are known equal; at most `limit`.
std::size_t MatchLength(const std::uint8_t* at, std::size_t distance, std::size_t limit) {
  std::size_t n = kMinMatch;
  for (; n + 8 <= limit; n += 8) {
    const std::uint64_t diff = Load64(at + n) ^ Load64(at + n - distance);
    if (diff != 0) return n + static_cast<std::size_t>(std::countr_zero(diff)) / 8;
  }
  while (n < limit && at[n] == at[n - distance]) ++n;
  return n;
}

struct LengthCode {
  std::uint16_t symbol;
  std::uint8_t extraBits, extra;
};

// The length symbol, its extra bits and their value for each match length.
constexpr std::array<LengthCode, kMaxMatch + 1> MakeLengthCodes() {
  constexpr std::uint16_t kBase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                       15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                       67, 83, 99, 115, 131, 163, 195, 227, 258};
  constexpr std::uint8_t kExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                       2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
  std::array<LengthCode, kMaxMatch + 1> codes{};
  for (int s = 0; s < 29; ++s) {
    const int end = s == 28 ? 259 : kBase[s + 1];
    for (int length = kBase[s]; length < end; ++length)
      codes[length] = {static_cast<std::uint16_t>(257 + s), kExtra[s],
                       static_cast<std::uint8_t>(length - kBase[s])};
  }
  return codes;
}
constexpr std::array<LengthCode, kMaxMatch + 1> kLengthCodes = MakeLengthCodes();

struct DistanceCode {
  unsigned symbol, extraBits, extra;
};

DistanceCode CodeForDistance(std::size_t distance) {
  const auto v = static_cast<unsigned>(distance - 1);
  if (v < 4) return {v, 0, 0};
  const unsigned extraBits = static_cast<unsigned>(std::bit_width(v)) - 2;
  return {2 * extraBits + 2 + ((v >> extraBits) & 1), extraBits, v & ((1u << extraBits) - 1)};
}

// Literals copied as they are, then a match (none when length is 0).
struct Sequence {
  std::uint32_t literals;
  std::uint16_t length, distance;
};

// What the first pass found: the sequences and how often each symbol occurs.
struct Parse {
  std::vector<Sequence> sequences;
  std::array<std::uint64_t, kLitLenCount> litLenCounts{};
  std::array<std::uint64_t, kDistCount> distCounts{};
  std::uint64_t extraBits = 0;  // of all the lengths and distances
};

void AddSequence(const std::uint8_t* bytes, std::size_t from, std::size_t to, std::size_t length,
                 std::size_t distance, Parse& parse) {
  for (std::size_t i = from; i < to; ++i) ++parse.litLenCounts[bytes[i]];
  constexpr std::size_t kMostLiterals = std::numeric_limits<std::uint32_t>::max();
  for (; to - from > kMostLiterals; from += kMostLiterals)
    parse.sequences.push_back({static_cast<std::uint32_t>(kMostLiterals), 0, 0});
  parse.sequences.push_back({static_cast<std::uint32_t>(to - from),
                             static_cast<std::uint16_t>(length),
                             static_cast<std::uint16_t>(distance)});
  if (length == 0) return;
  const LengthCode& lengthCode = kLengthCodes[length];
  const DistanceCode distanceCode = CodeForDistance(distance);
  ++parse.litLenCounts[lengthCode.symbol];
  ++parse.distCounts[distanceCode.symbol];
  parse.extraBits += lengthCode.extraBits + distanceCode.extraBits;
}

// The distances tried: the pixel to the left and the pixel above.
using Distances = std::array<std::size_t, 2>;

}  // namespace
}  // namespace host
#endif  // VUXA_HOST_DEFLATE_FAST_SHARED

HWY_BEFORE_NAMESPACE();
namespace host {
namespace HWY_NAMESPACE {

#if HWY_TARGET == HWY_SCALAR || HWY_TARGET == HWY_EMU128
int FirstMatchStartLanes(const std::uint8_t* here, const std::uint8_t* back) {
  return FirstMatchStart(here, back);
}
#else
namespace hn = hwy::HWY_NAMESPACE;

// FirstMatchStart with the sixteen bytes compared in one vector.
HWY_INLINE int FirstMatchStartLanes(const std::uint8_t* here, const std::uint8_t* back) {
  const hn::FixedTag<std::uint8_t, 16> d;
  std::uint8_t bits[2];
  hn::StoreMaskBits(d, hn::Eq(hn::LoadU(d, here), hn::LoadU(d, back)), bits);
  const std::uint32_t same = bits[0] | static_cast<std::uint32_t>(bits[1]) << 8;
  return std::countr_zero(same & same >> 1 & same >> 2 & same >> 3);
}
#endif

// Greedy matches at the given distances (0: not tried): at each place, the
// earliest start where either repeats four bytes, and there the longer match.
void FindMatchesVector(std::span<const std::uint8_t> data, Distances distances, Parse& parse) {
  const std::uint8_t* bytes = data.data();
  const std::size_t size = data.size();
  std::size_t at = 0, literalsFrom = 0;
  while (at + kScanBytes <= size) {
    std::array<int, 2> starts;  // kScanStarts or more: none
    for (std::size_t i = 0; i < distances.size(); ++i) {
      const std::size_t distance = distances[i];
      starts[i] = distance != 0 && at >= distance
                      ? FirstMatchStartLanes(bytes + at, bytes + at - distance)
                      : kScanStarts;
    }
    const int first = std::min(starts[0], starts[1]);
    if (first >= kScanStarts) {
      at += kScanStarts;
      continue;
    }
    const std::size_t start = at + static_cast<std::size_t>(first);
    const std::size_t limit = std::min(kMaxMatch, size - start);
    std::size_t length = 0, distance = 0;
    for (std::size_t i = 0; i < distances.size(); ++i) {
      if (starts[i] != first) continue;
      const std::size_t candidate = MatchLength(bytes + start, distances[i], limit);
      if (candidate > length) length = candidate, distance = distances[i];
    }
    AddSequence(bytes, literalsFrom, start, length, distance, parse);
    at = literalsFrom = start + length;
  }
  AddSequence(bytes, literalsFrom, size, 0, 0, parse);
}

}  // namespace HWY_NAMESPACE
}  // namespace host
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace host {

HWY_EXPORT(FindMatchesVector);

namespace {

// Lengths, at most maxBits, of a prefix code for symbols of these counts:
// a Huffman code, its leaves below maxBits lifted and the code rebalanced.
// At least two symbols get a code, as some decoders want a complete code.
template <std::size_t N>
void BuildLengths(const std::array<std::uint64_t, N>& counts, int maxBits,
                  std::array<std::uint8_t, N>& lengths) {
  // Symbols by count, rarest first (ties by symbol, so the code is always the same).
  std::array<std::uint16_t, N> sorted;
  int used = 0;
  for (std::size_t s = 0; s < N; ++s)
    if (counts[s] != 0) sorted[used++] = static_cast<std::uint16_t>(s);
  for (std::size_t s = 0; used < 2; ++s)
    if (counts[s] == 0) sorted[used++] = static_cast<std::uint16_t>(s);
  std::sort(sorted.begin(), sorted.begin() + used, [&](std::uint16_t a, std::uint16_t b) {
    return counts[a] != counts[b] ? counts[a] < counts[b] : a < b;
  });
  // The tree by two queues: leaves in order, then inner nodes as made (their
  // weights never fall); every parent comes after its children.
  std::array<std::uint64_t, 2 * N> weight;
  std::array<std::uint16_t, 2 * N> parent;
  for (int i = 0; i < used; ++i) weight[i] = counts[sorted[i]];
  int nextLeaf = 0, nextInner = used;
  auto lightest = [&](int made) {
    if (nextLeaf < used && (nextInner == made || weight[nextLeaf] <= weight[nextInner]))
      return nextLeaf++;
    return nextInner++;
  };
  for (int made = used; made < 2 * used - 1; ++made) {
    const int a = lightest(made), b = lightest(made);
    weight[made] = weight[a] + weight[b];
    parent[a] = parent[b] = static_cast<std::uint16_t>(made);
  }
  // Depths from the root down (reusing weight), leaves deeper than maxBits counted at maxBits.
  std::array<std::uint32_t, kMaxBits + 2> perLength{};
  weight[2 * used - 2] = 0;
  for (int n = 2 * used - 3; n >= 0; --n) weight[n] = weight[parent[n]] + 1;
  for (int i = 0; i < used; ++i) ++perLength[std::min<std::uint64_t>(weight[i], maxBits)];
  // Lifting leaves oversubscribes the code: take a leaf from the bottom and
  // hang it beside the deepest leaf above, until the Kraft sum is exact.
  std::uint64_t kraft = 0;
  for (int len = 1; len <= maxBits; ++len)
    kraft += std::uint64_t{perLength[len]} << (maxBits - len);
  for (; kraft > (std::uint64_t{1} << maxBits); --kraft) {
    --perLength[maxBits];
    for (int len = maxBits - 1; len > 0; --len) {
      if (perLength[len] != 0) {
        --perLength[len];
        perLength[len + 1] += 2;
        break;
      }
    }
  }
  // The rarest symbols take the longest codes.
  lengths.fill(0);
  int next = 0;
  for (int len = maxBits; len > 0; --len)
    for (std::uint32_t k = 0; k < perLength[len]; ++k)
      lengths[sorted[next++]] = static_cast<std::uint8_t>(len);
}

// A code as written: its bits reversed (deflate sends codes first bit first).
struct Code {
  std::uint16_t bits, length;
};

template <std::size_t N>
void AssignCodes(const std::array<std::uint8_t, N>& lengths, std::array<Code, N>& codes) {
  std::array<std::uint32_t, kMaxBits + 1> perLength{}, next{};
  for (std::uint8_t len : lengths) ++perLength[len];
  perLength[0] = 0;
  for (int len = 1, code = 0; len <= kMaxBits; ++len) {
    code = (code + static_cast<int>(perLength[len - 1])) << 1;
    next[len] = static_cast<std::uint32_t>(code);
  }
  for (std::size_t s = 0; s < N; ++s) {
    const int len = lengths[s];
    std::uint32_t code = len != 0 ? next[len]++ : 0, reversed = 0;
    for (int bit = 0; bit < len; ++bit, code >>= 1) reversed = (reversed << 1) | (code & 1);
    codes[s] = {static_cast<std::uint16_t>(reversed), static_cast<std::uint16_t>(len)};
  }
}

// Bits written first bit lowest through a 64-bit buffer: after Flush fewer
// than 8 bits wait, so 56 more may be put before the next.
class BitWriter {
 public:
  explicit BitWriter(std::uint8_t* out) : out_(out) {}
  void Put(std::uint64_t value, unsigned count) {
    bits_ |= value << count_;
    count_ += count;
  }
  void Put(Code code) { Put(code.bits, code.length); }
  void Flush() {
    Store64(out_, bits_);
    out_ += count_ / 8;
    bits_ >>= count_ & 56;
    count_ &= 7;
  }
  // Writes the last bits, padded to a whole byte; the end of what was written.
  std::uint8_t* Finish() {
    Store64(out_, bits_);
    return out_ + (count_ + 7) / 8;
  }

 private:
  std::uint8_t* out_;
  std::uint64_t bits_ = 0;
  unsigned count_ = 0;
};

// The code lengths of both codes, run-length coded: 16 repeats the previous
// length 3-6 times, 17 and 18 stand for 3-10 and 11-138 zeros.
struct LengthRun {
  std::uint8_t symbol, extra;
};
constexpr unsigned kRunExtraBits[kCodeLenCount] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                   0, 0, 0, 0, 0, 0, 2, 3, 7};
constexpr std::uint8_t kCodeLenOrder[kCodeLenCount] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                       11, 4,  12, 3, 13, 2, 14, 1, 15};

std::vector<LengthRun> RunLengths(const std::uint8_t* lengths, int count) {
  std::vector<LengthRun> runs;
  for (int i = 0; i < count;) {
    const std::uint8_t len = lengths[i];
    int run = 1;
    while (i + run < count && lengths[i + run] == len) ++run;
    i += run;
    if (len == 0) {
      for (; run >= 11; run -= std::min(run, 138))
        runs.push_back({18, static_cast<std::uint8_t>(std::min(run, 138) - 11)});
      if (run >= 3) runs.push_back({17, static_cast<std::uint8_t>(run - 3)}), run = 0;
    } else {
      runs.push_back({len, 0});
      for (--run; run >= 3; run -= std::min(run, 6))
        runs.push_back({16, static_cast<std::uint8_t>(std::min(run, 6) - 3)});
    }
    for (; run > 0; --run) runs.push_back({len, 0});
  }
  return runs;
}

// The block's codes and the header that describes them.
struct BlockCodes {
  std::array<std::uint8_t, kLitLenCount> litLenLengths;
  std::array<std::uint8_t, kDistCount> distLengths;
  std::array<Code, kLitLenCount> litLen;
  std::array<Code, kDistCount> dist;
  std::array<std::uint8_t, kCodeLenCount> codeLenLengths;
  std::array<Code, kCodeLenCount> codeLen;
  int litLenSent = 0, distSent = 0, codeLenSent = 0;  // lengths in the header
  std::vector<LengthRun> runs;
};

void MakeCodes(const Parse& parse, BlockCodes& codes) {
  BuildLengths(parse.litLenCounts, kMaxBits, codes.litLenLengths);
  BuildLengths(parse.distCounts, kMaxBits, codes.distLengths);
  AssignCodes(codes.litLenLengths, codes.litLen);
  AssignCodes(codes.distLengths, codes.dist);
  codes.litLenSent = kLitLenCount;
  while (codes.litLenSent > 257 && codes.litLenLengths[codes.litLenSent - 1] == 0)
    --codes.litLenSent;
  codes.distSent = kDistCount;
  while (codes.distSent > 1 && codes.distLengths[codes.distSent - 1] == 0) --codes.distSent;
  std::array<std::uint8_t, kLitLenCount + kDistCount> all;
  std::copy_n(codes.litLenLengths.begin(), codes.litLenSent, all.begin());
  std::copy_n(codes.distLengths.begin(), codes.distSent, all.begin() + codes.litLenSent);
  codes.runs = RunLengths(all.data(), codes.litLenSent + codes.distSent);
  std::array<std::uint64_t, kCodeLenCount> runCounts{};
  for (const LengthRun& run : codes.runs) ++runCounts[run.symbol];
  BuildLengths(runCounts, kMaxCodeLenBits, codes.codeLenLengths);
  AssignCodes(codes.codeLenLengths, codes.codeLen);
  codes.codeLenSent = kCodeLenCount;
  while (codes.codeLenSent > 4 && codes.codeLenLengths[kCodeLenOrder[codes.codeLenSent - 1]] == 0)
    --codes.codeLenSent;
}

// The size in bits of the block these codes make.
std::uint64_t BlockBits(const Parse& parse, const BlockCodes& codes) {
  std::uint64_t bits = 3 + 5 + 5 + 4 + 3 * static_cast<std::uint64_t>(codes.codeLenSent);
  for (const LengthRun& run : codes.runs)
    bits += codes.codeLenLengths[run.symbol] + kRunExtraBits[run.symbol];
  for (int s = 0; s < kLitLenCount; ++s) bits += parse.litLenCounts[s] * codes.litLenLengths[s];
  for (int s = 0; s < kDistCount; ++s) bits += parse.distCounts[s] * codes.distLengths[s];
  return bits + parse.extraBits;
}

void WriteHeader(const BlockCodes& codes, BitWriter& out) {
  out.Put(1 | 2 << 1, 3);  // the last block, dynamic codes
  out.Put(static_cast<unsigned>(codes.litLenSent - 257), 5);
  out.Put(static_cast<unsigned>(codes.distSent - 1), 5);
  out.Put(static_cast<unsigned>(codes.codeLenSent - 4), 4);
  out.Flush();
  for (int i = 0; i < codes.codeLenSent; ++i) {
    out.Put(codes.codeLenLengths[kCodeLenOrder[i]], 3);
    out.Flush();
  }
  for (const LengthRun& run : codes.runs) {
    out.Put(codes.codeLen[run.symbol]);
    out.Put(run.extra, kRunExtraBits[run.symbol]);
    out.Flush();
  }
}

void WriteLiterals(const std::uint8_t* bytes, std::size_t count, const BlockCodes& codes,
                   BitWriter& out) {
  const Code* litLen = codes.litLen.data();
  for (; count >= 3; count -= 3, bytes += 3) {  // 3 codes of 15 bits fit after a flush
    out.Put(litLen[bytes[0]]);
    out.Put(litLen[bytes[1]]);
    out.Put(litLen[bytes[2]]);
    out.Flush();
  }
  for (; count > 0; --count, ++bytes) {
    out.Put(litLen[*bytes]);
    out.Flush();
  }
}

void WriteMatch(std::size_t length, std::size_t distance, const BlockCodes& codes, BitWriter& out) {
  const LengthCode& lengthCode = kLengthCodes[length];
  const DistanceCode distanceCode = CodeForDistance(distance);
  out.Put(codes.litLen[lengthCode.symbol]);
  out.Put(lengthCode.extra, lengthCode.extraBits);
  out.Put(codes.dist[distanceCode.symbol]);
  out.Put(distanceCode.extra, distanceCode.extraBits);
  out.Flush();
}

// Writes the block at `out`, which has room for its bytes and 8 more; the end of it.
std::uint8_t* WriteBlock(const std::uint8_t* bytes, const Parse& parse, const BlockCodes& codes,
                         std::uint8_t* out) {
  BitWriter writer(out);
  WriteHeader(codes, writer);
  for (const Sequence& sequence : parse.sequences) {
    WriteLiterals(bytes, sequence.literals, codes, writer);
    bytes += sequence.literals;
    if (sequence.length == 0) continue;
    WriteMatch(sequence.length, sequence.distance, codes, writer);
    bytes += sequence.length;
  }
  writer.Put(codes.litLen[kEndOfBlock]);
  return writer.Finish();
}

std::size_t StoredSize(std::size_t size) {
  const std::size_t blocks = std::max<std::size_t>(1, (size + kStoredMax - 1) / kStoredMax);
  return size + 5 * blocks;
}

// The bytes as stored blocks, each with its length and that length's complement.
std::uint8_t* WriteStored(const std::uint8_t* bytes, std::size_t size, std::uint8_t* out) {
  do {
    const std::size_t count = std::min(size, kStoredMax);
    size -= count;
    const auto length = static_cast<std::uint16_t>(count);
    const auto complement = static_cast<std::uint16_t>(~length);
    const std::uint8_t header[5] = {
        static_cast<std::uint8_t>(size == 0),  // the last block?
        static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(length >> 8),
        static_cast<std::uint8_t>(complement), static_cast<std::uint8_t>(complement >> 8)};
    std::memcpy(out, header, 5);
    if (count > 0) std::memcpy(out + 5, bytes, count);
    out += 5 + count;
    bytes += count;
  } while (size > 0);
  return out;
}

}  // namespace

std::size_t ZlibCompressRows(std::span<const std::uint8_t> data, std::size_t pixelBytes,
                             std::size_t rowBytes, std::vector<std::uint8_t>& zlib) {
  thread_local Parse parse;  // its vector keeps its room from frame to frame
  parse.sequences.clear();
  parse.litLenCounts.fill(0);
  parse.distCounts.fill(0);
  parse.extraBits = 0;
  const Distances distances = {pixelBytes <= kWindow ? pixelBytes : 0,
                               rowBytes <= kWindow ? rowBytes : 0};
  HWY_DYNAMIC_DISPATCH(FindMatchesVector)(data, distances, parse);
  ++parse.litLenCounts[kEndOfBlock];
  BlockCodes codes;
  MakeCodes(parse, codes);
  const std::size_t blockBytes = (BlockBits(parse, codes) + 7) / 8;
  const bool stored = blockBytes >= StoredSize(data.size());

  // The zlib header (deflate, 32 KB window, fastest), the block, then Adler-32.
  // The buffer only grows, so a capture's frames fill it without clearing it.
  const std::size_t most = 2 + StoredSize(data.size()) + 8 + 4;
  if (zlib.size() < most) zlib.resize(most);
  zlib[0] = 0x78;
  zlib[1] = 0x01;
  std::uint8_t* end = stored ? WriteStored(data.data(), data.size(), zlib.data() + 2)
                             : WriteBlock(data.data(), parse, codes, zlib.data() + 2);
  const std::uint32_t adler = libdeflate_adler32(1, data.data(), data.size());
  for (int shift = 24; shift >= 0; shift -= 8) *end++ = static_cast<std::uint8_t>(adler >> shift);
  return static_cast<std::size_t>(end - zlib.data());
}

}  // namespace host
#endif  // HWY_ONCE
