// The keep/overwrite prompt shows the file's path on one line above its question.
#include <gtest/gtest.h>
#include "main_prompts.h"
#include "OGL_fonts.h"
#include "MACIBM_mnw.h"

TEST(PromptPath, LongPathKeepsItsEndOnOneLineAndShortOnesStayWhole)
{
	mnw.language = 0;
	OGL_font_get(0);
	const float w = 710;	// the 750-wide window less its margins
	std::string short_path = "Vantor 9 Demo/Resources/default data/earth_nav.dat";
	EXPECT_EQ(OGL_fit_tail(short_path, w, 0), short_path);

	std::string deep;
	for (int i = 0; i < 30; ++i) deep += "A folder with a long name \xC3\xA9t\xC3\xA9 " + std::to_string(i) + "/";
	deep += "the file the user changed.txt";
	std::string line = OGL_fit_tail(deep, w, 0);
	EXPECT_LE(OGL_measure_string(line, 0), w);
	EXPECT_EQ(line.compare(0, 3, "..."), 0);
	const std::string tail = line.substr(3);
	ASSERT_LT(tail.size(), deep.size());
	EXPECT_EQ(deep.compare(deep.size() - tail.size(), tail.size(), tail), 0);	// the end of the path
	// cut at a whole character: the tail decodes without a stray continuation byte
	EXPECT_NE((unsigned char)tail[0] & 0xC0, 0x80);
	EXPECT_NE(tail.find("the file the user changed.txt"), std::string::npos);
	OGL_font_reset(2);
}
