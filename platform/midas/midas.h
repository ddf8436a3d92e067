// midas.h: the sound library's calls the show makes, played by libopenmpt
// (XM modules) through SDL2 audio; in capture mode the music is rendered into
// a WAV file one frame's worth at a time (midas/midas.cpp).
//
// Success is a non-zero result or handle, failure zero; MIDASgetLastError and
// MIDASgetErrorMessage then say what went wrong.
#pragma once

#include <cstdint>

#include "platform/win32/win32.h"

using MIDASmodule = DWORD;
using MIDASmodulePlayHandle = DWORD;

struct MIDASplayStatus {
  DWORD position;
  DWORD pattern;
  DWORD row;
  int syncInfo;
  DWORD songLoopCount;
};

// Error codes of our own, each with a constant text.
enum MidasError : int {
  MIDAS_OK = 0,
  MIDAS_ERR_NOT_INITIALIZED = 1,   // "Sound library not initialized"
  MIDAS_ERR_NO_AUDIO_DEVICE = 2,   // "No audio device"
  MIDAS_ERR_FILE_OPEN = 3,         // "Unable to open file"
  MIDAS_ERR_FILE_READ = 4,         // "Unable to read file"
  MIDAS_ERR_BAD_MODULE = 5,        // "Unknown module format"
  MIDAS_ERR_OUT_OF_MEMORY = 6,     // "Not enough memory"
  MIDAS_ERR_INVALID_HANDLE = 7,    // "Invalid module or play handle"
  MIDAS_ERR_ALREADY_PLAYING = 8,   // "A module is already playing"
};

BOOL MIDASstartup();
BOOL MIDASsetOption(int option, std::uintptr_t value);
BOOL MIDASinit();
MIDASmodule MIDASloadModule(const char* fileName);
MIDASmodulePlayHandle MIDASplayModule(MIDASmodule module, BOOL loopSong);
BOOL MIDASpoll();
BOOL MIDASgetPlayStatus(MIDASmodulePlayHandle playHandle, MIDASplayStatus* status);
BOOL MIDASstopModule(MIDASmodulePlayHandle playHandle);
BOOL MIDASfreeModule(MIDASmodule module);
BOOL MIDASclose();
int MIDASgetLastError();
const char* MIDASgetErrorMessage(int errorCode);
