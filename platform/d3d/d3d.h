// d3d.h: the Direct3D immediate-mode interfaces, records and states the show uses.
//
// The device is our software rasterizer (raster/); the interfaces are
// abstract so that tests can put a recording device in its place.
#pragma once

#include "platform/ddraw/ddraw.h"

using D3DVALUE = float;
using D3DCOLOR = DWORD;
using D3DMATERIALHANDLE = DWORD;
using D3DTEXTUREHANDLE = DWORD;

inline constexpr GUID IID_IDirect3DHALDevice = {
    0x84e63de0, 0x46aa, 0x11cf, {0x81, 0x6f, 0x00, 0x00, 0xc0, 0x20, 0x15, 0x6e}};
inline constexpr GUID IID_IDirect3DRGBDevice = {
    0xa4665c60, 0x2673, 0x11cf, {0xa3, 0x1a, 0x00, 0xaa, 0x00, 0xb9, 0x33, 0x56}};
inline constexpr GUID IID_IDirect3DRampDevice = {
    0xf2086b20, 0x259f, 0x11cf, {0xa3, 0x1a, 0x00, 0xaa, 0x00, 0xb9, 0x33, 0x56}};

constexpr HRESULT MakeD3DHResult(unsigned code) { return static_cast<HRESULT>(0x88760000u | code); }
constexpr HRESULT D3D_OK = 0;
constexpr HRESULT D3DERR_BADMAJORVERSION = MakeD3DHResult(700);
constexpr HRESULT D3DERR_INVALID_DEVICE = MakeD3DHResult(705);
constexpr HRESULT D3DERR_INITFAILED = MakeD3DHResult(706);
constexpr HRESULT D3DERR_TEXTURE_LOAD_FAILED = MakeD3DHResult(731);
constexpr HRESULT D3DERR_INVALIDPRIMITIVETYPE = MakeD3DHResult(753);
constexpr HRESULT D3DERR_INVALIDVERTEXTYPE = MakeD3DHResult(754);
constexpr HRESULT D3DERR_VIEWPORTHASNODEVICE = MakeD3DHResult(771);
constexpr HRESULT D3DERR_SCENE_IN_SCENE = MakeD3DHResult(780);
constexpr HRESULT D3DERR_SCENE_NOT_IN_SCENE = MakeD3DHResult(781);
constexpr HRESULT D3DERR_NOTINBEGIN = MakeD3DHResult(722);
constexpr HRESULT D3DERR_INBEGIN = MakeD3DHResult(720);

struct D3DRECT {
  LONG x1, y1, x2, y2;
};

struct D3DCOLORVALUE {
  D3DVALUE r, g, b, a;
};

struct D3DMATRIX {
  D3DVALUE _11, _12, _13, _14;
  D3DVALUE _21, _22, _23, _24;
  D3DVALUE _31, _32, _33, _34;
  D3DVALUE _41, _42, _43, _44;
};

// 44 bytes, as the show fills it.
struct D3DVIEWPORT2 {
  DWORD dwSize;
  DWORD dwX;
  DWORD dwY;
  DWORD dwWidth;
  DWORD dwHeight;
  D3DVALUE dvClipX;
  D3DVALUE dvClipY;
  D3DVALUE dvClipWidth;
  D3DVALUE dvClipHeight;
  D3DVALUE dvMinZ;
  D3DVALUE dvMaxZ;
};

// 80 bytes on the original platform.
struct D3DMATERIAL {
  DWORD dwSize;
  D3DCOLORVALUE diffuse;
  D3DCOLORVALUE ambient;
  D3DCOLORVALUE specular;
  D3DCOLORVALUE emissive;
  D3DVALUE power;
  D3DTEXTUREHANDLE hTexture;
  DWORD dwRampSize;
};

// The pre-lit vertex: 32 bytes.
struct D3DLVERTEX {
  D3DVALUE x, y, z;
  DWORD dwReserved;
  D3DCOLOR color;
  D3DCOLOR specular;
  D3DVALUE tu, tv;
};
static_assert(sizeof(D3DLVERTEX) == 32);

// The part of the device description the show reads: dcmColorModel is not zero
// on a hardware device's own description.
struct D3DDEVICEDESC {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dcmColorModel;
  DWORD dwDevCaps;
  DWORD dwDeviceRenderBitDepth;
  DWORD dwDeviceZBufferBitDepth;
  DWORD dwMaxBufferSize;
  DWORD dwMaxVertexCount;
  DWORD dwMinTextureWidth, dwMinTextureHeight;
  DWORD dwMaxTextureWidth, dwMaxTextureHeight;
};

constexpr DWORD D3DCOLOR_MONO = 1;
constexpr DWORD D3DCOLOR_RGB = 2;

enum D3DRENDERSTATETYPE : DWORD {
  D3DRENDERSTATE_TEXTUREHANDLE = 1,
  D3DRENDERSTATE_TEXTUREPERSPECTIVE = 4,
  D3DRENDERSTATE_WRAPU = 5,
  D3DRENDERSTATE_WRAPV = 6,
  D3DRENDERSTATE_ZENABLE = 7,
  D3DRENDERSTATE_SHADEMODE = 9,
  D3DRENDERSTATE_ZWRITEENABLE = 14,
  D3DRENDERSTATE_TEXTUREMAG = 17,
  D3DRENDERSTATE_TEXTUREMIN = 18,
  D3DRENDERSTATE_SRCBLEND = 19,
  D3DRENDERSTATE_DESTBLEND = 20,
  D3DRENDERSTATE_TEXTUREMAPBLEND = 21,
  D3DRENDERSTATE_CULLMODE = 22,
  D3DRENDERSTATE_ZFUNC = 23,
  D3DRENDERSTATE_DITHERENABLE = 26,
  D3DRENDERSTATE_ALPHABLENDENABLE = 27,
  D3DRENDERSTATE_SPECULARENABLE = 29,
};

constexpr DWORD D3DFILTER_NEAREST = 1;
constexpr DWORD D3DFILTER_LINEAR = 2;
constexpr DWORD D3DCMP_LESSEQUAL = 4;
constexpr DWORD D3DBLEND_ZERO = 1;
constexpr DWORD D3DBLEND_ONE = 2;
constexpr DWORD D3DBLEND_SRCALPHA = 5;
constexpr DWORD D3DBLEND_INVSRCALPHA = 6;
constexpr DWORD D3DBLEND_BOTHSRCALPHA = 12;
constexpr DWORD D3DCULL_NONE = 1;
constexpr DWORD D3DCULL_CW = 2;
constexpr DWORD D3DCULL_CCW = 3;
constexpr DWORD D3DSHADE_FLAT = 1;
constexpr DWORD D3DSHADE_GOURAUD = 2;
constexpr DWORD D3DTBLEND_MODULATE = 4;

enum D3DTRANSFORMSTATETYPE : DWORD {
  D3DTRANSFORMSTATE_WORLD = 1,
  D3DTRANSFORMSTATE_VIEW = 2,
  D3DTRANSFORMSTATE_PROJECTION = 3,
};

enum D3DPRIMITIVETYPE : DWORD {
  D3DPT_POINTLIST = 1,
  D3DPT_LINELIST = 2,
  D3DPT_LINESTRIP = 3,
  D3DPT_TRIANGLELIST = 4,
  D3DPT_TRIANGLESTRIP = 5,
  D3DPT_TRIANGLEFAN = 6,
};

enum D3DVERTEXTYPE : DWORD {
  D3DVT_VERTEX = 1,
  D3DVT_LVERTEX = 2,
  D3DVT_TLVERTEX = 3,
};

constexpr DWORD D3DCLEAR_TARGET = 1;
constexpr DWORD D3DCLEAR_ZBUFFER = 2;
constexpr HRESULT D3DENUMRET_CANCEL = 0;
constexpr HRESULT D3DENUMRET_OK = 1;

using LPD3DENUMTEXTUREFORMATSCALLBACK = HRESULT (*)(DDSURFACEDESC* desc, LPVOID context);

class IDirect3DDevice2;

class IDirect3DMaterial2 : public IUnknown {
 public:
  virtual HRESULT SetMaterial(D3DMATERIAL* material) = 0;
  virtual HRESULT GetHandle(IDirect3DDevice2* device, D3DMATERIALHANDLE* out) = 0;
};

class IDirect3DViewport2 : public IUnknown {
 public:
  virtual HRESULT SetViewport2(D3DVIEWPORT2* viewport) = 0;
  virtual HRESULT SetBackground(D3DMATERIALHANDLE material) = 0;
  virtual HRESULT Clear(DWORD count, D3DRECT* rects, DWORD flags) = 0;
};

class IDirect3DTexture2 : public IUnknown {
 public:
  virtual HRESULT GetHandle(IDirect3DDevice2* device, D3DTEXTUREHANDLE* out) = 0;
  virtual HRESULT Load(IDirect3DTexture2* source) = 0;
};

class IDirect3DDevice2 : public IUnknown {
 public:
  virtual HRESULT AddViewport(IDirect3DViewport2* viewport) = 0;
  virtual HRESULT SetCurrentViewport(IDirect3DViewport2* viewport) = 0;
  virtual HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) = 0;
  virtual HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) = 0;
  virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) = 0;
  virtual HRESULT BeginScene() = 0;
  virtual HRESULT EndScene() = 0;
  virtual HRESULT Begin(D3DPRIMITIVETYPE primitive, D3DVERTEXTYPE vertexType, DWORD flags) = 0;
  virtual HRESULT Vertex(LPVOID vertex) = 0;
  virtual HRESULT End(DWORD flags) = 0;
  virtual HRESULT GetRenderTarget(IDirectDrawSurface** out) = 0;
  virtual HRESULT GetCaps(D3DDEVICEDESC* hardware, D3DDEVICEDESC* software) = 0;
  virtual HRESULT EnumTextureFormats(LPD3DENUMTEXTUREFORMATSCALLBACK callback, LPVOID context) = 0;
};

class IDirect3D2 : public IUnknown {
 public:
  virtual HRESULT CreateDevice(REFCLSID deviceType, IDirectDrawSurface* target,
                               IDirect3DDevice2** out) = 0;
  virtual HRESULT CreateViewport(IDirect3DViewport2** out, IUnknown* outer) = 0;
  virtual HRESULT CreateMaterial(IDirect3DMaterial2** out, IUnknown* outer) = 0;
};

using LPDIRECT3DDEVICE2 = IDirect3DDevice2*;
