#include "library_support.h"
#include <climits>

// The failure lines of the log since `from`, without their fixed wording.
static std::vector<std::string> tried(const std::string& log, size_t from, const std::string& name)
{
	std::vector<std::string> out;
	std::string head = "Failed to find resource '" + name + "' ";
	for (size_t at = log.find(head, from); at != std::string::npos; at = log.find(head, at + 1)) {
		size_t q = log.find(" at '", at);
		size_t e = log.find("'\n", q + 5);
		out.push_back(log.substr(q + 5, e - q - 5));
	}
	return out;
}

typedef std::vector<std::string> list_t;

TEST_F(Library, SearchListsOfEveryKind)
{
	const std::string f = "Custom Scenery/P/";
	folder(f);
	std::string out = "stale", l;
	size_t mark;

	mark = log().size();
	DSF_LocateResourceNoLib(1, "a.dds", f, true, out);
	EXPECT_EQ(out, "");
	l = log();
	EXPECT_EQ(tried(l, mark, "a.dds"),
	          list_t({f + "a.dds", f + "a.png", f + "a.bmp",
	                  f + "custom terrain textures/a.dds", f + "custom terrain textures/a.png", f + "custom terrain textures/a.bmp",
	                  f + "custom object textures/a.dds", f + "custom object textures/a.png", f + "custom object textures/a.bmp",
	                  "Resources/bitmaps/terrain/a.dds", "Resources/bitmaps/terrain/a.png", "Resources/bitmaps/terrain/a.bmp",
	                  "Resources/a.dds", "Resources/a.png", "Resources/a.bmp"}));
	EXPECT_NE(l.find("Failed to find resource 'a.dds' at '" + f + "a.dds'\n"), std::string::npos);

	mark = log().size();
	DSF_LocateResourceNoLib(1, "abcd", f, true, out);	// too short for variants: the name three times
	list_t t = tried(log(), mark, "abcd");
	ASSERT_EQ(t.size(), 15u);
	EXPECT_EQ(t[0], f + "abcd");
	EXPECT_EQ(t[2], f + "abcd");
	EXPECT_EQ(t[14], "Resources/abcd");

	mark = log().size();
	DSF_LocateResourceNoLib(2, "t.ter", f, true, out);
	EXPECT_EQ(tried(log(), mark, "t.ter"), list_t({f + "t.ter", f + "custom terrain textures/t.ter",
	                                              "Resources/bitmaps/terrain/t.ter", "Resources/t.ter"}));
	for (int kind = 3; kind <= 7; ++kind) {
		mark = log().size();
		DSF_LocateResourceNoLib(kind, "o.obj", f, true, out);
		EXPECT_EQ(tried(log(), mark, "o.obj"),
		          list_t({f + "o.obj", f + "custom objects/o.obj", "Resources/objects/o.obj", "Resources/o.obj"}));
	}
	mark = log().size();
	DSF_LocateResourceNoLib(0, "p.txt", f, true, out);
	EXPECT_EQ(tried(log(), mark, "p.txt"), list_t({f + "p.txt", "Resources/p.txt"}));
	for (int kind : {-1, 8}) {
		mark = log().size();
		DSF_LocateResourceNoLib(kind, "p.txt", f, true, out);
		EXPECT_EQ(tried(log(), mark, "p.txt"), list_t({f + "p.txt"}));
	}
	mark = log().size();
	DSF_LocateResourceNoLib(1, "a.dds", f, false, out);
	EXPECT_EQ(log().size(), mark);

	// the first existing candidate wins
	touch("Resources/a.bmp");
	DSF_LocateResourceNoLib(1, "a.dds", f, true, out);
	EXPECT_EQ(out, "Resources/a.bmp");
	touch(f + "custom object textures/a.png");
	DSF_LocateResourceNoLib(1, "a.dds", f, true, out);
	EXPECT_EQ(out, f + "custom object textures/a.png");
	touch(f + "a.bmp");
	DSF_LocateResourceNoLib(1, "a.dds", f, true, out);
	EXPECT_EQ(out, f + "a.bmp");
	touch("Resources/objects/o.obj");
	DSF_LocateResourceNoLib(5, "o.obj", f, true, out);
	EXPECT_EQ(out, "Resources/objects/o.obj");
	folder(f + "o.obj");	// a folder is no candidate
	DSF_LocateResourceNoLib(5, "o.obj", f, true, out);
	EXPECT_EQ(out, "Resources/objects/o.obj");
	mark = log().size();
	DSF_LocateResourceNoLib(8, "o.obj", f, true, out);
	EXPECT_EQ(out, "");
	EXPECT_EQ(tried(log(), mark, "o.obj"), list_t({f + "o.obj"}));
}

TEST_F(Library, SecondarySearchFromAFileInAPackage)
{
	const std::string pkg = "Global Scenery/G/", parent = pkg + "objects/trees/";
	folder(parent);
	std::string out, l;
	size_t mark = log().size();
	DSF_LocateResourceSecondary(1, 2, parent, "bark.png", true, out);
	EXPECT_EQ(out, "");
	l = log();
	EXPECT_EQ(tried(l, mark, "bark.png"),
	          list_t({parent + "bark.dds", parent + "bark.png", parent + "bark.bmp",
	                  pkg + "custom terrain textures/bark.dds", pkg + "custom terrain textures/bark.png",
	                  pkg + "custom terrain textures/bark.bmp", "Resources/bitmaps/terrain/bark.dds",
	                  "Resources/bitmaps/terrain/bark.png", "Resources/bitmaps/terrain/bark.bmp", "Resources/bark.dds",
	                  "Resources/bark.png", "Resources/bark.bmp"}));
	EXPECT_NE(l.find("Failed to find resource 'bark.png' (parent = '" + parent + "' at '" + parent + "bark.dds'\n"),
	          std::string::npos) << l;

	mark = log().size();
	DSF_LocateResourceSecondary(1, 0, parent, "bark.png", true, out);
	EXPECT_EQ(tried(log(), mark, "bark.png")[3], pkg + "custom object textures/bark.dds");
	mark = log().size();
	DSF_LocateResourceSecondary(2, 0, parent, "t.ter", true, out);
	EXPECT_EQ(tried(log(), mark, "t.ter"), list_t({parent + "t.ter", pkg + "custom terrain textures/t.ter",
	                                              "Resources/bitmaps/terrain/t.ter", "Resources/t.ter"}));
	mark = log().size();
	DSF_LocateResourceSecondary(4, 0, parent, "o.obj", true, out);
	EXPECT_EQ(tried(log(), mark, "o.obj"),
	          list_t({parent + "o.obj", pkg + "custom objects/o.obj", "Resources/objects/o.obj", "Resources/o.obj"}));
	mark = log().size();
	DSF_LocateResourceSecondary(0, 0, parent, "p.txt", true, out);
	EXPECT_EQ(tried(log(), mark, "p.txt"), list_t({parent + "p.txt", "Resources/p.txt"}));
	mark = log().size();
	DSF_LocateResourceSecondary(9, 0, parent, "p.txt", true, out);
	EXPECT_EQ(tried(log(), mark, "p.txt"), list_t({parent + "p.txt"}));
	// a parent outside every package folder, and none at all
	mark = log().size();
	DSF_LocateResourceSecondary(4, 0, "Elsewhere/", "o.obj", true, out);
	EXPECT_EQ(tried(log(), mark, "o.obj"), list_t({"Elsewhere/o.obj", "Resources/objects/o.obj", "Resources/o.obj"}));
	mark = log().size();
	DSF_LocateResourceSecondary(1, 2, "", "bark.png", true, out);
	EXPECT_EQ(tried(log(), mark, "bark.png").size(), 6u);
	mark = log().size();
	DSF_LocateResourceSecondary(9, 0, "", "p.txt", true, out);
	EXPECT_EQ(log().size(), mark);

	touch(pkg + "custom terrain textures/bark.bmp");
	DSF_LocateResourceSecondary(1, 2, parent, "bark.png", true, out);
	EXPECT_EQ(out, pkg + "custom terrain textures/bark.bmp");
	DSF_LocateResourceSecondary(1, 1, parent, "bark.png", false, out);
	EXPECT_EQ(out, "");
	touch(parent + "bark.png");
	DSF_LocateResourceSecondary(1, 2, parent, "bark.png", true, out);
	EXPECT_EQ(out, parent + "bark.png");
}

TEST_F(Library, LibraryFirstThenTheFolders)
{
	library("Custom Scenery/L/", "EXPORT_RATIO 1 lib/t.obj one.obj\nEXPORT_RATIO 2 lib/t.obj two.obj\n");
	DSF_ScanSceneryFolder();
	const std::string f = "Custom Scenery/L/";
	std::string out;
	int seed_one = -1;
	for (int s = 0; s < 10000 && seed_one < 0; ++s)
		if (randrat[s] * 3.0f < 1.0f) seed_one = s;
	ASSERT_GE(seed_one, 0);
	DSF_LocateResourcePrimary(0, 0, 3, "lib/t.obj", f, true, out, seed_one);
	EXPECT_EQ(out, f + "one.obj");	// the library does not ask whether the file exists

	size_t mark = log().size();
	DSF_LocateResourcePrimary(0, 0, 3, "lib/u.obj", f, true, out, 0);
	EXPECT_EQ(out, "");
	EXPECT_EQ(tried(log(), mark, "lib/u.obj").size(), 4u);
	touch(f + "custom objects/lib/u.obj");
	DSF_LocateResourcePrimary(0, 0, 3, "lib/u.obj", f, true, out, 0);
	EXPECT_EQ(out, f + "custom objects/lib/u.obj");

	// all library candidates, then the file the search finds; no failure lines
	// while the library had something
	std::vector<std::string> v = {"stale"};
	mark = log().size();
	DSF_LocateResourcePrimaryMultiple(0, 0, 3, "lib/t.obj", f, true, v);
	EXPECT_EQ(v, list_t({f + "one.obj", f + "two.obj", f + "two.obj"}));
	EXPECT_EQ(log().size(), mark);
	touch(f + "lib/t.obj");
	DSF_LocateResourcePrimaryMultiple(0, 0, 3, "lib/t.obj", f, true, v);
	EXPECT_EQ(v, list_t({f + "one.obj", f + "two.obj", f + "two.obj", f + "lib/t.obj"}));
	DSF_LocateResourcePrimaryMultiple(0, 0, 3, "lib/u.obj", f, true, v);
	EXPECT_EQ(v, list_t({f + "custom objects/lib/u.obj"}));
	mark = log().size();
	DSF_LocateResourcePrimaryMultiple(0, 0, 3, "lib/w.obj", f, true, v);
	EXPECT_TRUE(v.empty());
	EXPECT_EQ(tried(log(), mark, "lib/w.obj").size(), 4u);

	const std::string parent = f + "objects/";
	mark = log().size();
	DSF_LocateResourceSecondaryMultipleWithLibrary(0, 0, 3, 0, parent, "lib/t.obj", true, v);
	EXPECT_EQ(v, list_t({f + "one.obj", f + "two.obj", f + "two.obj"}));
	EXPECT_EQ(log().size(), mark);
	touch(parent + "lib/t.obj");
	DSF_LocateResourceSecondaryMultipleWithLibrary(0, 0, 3, 0, parent, "lib/t.obj", true, v);
	EXPECT_EQ(v.back(), parent + "lib/t.obj");
	EXPECT_EQ(v.size(), 4u);
	mark = log().size();
	DSF_LocateResourceSecondaryMultipleWithLibrary(0, 0, 3, 0, parent, "lib/w.obj", true, v);
	EXPECT_TRUE(v.empty());
	std::string l = log();
	EXPECT_EQ(tried(l, mark, "lib/w.obj").size(), 4u);
	EXPECT_NE(l.find("(parent = '" + parent + "' at '", mark), std::string::npos);
}

TEST(LibraryNames, PackageOfAPath)
{
	const char* cases[][2] = {
		{"Custom Scenery/My Pack/objects/a.obj", "Custom Scenery/My Pack/"},
		{"Custom Scenery/My Pack\\objects/a.obj", "Custom Scenery/My Pack\\"},
		{"Global Scenery/G:x/y", "Global Scenery/G:"},
		{"Resources/default scenery/d/", "Resources/default scenery/d/"},
		{"Custom Scenery//a", "Custom Scenery//"},
		{"Custom Scenery/", ""}, {"Custom Scenery/file.dsf", ""}, {"Resources/default scenery/loose", ""},
		{"Resources/objects/a.obj", ""}, {"Elsewhere/a.obj", ""}, {"custom scenery/P/a.obj", ""}, {"", ""},
	};
	for (auto& c : cases) EXPECT_EQ(extract_package(c[0]), c[1]) << c[0];
}

TEST(LibraryNames, TileFileNames)
{
	struct { int lat, lon; const char* name; } cases[] = {
		{47, -122, "+40-130/+47-122.dsf"}, {-1, -1, "-10-010/-01-001.dsf"}, {0, 0, "+00+000/+00+000.dsf"},
		{-90, -180, "-90-180/-90-180.dsf"}, {89, 179, "+80+170/+89+179.dsf"}, {-9, 9, "-10+000/-09+009.dsf"},
		{10, -10, "+10-010/+10-010.dsf"}, {-11, 100, "-20+100/-11+100.dsf"},
		// off the map: still 19 characters, a place that is not one digit reads "0"
		{100, 1000, "+00+000/+00+000.dsf"}, {-95, -1234, "-90-030/-95-034.dsf"},
	};
	for (auto& c : cases) {
		std::string s = "old";
		return_latlon_str_dsf(c.lat, c.lon, &s);
		EXPECT_EQ(s, c.name) << c.lat << " " << c.lon;
	}
	std::string s;
	return_latlon_str_dsf(INT_MIN, INT_MAX, &s);
	EXPECT_EQ(s.size(), 19u);
	return_latlon_str_dsf(1, 1, nullptr);
}
