// scenes.h: the four scenes of the timeline. Each takes the seconds since its
// own start and draws one frame into the back buffer of Display.
#pragma once

void DrawTitleScene(float t);
void DrawTunnelScene(float t);
void DrawSpinScene(float t);
void DrawClosingScene(float t);
