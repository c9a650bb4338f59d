// What Telvora.exe carries: the manifest, the icon, the pictures and the
// version, read from the built program as Windows reads them.
#include <gtest/gtest.h>

#include <wincodec.h>

#include <set>
#include <string>
#include <utility>

#include "driver.h"
#include "forms/resource_ids.h"

namespace {

class TelvoraResources : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    module_ = LoadLibraryExW(e2e::from_unix_path(TELVORA_EXE).c_str(), nullptr,
                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  }
  static void TearDownTestSuite() {
    if (module_) FreeLibrary(module_);
  }
  void SetUp() override { ASSERT_NE(module_, nullptr) << "Telvora.exe cannot be loaded"; }

  static std::string resource(int id, int type) {
    HRSRC found = FindResourceW(module_, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(type));
    if (!found) return {};
    HGLOBAL loaded = LoadResource(module_, found);
    const auto* data = static_cast<const char*>(LockResource(loaded));
    return data ? std::string(data, SizeofResource(module_, found)) : std::string();
  }

  static HMODULE module_;
};

HMODULE TelvoraResources::module_ = nullptr;

TEST_F(TelvoraResources, ManifestAsksForNoElevationCommonControlsSixAndPerMonitorDpi) {
  const std::string manifest = resource(1, 24 /* RT_MANIFEST */);
  ASSERT_FALSE(manifest.empty());
  for (const char* needed : {"level=\"asInvoker\"", "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
                             ">true/pm<", ">PerMonitorV2, PerMonitor<"})
    EXPECT_NE(manifest.find(needed), std::string::npos) << needed;
}

TEST_F(TelvoraResources, IconHoldsThirtyTwoAndSixteenPixelImagesInSixteenColours) {
  const std::string group = resource(TELVORA_ICON, 14 /* RT_GROUP_ICON */);
  ASSERT_GE(group.size(), 6u);
  const auto count = static_cast<unsigned char>(group[4]) | static_cast<unsigned char>(group[5]) << 8;
  ASSERT_EQ(group.size(), 6u + 14u * count);
  std::set<std::pair<int, int>> sizes_and_bits;
  for (int i = 0; i < count; ++i) {
    const auto* entry = reinterpret_cast<const unsigned char*>(group.data() + 6 + 14 * i);
    const int size = entry[0];
    const int bits = entry[6] | entry[7] << 8;
    EXPECT_TRUE(entry[2] == 16 || bits == 4) << "image " << i << " is not a 16-colour image";
    sizes_and_bits.insert({size, bits});
  }
  EXPECT_EQ(sizes_and_bits, (std::set<std::pair<int, int>>{{32, 4}, {16, 4}}));
}

TEST_F(TelvoraResources, PicturesAreAGifLogoAndTwoJpegsOfTheirSizes) {
  struct Case {
    int id;
    GUID container;
    UINT width, height;
  };
  const Case cases[] = {
      {TELVORA_LOGO, GUID_ContainerFormatGif, 185, 40},
      {TELVORA_PIC_OUTLOOK, GUID_ContainerFormatJpeg, 96, 96},
      {TELVORA_PIC_EXPRESS, GUID_ContainerFormatJpeg, 96, 96},
  };
  IWICImagingFactory* factory = nullptr;
  ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                         reinterpret_cast<void**>(&factory))));
  std::set<std::string> contents;
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.id);
    std::string data = resource(tc.id, 10 /* RT_RCDATA */);
    ASSERT_FALSE(data.empty());
    contents.insert(data);
    IWICStream* stream = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    GUID container{};
    UINT w = 0, h = 0;
    EXPECT_TRUE(SUCCEEDED(factory->CreateStream(&stream)) &&
                SUCCEEDED(stream->InitializeFromMemory(reinterpret_cast<BYTE*>(data.data()),
                                                       static_cast<DWORD>(data.size()))) &&
                SUCCEEDED(factory->CreateDecoderFromStream(stream, nullptr, WICDecodeMetadataCacheOnLoad, &decoder)) &&
                SUCCEEDED(decoder->GetContainerFormat(&container)) && SUCCEEDED(decoder->GetFrame(0, &frame)) &&
                SUCCEEDED(frame->GetSize(&w, &h)));
    EXPECT_TRUE(IsEqualGUID(container, tc.container));
    EXPECT_EQ(w, tc.width);
    EXPECT_EQ(h, tc.height);
    for (IUnknown* p : {static_cast<IUnknown*>(frame), static_cast<IUnknown*>(decoder), static_cast<IUnknown*>(stream)})
      if (p) p->Release();
  }
  EXPECT_EQ(contents.size(), std::size(cases)) << "two pictures are the same";
  factory->Release();
}

TEST_F(TelvoraResources, VersionNamesTheProduct) {
  const std::wstring exe = e2e::from_unix_path(TELVORA_EXE);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::string block(size, '\0');
  ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, size, block.data()));
  wchar_t* name = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\StringFileInfo\\041F04B0\\ProductName", reinterpret_cast<void**>(&name),
                             &length));
  EXPECT_EQ(std::wstring(name), L"Telvora");
  VS_FIXEDFILEINFO* fixed = nullptr;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
}

}  // namespace
