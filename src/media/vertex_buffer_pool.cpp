#include "media/vertex_buffer_pool.h"

#include <algorithm>
#include <cstring>

namespace eh::media {

UINT VertexBufferPool::StrideOf(DWORD fvf) {
    switch (fvf) {
        case kFvfQuad2D:
            return 28;
        case kFvfColoured:
            return 36;
        case kFvfModel:
            return 56;
        default:
            return 0;
    }
}

void VertexBufferPool::Init(IDirect3DDevice8* device, HWND window) {
    if (device == nullptr) return;
    window_ = window;
    device_ = device;
    device_->GetViewport(&viewport_);
}

const VertexBufferPool::VertexSlot* VertexBufferPool::vertexSlot(int handle) const {
    if (handle < 0 || handle >= vertexBufferCount()) return nullptr;
    return &vertexSlots_[static_cast<std::size_t>(handle)];
}

const VertexBufferPool::IndexSlot* VertexBufferPool::indexSlot(int handle) const {
    if (handle < 0 || handle >= indexBufferCount()) return nullptr;
    return &indexSlots_[static_cast<std::size_t>(handle)];
}

void VertexBufferPool::CreateVertexBuffer(int* handle, DWORD fvf, UINT count) {
    const UINT stride = StrideOf(fvf);
    if (device_ == nullptr || stride == 0) return;
    const bool reuse = *handle >= 0 && *handle < vertexBufferCount();
    if (!reuse && vertexBufferCount() >= kMaxVertexBuffers) return;
    // count x stride must fit the device's 32-bit length.
    if (count > 0xFFFFFFFFu / stride) return;
    if (!reuse) {
        vertexSlots_.emplace_back();
        *handle = vertexBufferCount() - 1;
    }
    VertexSlot& slot = vertexSlots_[static_cast<std::size_t>(*handle)];
    if (slot.buffer != nullptr) slot.buffer->Release();
    slot = VertexSlot{};
    slot.fvf = fvf;
    slot.stride = stride;
    IDirect3DVertexBuffer8* buffer = nullptr;
    if (SUCCEEDED(device_->CreateVertexBuffer(count * stride, 0, fvf, D3DPOOL_MANAGED, &buffer))) {
        slot.buffer = buffer;
        slot.bytes = count * stride;
    }
    slot.created = true;
}

int VertexBufferPool::CreateIndexBuffer(UINT count) {
    if (device_ == nullptr || indexBufferCount() >= kMaxIndexBuffers) return -1;
    if (count > 0xFFFFFFFFu / 2) return -1;
    indexSlots_.emplace_back();
    IndexSlot& slot = indexSlots_.back();
    IDirect3DIndexBuffer8* buffer = nullptr;
    if (SUCCEEDED(
            device_->CreateIndexBuffer(count * 2, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &buffer))) {
        slot.buffer = buffer;
        slot.bytes = count * 2;
    }
    slot.created = true;
    return indexBufferCount() - 1;
}

void* VertexBufferPool::LockVertexBuffer(int handle) {
    IDirect3DVertexBuffer8* buffer = vertexBuffer(handle);
    if (buffer == nullptr) return nullptr;
    BYTE* data = nullptr;
    if (FAILED(buffer->Lock(0, 0, &data, 0))) return nullptr;
    return data;
}

void VertexBufferPool::UnlockVertexBuffer(int handle) {
    if (IDirect3DVertexBuffer8* buffer = vertexBuffer(handle)) buffer->Unlock();
}

void VertexBufferPool::FillVertexBuffer(int handle, const void* source, UINT bytes) {
    void* data = LockVertexBuffer(handle);
    if (data == nullptr) return;
    std::memcpy(data, source, std::min(bytes, vertexBufferBytes(handle)));
    UnlockVertexBuffer(handle);
}

void* VertexBufferPool::LockIndexBuffer(int handle) {
    IDirect3DIndexBuffer8* buffer = indexBuffer(handle);
    if (buffer == nullptr) return nullptr;
    BYTE* data = nullptr;
    if (FAILED(buffer->Lock(0, 0, &data, 0))) return nullptr;
    return data;
}

void VertexBufferPool::UnlockIndexBuffer(int handle) {
    if (IDirect3DIndexBuffer8* buffer = indexBuffer(handle)) buffer->Unlock();
}

void VertexBufferPool::SetIndices(int handle) {
    if (device_ == nullptr || indexSlot(handle) == nullptr) return;
    device_->SetIndices(indexBuffer(handle), 0);
}

void VertexBufferPool::SetStream(UINT stream, int handle) {
    const VertexSlot* slot = vertexSlot(handle);
    if (device_ == nullptr || slot == nullptr) return;
    device_->SetVertexShader(slot->fvf);
    device_->SetStreamSource(stream, slot->buffer, slot->stride);
}

void VertexBufferPool::SetQuad2D(int handle, float x, float y, float w, float h, DWORD colour,
                                 float uLeft, float vTop, float uRight, float vBottom) {
    // Only a 2D buffer with room for four vertices can take a quad.
    if (fvf(handle) != kFvfQuad2D || vertexBufferBytes(handle) < 4 * sizeof(Quad2DVertex)) return;
    auto* v = static_cast<Quad2DVertex*>(LockVertexBuffer(handle));
    if (v == nullptr) return;
    const float width = static_cast<float>(viewport_.Width);
    const float height = static_cast<float>(viewport_.Height);
    const float left = static_cast<float>(viewport_.X);
    const float top = static_cast<float>(viewport_.Y);
    auto screenX = [&](float a) { return width * a + left; };
    auto screenY = [&](float b) { return height * b + top; };
    auto put = [colour](Quad2DVertex& q, float px, float py, float u, float t) {
        q.x = px;
        q.y = py;
        q.colour = colour;
        q.u = u;
        q.v = t;
    };
    put(v[0], screenX(x), screenY(y + h), uLeft, vBottom);
    put(v[1], screenX(x), screenY(y), uLeft, vTop);
    put(v[2], screenX(x + w), screenY(y + h), uRight, vBottom);
    put(v[3], screenX(x + w), screenY(y), uRight, vTop);
    UnlockVertexBuffer(handle);
}

void VertexBufferPool::ReleaseAll() {
    for (VertexSlot& slot : vertexSlots_) {
        if (slot.buffer != nullptr) slot.buffer->Release();
        slot.buffer = nullptr;
        slot.bytes = 0;
    }
    for (IndexSlot& slot : indexSlots_) {
        if (slot.buffer != nullptr) slot.buffer->Release();
        slot.buffer = nullptr;
        slot.bytes = 0;
    }
}

IDirect3DVertexBuffer8* VertexBufferPool::vertexBuffer(int handle) const {
    const VertexSlot* slot = vertexSlot(handle);
    return slot ? slot->buffer : nullptr;
}

IDirect3DIndexBuffer8* VertexBufferPool::indexBuffer(int handle) const {
    const IndexSlot* slot = indexSlot(handle);
    return slot ? slot->buffer : nullptr;
}

DWORD VertexBufferPool::fvf(int handle) const {
    const VertexSlot* slot = vertexSlot(handle);
    return slot ? slot->fvf : 0;
}

UINT VertexBufferPool::stride(int handle) const {
    const VertexSlot* slot = vertexSlot(handle);
    return slot ? slot->stride : 0;
}

UINT VertexBufferPool::vertexBufferBytes(int handle) const {
    const VertexSlot* slot = vertexSlot(handle);
    return slot ? slot->bytes : 0;
}

}  // namespace eh::media
