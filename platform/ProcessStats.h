#pragma once
// What the current process holds: private memory, peak working set, and its
// GDI and USER objects. For soak runs and tests that check nothing leaks.
//
// Under Wine GetGuiResources and PrivateUsage report 0, so the figures are
// then counted directly:
// - private memory: the committed bytes of every private region (VirtualQuery
//   over the address space), which is what PrivateUsage means on Windows;
// - GDI objects: the live, non-stock entries of the process's GDI handle table
//   (the one PEB->GdiSharedHandleTable points to);
// - USER objects: the process's windows only — top-level and message-only
//   windows and all their descendants. Menus, cursors, icons, hooks and
//   window positions, which Windows also counts, are not seen there.
#include <cstddef>

namespace procstats {

struct Snapshot {
    std::size_t privateBytes = 0;
    std::size_t peakWorkingSet = 0;
    int gdiObjects = 0;
    int userObjects = 0;
};

Snapshot Take();

std::size_t PrivateBytes();
std::size_t PeakWorkingSet();
int GdiObjects();
int UserObjects();

// True when the object counts come from the direct counts above rather than
// from GetGuiResources (running under Wine).
bool CountedDirectly();

}  // namespace procstats
