// The executable's resources on Windows, from this test's own resource script
// (CMakeLists.txt): 482 CustomData and 453 MediaData from files, 432 a BITMAP.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "platform/os/resources.h"
#include "platform/os/win32_types.h"

namespace eh::os {
namespace {

std::string fileBytes(const char* name) {
    std::ifstream in(std::string(EH_OS_TEST_RESOURCE_DIR) + "/" + name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

std::string bytesOf(ResourceData data) {
    return std::string(reinterpret_cast<const char*>(data.data), data.size);
}

TEST(ExecutableResources, CustomTypesByAnyCaseAndNumber) {
    const std::string text = fileBytes("resource_text.txt");
    const std::string media = fileBytes("resource_media.bin");
    ASSERT_FALSE(text.empty());
    ASSERT_EQ(media.size(), 512u);
    EXPECT_EQ(bytesOf(FindResourceData("CustomData", 482)), text);
    EXPECT_EQ(bytesOf(FindResourceData("customdata", 482)), text);
    EXPECT_EQ(bytesOf(FindResourceData("MEDIADATA", 453)), media);
    EXPECT_EQ(FindResourceData("CustomData", 482).data, FindResourceData("CUSTOMDATA", 482).data)
        << "the bytes stay where the system mapped them";
    EXPECT_FALSE(FindResourceData("CustomData", 453));
    EXPECT_FALSE(FindResourceData("MediaData", 452));
    EXPECT_FALSE(FindResourceData("Custom", 482));
    EXPECT_FALSE(FindResourceData("", 482));
    EXPECT_FALSE(FindResourceData("CustomData", 0));
    EXPECT_FALSE(FindResourceData("CustomData", -482));
    EXPECT_FALSE(FindResourceData("CustomData", 482 + 0x10000)) << "ids are 16 bits";
}

TEST(ExecutableResources, ABitmapIsTheSystemsBitmapWithoutItsFileHeader) {
    const std::string file = fileBytes("resource_bitmap.bmp");
    ASSERT_GT(file.size(), 14u);
    EXPECT_EQ(bytesOf(FindResourceData("BITMAP", 432)), file.substr(14));
    EXPECT_EQ(bytesOf(FindResourceData("bitmap", 432)), file.substr(14));
    HBITMAP loaded = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(432));
    ASSERT_NE(loaded, nullptr);
    BITMAP info{};
    ASSERT_NE(GetObjectA(loaded, sizeof info, &info), 0);
    EXPECT_EQ(info.bmWidth, 4);
    EXPECT_EQ(info.bmHeight, 2);
    DeleteObject(loaded);
}

TEST(ExecutableResources, TheTableListsEveryNumberedResourceWithItsBytes) {
    const std::span<const ResourceEntry> table = ResourceTable();
    ASSERT_EQ(ResourceTable().data(), table.data()) << "built once";
    int found = 0;
    for (const ResourceEntry& e : table) {
        ASSERT_NE(e.type, nullptr);
        const ResourceData direct = FindResourceData(e.type, e.id);
        ASSERT_TRUE(direct) << e.type << " " << e.id;
        EXPECT_EQ(direct.data, e.begin);
        EXPECT_EQ(direct.size, static_cast<std::size_t>(e.end - e.begin));
        const std::string type = e.type;
        std::string upper = type;
        CharUpperA(upper.data());
        EXPECT_EQ(type, upper) << "listed as the system keeps it";
        if ((SameResourceType(type, "CustomData") && e.id == 482) ||
            (SameResourceType(type, "MediaData") && e.id == 453) ||
            (SameResourceType(type, "BITMAP") && e.id == 432))
            ++found;
    }
    EXPECT_EQ(found, 3);
}

TEST(ExecutableResources, ATestTableReplacesThemAndTheyComeBack) {
    static const unsigned char bytes[] = {1, 2, 3};
    const ResourceEntry replacement[] = {{"MediaData", 453, bytes, bytes + 3}};
    const auto before = ResourceTable();
    {
        ScopedResourceTable scoped(replacement);
        EXPECT_EQ(FindResourceData("mediadata", 453).data, bytes);
        EXPECT_FALSE(FindResourceData("CustomData", 482)) << "only the test's table answers";
        EXPECT_EQ(ResourceTable().size(), 1u);
        {
            ScopedResourceTable empty({});
            EXPECT_FALSE(FindResourceData("MediaData", 453));
        }
        EXPECT_EQ(FindResourceData("MediaData", 453).data, bytes);
    }
    EXPECT_EQ(bytesOf(FindResourceData("MediaData", 453)), fileBytes("resource_media.bin"));
    EXPECT_EQ(ResourceTable().data(), before.data());
    EXPECT_EQ(ResourceTable().size(), before.size());
}

}  // namespace
}  // namespace eh::os
