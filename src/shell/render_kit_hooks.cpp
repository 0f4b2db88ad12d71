#include "shell/render_kit_hooks.h"

#include "media/render_kit.h"
#include "media/vertex_buffer_pool.h"

namespace eh::shell {

void AttachRenderResources(IDirect3D8* d3d, IDirect3DDevice8* device, D3DFORMAT backBufferFormat,
                           HWND window) {
    media::ProgramRenderKit().Init(d3d, device, backBufferFormat, window);
    media::ProgramVertexBufferPool().Init(device, window);
}

void ReleaseRenderResources() {
    media::ProgramRenderKit().ReleaseAll();
    media::ProgramVertexBufferPool().ReleaseAll();
}

}  // namespace eh::shell
