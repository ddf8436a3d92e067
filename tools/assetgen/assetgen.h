// assetgen: writes every data file the show reads, made from code.
//
// Each writer puts its files under the output directory, in the folders the
// show expects (music/, images/, scenes/, Textures/), and returns false with a
// message in `error` when a file cannot be made. The output is the same bytes
// on every run: no clocks, and every random choice comes from a fixed seed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace assetgen {

using Bytes = std::vector<std::uint8_t>;

// music/vuxa.xm
bool WriteMusic(const std::filesystem::path& outdir, std::string& error);
// images/cred1.pcx .. cred4.pcx, images/texture.pcx, images/vuxa.pcx
bool WritePictures(const std::filesystem::path& outdir, std::string& error);
// scenes/ball.3ds and the bitmaps under Textures/ that its materials name
bool WriteScene(const std::filesystem::path& outdir, std::string& error);

// icons/vuxa.png: the 256x256 desktop icon (installed, not read by the show)
bool WriteIcon(const std::filesystem::path& outdir, std::string& error);

// A coarse ball with the scene's materials, lights and camera: a small 3DS file.
Bytes SmallSceneFile();
// <target>/...: small inputs for the fuzz targets (pcx, bmp, scene, module,
// options), kept under tests/fixtures/fuzz/ (not read by the show)
bool WriteFuzzSeeds(const std::filesystem::path& outdir, std::string& error);

// Writes bytes to path, creating its directory; false with a message on failure.
bool WriteFileBytes(const std::filesystem::path& path, const Bytes& bytes, std::string& error);

}  // namespace assetgen
