#include <filesystem>
#include <fstream>

#include "mediagen/world/data_files.h"
#include "mediagen/world/models.h"
#include "mediagen/world/world.h"
#include "mediagen/world/world_layout.h"
#include "model/emd_format.h"
#include "model/esa_format.h"
#include "model/terrain_format.h"

namespace eh::mediagen::world {
namespace {

std::vector<std::uint8_t> text(const std::string& s) {
    return std::vector<std::uint8_t>(s.begin(), s.end());
}

bool mesh(EntryMap* entries, const std::string& name, const model::emd::File& file,
          std::string* error) {
    std::vector<std::uint8_t> bytes;
    if (FAILED(model::emd::Write(file, &bytes))) {
        *error = "the EMD writer refused " + name;
        return false;
    }
    (*entries)["Meshes/" + name] = std::move(bytes);
    return true;
}

}  // namespace

bool GenerateWorld(EntryMap* entries, std::string* error) {
    const model::terrain::File land = MakeTerrain();
    std::vector<std::uint8_t> landBytes;
    if (FAILED(model::terrain::Write(land, &landBytes))) {
        *error = "the terrain writer refused Land.eld";
        return false;
    }
    (*entries)["Data/Land.eld"] = std::move(landBytes);
    const Ground ground(land);

    (*entries)["Data/Billboard.ebl"] = WriteBillboards(MakeBillboards(ground));
    std::vector<std::uint8_t> trackBytes;
    if (FAILED(WriteCameraTracks(MakeCameraTracks(ground), &trackBytes))) {
        *error = "the track writer refused Cam_Tracks.evd";
        return false;
    }
    (*entries)["Data/Cam_Tracks.evd"] = std::move(trackBytes);
    (*entries)["shaders/BillBoard.vsh"] = text(BillboardShaderText());
    (*entries)["shaders/grass.vsh"] = text(GrassShaderText());

    for (AnimatedModel m : {MakeHorse(), MakeCrows()}) {
        const bool horse = m.mesh.objects.front().name == "horse";
        if (!mesh(entries, horse ? "horse.EMD" : "crow.EMD", m.mesh, error)) return false;
        for (const NamedClip& c : m.clips)
            (*entries)["Meshes/" + c.fileName] = model::esa::Write(c.clip);
    }
    return mesh(entries, "sword.EMD", MakeSword(), error) &&
           mesh(entries, "ribbon.EMD", MakeRibbonKnot(), error) &&
           mesh(entries, "spotlight.EMD", MakeSpotlight(), error) &&
           mesh(entries, "oak.EMD", MakeOak(), error);
}

bool WriteEntries(const EntryMap& entries, const std::string& dir, std::string* error) {
    namespace fs = std::filesystem;
    for (const auto& [name, bytes] : entries) {
        const fs::path path = fs::path(dir) / name;
        std::error_code ec;
        fs::create_directories(path.parent_path(), ec);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            *error = "cannot write " + path.string();
            return false;
        }
    }
    return true;
}

}  // namespace eh::mediagen::world
