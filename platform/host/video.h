// video.h: --video FILE, the frames and music of a capture run encoded by
// ffmpeg into one file (video.cpp).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace host {

// One presented frame (320x240 packed RGB); starts ffmpeg at the first.
void VideoFrame(std::span<const std::uint8_t> rgb);
// One frame period of music (interleaved 16-bit stereo at 48 kHz).
void VideoAudio(std::span<const std::int16_t> samples);
// Ends the video: muxes pictures and music into the file and renames it into
// place. False, with one line on stderr and nothing left behind, on failure.
bool VideoFinish();
// Stops ffmpeg and removes every file of an unfinished video.
void ResetVideo();
// The progress line for --video: "\rvuxa: video out.mp4 [#####.....]  50%".
std::string VideoProgressLine(const std::string& file, double fraction);

// x264's preset for --video: the fastest. At CRF 18 its frames measure as
// close to the pictures as superfast's (SSIM and PSNR of tunnel, 3D scene and
// noise passages equal or higher), at 1.1 to 1.8 times the bytes.
inline constexpr const char* kVideoPreset = "ultrafast";
// The container (ffmpeg's -f) a video file's name asks for: "mp4" for .mp4,
// else "matroska".
std::string VideoContainer(const std::string& file);
// ffmpeg's arguments (after the program name) for the one encode of --video:
// raw 320x240 RGB frames at `fps` from `frames` and raw 16-bit stereo music at
// 48 kHz from `music` (ffmpeg input names) into `output` as `container`.
std::vector<std::string> VideoArguments(int fps, const std::string& frames,
                                        const std::string& music, const std::string& output,
                                        const std::string& container);

}  // namespace host
