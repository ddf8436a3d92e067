// damage_support.h: scratch data directories with damaged files, the built
// program run on them, and what it said.
//
// Each test copies the build's data directory, damages some files and runs
// `vuxa --capture frames --fps 5` with the copy as working directory (so the
// program takes its data from there), through timeout(1) so that a hang ends
// as a failure. 3DS helpers find chunks by walking the file's tree and can
// grow a chunk, fixing the lengths of every chunk around it.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace damage {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// The files the show reads, relative to its data directory.
inline const std::vector<std::string> Pictures = {
    "images/cred1.pcx", "images/cred2.pcx", "images/cred3.pcx",
    "images/cred4.pcx", "images/texture.pcx", "images/vuxa.pcx"};
inline const std::vector<std::string> Bitmaps = {"Textures/PLANET.BMP", "Textures/RINGS.BMP"};
inline const std::string SceneFile = "scenes/ball.3ds";
inline const std::string ModuleFile = "music/vuxa.xm";
constexpr int Fps = 5;
constexpr int LastFrame = 52 * Fps;  // frame_00000 is the start-up frame

inline Bytes ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Bytes that look like nothing: a fixed seed, so every run damages alike.
inline Bytes RandomBytes(std::size_t count, unsigned seed) {
  std::mt19937 generator(seed);
  Bytes bytes(count);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(generator());
  return bytes;
}

inline void Put16(Bytes& b, std::size_t at, unsigned v) {
  b.at(at) = std::uint8_t(v);
  b.at(at + 1) = std::uint8_t(v >> 8);
}
inline void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.at(at + i) = std::uint8_t(v >> (8 * i));
}
inline std::uint32_t Get32(const Bytes& b, std::size_t at) {
  return b.at(at) | b.at(at + 1) << 8 | b.at(at + 2) << 16 | std::uint32_t(b.at(at + 3)) << 24;
}
inline unsigned Get16(const Bytes& b, std::size_t at) { return b.at(at) | b.at(at + 1) << 8; }

// A copy of the build's data in a fresh directory, removed at the end.
class Scratch {
 public:
  explicit Scratch(const std::string& name)
      : dir_(fs::temp_directory_path() /
             ("vuxa_damage_" + name + "_" + std::to_string(::getpid()))) {
    fs::remove_all(dir_);
    fs::copy(VUXA_DATA_DIR, dir_, fs::copy_options::recursive);
  }
  ~Scratch() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  fs::path Path(const std::string& file) const { return dir_ / file; }
  Bytes Read(const std::string& file) const { return ReadBytes(Path(file)); }
  void Write(const std::string& file, const Bytes& bytes) const { WriteBytes(Path(file), bytes); }
  const fs::path& Dir() const { return dir_; }

 private:
  fs::path dir_;
};

struct ShowRun {
  int exitCode = -1;  // -1: killed by a signal; 124: timed out
  std::string err;
  int frames = 0;     // frame_NNNNN.png files written
  std::vector<std::string> warnings;  // "vuxa: warning: " lines
  // How many warning lines name `file` ("<...>/file: ").
  int WarningsAbout(const std::string& file) const {
    int n = 0;
    for (const std::string& w : warnings)
      if (w.find("/" + file + ": ") != std::string::npos ||
          w.rfind("vuxa: warning: " + file + ": ", 0) == 0)
        ++n;
    return n;
  }
};

inline ShowRun RunShow(const Scratch& scratch) {
  const fs::path frames = scratch.Dir() / "frames";
  const std::string command = "cd '" + scratch.Dir().string() +
                              "' && SDL_AUDIODRIVER=dummy timeout 120 '" VUXA_BINARY_DIR
                              "/vuxa' --capture '" + frames.string() + "' --fps " +
                              std::to_string(Fps) + " > stdout.txt 2> stderr.txt";
  const int status = std::system(command.c_str());
  ShowRun run;
  if (status != -1 && WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
  std::ifstream in(scratch.Dir() / "stderr.txt");
  std::ostringstream text;
  text << in.rdbuf();
  run.err = text.str();
  std::istringstream lines(run.err);
  for (std::string line; std::getline(lines, line);)
    if (line.rfind("vuxa: warning: ", 0) == 0) run.warnings.push_back(line);
  std::error_code ec;
  if (fs::is_directory(frames, ec))
    for (const auto& entry : fs::directory_iterator(frames))
      if (entry.path().filename().string().rfind("frame_", 0) == 0) ++run.frames;
  return run;
}

// A 3DS chunk found in the file: where it starts and its length field.
struct Chunk {
  std::size_t start;
  std::uint32_t length;
};

// Where the sub-chunks of a chunk begin (relative to its start), for the
// chunks that hold sub-chunks; nothing for the others.
inline std::optional<std::size_t> SubChunksAt(const Bytes& b, std::size_t start) {
  switch (Get16(b, start)) {
    case 0x4D4D: case 0x3D3D: case 0x4100: case 0xAFFF: case 0xA200:
    case 0xA010: case 0xA020: case 0xA030:
      return 6;
    case 0x4600:  // after the light's position
      return 6 + 12;
    case 0x4120:  // after the faces
      return 6 + 2 + 8 * std::size_t{Get16(b, start + 6)};
    case 0x4000: {  // after the object's name
      std::size_t at = start + 6;
      while (at < b.size() && b[at] != 0) ++at;
      return at + 1 - start;
    }
    default:
      return std::nullopt;
  }
}

// Every chunk of [from, to), depth first, in file order.
inline void CollectChunks(const Bytes& b, std::size_t from, std::size_t to,
                          std::vector<Chunk>& out) {
  for (std::size_t at = from; at + 6 <= to;) {
    const Chunk chunk{at, Get32(b, at + 2)};
    if (chunk.length < 6 || at + chunk.length > to) return;
    out.push_back(chunk);
    if (auto sub = SubChunksAt(b, at)) CollectChunks(b, at + *sub, at + chunk.length, out);
    at += chunk.length;
  }
}

// The n-th chunk (from 0) with this id; fails the test's expectations by
// returning a start past the end when there is none.
inline Chunk FindChunk(const Bytes& b, unsigned id, int n = 0) {
  std::vector<Chunk> chunks;
  CollectChunks(b, 0, b.size(), chunks);
  for (const Chunk& c : chunks)
    if (Get16(b, c.start) == id && n-- == 0) return c;
  return {b.size(), 0};
}

// Replaces `count` bytes at `at` with `with`, and makes every chunk that
// holds `at` longer or shorter by the difference.
inline void Splice(Bytes& b, std::size_t at, std::size_t count, const Bytes& with) {
  std::vector<Chunk> chunks;
  CollectChunks(b, 0, b.size(), chunks);
  const auto grow = static_cast<std::int64_t>(with.size()) - static_cast<std::int64_t>(count);
  for (const Chunk& c : chunks)
    if (c.start < at && at < c.start + c.length)
      Put32(b, c.start + 2, static_cast<std::uint32_t>(c.length + grow));
  b.erase(b.begin() + static_cast<std::ptrdiff_t>(at),
          b.begin() + static_cast<std::ptrdiff_t>(at + count));
  b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), with.begin(), with.end());
}

}  // namespace damage
