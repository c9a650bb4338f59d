// The window layer's handles, one line per type (system/unique_handle.h).
#pragma once

#include <windows.h>

#include "system/unique_handle.h"

namespace platform {

using UniqueFont = UniqueHandle<HFONT, DeleteObject>;
using UniqueBrush = UniqueHandle<HBRUSH, DeleteObject>;
using UniqueBitmap = UniqueHandle<HBITMAP, DeleteObject>;
using UniqueIcon = UniqueHandle<HICON, DestroyIcon>;

}  // namespace platform
