#include "sievra/packet_frame.h"
#include <gtest/gtest.h>
TEST(X, Y) { EXPECT_EQ(sievra::StripDigiPath("A>B,C:x"), "A>B:x"); }
