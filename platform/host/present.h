// present.h: how a presented frame moves through the host's shared files:
// present.cpp counts it (clock.cpp), writes it to the capture or the video
// (video.cpp) with its period of music (music_capture.cpp), and runs the hook.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace host {

// clock.cpp: counts a presented frame and returns its index (0 = first).
unsigned CountFlip();
// clock.cpp: runs the test hook for a presented frame, if one is set.
void RunFlipHook(unsigned flipIndex);
// clock.cpp: forgets the tick source, hook, flip count and show start.
void ResetClock();

// present.cpp: true once after RequestClose (each machine's PollEvent asks first).
bool TakeCloseRequest();
// present.cpp: true when a frame of the capture could not be written.
bool CaptureFailed();
// to_rgb.cpp: packed surface memory (blue first, 3 or 4 bytes a pixel) as
// packed RGB bytes; empty for depths that are never shown. ToRgbPlain is the
// same, pixel by pixel: the reference for tests.
std::vector<std::uint8_t> ToRgb(const std::uint8_t* pixels, int bytes, int width, int height);
std::vector<std::uint8_t> ToRgbPlain(const std::uint8_t* pixels, int bytes, int width, int height);

// music_capture.cpp: fills samples from the audio source (silence without one).
void PullAudio(std::span<std::int16_t> interleaved);
// music_capture.cpp: forgets the music capture, removing an unfinished file.
void ResetMusicCapture();

}  // namespace host
