// audio.cpp: the audio device on Web Audio: a script processor node pulls
// 48 kHz samples from the host's audio source and plays them at the rate the
// browser's AudioContext runs (44.1 kHz, 48 kHz or more), resampled linearly.
//
// The page makes the AudioContext at the viewer's click (browsers allow
// sound only after a gesture). The node runs on the page's own thread,
// between the program's frames, so the lock has nothing to hold off. An
// analyser after the node tells the page the music's level.
#include <emscripten.h>

#include <cstdint>
#include <cstdio>
#include <span>

#include "platform/host/host.h"
#include "platform/host/present.h"

// clang-format off
EM_JS(int, vuxa_js_open_audio, (int sourceRate), {
  const ctx = Module.vuxaAudioContext();
  if (!ctx) return 0;
  // Linear interpolation from the music's rate to the context's, a block at a
  // time. pos is where the next output sample falls, in frames of the coming
  // block. That sample may fall before the block's first frame: at -1, or at
  // -2 when the context runs faster than the music, so a block's last two
  // frames are kept for the next.
  Module.vuxaResampler = ratio => {
    let pos = 0, kept = [0, 0, 0, 0];  // frames -2 and -1, left and right
    const at = (src, j, c) => j >= 0 ? src[2 * j + c] : kept[2 * (j + 2) + c];
    return {
      frames: n => Math.floor(pos + (n - 1) * ratio) + 2,
      fill: (src, frames, outL, outR) => {
        const n = outL.length;
        for (let i = 0; i < n; ++i) {
          const p = pos + i * ratio, k = Math.floor(p), f = p - k;
          const aL = at(src, k, 0), aR = at(src, k, 1);
          const bL = at(src, k + 1, 0), bR = at(src, k + 1, 1);
          outL[i] = (aL + (bL - aL) * f) / 32768;
          outR[i] = (aR + (bR - aR) * f) / 32768;
        }
        kept = Array.from(src.subarray(2 * frames - 4, 2 * frames));
        pos += n * ratio - frames;
      },
    };
  };
  const block = 2048;
  const ratio = sourceRate / ctx.sampleRate;
  const capacity = Math.ceil(block * ratio) + 4;  // more than a block ever asks for
  const buffer = _malloc(capacity * 4);
  const node = ctx.createScriptProcessor(block, 0, 2);
  const analyser = ctx.createAnalyser();
  analyser.fftSize = 2048;
  const resampler = Module.vuxaResampler(ratio);
  node.onaudioprocess = e => {
    const outL = e.outputBuffer.getChannelData(0), outR = e.outputBuffer.getChannelData(1);
    if (!Module.vuxaAudio || !Module.vuxaAudio.playing) { outL.fill(0); outR.fill(0); return; }
    const frames = Math.min(capacity, resampler.frames(outL.length));
    _vuxa_audio_pull(buffer, frames);
    resampler.fill(HEAP16.subarray(buffer >> 1, (buffer >> 1) + frames * 2), frames, outL, outR);
  };
  node.connect(analyser);
  analyser.connect(ctx.destination);
  Module.vuxaAudio = { ctx, node, analyser, buffer, playing: false };
  return 1;
});

EM_JS(void, vuxa_js_resume_audio, (), {
  if (!Module.vuxaAudio) return;
  Module.vuxaAudio.playing = true;
  Module.vuxaAudio.ctx.resume();
});

EM_JS(void, vuxa_js_close_audio, (), {
  const a = Module.vuxaAudio;
  if (!a) return;
  a.node.onaudioprocess = null;
  a.node.disconnect();
  a.analyser.disconnect();
  _free(a.buffer);
  Module.vuxaAudio = null;
});
// clang-format on

namespace host {
namespace {

bool& Open() {
  static bool open = false;
  return open;
}

}  // namespace

bool OpenAudio() {
  if (Open()) return true;
  Open() = vuxa_js_open_audio(kSampleRate) != 0;
  if (!Open())
    std::fprintf(stderr, "vuxa: no audio device: the browser offers no Web Audio (add ?mute to play without sound)\n");
  return Open();
}

void CloseAudio() {
  if (!Open()) return;
  vuxa_js_close_audio();
  Open() = false;
}

void ResumeAudio() {
  if (Open()) vuxa_js_resume_audio();
}

bool AudioOpen() { return Open(); }

AudioLock::AudioLock() = default;
AudioLock::~AudioLock() = default;

}  // namespace host

// Called by the audio node: fills `frames` interleaved stereo sample frames.
extern "C" EMSCRIPTEN_KEEPALIVE void vuxa_audio_pull(std::int16_t* samples, int frames) {
  host::PullAudio(std::span<std::int16_t>(samples, static_cast<std::size_t>(frames) * 2));
}
