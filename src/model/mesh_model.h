// MeshModel: every solid model of the scene, loaded from an EMD mesh and ESA clips,
// placed, animated on the CPU and drawn in two passes (opaque, then alpha-blended).
//
// Typical life: LoadMesh, LoadTextures, LoadClip (per clip); FitHeight, SetRotation,
// SetPosition once; then per frame SelectClip / SetClipTime and RenderModel, possibly
// several times at different positions. Clip time is in clip time units (milliseconds in
// the scene). Vertex and index buffers belong to the VertexBufferPool given at
// construction, textures to its RenderKit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "media/render_kit.h"
#include "media/vertex_buffer_pool.h"
#include "model/emd_format.h"
#include "model/esa_format.h"
#include "model/math.h"
#include "model/mesh_build.h"
#include "platform/d3d8/d3d8.h"

namespace eh::model {

// Reads one archive entry by name into `bytes`; false when it cannot be extracted.
using EntryReader =
    std::function<bool(const std::string& entryName, std::vector<std::uint8_t>* bytes)>;

// Entries of the program's media archive (resource 453), extracted with `password`.
EntryReader MediaArchiveEntries(const char* password);

// Reads a whole file from disk; false (and nothing written) when it cannot be opened.
bool ReadWholeFile(const char* fileName, std::vector<std::uint8_t>* bytes);

struct ModelMaterial {
    std::string texture1, texture2;     // file names from the mesh
    media::TextureRef first, second;    // before LoadTextures: names only, index -1
    std::int32_t wrapU = 1, wrapV = 1;  // 0: mirrored addressing
    D3DMATERIAL8 material{};            // file colours, alpha 1, no emission, power 50
};

struct MeshBone {
    std::string name;
    std::int32_t parent = -1;
    Matrix4 matrix = Matrix4::Identity();  // current skinning matrix
};

class MeshModel {
  public:
    static constexpr const char* kTextureFolder = "Texture\\";

    // Buffers go to `pool` and textures to `kit`; both must outlive the model.
    MeshModel(media::VertexBufferPool& pool, media::RenderKit& kit);

    // Loads an EMD mesh from `buffer` (`size` bytes), or from the file `fileName` when
    // `buffer` is null. The caller keeps ownership of `buffer`. The whole file is checked
    // before anything is built: E_FAIL for a missing file, a wrong magic or version, or a
    // damaged file, leaving the model empty with identity matrices. Replaces whatever the
    // model held (clips included).
    HRESULT LoadMesh(const char* fileName, const std::uint8_t* buffer, std::size_t size);

    // Creates each material's textures from the entries kTextureFolder + file name (reuse
    // set, so models share textures of the same name). An entry that cannot be read
    // leaves that TextureRef without a texture; empty names are skipped.
    void LoadTextures(const EntryReader& read);

    // Appends a clip for the model's current bones (buffer rules as LoadMesh) and sets the
    // clip time to 0; the current clip index is kept. E_FAIL leaves the model unchanged.
    HRESULT LoadClip(const char* fileName, const std::uint8_t* buffer, std::size_t size);

    // Placement. Each recomposes world = scale matrix x rotation, plus position.
    void SetScale(float sx, float sy, float sz);
    // Uniform scale making the model box `size` units high; returns the scale.
    float FitHeight(float size);
    // Copies `rotation` with its translation row cleared.
    void SetRotation(const Matrix4& rotation);
    void SetPosition(float x, float y, float z);

    // Animation (times in clip time units).
    void SelectClip(int index);
    void SetClipTime(float t);
    // Adds dt and wraps into (0, length] by whole lengths; marks the skin dirty. Does
    // nothing without bones or clips; a clip of length 0 or less keeps the time at 0.
    void AdvanceClip(float dt);
    float ClipLength() const;
    float KeySpacing() const;

    // Evaluates the current clip into the bone matrices and rewrites every object's vertex
    // buffer from them; clears the dirty flag. RenderModel runs it when needed.
    void UpdateSkin();

    // Draws the model between BeginScene and EndScene: pass 0 the opaque groups, pass 1
    // the alpha groups with alpha test and SRCALPHA/INVSRCALPHA blending. With cull set,
    // objects whose transformed box is outside `frustum` (the frame's six planes; null:
    // taken from the device's view and projection) are skipped. Leaves behind: alpha test
    // and blending off, DESTBLEND ONE, stage 0 addressing WRAP, the caller's world
    // transform, and (without blend all) stage 0 alpha = texture x diffuse.
    void RenderModel(IDirect3DDevice8* device, const Plane4* frustum = nullptr);

    // State the scene sets directly.
    int alphaReference = 0;
    bool cull = true;
    bool blendAll = false;
    DWORD vertexShader = 0;  // when non-zero, used instead of the buffer's format code
    bool texturesOn = true;
    // Set while the caller's states make every pixel of the model come out as it was (a
    // beam blended in at alpha 0): RenderModel sets every state as before and counts the
    // triangles, but sends none.
    bool unseen = false;

    // Read access for the scene and the tests.
    const std::vector<BuiltObject>& objects() const { return objects_; }
    const std::vector<ModelMaterial>& materials() const { return materials_; }
    const std::vector<MeshBone>& bones() const { return bones_; }
    int boneCount() const { return static_cast<int>(bones_.size()); }
    int clipCount() const { return static_cast<int>(clips_.size()); }
    int currentClip() const { return currentClip_; }
    float clipTime() const { return clipTime_; }
    bool skinDirty() const { return skinDirty_; }
    const Matrix4& world() const { return world_; }
    const Matrix4& scaleMatrix() const { return scaleMatrix_; }
    const Vector3& modelMaximum() const { return modelMaximum_; }
    const Vector3& modelMinimum() const { return modelMinimum_; }
    std::uint16_t triangleCount() const { return triangleCount_; }
    media::VertexBufferPool& pool() { return *pool_; }

  private:
    void ResetForLoad();
    void ComputeBounds();
    void RebuildScaleMatrix();
    void ComposeWorld();
    bool ObjectVisible(const BuiltObject& object, const Plane4* planes) const;
    void DrawObjectGroups(IDirect3DDevice8* device, const BuiltObject& object, int pass,
                          int* lastMaterial);

    media::VertexBufferPool* pool_;
    media::RenderKit* kit_;
    std::vector<BuiltObject> objects_;
    std::vector<ModelMaterial> materials_;
    std::vector<MeshBone> bones_;
    std::vector<esa::Clip> clips_;
    int currentClip_ = 0;
    float clipTime_ = 0.0f;
    bool skinDirty_ = false;
    Vector3 position_{0.0f, 0.0f, 0.0f};
    Matrix4 rotation_ = Matrix4::Identity();
    Matrix4 scaleMatrix_ = Matrix4::Identity();
    Matrix4 world_ = Matrix4::Identity();
    std::uint16_t triangleCount_ = 0;
    Vector3 modelMaximum_{0.0f, 0.0f, 0.0f};
    Vector3 modelMinimum_{0.0f, 0.0f, 0.0f};
    float scale_[3] = {1.0f, 1.0f, 1.0f};
    std::vector<Matrix4> boneMatrices_;  // contiguous copy for skinning
};

}  // namespace eh::model
