#include "model/terrain_format.h"

#include "model/byte_io.h"

namespace eh::model::terrain {
namespace {

bool GridValid(const File& f) {
    if (f.textureNames.size() > static_cast<std::size_t>(kMaxTextureNames)) return false;
    if (f.columns < 2 || f.rows < 2) return false;
    const std::uint64_t count =
        static_cast<std::uint64_t>(f.columns) * static_cast<std::uint64_t>(f.rows);
    if (f.points.size() != count) return false;
    const auto layers = static_cast<std::int32_t>(f.textureNames.size());
    for (const PointRecord& p : f.points) {
        if (p.layer < 0 || p.layer > layers) return false;
    }
    return true;
}

}  // namespace

HRESULT Parse(const std::uint8_t* data, std::size_t size, File* out) {
    if (data == nullptr) return E_FAIL;
    detail::ByteReader r(data, size);
    File f;
    const std::int32_t n = r.I32();
    if (!r.ok() || n < 0 || n > kMaxTextureNames) return E_FAIL;
    f.textureNames.resize(static_cast<std::size_t>(n));
    for (std::string& name : f.textureNames) name = r.String(kMaxTextureName);
    f.width = r.F32();
    f.depth = r.F32();
    f.columns = r.I32();
    f.rows = r.I32();
    if (!r.ok() || f.columns < 2 || f.rows < 2) return E_FAIL;
    const std::int64_t count = static_cast<std::int64_t>(f.columns) * f.rows;
    if (!r.Fits(count, kPointSize)) return E_FAIL;
    f.points.resize(static_cast<std::size_t>(count));
    for (PointRecord& p : f.points) {
        p.layer = r.I32();
        p.position.x = r.F32();
        p.position.y = r.F32();
        p.position.z = r.F32();
    }
    if (!r.ok() || !GridValid(f)) return E_FAIL;
    *out = std::move(f);
    return S_OK;
}

HRESULT Write(const File& file, std::vector<std::uint8_t>* out) {
    if (!GridValid(file)) return E_INVALIDARG;
    for (const std::string& name : file.textureNames) {
        if (name.size() > kMaxTextureName) return E_INVALIDARG;
    }
    detail::ByteWriter w;
    w.I32(static_cast<std::int32_t>(file.textureNames.size()));
    for (const std::string& name : file.textureNames) w.String(name);
    w.F32(file.width);
    w.F32(file.depth);
    w.I32(file.columns);
    w.I32(file.rows);
    for (const PointRecord& p : file.points) {
        w.I32(p.layer);
        w.F32(p.position.x);
        w.F32(p.position.y);
        w.F32(p.position.z);
    }
    *out = w.Take();
    return S_OK;
}

}  // namespace eh::model::terrain
