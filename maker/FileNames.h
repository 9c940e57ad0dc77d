#pragma once
// Which role a file in the giver's folder names: English stems as the
// program's own content is named, Chinese ones beside them, and a doubled
// extension ("letter1.txt.txt", left when Explorer hides extensions) read as
// the name it was meant to be.
#include <string>

#include "maker/Roles.h"

namespace maker {

struct NamedFile {
    const Role* role = nullptr;  // a role of kRoles
    int fireworks = 0;           // or a fireworks frame 1..35
    bool ini = false;            // or gift.ini
    std::wstring extension;      // lower case with its dot: what the file really is
    std::wstring meant;          // for a doubled extension, the name it was taken as
    bool Named() const { return role || fireworks || ini; }
};

// Nothing named when the name is no role's, or its extension is none a gift
// file could have.
NamedFile NameOf(const std::wstring& fileName);

// The Chinese stem a role may be given by; empty for roles without one.
std::wstring_view ChineseStem(std::wstring_view englishStem);

}  // namespace maker
