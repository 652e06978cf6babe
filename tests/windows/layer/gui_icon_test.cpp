// The icon resource: nine square images, 32-bit with alpha, the largest one
// PNG-compressed, each of which the system can turn into an icon.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/win32/resource_ids.h"

namespace {

#pragma pack(push, 2)
struct GroupEntry {
  BYTE width, height, colors, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
struct GroupHeader {
  WORD reserved, type, count;
};
#pragma pack(pop)

struct Resource {
  const BYTE* data = nullptr;
  DWORD size = 0;
};

Resource resource(LPCWSTR name, LPCWSTR type) {
  HMODULE self = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(self, name, type);
  if (!found) return {};
  HGLOBAL loaded = LoadResource(self, found);
  return {static_cast<const BYTE*>(LockResource(loaded)), SizeofResource(self, found)};
}

TEST(GuiIcon, HoldsNineImagesWithAlphaAndAPngOf256) {
  const Resource group = resource(MAKEINTRESOURCEW(IDI_KOVRIN), RT_GROUP_ICON);
  ASSERT_NE(group.data, nullptr);
  ASSERT_GE(group.size, sizeof(GroupHeader));
  GroupHeader header;
  std::memcpy(&header, group.data, sizeof header);
  EXPECT_EQ(header.type, 1);
  ASSERT_EQ(header.count, 9);
  ASSERT_GE(group.size, sizeof(GroupHeader) + header.count * sizeof(GroupEntry));

  std::vector<int> sizes;
  for (int i = 0; i < header.count; ++i) {
    GroupEntry entry;
    std::memcpy(&entry, group.data + sizeof header + i * sizeof entry, sizeof entry);
    const int size = entry.width ? entry.width : 256;
    SCOPED_TRACE(size);
    sizes.push_back(size);
    EXPECT_EQ(entry.bitCount, 32);

    const Resource image = resource(MAKEINTRESOURCEW(entry.id), RT_ICON);
    ASSERT_NE(image.data, nullptr);
    ASSERT_EQ(image.size, entry.bytes);
    static const BYTE kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const bool png = image.size >= 8 && std::memcmp(image.data, kPng, 8) == 0;
    EXPECT_EQ(png, size == 256);
    if (!png) {
      BITMAPINFOHEADER bih;
      ASSERT_GE(image.size, sizeof bih);
      std::memcpy(&bih, image.data, sizeof bih);
      EXPECT_EQ(bih.biWidth, size);
      EXPECT_EQ(bih.biHeight, 2 * size);
      EXPECT_EQ(bih.biBitCount, 32);
      ASSERT_GE(image.size, sizeof bih + static_cast<DWORD>(size * size * 4));
      // Rows are stored bottom-up: the first pixel is a transparent corner,
      // the middle one is opaque.
      const BYTE* pixels = image.data + sizeof bih;
      EXPECT_EQ(pixels[3], 0);
      EXPECT_EQ(pixels[(static_cast<std::size_t>(size / 2) * size + size / 2) * 4 + 3], 255);
    }
    HICON icon = CreateIconFromResourceEx(const_cast<BYTE*>(image.data), image.size, TRUE, 0x00030000,
                                          size, size, LR_DEFAULTCOLOR);
    ASSERT_NE(icon, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bm{};
    GetObjectW(info.hbmColor, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, size);
    EXPECT_EQ(bm.bmHeight, size);
    EXPECT_EQ(bm.bmBitsPixel, 32);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
  EXPECT_EQ(sizes, (std::vector<int>{16, 24, 32, 48, 64, 72, 96, 128, 256}));
}

}  // namespace
