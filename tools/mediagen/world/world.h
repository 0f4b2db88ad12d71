// The world generator's entry points: every file it makes, by archive entry name.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace eh::mediagen::world {

// Every generated entry, keyed by its stored archive name with '/' separators and its own
// letter case ("Meshes/horse.EMD", "Data/Land.eld", "shaders/BillBoard.vsh").
using EntryMap = std::map<std::string, std::vector<std::uint8_t>>;

// Builds everything (deterministic: the same bytes on every run). False with `error` set
// when a format writer refuses a generated file.
bool GenerateWorld(EntryMap* entries, std::string* error);

// Writes the entries under `dir` (folders created as needed).
bool WriteEntries(const EntryMap& entries, const std::string& dir, std::string* error);

// Prints, per camera track, its key and segment counts, path length, duration at its
// speeds (holds included), the lowest clearance of the eye above HeightAt and the
// nearest approach to the models; returns false when a track breaks a limit.
bool CheckTracks(std::FILE* out);

}  // namespace eh::mediagen::world
