#include "media/vertex_buffer_pool.h"

#include <gtest/gtest.h>

#include <cstring>

#include "support/fake_device.h"

namespace eh::media {
namespace {

using testing::FakeDevice;

class PoolTest : public ::testing::Test {
  protected:
    void SetUp() override { pool.Init(&device, nullptr); }
    FakeDevice device;
    VertexBufferPool pool;
};

TEST_F(PoolTest, NewHandleTakesTheNextSlotAndAKnownHandleIsRecreatedInPlace) {
    int a = -1, b = -1;
    pool.CreateVertexBuffer(&a, VertexBufferPool::kFvfColoured, 3000);
    pool.CreateVertexBuffer(&b, VertexBufferPool::kFvfModel, 1000);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 1);
    EXPECT_EQ(pool.vertexBufferBytes(a), 108000u);
    EXPECT_EQ(pool.vertexBufferBytes(b), 56000u);
    EXPECT_EQ(device.Calls("CreateVertexBuffer"),
              (std::vector<std::string>{"CreateVertexBuffer(108000,0,338,1)",
                                        "CreateVertexBuffer(56000,0,850,1)"}));

    auto* old = device.vertexBuffers[0].get();
    pool.CreateVertexBuffer(&a, VertexBufferPool::kFvfQuad2D, 4);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(pool.vertexBufferCount(), 2);
    EXPECT_EQ(old->refs, 0u);  // the old buffer was released
    EXPECT_EQ(pool.fvf(a), VertexBufferPool::kFvfQuad2D);
    EXPECT_EQ(pool.stride(a), 28u);
    EXPECT_EQ(pool.vertexBufferBytes(a), 112u);

    int stray = 57;  // outside the table: treated as new
    pool.CreateVertexBuffer(&stray, VertexBufferPool::kFvfQuad2D, 4);
    EXPECT_EQ(stray, 2);
}

TEST_F(PoolTest, UnknownFormatsAndMissingDevicesCreateNothing) {
    int h = -1;
    pool.CreateVertexBuffer(&h, 0x102, 10);
    EXPECT_EQ(h, -1);
    EXPECT_EQ(pool.vertexBufferCount(), 0);
    VertexBufferPool detached;
    detached.CreateVertexBuffer(&h, VertexBufferPool::kFvfQuad2D, 4);
    EXPECT_EQ(h, -1);
    EXPECT_EQ(detached.CreateIndexBuffer(3), -1);
    EXPECT_EQ(detached.LockVertexBuffer(0), nullptr);
}

TEST_F(PoolTest, FailedCreationLeavesASlotThatLocksToNull) {
    device.failVertexBuffers = true;
    device.failIndexBuffers = true;
    int h = -1;
    pool.CreateVertexBuffer(&h, VertexBufferPool::kFvfQuad2D, 4);
    EXPECT_EQ(h, 0);  // the slot is taken, so a later recreation can fill it
    EXPECT_EQ(pool.LockVertexBuffer(h), nullptr);
    const std::uint8_t bytes[4] = {};
    pool.FillVertexBuffer(h, bytes, sizeof bytes);
    pool.SetQuad2D(h, 0, 0, 1, 1, 0, 0, 0, 1, 1);
    const int ib = pool.CreateIndexBuffer(6);
    EXPECT_EQ(ib, 0);
    EXPECT_EQ(pool.LockIndexBuffer(ib), nullptr);

    device.failVertexBuffers = false;
    pool.CreateVertexBuffer(&h, VertexBufferPool::kFvfQuad2D, 4);
    EXPECT_EQ(h, 0);
    void* p = pool.LockVertexBuffer(h);
    EXPECT_NE(p, nullptr);
    pool.UnlockVertexBuffer(h);
}

TEST_F(PoolTest, Quad2DCornersFollowStripOrderInPixels) {
    int h = -1;
    pool.CreateVertexBuffer(&h, VertexBufferPool::kFvfQuad2D, 4);
    auto* v = static_cast<Quad2DVertex*>(pool.LockVertexBuffer(h));
    ASSERT_NE(v, nullptr);
    for (int i = 0; i < 4; ++i) {
        v[i].z = 0.99f;
        v[i].rhw = 0.5f;
    }
    pool.UnlockVertexBuffer(h);

    pool.SetQuad2D(h, 0, 0, 1, 1, 0x80FF0000u, 0.1f, 0.2f, 0.9f, 0.8f);
    v = static_cast<Quad2DVertex*>(pool.LockVertexBuffer(h));
    const float expect[4][4] = {
        {0, 480, 0.1f, 0.8f}, {0, 0, 0.1f, 0.2f}, {640, 480, 0.9f, 0.8f}, {640, 0, 0.9f, 0.2f}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(v[i].x, expect[i][0]) << i;
        EXPECT_EQ(v[i].y, expect[i][1]) << i;
        EXPECT_EQ(v[i].u, expect[i][2]) << i;
        EXPECT_EQ(v[i].v, expect[i][3]) << i;
        EXPECT_EQ(v[i].colour, 0x80FF0000u);
        EXPECT_EQ(v[i].z, 0.99f);
        EXPECT_EQ(v[i].rhw, 0.5f);
    }
    pool.UnlockVertexBuffer(h);
}

TEST(PoolViewportTest, Quad2DUsesTheViewportReadAtInit) {
    FakeDevice device;
    device.viewport = D3DVIEWPORT8{10, 20, 200, 100, 0, 1};
    VertexBufferPool pool;
    pool.Init(&device, nullptr);
    device.viewport = D3DVIEWPORT8{0, 0, 1, 1, 0, 1};  // later changes are not seen
    int h = -1;
    pool.CreateVertexBuffer(&h, VertexBufferPool::kFvfQuad2D, 4);
    pool.SetQuad2D(h, 0.25f, 0.5f, 0.5f, 0.25f, 0, 0, 0, 1, 1);
    auto* v = static_cast<Quad2DVertex*>(pool.LockVertexBuffer(h));
    EXPECT_EQ(v[0].x, 60.0f);
    EXPECT_EQ(v[0].y, 95.0f);
    EXPECT_EQ(v[3].x, 160.0f);
    EXPECT_EQ(v[3].y, 70.0f);
    pool.UnlockVertexBuffer(h);

    // A buffer of another format, or too small for a quad, is left alone.
    int other = -1;
    pool.CreateVertexBuffer(&other, VertexBufferPool::kFvfColoured, 4);
    pool.SetQuad2D(other, 0, 0, 1, 1, 0, 0, 0, 1, 1);
    int small = -1;
    pool.CreateVertexBuffer(&small, VertexBufferPool::kFvfQuad2D, 3);
    pool.SetQuad2D(small, 0, 0, 1, 1, 0, 0, 0, 1, 1);
    EXPECT_EQ(device.vertexBuffers[1]->lockCount, 0);
    EXPECT_EQ(device.vertexBuffers[2]->lockCount, 0);
}

TEST_F(PoolTest, SetStreamSelectsTheFormatBeforeBindingTheStream) {
    int h = -1;
    pool.CreateVertexBuffer(&h, VertexBufferPool::kFvfModel, 10);
    device.log.clear();
    pool.SetStream(0, h);
    EXPECT_EQ(device.log,
              (std::vector<std::string>{"SetVertexShader(850)", "SetStreamSource(0,vb,56)"}));
    EXPECT_EQ(device.stream0, device.vertexBuffers[0].get());
    device.log.clear();
    pool.SetStream(0, 5);
    pool.SetStream(0, -1);
    EXPECT_TRUE(device.log.empty());
}

TEST_F(PoolTest, IndexBuffersAreSixteenBitManagedAndBoundWithBaseZero) {
    const int a = pool.CreateIndexBuffer(6);
    const int b = pool.CreateIndexBuffer(300);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 1);
    EXPECT_EQ(device.Calls("CreateIndexBuffer"),
              (std::vector<std::string>{"CreateIndexBuffer(12,0,101,1)",
                                        "CreateIndexBuffer(600,0,101,1)"}));
    auto* idx = static_cast<std::uint16_t*>(pool.LockIndexBuffer(b));
    ASSERT_NE(idx, nullptr);
    idx[299] = 7;
    pool.UnlockIndexBuffer(b);
    EXPECT_EQ(device.indexBuffers[1]->bytes[598], 7);
    pool.SetIndices(b);
    EXPECT_EQ(device.Calls("SetIndices"), (std::vector<std::string>{"SetIndices(ib,0)"}));
    EXPECT_EQ(device.indices, device.indexBuffers[1].get());
}

TEST_F(PoolTest, FillCopiesNoMoreThanTheBufferHolds) {
    int h = -1;
    pool.CreateVertexBuffer(&h, VertexBufferPool::kFvfQuad2D, 1);  // 28 bytes
    std::vector<std::uint8_t> source(100, 0xAB);
    pool.FillVertexBuffer(h, source.data(), 100);
    const auto& bytes = device.vertexBuffers[0]->bytes;
    ASSERT_EQ(bytes.size(), 28u);
    EXPECT_EQ(bytes[27], 0xAB);
    EXPECT_FALSE(device.vertexBuffers[0]->locked);
}

TEST_F(PoolTest, ReleaseAllReleasesEveryBufferOnce) {
    int h = -1;
    pool.CreateVertexBuffer(&h, VertexBufferPool::kFvfQuad2D, 4);
    pool.CreateIndexBuffer(3);
    pool.ReleaseAll();
    pool.ReleaseAll();
    EXPECT_EQ(device.vertexBuffers[0]->refs, 0u);
    EXPECT_EQ(device.vertexBuffers[0]->overReleased, 0);
    EXPECT_EQ(device.indexBuffers[0]->refs, 0u);
    EXPECT_EQ(pool.LockVertexBuffer(h), nullptr);
}

TEST(PoolInstancesTest, TwoPoolsKeepTheirOwnTables) {
    FakeDevice d1, d2;
    VertexBufferPool p1, p2;
    p1.Init(&d1, nullptr);
    p2.Init(&d2, nullptr);
    int a = -1, b = -1;
    p1.CreateVertexBuffer(&a, VertexBufferPool::kFvfQuad2D, 4);
    p1.CreateVertexBuffer(&a, VertexBufferPool::kFvfQuad2D, 4);
    p2.CreateVertexBuffer(&b, VertexBufferPool::kFvfQuad2D, 4);
    EXPECT_EQ(b, 0);
    EXPECT_EQ(p1.vertexBufferCount(), 1);
    EXPECT_EQ(d2.vertexBuffers.size(), 1u);
}

}  // namespace
}  // namespace eh::media

namespace eh::media {
namespace {

TEST(PoolCapacityTest, FullTablesCreateNothingMore) {
    testing::FakeDevice device;
    VertexBufferPool pool;
    pool.Init(&device, nullptr);
    for (int i = 0; i < VertexBufferPool::kMaxVertexBuffers; ++i) {
        int h = -1;
        pool.CreateVertexBuffer(&h, VertexBufferPool::kFvfQuad2D, 1);
        ASSERT_EQ(h, i);
    }
    int extra = -1;
    pool.CreateVertexBuffer(&extra, VertexBufferPool::kFvfQuad2D, 1);
    EXPECT_EQ(extra, -1);
    int last = VertexBufferPool::kMaxVertexBuffers - 1;  // recreating in place still works
    pool.CreateVertexBuffer(&last, VertexBufferPool::kFvfColoured, 2);
    EXPECT_EQ(pool.vertexBufferBytes(last), 72u);
    for (int i = 0; i < VertexBufferPool::kMaxIndexBuffers; ++i) pool.CreateIndexBuffer(1);
    EXPECT_EQ(pool.CreateIndexBuffer(1), -1);
    pool.ReleaseAll();
}

}  // namespace
}  // namespace eh::media
