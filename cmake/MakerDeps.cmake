# The maker's own libraries (tools/deps.sh): libwebp for WebP photos, libFLAC
# and LAME for FLAC and WAV songs made into MP3. The program's decoders are in
# Deps.cmake.
include_guard(GLOBAL)
include(${CMAKE_CURRENT_LIST_DIR}/Deps.cmake)

gift_dep(gift::webp libwebp.a webp/decode.h)
gift_dep(gift::flac libFLAC.a FLAC/stream_decoder.h)
gift_dep(gift::lame libmp3lame.a lame/lame.h)
# Static libFLAC: no dllimport in its declarations.
set_property(TARGET gift::flac APPEND PROPERTY INTERFACE_COMPILE_DEFINITIONS FLAC__NO_DLL)
