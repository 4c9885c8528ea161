#include <gtest/gtest.h>
#include "UTL_cmdline.h"

TEST(Cmdline, SplitsAtFirstEqualsAndKeepsLastValue)
{
	const char* argv[] = {"prog", "--lang=de=x", "--fps_test", "--fps_test=", "=x", "--a=1", "--a=2"};
	UTL_cmdline::init_unix(7, argv);
	EXPECT_EQ(UTL_cmdline::get_option("--lang"), "de=x");
	EXPECT_TRUE(UTL_cmdline::has_option("--fps_test"));
	EXPECT_EQ(UTL_cmdline::get_option("--fps_test"), "");
	EXPECT_TRUE(UTL_cmdline::has_option(""));
	EXPECT_EQ(UTL_cmdline::get_option("--a"), "2");
	EXPECT_EQ(UTL_cmdline::get_option("--never"), "");
	EXPECT_FALSE(UTL_cmdline::has_option("--never"));
}
