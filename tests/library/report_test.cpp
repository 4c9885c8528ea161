#include "library_support.h"

class LibraryReport : public Library {
protected:
	void SetUp() override
	{
		Library::SetUp();
		folder("Custom Scenery/A");
		folder("Custom Scenery/AB");
		folder("Global Scenery/G");
		DSF_ScanSceneryFolder();
		ASSERT_EQ(scenery_packages,
		          std::vector<std::string>({"Custom Scenery/A/", "Custom Scenery/AB/", "Global Scenery/G/"}));
	}
};

TEST_F(LibraryReport, FirstReportOfAPackageAlertsLaterOnesOnlyLog)
{
	__DSF_NonFatalError("reader.cpp", 12, "Custom Scenery/AB/Earth nav data/+40-130/+47-122.dsf", "bad %s at %d", "patch", 7);
	std::string l = log();
	EXPECT_NE(l.find("***Error with scenery file \"Custom Scenery/AB/Earth nav data/+40-130/+47-122.dsf\" (reader.cpp: 12.)\n"
	                 "  bad patch at 7\n" + scenery_alert("Custom Scenery/AB/") + "(reader.cpp line 12)\n"),
	          std::string::npos) << l;
	EXPECT_EQ(package_problems, std::vector<int>({0, 1, 0}));

	__DSF_NonFatalError("reader.cpp", 13, "Custom Scenery/AB/objects/a.obj", "second");
	l = log();
	EXPECT_NE(l.find("***Error with scenery file \"Custom Scenery/AB/objects/a.obj\" (reader.cpp: 13.)\n  second\n"),
	          std::string::npos);
	EXPECT_EQ(count(l, "Error loading the scenery package:"), 1);

	// a file outside every package alerts every time, naming the file
	__DSF_NonFatalError("reader.cpp", 14, "Elsewhere/x.dsf", "one");
	__DSF_NonFatalError("reader.cpp", 15, "Elsewhere/x.dsf", "two");
	l = log();
	EXPECT_EQ(count(l, scenery_alert("Elsewhere/x.dsf")), 2) << l;
	EXPECT_EQ(package_problems, std::vector<int>({0, 1, 0}));

	// the names agree over the shorter length: the package folder itself, or a
	// name shorter than it, counts as the first such package
	__DSF_NonFatalError("reader.cpp", 16, "Custom Scenery/A", "short");
	EXPECT_EQ(package_problems, std::vector<int>({1, 1, 0}));
	__DSF_NonFatalError("reader.cpp", 17, "Global Scenery/G/", "folder");
	EXPECT_EQ(package_problems, std::vector<int>({1, 1, 1}));
	EXPECT_EQ(count(log(), "Error loading the scenery package:"), 5);

	// no name blames no package
	DSF_ScanSceneryFolder();
	__DSF_NonFatalError("reader.cpp", 18, "", "nameless");
	__DSF_NonFatalError("reader.cpp", 19, nullptr, "null");
	EXPECT_EQ(package_problems, std::vector<int>({0, 0, 0}));
	EXPECT_EQ(count(log(), scenery_alert("")), 2);
}

TEST_F(LibraryReport, LongMessagesAreCutWithinTheBuffer)
{
	std::string fits(4095, 'f');
	__DSF_NonFatalError("r.cpp", 1, "Elsewhere/a", "%s", fits.c_str());
	EXPECT_NE(log().find("\n  " + fits + "\n"), std::string::npos);

	std::string big(6000, 'b');
	__DSF_NonFatalError("r.cpp", 2, "Elsewhere/a", "%s|%s", big.c_str(), big.c_str());
	std::string l = log();
	EXPECT_NE(l.find("\n  " + std::string(4095, 'b') + "\n"), std::string::npos);
	EXPECT_EQ(l.find(std::string(4096, 'b')), std::string::npos);

	// a character that does not fit whole is left out whole
	for (int keep : {4094, 4093, 4092}) {
		std::string s(keep, 'u');
		__DSF_NonFatalError("r.cpp", 3, "Elsewhere/a", "%s\xE2\x82\xAC\xC3\xA9 tail", s.c_str());
		l = log();
		std::string want = keep == 4092 ? s + "\xE2\x82\xAC" : s;
		EXPECT_NE(l.find("\n  " + want + "\n"), std::string::npos) << keep;
	}
	// the fatal report's buffer is cut the same way
	EXPECT_EXIT(__DSF_FatalError("r.cpp", 4, "Elsewhere/a", "%s%s", big.c_str(), "\xC3\xA9"), ::testing::ExitedWithCode(1), "");
	EXPECT_NE(log().find("(r.cpp: 4.)\n  " + std::string(4095, 'b') + "\nError loading"), std::string::npos);
}

TEST_F(LibraryReport, FatalReportsEndTheProgramNamingTheCause)
{
	__DSF_NonFatalError("reader.cpp", 29, "Global Scenery/G/y.dsf", "first");	// an alert already shown
	struct { const char* file; const char* named; const char* why; } cases[] = {
		{"Custom Scenery/A/x.dsf", "Custom Scenery/A/",
		 "Vantor cannot run with this package installed - you may need to remove the custom  scenery package."},
		{"Global Scenery/G/y.dsf", "Global Scenery/G/",
		 "Vantor cannot run with this package installed - You may need to reinstall Vantor."},
		{"Elsewhere/z.dsf", "Elsewhere/z.dsf", "Vantor cannot run with this corrupt file."},
	};
	int line = 30;
	for (auto& c : cases) {
		log();	// nothing left in the stream for the child to write twice
		EXPECT_EXIT(__DSF_FatalError("reader.cpp", line, c.file, "broken %d", line), ::testing::ExitedWithCode(1), "");
		std::string l = log(), n = std::to_string(line++);
		EXPECT_NE(l.find(std::string("***Error with scenery file \"") + c.file + "\" (reader.cpp: " + n + ".)\n  broken " +
		                 n + "\nError loading the scenery package:\n" + c.named + "\n" + c.why +
		                 "\nPlease see the log.txt file for detailed error information.\n(reader.cpp line " + n + ")\n"),
		          std::string::npos) << l;
	}
	EXPECT_EQ(count(log(), "Error loading the scenery package:"), 4);
}
