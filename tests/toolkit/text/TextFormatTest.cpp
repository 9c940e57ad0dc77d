#include "toolkit/text/TextFormat.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

// The edit box's flags: trailing spaces measured, no clipping, and for a box
// with the vertical scroll bar alone, whole lines only.
const int kBothBars = 0x800 | 0x4000;
const int kVerticalBar = kBothBars | 0x2000;

int FlagsOf(GpStringFormat* handle) {
    INT flags = -1;
    gp::GdipGetStringFormatFlags(handle, &flags);
    return flags;
}

TEST(TextFormat, EditBoxSettingsReadBack) {
    TextFormat both, vertical;
    ASSERT_TRUE(both.Create(kBothBars, 0));
    ASSERT_TRUE(vertical.Create(kVerticalBar, 0));
    EXPECT_TRUE(both.Owned());
    EXPECT_EQ(both.Flags(), 0x4800);
    EXPECT_EQ(vertical.Flags(), 0x6800);

    EXPECT_EQ(both.Trimming(0), 0);
    EXPECT_EQ(both.Trimming(), 0);
    EXPECT_EQ(both.Align(Gdiplus::StringAlignmentCenter), 1);
    EXPECT_EQ(both.Align(), 1);
    EXPECT_EQ(both.HotkeyPrefix(Gdiplus::HotkeyPrefixShow), 1);
    EXPECT_EQ(both.HotkeyPrefix(), 1);
    EXPECT_EQ(both.Flags(0x1000), 0x1000);
    EXPECT_EQ(FlagsOf(both.Handle()), 0x1000) << "set on the GDI+ object itself";
}

TEST(TextFormat, DeleteClearsTheHandle) {
    TextFormat format;
    ASSERT_TRUE(format.Create(kBothBars, 0));
    format.Delete();
    EXPECT_EQ(format.Handle(), nullptr);
    format.Delete();  // nothing left to delete: a second call is harmless
    // An empty format reads as 0 and ignores settings instead of touching GDI+.
    EXPECT_EQ(format.Flags(), 0);
    EXPECT_EQ(format.Trimming(2), 2);
    EXPECT_EQ(format.Trimming(), 0);
    // ... and can be created again.
    ASSERT_TRUE(format.Create(kVerticalBar, 0));
    EXPECT_EQ(format.Flags(), 0x6800);
}  // the destructor deletes once more only what Create made

TEST(TextFormat, CreateAgainReplacesTheOwnedHandle) {
    TextFormat format;
    ASSERT_TRUE(format.Create(kBothBars, 0));
    ASSERT_TRUE(format.Create(kVerticalBar, 0));
    EXPECT_EQ(format.Flags(), 0x6800);
    EXPECT_NE(format.Handle(), nullptr);
}

TEST(TextFormat, UnownedHandleOutlivesItsObject) {
    GpStringFormat* handle = nullptr;
    {
        TextFormat format;
        ASSERT_TRUE(format.Create(kBothBars, 0, false));
        EXPECT_FALSE(format.Owned());
        handle = format.Handle();
    }
    EXPECT_EQ(FlagsOf(handle), 0x4800);
    gp::GdipDeleteStringFormat(handle);
}

TEST(TextFormat, MovesAndClonesNeverShareAHandle) {
    TextFormat original;
    ASSERT_TRUE(original.Create(kBothBars, 0));
    original.Align(Gdiplus::StringAlignmentFar);
    TextFormat clone = original.Clone();
    ASSERT_NE(clone.Handle(), nullptr);
    EXPECT_NE(clone.Handle(), original.Handle());
    EXPECT_EQ(clone.Flags(), 0x4800);
    EXPECT_EQ(clone.Align(), 2);

    GpStringFormat* handle = original.Handle();
    TextFormat moved = std::move(original);
    EXPECT_EQ(moved.Handle(), handle);
    EXPECT_EQ(original.Handle(), nullptr);  // NOLINT(bugprone-use-after-move)
    moved.Delete();
    EXPECT_EQ(clone.Flags(), 0x4800) << "the clone is independent";

    TextFormat target;
    ASSERT_TRUE(target.Create(kVerticalBar, 0));
    target = std::move(clone);  // the target's own handle is deleted, the clone's taken
    EXPECT_EQ(target.Flags(), 0x4800);
    EXPECT_EQ(TextFormat().Clone().Handle(), nullptr);
}

}  // namespace
