// The program's pictures, decoded by the platform's image decoder.
#pragma once

#include "window/handles.h"

namespace window {

// Decodes a GIF or JPEG from the program's RCDATA resources into a 32-bit
// DIB section, laid on the white window background. A picture that cannot be
// read raises RuntimeError 481 ("Invalid picture"). COM must be initialised
// on the calling thread.
UniqueBitmap decode_picture(int resource);

}  // namespace window
