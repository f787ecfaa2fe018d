#include "framework/StringArray.h"

#include <gtest/gtest.h>

TEST(StringArray, IndexOutsideTheListRaisesInvalidArgumentAndChangesNothing)
{
    CStringArray list;
    EXPECT_THROW(list.GetAt(0), CInvalidArgException);
    EXPECT_EQ(0, list.Add("first"));
    EXPECT_EQ(1, list.Add("second"));

    list.SetAt(1, "last");
    EXPECT_EQ("last", list.GetAt(1));
    EXPECT_THROW(list.SetAt(2, "past the end"), CInvalidArgException);
    EXPECT_THROW(list.SetAt(-1, "before the start"), CInvalidArgException);
    ASSERT_EQ(2, list.GetSize());
    EXPECT_EQ("first", list.GetAt(0));
    EXPECT_EQ("last", list.GetAt(1));
}
