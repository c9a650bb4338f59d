// The window layer's handles, one line per type (system/unique_handle.h).
#pragma once

#include <windows.h>

#include "system/unique_handle.h"

namespace window {

using UniqueFont = sys::UniqueHandle<HFONT, DeleteObject>;
using UniqueBrush = sys::UniqueHandle<HBRUSH, DeleteObject>;
using UniqueBitmap = sys::UniqueHandle<HBITMAP, DeleteObject>;
using UniqueIcon = sys::UniqueHandle<HICON, DestroyIcon>;

}  // namespace window
