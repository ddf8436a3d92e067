// material.cpp: materials (IDirect3DMaterial2) and their handles.
//
// The stand-in uses a material only as a viewport background, whose diffuse
// colour paints the cleared rectangles. A handle is an index into a table of
// live materials; a released material leaves a hole, so its handle then names
// nothing.
#include <algorithm>
#include <vector>

#include "platform/d3d/objects.h"
#include "platform/host/host.h"

namespace platform {

namespace {

std::vector<const Direct3DMaterial*>& MaterialTable() {
  static std::vector<const Direct3DMaterial*> table;  // handle - 1 -> material, or null
  return table;
}

}  // namespace

HRESULT Direct3DMaterial::QueryInterface(REFIID, void** out) {
  if (out != nullptr) *out = nullptr;
  return E_NOINTERFACE;
}

Direct3DMaterial::~Direct3DMaterial() {
  auto& table = MaterialTable();
  std::replace(table.begin(), table.end(), static_cast<const Direct3DMaterial*>(this),
               static_cast<const Direct3DMaterial*>(nullptr));
}

HRESULT Direct3DMaterial::SetMaterial(D3DMATERIAL* material) {
  if (HRESULT forced = host::ForcedFailure("SetMaterial")) return forced;
  if (material == nullptr) return DDERR_INVALIDPARAMS;
  data_ = *material;
  return D3D_OK;
}

// One handle per material, whichever device asks.
HRESULT Direct3DMaterial::GetHandle(IDirect3DDevice2* device, D3DMATERIALHANDLE* out) {
  if (HRESULT forced = host::ForcedFailure("GetHandle")) return forced;
  if (device == nullptr || out == nullptr) return DDERR_INVALIDPARAMS;
  auto& table = MaterialTable();
  auto found = std::find(table.begin(), table.end(), this);
  if (found == table.end()) found = table.insert(table.end(), this);
  *out = static_cast<D3DMATERIALHANDLE>(found - table.begin() + 1);
  return D3D_OK;
}

const Direct3DMaterial* FindMaterial(D3DMATERIALHANDLE handle) {
  const auto& table = MaterialTable();
  if (handle == 0 || handle > table.size()) return nullptr;
  return table[handle - 1];
}

void ResetMaterialHandles() { MaterialTable().clear(); }

}  // namespace platform
