// Writes the XM model of xm_writer.h as a FastTracker 2 version 1.04 file:
// a 60-byte preamble, the 276-byte song header, packed patterns, then each
// instrument with its sample header and delta-coded 16-bit sample data.
#include "tools/assetgen/xm_writer.h"

namespace assetgen::xm {
namespace {

constexpr std::uint32_t kSongHeaderSize = 276;
constexpr std::uint32_t kInstrumentHeaderSize = 263;
constexpr std::uint32_t kSampleHeaderSize = 40;
constexpr int kEnvelopePoints = 12;

void Put8(Bytes& b, unsigned v) { b.push_back(static_cast<std::uint8_t>(v)); }
void Put16(Bytes& b, unsigned v) {
  Put8(b, v & 0xFF);
  Put8(b, (v >> 8) & 0xFF);
}
void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
// Fixed-width text field, padded with zeros (or spaces where FT2 pads so).
void PutText(Bytes& b, const std::string& s, std::size_t width, char pad = 0) {
  for (std::size_t i = 0; i < width; ++i) Put8(b, i < s.size() ? static_cast<unsigned char>(s[i]) : pad);
}

void PutSongHeader(Bytes& b, const Module& m) {
  PutText(b, "Extended Module: ", 17);
  PutText(b, m.name, 20, ' ');
  Put8(b, 0x1A);
  PutText(b, m.tracker, 20, ' ');
  Put16(b, 0x0104);
  Put32(b, kSongHeaderSize);
  Put16(b, static_cast<unsigned>(m.order.size()));
  Put16(b, m.restart);
  Put16(b, static_cast<unsigned>(m.channels));
  Put16(b, static_cast<unsigned>(m.patterns.size()));
  Put16(b, static_cast<unsigned>(m.instruments.size()));
  Put16(b, 1);  // linear frequency table
  Put16(b, static_cast<unsigned>(m.speed));
  Put16(b, static_cast<unsigned>(m.bpm));
  for (std::size_t i = 0; i < 256; ++i) Put8(b, i < m.order.size() ? m.order[i] : 0);
}

// FT2 packing: a cell with every field set is stored as five plain bytes;
// otherwise a flag byte (bit 7 set, bits 0-4 say which fields follow).
void PutCell(Bytes& b, const Cell& c) {
  const std::uint8_t fields[5] = {c.note, c.instrument, c.volume, c.effect, c.param};
  unsigned mask = 0;
  for (int i = 0; i < 5; ++i) mask |= fields[i] ? (1u << i) : 0;
  if (mask != 0x1F) Put8(b, 0x80 | mask);
  for (int i = 0; i < 5; ++i)
    if (mask & (1u << i)) Put8(b, fields[i]);
}

void PutPattern(Bytes& b, const Pattern& p) {
  Bytes packed;
  for (const Cell& c : p.cells) PutCell(packed, c);
  Put32(b, 9);  // pattern header length
  Put8(b, 0);   // packing type
  Put16(b, static_cast<unsigned>(p.rows));
  Put16(b, static_cast<unsigned>(packed.size()));
  b.insert(b.end(), packed.begin(), packed.end());
}

void PutEnvelope(Bytes& b, const Envelope& e) {
  for (int i = 0; i < kEnvelopePoints; ++i) {
    const bool used = i < static_cast<int>(e.points.size());
    Put16(b, used ? e.points[i].first : 0);
    Put16(b, used ? e.points[i].second : 0);
  }
}

void PutSampleHeader(Bytes& b, const Sample& s) {
  const bool looped = s.loop != Loop::kNone;
  Put32(b, static_cast<std::uint32_t>(s.data.size() * 2));  // lengths count bytes
  Put32(b, looped ? s.loop_start * 2 : 0);
  Put32(b, looped ? s.loop_length * 2 : 0);
  Put8(b, s.volume);
  Put8(b, static_cast<std::uint8_t>(s.finetune));
  Put8(b, static_cast<unsigned>(s.loop) | 0x10);  // 0x10: 16-bit data
  Put8(b, s.panning);
  Put8(b, static_cast<std::uint8_t>(s.relative_note));
  Put8(b, 0);
  PutText(b, s.name, 22);
}

void PutSampleData(Bytes& b, const std::vector<std::int16_t>& data) {
  std::int16_t prev = 0;
  for (std::int16_t v : data) {
    Put16(b, static_cast<std::uint16_t>(v - prev));
    prev = v;
  }
}

void PutInstrument(Bytes& b, const Instrument& in) {
  const Envelope& env = in.volume;
  Put32(b, kInstrumentHeaderSize);
  PutText(b, in.name, 22);
  Put8(b, 0);
  Put16(b, 1);  // one sample
  Put32(b, kSampleHeaderSize);
  for (int i = 0; i < 96; ++i) Put8(b, 0);  // every note plays sample 0
  PutEnvelope(b, env);
  PutEnvelope(b, Envelope{});  // no panning envelope
  Put8(b, static_cast<unsigned>(env.points.size()));
  Put8(b, 0);
  Put8(b, env.sustain < 0 ? 0 : static_cast<unsigned>(env.sustain));
  Put8(b, 0);  // volume loop start, end
  Put8(b, 0);
  Put8(b, 0);  // panning sustain, loop start, end
  Put8(b, 0);
  Put8(b, 0);
  Put8(b, (env.points.empty() ? 0 : 1) | (env.sustain < 0 ? 0 : 2));
  Put8(b, 0);                              // panning envelope off
  for (int i = 0; i < 4; ++i) Put8(b, 0);  // no auto-vibrato
  Put16(b, in.fadeout);
  for (int i = 0; i < 22; ++i) Put8(b, 0);  // reserved
  PutSampleHeader(b, in.sample);
  PutSampleData(b, in.sample.data);
}

bool Check(const Module& m, std::string& error) {
  auto fail = [&error](const std::string& what) {
    error = "xm: " + what;
    return false;
  };
  if (m.channels < 1 || m.channels > 32) return fail("channel count out of range");
  if (m.order.empty() || m.order.size() > 256) return fail("order list length out of range");
  if (m.patterns.size() > 256 || m.instruments.size() > 128) return fail("too many patterns or instruments");
  for (std::uint8_t o : m.order)
    if (o >= m.patterns.size()) return fail("order names a missing pattern");
  for (const Pattern& p : m.patterns)
    if (p.rows < 1 || p.rows > 256 || p.cells.size() != static_cast<std::size_t>(p.rows * m.channels))
      return fail("pattern size does not match its rows and channels");
  for (const Instrument& in : m.instruments) {
    const Sample& s = in.sample;
    if (in.volume.points.size() > kEnvelopePoints) return fail(in.name + ": too many envelope points");
    if (s.loop != Loop::kNone && (s.loop_length == 0 || s.loop_start + s.loop_length > s.data.size()))
      return fail(in.name + ": loop outside the sample");
  }
  return true;
}

}  // namespace

bool Serialize(const Module& module, Bytes& out, std::string& error) {
  if (!Check(module, error)) return false;
  out.clear();
  PutSongHeader(out, module);
  for (const Pattern& p : module.patterns) PutPattern(out, p);
  for (const Instrument& in : module.instruments) PutInstrument(out, in);
  return true;
}

}  // namespace assetgen::xm
