// loader.h: the parts of the 3DS loader below LoadScene, for the scene room and its tests.
//
// LoadSceneBytes walks a file already in memory; LoadScene (scene.h) opens the
// file, reads it whole, calls this and prints one warning line when the file
// was damaged; a whole file without a camera, or without lights, gets one
// line for each.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "scene/scene.h"

// Zero-fills the scene, creates material 0 "Default", walks the chunks, drops
// faces that name missing vertices and computes the normals. Returns what was
// wrong with the data (the first problem met), or an empty text.
std::string LoadSceneBytes(std::span<const std::uint8_t> bytes, Scene* scene,
                           IDirect3DDevice2* device);

// Removes faces with a vertex index at or beyond the mesh's vertex count;
// returns how many were removed. faceCount follows.
std::uint32_t DropBadFaces(SceneMesh* mesh);

// Unit face normals averaged into every vertex that the faces use; faces of
// zero area (or with no finite normal) add nothing and are not counted.
void ComputeNormals(SceneMesh* mesh);
