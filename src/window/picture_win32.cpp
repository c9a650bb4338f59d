#include "window/picture.h"

// windows.h comes first: the other system headers build on it.
#include <windows.h>

#include <wincodec.h>

#include <cstddef>

#include "platform/error.h"

namespace window {

namespace {

constexpr long kInvalidPicture = 481;

// Releases a COM interface when it goes out of scope.
template <class T>
class ComRef {
 public:
  ComRef() = default;
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  ~ComRef() {
    if (p_) p_->Release();
  }
  T** put() { return &p_; }
  T* operator->() const { return p_; }
  T* get() const { return p_; }

 private:
  T* p_ = nullptr;
};

[[noreturn]] void raise_picture_error() { throw platform::RuntimeError(kInvalidPicture, "Telvora", "Invalid picture"); }

}  // namespace

// Transparent pixels are laid on the white window background and every pixel
// is made opaque: version 6 of the static control draws a 32-bit bitmap
// through its alpha channel.
UniqueBitmap decode_picture(int resource) {
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(resource), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
  const DWORD size = found ? SizeofResource(nullptr, found) : 0;
  auto* data = loaded ? static_cast<BYTE*>(LockResource(loaded)) : nullptr;
  if (!data || size == 0) raise_picture_error();

  ComRef<IWICImagingFactory> factory;
  ComRef<IWICStream> stream;
  ComRef<IWICBitmapDecoder> decoder;
  ComRef<IWICBitmapFrameDecode> frame;
  ComRef<IWICFormatConverter> converter;
  UINT width = 0, height = 0;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              reinterpret_cast<void**>(factory.put()))) ||
      FAILED(factory->CreateStream(stream.put())) || FAILED(stream->InitializeFromMemory(data, size)) ||
      FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnLoad, decoder.put())) ||
      FAILED(decoder->GetFrame(0, frame.put())) || FAILED(factory->CreateFormatConverter(converter.put())) ||
      FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom)) ||
      FAILED(converter->GetSize(&width, &height)) || width == 0 || height == 0 || width > 4096 || height > 4096)
    raise_picture_error();

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = static_cast<LONG>(width);
  info.bmiHeader.biHeight = -static_cast<LONG>(height);  // top-down, as WIC delivers the rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap) raise_picture_error();
  const UINT stride = width * 4;
  auto* pixels = static_cast<BYTE*>(bits);
  if (FAILED(converter->CopyPixels(nullptr, stride, stride * height, pixels))) raise_picture_error();
  for (BYTE* p = pixels; p != pixels + std::size_t{stride} * height; p += 4) {
    const unsigned alpha = p[3];
    for (int k = 0; k < 3; ++k) p[k] = static_cast<BYTE>((p[k] * alpha + 255u * (255u - alpha)) / 255u);
    p[3] = 255;
  }
  return bitmap;
}

}  // namespace window
