// device.cpp: the 3D device (IDirect3DDevice2) over the software rasterizer.
//
// Keeps render states (defaults of a DirectX 5 RGB device), the world, view
// and projection transforms and the device's viewports; collects the vertices
// of triangle lists of pre-lit vertices between Begin and End and draws each
// triangle as soon as its third vertex arrives, through a batch that lives as
// long as the prepared context. Other primitive and vertex types are refused.
// Drawing needs a current viewport whose data has been set; without one,
// vertices are accepted and nothing is drawn.
#include <algorithm>
#include <cstdint>

#include "platform/d3d/objects.h"
#include "platform/host/host.h"

namespace platform {

namespace {

constexpr DWORD kStateCount = 256;

// Device description values (DirectX 5 numbers).
constexpr DWORD D3DDD_COLORMODEL = 0x1, D3DDD_DEVCAPS = 0x2, D3DDD_DEVICERENDERBITDEPTH = 0x80,
                D3DDD_DEVICEZBUFFERBITDEPTH = 0x100, D3DDD_MAXVERTEXCOUNT = 0x400;
constexpr DWORD D3DDEVCAPS_FLOATTLVERTEX = 0x1, D3DDEVCAPS_EXECUTESYSTEMMEMORY = 0x10,
                D3DDEVCAPS_TLVERTEXSYSTEMMEMORY = 0x40, D3DDEVCAPS_TEXTURESYSTEMMEMORY = 0x100;
constexpr DWORD DDBD_16 = 0x400, DDBD_24 = 0x200, DDBD_32 = 0x100;
constexpr DWORD kFillModeState = 8, kLastPixelState = 16, kAlphaFuncState = 25;
constexpr DWORD D3DFILL_SOLID = 3;

// The forced failures: one object for the whole run (a reset assigns to it),
// taken once here so that a call does not test a guard first.
const auto& failures = host::ForcedFailures();

// A forced failure for `call`; skips the lookup when no failure is set, as
// Vertex runs thousands of times a frame.
HRESULT Forced(const char* call) { return failures.empty() ? D3D_OK : host::ForcedFailure(call); }

raster::Matrix ToRaster(const D3DMATRIX& d) {
  raster::Matrix m;
  const float rows[4][4] = {{d._11, d._12, d._13, d._14},
                            {d._21, d._22, d._23, d._24},
                            {d._31, d._32, d._33, d._34},
                            {d._41, d._42, d._43, d._44}};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) m.m[i][j] = rows[i][j];
  return m;
}

void DescribeDevice(D3DDEVICEDESC* desc, bool present) {
  DWORD size = desc->dwSize;
  *desc = D3DDEVICEDESC{};
  desc->dwSize = size;
  if (!present) return;
  desc->dwFlags = D3DDD_COLORMODEL | D3DDD_DEVCAPS | D3DDD_DEVICERENDERBITDEPTH |
                  D3DDD_DEVICEZBUFFERBITDEPTH | D3DDD_MAXVERTEXCOUNT;
  desc->dcmColorModel = D3DCOLOR_RGB;
  desc->dwDevCaps = D3DDEVCAPS_FLOATTLVERTEX | D3DDEVCAPS_EXECUTESYSTEMMEMORY |
                    D3DDEVCAPS_TLVERTEXSYSTEMMEMORY | D3DDEVCAPS_TEXTURESYSTEMMEMORY;
  desc->dwDeviceRenderBitDepth = DDBD_24 | DDBD_32;
  desc->dwDeviceZBufferBitDepth = DDBD_16;
  desc->dwMaxVertexCount = 65535;
  desc->dwMinTextureWidth = desc->dwMinTextureHeight = 1;
  desc->dwMaxTextureWidth = desc->dwMaxTextureHeight = 4096;
}

}  // namespace

Direct3DDevice::Direct3DDevice(Surface* target, bool hardware) : target_(target), hardware_(hardware) {
  target_->AddRef();
  states_[D3DRENDERSTATE_ZENABLE] = target_->ZBuffer() != nullptr ? TRUE : FALSE;
  states_[kFillModeState] = D3DFILL_SOLID;
  states_[D3DRENDERSTATE_SHADEMODE] = D3DSHADE_GOURAUD;
  states_[D3DRENDERSTATE_ZWRITEENABLE] = TRUE;
  states_[kLastPixelState] = TRUE;
  states_[D3DRENDERSTATE_TEXTUREMAG] = D3DFILTER_NEAREST;
  states_[D3DRENDERSTATE_TEXTUREMIN] = D3DFILTER_NEAREST;
  states_[D3DRENDERSTATE_SRCBLEND] = D3DBLEND_ONE;
  states_[D3DRENDERSTATE_DESTBLEND] = D3DBLEND_ZERO;
  states_[D3DRENDERSTATE_TEXTUREMAPBLEND] = D3DTBLEND_MODULATE;
  states_[D3DRENDERSTATE_CULLMODE] = D3DCULL_CCW;
  states_[D3DRENDERSTATE_ZFUNC] = D3DCMP_LESSEQUAL;
  states_[kAlphaFuncState] = 8;  // D3DCMP_ALWAYS
  states_[D3DRENDERSTATE_SPECULARENABLE] = TRUE;
}

Direct3DDevice::~Direct3DDevice() {
  for (Direct3DViewport* v : viewports_) {
    v->SetDevice(nullptr);
    v->Release();
  }
  ForgetTextureHandles(this);
  target_->Release();
}

HRESULT Direct3DDevice::QueryInterface(REFIID, void** out) {
  if (out != nullptr) *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT Direct3DDevice::AddViewport(IDirect3DViewport2* viewport) {
  if (HRESULT forced = Forced("AddViewport")) return forced;
  auto* v = dynamic_cast<Direct3DViewport*>(viewport);
  if (v == nullptr || v->Device() != nullptr) return DDERR_INVALIDPARAMS;
  v->AddRef();
  viewports_.push_back(v);
  v->SetDevice(this);
  return D3D_OK;
}

HRESULT Direct3DDevice::SetCurrentViewport(IDirect3DViewport2* viewport) {
  if (HRESULT forced = Forced("SetCurrentViewport")) return forced;
  auto* v = dynamic_cast<Direct3DViewport*>(viewport);
  if (v == nullptr || std::find(viewports_.begin(), viewports_.end(), v) == viewports_.end())
    return DDERR_INVALIDPARAMS;
  current_ = v;
  contextValid_ = false;
  return D3D_OK;
}

HRESULT Direct3DDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  if (HRESULT forced = Forced("SetRenderState")) return forced;
  if (state >= kStateCount) return DDERR_INVALIDPARAMS;
  states_[state] = value;
  contextValid_ = false;
  return D3D_OK;
}

HRESULT Direct3DDevice::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
  if (state >= kStateCount || value == nullptr) return DDERR_INVALIDPARAMS;
  *value = states_[state];
  return D3D_OK;
}

HRESULT Direct3DDevice::SetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
  if (HRESULT forced = Forced("SetTransform")) return forced;
  if (matrix == nullptr) return DDERR_INVALIDPARAMS;
  switch (state) {
    case D3DTRANSFORMSTATE_WORLD: world_ = ToRaster(*matrix); break;
    case D3DTRANSFORMSTATE_VIEW: view_ = ToRaster(*matrix); break;
    case D3DTRANSFORMSTATE_PROJECTION: projection_ = ToRaster(*matrix); break;
    default: return DDERR_INVALIDPARAMS;
  }
  contextValid_ = false;
  return D3D_OK;
}

HRESULT Direct3DDevice::BeginScene() {
  if (HRESULT forced = Forced("BeginScene")) return forced;
  if (inScene_) return D3DERR_SCENE_IN_SCENE;
  inScene_ = true;
  return D3D_OK;
}

HRESULT Direct3DDevice::EndScene() {
  if (HRESULT forced = Forced("EndScene")) return forced;
  if (!inScene_) return D3DERR_SCENE_NOT_IN_SCENE;
  inScene_ = false;
  return D3D_OK;
}

HRESULT Direct3DDevice::Begin(D3DPRIMITIVETYPE primitive, D3DVERTEXTYPE vertexType, DWORD) {
  if (HRESULT forced = Forced("Begin")) return forced;
  if (inBegin_) return D3DERR_INBEGIN;
  if (primitive != D3DPT_TRIANGLELIST) return D3DERR_INVALIDPRIMITIVETYPE;
  if (vertexType != D3DVT_LVERTEX) return D3DERR_INVALIDVERTEXTYPE;
  inBegin_ = true;
  pendingCount_ = 0;
  contextValid_ = false;  // the target's memory may have moved with a flip
  return D3D_OK;
}

// Vertex runs thousands of times a frame: its rare paths are calls in tail
// position, so that it needs no stack frame of its own.
HRESULT Direct3DDevice::Vertex(LPVOID vertex) {
  if (!failures.empty()) return VertexWithFailures(vertex);
  return TakeVertex(vertex);
}

[[gnu::noinline]] HRESULT Direct3DDevice::VertexWithFailures(LPVOID vertex) {
  if (HRESULT forced = host::ForcedFailure("Vertex")) return forced;
  return TakeVertex(vertex);
}

// Inline in Vertex, which then needs a stack frame only on its way here.
inline void Direct3DDevice::DrawPending() {
  if (!contextValid_) return DrawPendingInNewContext();
  raster::detail::DrawTriangle(context_, batch_, pending_[0].vertex, pending_[1].vertex, pending_[2].vertex,
                               pendingSlots_);
}

inline HRESULT Direct3DDevice::TakeVertex(LPVOID vertex) {
  if (!inBegin_) return D3DERR_NOTINBEGIN;
  if (vertex == nullptr) return DDERR_INVALIDPARAMS;
  // Field by field: callers fill the record field by field just before, and
  // loads of the same widths take the stored values straight from the stores.
  const auto* in = static_cast<const D3DLVERTEX*>(vertex);
  const int n = pendingCount_;
  raster::Vertex& v = pending_[n].vertex;
  v.x = in->x;
  v.y = in->y;
  v.z = in->z;
  v.color = in->color;
  v.specular = in->specular;
  v.u = in->tu;
  v.v = in->tv;
  // Records of a mesh lie side by side, so their places give distinct
  // entries without hashing the values.
  pendingSlots_[n] = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(vertex) / sizeof(D3DLVERTEX)) &
                     (raster::detail::Batch::kVertices - 1);
  if (n < 2) {
    pendingCount_ = n + 1;
    return D3D_OK;
  }
  pendingCount_ = 0;  // first: nothing is left to do after the drawing
  DrawPending();
  return D3D_OK;
}

HRESULT Direct3DDevice::End(DWORD) {
  if (HRESULT forced = Forced("End")) return forced;
  if (!inBegin_) return D3DERR_NOTINBEGIN;
  inBegin_ = false;
  pendingCount_ = 0;  // an incomplete triangle is dropped
  return D3D_OK;
}

HRESULT Direct3DDevice::GetRenderTarget(IDirectDrawSurface** out) {
  if (HRESULT forced = Forced("GetRenderTarget")) return forced;
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  target_->AddRef();
  *out = target_;
  return D3D_OK;
}

HRESULT Direct3DDevice::GetCaps(D3DDEVICEDESC* hardware, D3DDEVICEDESC* software) {
  if (HRESULT forced = Forced("GetCaps")) return forced;
  if (hardware == nullptr || software == nullptr) return DDERR_INVALIDPARAMS;
  DescribeDevice(hardware, hardware_);
  DescribeDevice(software, true);
  return D3D_OK;
}

HRESULT Direct3DDevice::EnumTextureFormats(LPD3DENUMTEXTUREFORMATSCALLBACK callback, LPVOID context) {
  if (HRESULT forced = Forced("EnumTextureFormats")) return forced;
  if (callback == nullptr) return DDERR_INVALIDPARAMS;
  const std::vector<DDPIXELFORMAT> formats = Profile().textureFormats;  // callbacks may change the profile
  for (const DDPIXELFORMAT& format : formats) {
    DDSURFACEDESC desc{};
    desc.dwSize = 108;  // the record's size on the original platform
    desc.dwFlags = DDSD_PIXELFORMAT;
    desc.ddpfPixelFormat = format;
    if (callback(&desc, context) == D3DENUMRET_CANCEL) break;
  }
  return D3D_OK;
}

raster::Target Direct3DDevice::RasterTarget() const {
  raster::Target t;
  t.pixels = target_->Pixels();
  t.width = target_->Width();
  t.height = target_->Height();
  t.pitch = target_->Pitch();
  t.bytesPerPixel = target_->BytesPerPixel();
  Surface* z = target_->ZBuffer();
  if (z != nullptr && z->BytesPerPixel() == 2) {
    t.depth = z->Pixels();
    t.depthWidth = z->Width();
    t.depthHeight = z->Height();
    t.depthPitch = z->Pitch();
  }
  return t;
}

[[gnu::noinline]] bool Direct3DDevice::PrepareContext() {
  if (current_ == nullptr || !current_->HasData()) return false;
  raster::DrawContext& c = context_;
  c.target = RasterTarget();
  if (c.target.pixels == nullptr) return false;
  c.viewport = current_->RasterViewport();
  c.transform = raster::Multiply(raster::Multiply(world_, view_), projection_);
  raster::States& s = c.states;
  s.depthTest = states_[D3DRENDERSTATE_ZENABLE] != 0;
  s.depthWrite = states_[D3DRENDERSTATE_ZWRITEENABLE] != 0;
  s.depthFunc = states_[D3DRENDERSTATE_ZFUNC];
  s.alphaBlend = states_[D3DRENDERSTATE_ALPHABLENDENABLE] != 0;
  s.srcBlend = states_[D3DRENDERSTATE_SRCBLEND];
  s.destBlend = states_[D3DRENDERSTATE_DESTBLEND];
  s.cull = states_[D3DRENDERSTATE_CULLMODE];
  s.flat = states_[D3DRENDERSTATE_SHADEMODE] == D3DSHADE_FLAT;
  s.specular = states_[D3DRENDERSTATE_SPECULARENABLE] != 0;
  s.perspective = states_[D3DRENDERSTATE_TEXTUREPERSPECTIVE] != 0;
  s.wrapU = states_[D3DRENDERSTATE_WRAPU] != 0;
  s.wrapV = states_[D3DRENDERSTATE_WRAPV] != 0;
  s.magFilter = states_[D3DRENDERSTATE_TEXTUREMAG];
  s.minFilter = states_[D3DRENDERSTATE_TEXTUREMIN];
  c.texture = raster::Texture{};
  if (const Surface* texture = FindTexture(states_[D3DRENDERSTATE_TEXTUREHANDLE]))
    c.texture = TextureView(*texture, palette_);
  batch_.Reset();
  contextValid_ = true;
  return true;
}

[[gnu::noinline]] void Direct3DDevice::DrawPendingInNewContext() {
  if (PrepareContext()) DrawPending();
}

}  // namespace platform
