#include <gtest/gtest.h>
#include "UTL_format.h"
#include <climits>
#include <cmath>

static std::string its(int v, int digits, int plus)
{
	char buf[12];
	int_to_str(v, buf, digits, plus);
	return buf;
}

TEST(Format, IntToStr)
{
	EXPECT_EQ(its(0, 0, 0), "0");
	EXPECT_EQ(its(0, 0, 1), "+0");
	EXPECT_EQ(its(7, 3, 1), "+007");
	EXPECT_EQ(its(-12, 1, 1), "-12");
	EXPECT_EQ(its(-5, 3, 0), "-005");
	EXPECT_EQ(its(2147483647, 0, 0), "2147483647");
	EXPECT_EQ(its(5, 12, 0), "0000000005");
	EXPECT_EQ(its(INT_MIN, 0, 0), "-2147483648");
	EXPECT_EQ(its(INT_MIN, 10, 1), "-2147483648");
	EXPECT_EQ(its(1000000000, 0, 0), "1000000000");
	EXPECT_EQ(its(100, -4, 0), "100");
	EXPECT_EQ(its(42, 1, 0), "42");
	EXPECT_EQ(its(42, 2, 0), "42");
	EXPECT_EQ(its(42, 4, 0), "0042");
}

TEST(Format, StrToInt)
{
	EXPECT_EQ(str_to_int(""), -1);
	EXPECT_EQ(str_to_int("12a"), -1);
	EXPECT_EQ(str_to_int(" 12"), -1);
	EXPECT_EQ(str_to_int("+"), -1);
	EXPECT_EQ(str_to_int("-"), -1);
	EXPECT_EQ(str_to_int("123456789"), 123456789);
	EXPECT_EQ(str_to_int("-123456789"), -123456789);
	EXPECT_EQ(str_to_int("1234567890"), -1);
	EXPECT_EQ(str_to_int("-1"), -1);
	EXPECT_EQ(str_to_int("007"), 7);
	EXPECT_EQ(str_to_int("-080"), -80);
	EXPECT_EQ(str_to_int("+5"), 5);
	EXPECT_EQ(str_to_int("9"), 9);
	EXPECT_EQ(str_to_int("0"), 0);
	// a sign anywhere but first is no number
	EXPECT_EQ(str_to_int("1-2"), -1);
	EXPECT_EQ(str_to_int("12+"), -1);
	EXPECT_EQ(str_to_int("+-3"), -1);
	EXPECT_EQ(str_to_int("--"), -1);
}

static std::string fts(float v, int width, int decimals)
{
	std::string s = "unchanged";
	flt_to_str(v, &s, width, decimals);
	return s;
}

TEST(Format, FltToStr)
{
	EXPECT_EQ(fts(5.26f, 3, 1), " 5.3");
	EXPECT_EQ(fts(123.44f, 3, 1), "123.4");
	EXPECT_EQ(fts(0.04f, 3, 1), " 0.0");
	EXPECT_EQ(fts(2.5f, 3, 0), "  3");
	EXPECT_EQ(fts(-2.5f, 3, 0), "-  3");
	EXPECT_EQ(fts(-0.01f, 3, 1), "- 0.0");
	EXPECT_EQ(fts(9.96f, 3, 1), "10.0");
	EXPECT_EQ(fts(1234.5f, 3, 1), "1234.5");
	EXPECT_EQ(fts(-7.25f, 5, 2), "-  7.25");
	EXPECT_EQ(fts(3.05f, 1, 2), "3.05");
	EXPECT_EQ(fts(0.0f, 0, 0), "0");
	EXPECT_EQ(fts(1.5f, 2, -1), "unchanged");
	// no crash and some text for values an int cannot carry
	EXPECT_FALSE(fts(3e12f, 3, 1).empty());
	EXPECT_FALSE(fts(-3e12f, 3, 1).empty());
	EXPECT_FALSE(fts(NAN, 3, 1).empty());
}
