// wav_writer.cpp: 16-bit PCM WAV writing with sizes patched in at the end.
// RIFF sizes are 32-bit: a recording that would pass 4 GiB is refused.
#include "platform/host/wav_writer.h"

#include <array>
#include <cerrno>
#include <vector>

namespace host {
namespace {

constexpr std::uint64_t kHeaderBytes = 44;
constexpr std::uint64_t kMaxDataBytes = 0xFFFFFFFFull - (kHeaderBytes - 8);

void Put16(std::uint8_t* at, unsigned value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::uint8_t* at, std::uint32_t value) {
  Put16(at, value & 0xFFFF);
  Put16(at + 2, value >> 16);
}

std::array<std::uint8_t, kHeaderBytes> Header(int sampleRate, int channels, std::uint32_t data) {
  std::array<std::uint8_t, kHeaderBytes> h{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E',
                                           'f', 'm', 't', ' ', 16, 0, 0, 0};
  const unsigned blockAlign = static_cast<unsigned>(channels) * 2;
  Put32(&h[4], static_cast<std::uint32_t>(kHeaderBytes - 8 + data));
  Put16(&h[20], 1);  // PCM
  Put16(&h[22], static_cast<unsigned>(channels));
  Put32(&h[24], static_cast<std::uint32_t>(sampleRate));
  Put32(&h[28], static_cast<std::uint32_t>(sampleRate) * blockAlign);
  Put16(&h[32], blockAlign);
  Put16(&h[34], 16);
  h[36] = 'd', h[37] = 'a', h[38] = 't', h[39] = 'a';
  Put32(&h[40], data);
  return h;
}

}  // namespace

bool WavWriter::Open(const std::string& path, int sampleRate, int channels) {
  if (IsOpen() || !file_.Create(path)) return false;
  dataBytes_ = 0;
  // The sizes stay 0 until Finish: an unfinished file says it holds nothing.
  auto header = Header(sampleRate, channels, 0);
  return std::fwrite(header.data(), 1, header.size(), file_.File()) == header.size();
}

bool WavWriter::Write(std::span<const std::int16_t> samples) {
  if (!IsOpen()) return false;
  std::uint64_t bytes = samples.size() * 2;
  if (dataBytes_ + bytes > kMaxDataBytes) {
    errno = EFBIG;
    return false;
  }
  std::vector<std::uint8_t> out(bytes);
  for (std::size_t i = 0; i < samples.size(); ++i)
    Put16(&out[i * 2], static_cast<std::uint16_t>(samples[i]));
  if (std::fwrite(out.data(), 1, out.size(), file_.File()) != out.size()) return false;
  dataBytes_ += bytes;
  return true;
}

bool WavWriter::Finish() {
  std::FILE* file = file_.File();
  if (!file) return false;
  std::array<std::uint8_t, 4> size{};
  Put32(size.data(), static_cast<std::uint32_t>(kHeaderBytes - 8 + dataBytes_));
  bool ok = std::fseek(file, 4, SEEK_SET) == 0 && std::fwrite(size.data(), 1, 4, file) == 4;
  Put32(size.data(), static_cast<std::uint32_t>(dataBytes_));
  ok = ok && std::fseek(file, 40, SEEK_SET) == 0 && std::fwrite(size.data(), 1, 4, file) == 4;
  ok = file_.Close() && ok;
  return ok;
}

void WavWriter::Discard() {
  file_.Discard();
  dataBytes_ = 0;
}

}  // namespace host
