// gl_missing.cpp: the OpenGL reference where the build found no EGL or OpenGL.
#include "gl_reference.h"

struct GlReference::State {};

GlReference::GlReference() : error("built without EGL and OpenGL") {}
GlReference::~GlReference() = default;
void GlReference::Draw(const RecordedFrame&) {}
std::vector<std::uint32_t> GlReference::ReadPixels() { return {}; }
