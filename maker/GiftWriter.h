#pragma once
// Writes a made gift: a copy of the program with the giver's content as RCDATA
// resources. The copy is made in a temporary file beside the output, read back
// and compared, and only then renamed over the output; on any fault the
// temporary file is removed and an older output stays as it was.
#include <string>
#include <vector>

namespace maker {

struct Item {
    std::wstring resource;  // RCDATA name
    std::string bytes;      // the data, stored as a byte block with a NUL after it
};

// The stored form of `bytes`: a 32-bit 1, the 32-bit count, the bytes, a NUL.
std::string BlockOf(const std::string& bytes);

// Empty on success, else why nothing was written. A non-empty `explorerIcon`
// (an .ico file of one image) also becomes the program's icon that Explorer
// shows, in place of the image of its icon group "GIFT".
std::wstring WriteGift(const std::wstring& program, const std::wstring& output,
                       const std::vector<Item>& items, const std::string& explorerIcon = {});

}  // namespace maker
