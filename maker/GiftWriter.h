#pragma once
// Writes a made gift: a copy of the program with the giver's content as RCDATA
// resources. The copy is made in a temporary file beside the output, its PE
// checksum recomputed, flushed to the disk, read back and compared, and only
// then renamed over the output (retried for two seconds while a virus scanner
// holds the file); on any fault the
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

struct Written {
    std::wstring error;  // empty on success, else why nothing was written
    std::wstring path;   // where the gift is
    std::wstring note;   // for the report: what became of a replaced running program
};

// A non-empty `explorerIcon` (an .ico file of one image) also becomes the
// program's icon that Explorer shows, in place of the image of its icon group
// "GIFT". With `ontoRunning` the output is the running program itself (a
// folder dropped onto a made gift of its name): it is renamed aside, the new
// gift moved in and the old one deleted when the system allows; where it
// cannot be renamed the gift is written beside it under a free name.
Written WriteGift(const std::wstring& program, const std::wstring& output,
                  const std::vector<Item>& items, const std::string& explorerIcon = {},
                  bool ontoRunning = false);

}  // namespace maker
