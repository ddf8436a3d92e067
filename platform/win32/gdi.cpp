// gdi.cpp: the small GDI calls: object selection and deletion, text colour and
// background mode, device capabilities, memory device contexts.
//
// GDI objects (fonts from font.cpp, bitmaps from bitmap.cpp) are
// handed out as raw handles and freed here through their virtual destructor.
// Memory contexts are kept in a list, so DeleteDC refuses what it did not make
// (a surface's context belongs to its surface).
#include <algorithm>
#include <memory>
#include <vector>

#include "platform/win32/gdi.h"

namespace {

constexpr int kLogicalPixelsPerInch = 96;

std::vector<std::unique_ptr<HDC__>>& MemoryContexts() {
  static std::vector<std::unique_ptr<HDC__>> contexts;
  return contexts;
}

}  // namespace

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  if (!dc || !object) return nullptr;
  HGDIOBJ__*& slot = object->kind == HGDIOBJ__::Kind::Font ? dc->font : dc->bitmap;
  HGDIOBJ previous = slot;
  slot = object;
  return previous;
}

BOOL DeleteObject(HGDIOBJ object) {
  if (!object) return FALSE;
  delete object;  // fonts and bitmaps are handles owned by whoever created them
  return TRUE;
}

int SetBkMode(HDC dc, int mode) {
  if (!dc) return 0;
  int previous = dc->bkMode;
  dc->bkMode = mode;
  return previous;
}

COLORREF SetTextColor(HDC dc, COLORREF color) {
  if (!dc) return 0xFFFFFFFFu;  // CLR_INVALID
  COLORREF previous = dc->textColor;
  dc->textColor = color;
  return previous;
}

int GetDeviceCaps(HDC /*dc*/, int index) {
  return index == LOGPIXELSY ? kLogicalPixelsPerInch : 0;
}

HDC CreateCompatibleDC(HDC /*dc*/) {
  auto& contexts = MemoryContexts();
  contexts.push_back(std::make_unique<HDC__>());
  return contexts.back().get();
}

BOOL DeleteDC(HDC dc) {
  auto& contexts = MemoryContexts();
  auto found = std::find_if(contexts.begin(), contexts.end(),
                            [dc](const auto& context) { return context.get() == dc; });
  if (!dc || found == contexts.end()) return FALSE;
  contexts.erase(found);
  return TRUE;
}
