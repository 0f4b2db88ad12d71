// EMD meshes: parse, then build every object and skin it with identity bones, so that
// anything the parser accepts is also safe for the builders that trust it.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/emd_format.h"
#include "model/mesh_build.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace eh::model;
    emd::File file;
    if (FAILED(emd::Parse(data, size, &file))) return 0;
    const std::vector<Matrix4> bones(file.bones.size(), Matrix4::Identity());
    for (emd::MeshObject& source : file.objects) {
        BuiltObject o;
        if (!BuildObject(std::move(source), file.materials, &o)) continue;
        ComputeObjectBounds(&o);
        std::vector<ModelVertex> vertices(o.renderedCount);
        WriteRestVertices(o, vertices.data());
        for (std::size_t g = 0; g < o.groups.size(); ++g) {
            std::vector<std::uint16_t> indices(3 * o.source.groups[g].faceCount());
            WriteGroupIndices(o, g, indices.data());
        }
        SkinObject(&o, bones.data(), vertices.data());
    }
    return 0;
}
