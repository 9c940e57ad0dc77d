#pragma once
// Encodes opaque pixels as a baseline JPEG through libjpeg-turbo.
#include <string>

#include "maker/Resample.h"

namespace maker {

// Quality 92 with full-resolution colour (4:4:4): no visible artefacts around
// the red and pink edges these photographs are full of. Empty on failure.
std::string EncodeJpeg(const Pixels& pixels, int quality = 92);

}  // namespace maker
