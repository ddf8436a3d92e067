// winmain.cpp: the program's spine: start-up in a fixed order, the 52-second
// timeline loop, shutdown and the frame-rate report.
//
// The only caller of the sound library. A failed display set-up ends the run
// with a message box and result 1; any sound failure ends the process through
// ExitOnSoundError with exit code 1. Pictures, tables and the scene are never
// released: they live until the process ends.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "display/display.h"
#include "effects/assets.h"
#include "effects/glow.h"
#include "effects/scenes.h"
#include "platform/host/host.h"
#include "platform/midas/midas.h"
#include "show/show.h"
#include "show/timeline.h"

DisplayState Display;

HFONT TitleFont;
HFONT SubtitleFont;
HFONT ClosingFont;
HFONT CreditFont;

namespace {

constexpr const char* ShowCaption = "Pelmorak 3D";
constexpr const char* ModuleFile = "music\\vuxa.xm";

MIDASmodule Module;
MIDASmodulePlayHandle PlayHandle;
MIDASplayStatus PlayStatus;

// Paints the whole back buffer black; the result is of no interest.
void FillBackBufferBlack() {
  DDBLTFX fx{};
  fx.dwSize = 100;
  Display.backBuffer->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

HFONT CreateShowFont(int height, int escapement) {
  return CreateFontA(height, 0, escapement, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 2, 0x52, "Tahoma");
}

// The four 16-point "Tahoma" fonts, measured on the back buffer's context.
void CreateFonts() {
  HDC dc = nullptr;
  Display.backBuffer->GetDC(&dc);
  const int height = -MulDiv(16, GetDeviceCaps(dc, LOGPIXELSY), 72);
  TitleFont = CreateShowFont(height, 50);
  SubtitleFont = CreateShowFont(height, -50);
  ClosingFont = CreateShowFont(height, 30);
  CreditFont = CreateShowFont(height, -10);
  Display.backBuffer->ReleaseDC(dc);
}

void DeleteFonts() {
  DeleteObject(TitleFont);
  DeleteObject(SubtitleFont);
  DeleteObject(ClosingFont);
  DeleteObject(CreditFont);
}

int FailDisplay(HRESULT code) {
  ReleaseDisplay(&Display);
  MessageBoxA(nullptr, DescribeDisplayError(code), ShowCaption, MB_OK);
  return 1;
}

void StartSound() {
  MIDASstartup();
  MIDASsetOption(6, reinterpret_cast<std::uintptr_t>(Display.window));
  MIDASsetOption(5, 0);
  MIDASsetOption(11, 10);
  if (!MIDASinit()) ExitOnSoundError(&Display);
}

void StartMusic() {
  Module = MIDASloadModule(ModuleFile);
  if (!Module) ExitOnSoundError(&Display);
  PlayHandle = MIDASplayModule(Module, 1);
  if (!PlayHandle) ExitOnSoundError(&Display);
}

void StopSound() {
  if (!MIDASstopModule(PlayHandle)) ExitOnSoundError(&Display);
  if (!MIDASfreeModule(Module)) ExitOnSoundError(&Display);
  if (!MIDASclose()) ExitOnSoundError(&Display);
}

void DrawScene(const SceneChoice& choice) {
  switch (choice.scene) {
    case ShowScene::Title:
      DrawTitleScene(choice.argument);
      break;
    case ShowScene::Tunnel:
      DrawTunnelScene(choice.argument);
      break;
    case ShowScene::Spin:
      DrawSpinScene(choice.argument);
      break;
    case ShowScene::Closing:
      DrawClosingScene(choice.argument);
      break;
    case ShowScene::Pause:
    case ShowScene::End:
      break;
  }
}

// Plays the timeline until it reaches 52 s or the quit flag is set; returns
// the number of completed turns (each presented one frame).
DWORD RunTimeline(DWORD startTick) {
  DWORD frames = 0;
  while (!Display.quit) {
    MIDASpoll();
    MIDASgetPlayStatus(PlayHandle, &PlayStatus);
    const SceneChoice choice = SelectScene(ShowClock(startTick, GetTickCount()));
    if (choice.scene == ShowScene::End) break;
    DrawScene(choice);
    EndFrame(&Display);
    PumpMessages();
    ++frames;
  }
  return frames;
}

void ShowReport(float framesPerSecond) {
  char report[256];
  std::snprintf(report, sizeof report, "Average framerate: %.0f fps",
                static_cast<double>(framesPerSecond));
  std::printf("%s\n", report);
  std::fflush(stdout);
  MessageBoxA(nullptr, report, ShowCaption, MB_OK);
}

}  // namespace

void ExitOnSoundError(DisplayState* display) {
  MessageBoxA(display->window, MIDASgetErrorMessage(MIDASgetLastError()), "Midas", MB_OK);
  MIDASclose();
  std::exit(1);
}

int WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  if (HRESULT code = InitDisplay(instance, showCommand, &Display, DISPLAY_WINDOW))
    return FailDisplay(code);
  StartSound();
  if (HRESULT code = InitDisplay(instance, showCommand, &Display, DISPLAY_SURFACES | DISPLAY_3D))
    return FailDisplay(code);

  FillBackBufferBlack();
  EndFrame(&Display);  // shows the black start-up frame; ClearRect is still empty
  FillBackBufferBlack();
  ShowCursor(FALSE);
  Display.clearRect = {0, 0, 320, 240};

  LoadAssets();
  StartMusic();
  MIDASpoll();
  const DWORD firstTick = GetTickCount();
  // --start: the timeline begins that far in, as if the show had been running
  // that long (the sound library has put the music at the same point).
  const DWORD startTick =
      firstTick - static_cast<DWORD>(std::lround(host::GetOptions().startSeconds * 1000.0));
  CreateFonts();

  const DWORD frames = RunTimeline(startTick);

  const double seconds = ShowClock(firstTick, GetTickCount());  // the time actually played
  const auto framesPerSecond = static_cast<float>(static_cast<double>(frames) / seconds);
  StopSound();
  ShowCursor(TRUE);
  ReleaseDisplay(&Display);
  DeleteFonts();
  ShowReport(framesPerSecond);
  return 0;
}
