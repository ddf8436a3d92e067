// WriteMusic: composes the intro tune and writes it as music/vuxa.xm.
//
// Sections follow the show: 0-12 s pad, noise and bells under the titles;
// 12-24 s the beat comes in; 24-36 s the lead joins; 36-48 s a break on a
// turned progression that builds back up; from 48 s a last chord fades out,
// then silence until the song loops at 60 s.
#include "tools/assetgen/music.h"

#include "tools/assetgen/assetgen.h"

namespace assetgen {

bool WriteMusic(const std::filesystem::path& outdir, std::string& error) {
  music::Score score;
  music::ComposeRhythm(score);
  music::ComposeHarmony(score);
  music::ComposeLead(score);

  xm::Module module;
  module.name = "vuxa";
  module.channels = music::kChannels;
  module.speed = 6;
  module.bpm = 160;
  module.patterns = score.Patterns();
  for (int i = 0; i < music::kPatterns; ++i) module.order.push_back(static_cast<std::uint8_t>(i));
  module.instruments = music::MakeInstruments();

  Bytes bytes;
  if (!xm::Serialize(module, bytes, error)) return false;
  return WriteFileBytes(outdir / "music" / "vuxa.xm", bytes, error);
}

}  // namespace assetgen
