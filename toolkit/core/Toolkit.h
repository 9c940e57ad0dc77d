#pragma once
// Process-wide toolkit state and the utilities every host and control shares.
#include <windows.h>

#include <string>

#include "platform/ByteBlock.h"
#include "toolkit/core/Gdip.h"
#include "toolkit/core/Text.h"

// Globals, set once by StartToolkit and read-only afterwards.
extern ULONG_PTR GdiplusToken;
extern int OsMajorVersion;
extern GpFont* DefaultFont;           // may be null when no usable face exists
extern GpImage* CaptionButtonsImage;  // may be null when the strip does not decode
extern HICON ClassIcon;

// The caption-button strip: a 729 x 20 RGBA PNG stored without its signature.
ByteBlock CaptionButtonsStripBytes();

// GDI+ session, OS version, default font, caption-button strip, window class.
void StartToolkit();

// Face name of a system font: 1 menu, 2 caption, 3 message. Never fails.
std::string SystemFontFace(int which = 2);

// 12-pixel "宋体", else the caption face, each only when it has glyphs for
// Chinese text; else the first installed face that has; else "宋体" or the
// caption face as they are, the generic sans-serif family, the first installed
// family: the program never runs without text, nor with boxes for its text.
GpFont* CreateDefaultFont();
// The same with the two candidate faces given, so the fallbacks can be exercised.
GpFont* CreateDefaultFontFrom(const std::string& primaryFace, const std::string& captionFace);

// A pixel-sized font of the face, or of the default font's family when the face
// is unknown. Null only when neither exists.
GpFont* CreateFontByName(const std::string& faceName, float emSize, int style);

std::string FontFamilyName(GpFont* font);

// Decodes a picture from bytes: PNG and JPEG through the program's own
// decoders into pixels held in global memory, anything else (and a PNG whose
// colour chunks the system applies: decode::PngColoursNeedSystem) through
// GDI+ from a global-memory stream. On success the caller owns both the image and
// `memoryHandle`, the memory the image reads (release with ReleaseImage).
GpImage* LoadImageFromBytes(ByteBlock bytes, HGLOBAL* memoryHandle, bool restoreSignature);
void ReleaseImage(GpImage*& image, HGLOBAL& memory);

bool RegisterHostClass(const char* className = nullptr, UINT style = CS_DBLCLKS,
                       HICON icon = nullptr, HCURSOR cursor = nullptr,
                       WNDPROC windowProc = nullptr);
LRESULT CALLBACK DefaultWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
