#include "library_support.h"
#include "TEX_image.h"

TEST_F(Library, PackagesComeInPriorityOrderWithAlignedFlags)
{
	folder("Custom Scenery/b Pack");
	folder("Custom Scenery/-global overlays-");
	folder("Custom Scenery/A pack");
	folder("Custom Scenery/-global terrain-");
	folder("Custom Scenery/zed");
	folder("Custom Scenery/.hidden");
	write_file("Custom Scenery/not a folder", "x");
	folder("Global Scenery/G2");
	folder("Global Scenery/g1");
	folder("Resources/default scenery/d1");
	DSF_ScanSceneryFolder();

	std::vector<std::string> want = {
		"Custom Scenery/A pack/", "Custom Scenery/b Pack/", "Custom Scenery/zed/",
		"Global Scenery/g1/", "Global Scenery/G2/",
		"Custom Scenery/-global overlays-/", "Custom Scenery/-global terrain-/",
		"Resources/default scenery/d1/"};
	EXPECT_EQ(scenery_packages, want);
	EXPECT_EQ(package_is_custom, std::vector<int>({1, 1, 1, 0, 0, 1, 1, 0}));
	EXPECT_EQ(package_problems, std::vector<int>(8, 0));
	std::string l = log();
	EXPECT_NE(l.find("I found the following scenery packages (prioritized in this order):\n"
	                 "  0 Custom Scenery/A pack/\n  1 Custom Scenery/b Pack/\n  2 Custom Scenery/zed/\n"
	                 "  3 Global Scenery/g1/\n  4 Global Scenery/G2/\n  5 Custom Scenery/-global overlays-/\n"
	                 "  6 Custom Scenery/-global terrain-/\n  7 Resources/default scenery/d1/\n\n"),
	          std::string::npos) << l;

	// only the terrain folder, and a rescan replaces everything
	sh("rm -rf 'Custom Scenery/-global overlays-' 'Global Scenery' 'Resources'");
	package_problems[0] = 1;
	DSF_ScanSceneryFolder();
	EXPECT_EQ(scenery_packages, std::vector<std::string>({"Custom Scenery/A pack/", "Custom Scenery/b Pack/",
	                                                      "Custom Scenery/zed/", "Custom Scenery/-global terrain-/"}));
	EXPECT_EQ(package_is_custom, std::vector<int>({1, 1, 1, 1}));
	EXPECT_EQ(package_problems, std::vector<int>(4, 0));

	sh("rm -rf 'Custom Scenery'");
	DSF_ScanSceneryFolder();
	EXPECT_TRUE(scenery_packages.empty());
	EXPECT_TRUE(package_problems.empty());
	EXPECT_TRUE(package_is_custom.empty());
	EXPECT_TRUE(dsf_library.empty());
}

TEST_F(Library, EveryExportFormAndWhatIsNotAStatement)
{
	library("Custom Scenery/P/",
	        "EXPORT lib/a.obj objects/a.obj\n"
	        "  EXPORT_EXTEND\tlib/b.obj objects/b c.obj\n"
	        "EXPORT_EXCLUDE lib\\c.obj objects\\sub:c.obj\r\n"
	        "EXPORT_BACKUP lib/d.obj d.obj\r\n"
	        "EXPORT_RATIO 5 lib/e.obj e.obj\n"
	        "EXPORT_RATIO 0 lib/z.obj z.obj\n"
	        "EXPORT_RATIO -1 lib/m.obj m.obj\n"
	        "EXPORT_RATIO 16777216 lib/n.obj n.obj\n"
	        "EXPORT_RATIO 16777215 lib/x.obj x.obj\n"
	        "EXPORT\n"
	        "EXPORTX lib/q.obj q.obj\n"
	        "# EXPORT lib/r.obj r.obj\n"
	        "\n\n"
	        "EXPORT lib/last.obj last.obj");
	DSF_ScanSceneryFolder();
	ASSERT_EQ(scenery_packages.size(), 1u);

	struct want_t { const char* virt; const char* real; uint32_t flags; };
	const want_t want[] = {
		{"lib/a.obj", "objects/a.obj", lib_flag_package | 1},
		{"lib/b.obj", "objects/b c.obj", 1},
		{"lib/c.obj", "objects/sub/c.obj", lib_flag_exclude | 1},
		{"lib/d.obj", "d.obj", lib_flag_backup | 1},
		{"lib/e.obj", "e.obj", lib_flag_package | 5},
		{"lib/z.obj", "z.obj", lib_flag_package | 0},
		{"lib/m.obj", "m.obj", lib_flag_package | 0xFFFFFF},
		{"lib/n.obj", "n.obj", lib_flag_package | 0},
		{"lib/x.obj", "x.obj", lib_flag_package | 0xFFFFFF},
		{"lib/last.obj", "last.obj", lib_flag_package | 1},
	};
	EXPECT_EQ(dsf_library.size(), sizeof(want) / sizeof(want[0]));
	for (const want_t& w : want) {
		SCOPED_TRACE(w.virt);
		std::vector<const lib_entry*> e = entries(w.virt);
		ASSERT_EQ(e.size(), 1u);
		EXPECT_EQ(e[0]->path, w.real);
		EXPECT_EQ(e[0]->flags, w.flags);
		EXPECT_EQ(e[0]->package, 0);
		EXPECT_EQ(e[0]->region, nullptr);
	}

	std::string l = log();
	const char* file = "***Error with scenery file \"Custom Scenery/P/library.txt\" (";
	EXPECT_EQ(count(l, file), 2) << l;
	EXPECT_NE(l.find(".)\n  Library error: you cannot have a ratio of more than 2^24 lib items for m.obj -> lib/m.obj.\n"),
	          std::string::npos) << l;
	EXPECT_NE(l.find("lib items for n.obj -> lib/n.obj.\n"), std::string::npos);
	// one alert for the package, naming the package
	EXPECT_EQ(count(l, "Error loading the scenery package:"), 1);
	EXPECT_NE(l.find(scenery_alert("Custom Scenery/P/")), std::string::npos) << l;
	EXPECT_EQ(package_problems, std::vector<int>({1}));
}

TEST_F(Library, BadHeadersAndUnreadableFilesAreSkipped)
{
	library("Custom Scenery/a good/", "EXPORT v/a.obj a.obj\n");
	folder("Custom Scenery/b version");
	write_file("Custom Scenery/b version/library.txt", "A\n900 version\nLIBRARY\nEXPORT v/a.obj b.obj\n");
	folder("Custom Scenery/c keyword");
	write_file("Custom Scenery/c keyword/library.txt", "I\n800 version\nLIBRARYX\nEXPORT v/a.obj c.obj\n");
	folder("Custom Scenery/d empty");
	write_file("Custom Scenery/d empty/library.txt", "");
	folder("Custom Scenery/e none");
	// ':' and backslashes are name characters: such a package's library is read like any other
	library("Custom Scenery/f odd:name/", "EXPORT v/a.obj f.obj\n");
	library("Custom Scenery/g back\\slash/", "EXPORT v/a.obj g.obj\n");
	folder("Custom Scenery/h folder/library.txt");
	DSF_ScanSceneryFolder();
	ASSERT_EQ(scenery_packages.size(), 8u);

	std::vector<const lib_entry*> e = entries("v/a.obj");
	ASSERT_EQ(e.size(), 3u);
	EXPECT_EQ(e[0]->path, "a.obj");
	EXPECT_EQ(e[1]->path, "f.obj");
	EXPECT_EQ(e[2]->path, "g.obj");
	std::string l = log();
	for (const char* pkg : {"Custom Scenery/b version/", "Custom Scenery/c keyword/"}) {
		EXPECT_NE(l.find(std::string("***Error with scenery file \"") + pkg + "library.txt\" ("), std::string::npos) << l;
		EXPECT_NE(l.find(scenery_alert(pkg)), std::string::npos) << l;
	}
	EXPECT_EQ(count(l, "  Incorrect version for scenery library file.  Will skip.\n"), 2);
	EXPECT_EQ(count(l, "***Error"), 2);
	EXPECT_EQ(package_problems, std::vector<int>({0, 1, 1, 0, 0, 0, 0, 0}));
}

TEST_F(Library, RegionsRectsBitmapsAndTheirErrors)
{
	const std::string pkg = "Custom Scenery/R/";
	folder(pkg + "maps");
	std::vector<unsigned char> px(360 * 180, 0);
	px[0 * 360 + 0] = 255;		// the band from 90 south, 180 west
	px[179 * 360 + 359] = 1;	// 89 north, 179 east
	px[137 * 360 + 58] = 128;	// 47 north, 122 west
	ASSERT_TRUE(TEX_save_png(pkg + "maps/world.png", {TEX_ALPHA, 360, 180, 0, 0}, px.data()));
	std::vector<unsigned char> small(20 * 10, 255);
	ASSERT_TRUE(TEX_save_png(pkg + "small.png", {TEX_ALPHA, 20, 10, 0, 0}, small.data()));
	library(pkg,
	        "REGION_DEFINE all\n"
	        "REGION_RECT -180 -90 179 89\n"
	        "REGION_DEFINE spot\n"
	        "REGION_RECT -10 40 -8 41\n"
	        "REGION_RECT 0 0 180 0\n"
	        "REGION_RECT 5 5 4 5\n"
	        "REGION_RECT -181 0 0 0\n"
	        "REGION_RECT 0 3 0 2\n"
	        "REGION_RECT 0 -91 0 90\n"
	        "REGION_RECT 2147483647 0 0 99999999999\n"
	        "REGION spot\n"
	        "EXPORT r/a.obj a.obj\n"
	        "REGION all\n"
	        "EXPORT r/b.obj b.obj\n"
	        "REGION nowhere\n"
	        "EXPORT r/c.obj c.obj\n"
	        "REGION_DEFINE spot\n"
	        "REGION_RECT 0 0 1 1\n"
	        "REGION_BITMAP maps/world.png\n"
	        "REGION_DEFINE bmp\n"
	        "REGION_BITMAP maps\\world.dds\n"
	        "REGION_DEFINE wrong\n"
	        "REGION_BITMAP small.png\n"
	        "REGION_DEFINE missing\n"
	        "REGION_BITMAP gone.png\n"
	        "REGION bmp EXPORT r/d.obj d.obj\n"
	        "REGION_DEFINE\n");
	DSF_ScanSceneryFolder();

	std::vector<const lib_entry*> a = entries("r/a.obj"), b = entries("r/b.obj"), c = entries("r/c.obj"),
	                              d = entries("r/d.obj");
	ASSERT_EQ(a.size(), 1u);
	ASSERT_EQ(b.size(), 1u);
	ASSERT_EQ(c.size(), 1u);
	ASSERT_EQ(d.size(), 1u);
	ASSERT_TRUE(a[0]->region && b[0]->region && d[0]->region);
	EXPECT_EQ(a[0]->region->name, "spot");
	EXPECT_EQ(b[0]->region->name, "all");
	EXPECT_EQ(c[0]->region, b[0]->region);	// the unknown REGION kept the current one
	EXPECT_EQ(d[0]->region->name, "bmp");

	auto tile = [](const lib_region* r, int lon, int lat) { return (int)r->bits[(lon + 180) * 180 + (lat + 90)]; };
	auto ones = [](const lib_region* r) {
		int n = 0;
		for (unsigned char v : r->bits) n += v;
		return n;
	};
	EXPECT_EQ(ones(b[0]->region), 64800);
	EXPECT_EQ(ones(a[0]->region), 6);	// the out-of-range rects changed nothing
	for (int lon = -10; lon <= -8; ++lon)
		for (int lat = 40; lat <= 41; ++lat) EXPECT_EQ(tile(a[0]->region, lon, lat), 1);
	EXPECT_EQ(ones(d[0]->region), 3);
	EXPECT_EQ(tile(d[0]->region, -180, -90), 1);
	EXPECT_EQ(tile(d[0]->region, 179, 89), 1);
	EXPECT_EQ(tile(d[0]->region, -122, 47), 1);

	std::string l = log();
	const char* msgs[] = {
		"  The boundaries to a REGION_RECT command are out of range: 180,90->360,90\n",
		"  The boundaries to a REGION_RECT command are out of range: 185,95->184,95\n",
		"  The boundaries to a REGION_RECT command are out of range: -1,90->180,90\n",
		"  The boundaries to a REGION_RECT command are out of range: 180,93->180,92\n",
		"  The boundaries to a REGION_RECT command are out of range: 180,-1->180,180\n",
		"  The boundaries to a REGION_RECT command are out of range: 2147483827,90->180,2147483737\n",
		"  REGION nowhere - region unknown.  Ingoring\n",
		"  REGION_DEFINE spot - region already defined.  Ignoring.\n",
		"  REGION_RECT command used but no region has been defined.\n",
		"  REGION_BITMAP used with no region defined.  REGION_BITMAP will be ignored.\n",
		"  REGION_BITMAP with bitmap small.png has a size of 20, 10 but need sa size of 360x180.\n",
		"  Unable to load bitmap file 'gone.png' for REGION_BITMAP command - will skip.\n",
	};
	size_t at = 0;
	for (const char* m : msgs) {
		size_t f = l.find(m, at);
		EXPECT_NE(f, std::string::npos) << m << "\n" << l;
		if (f != std::string::npos) at = f;
	}
	EXPECT_EQ(count(l, "***Error with scenery file \"Custom Scenery/R/library.txt\" ("), 12) << l;
	EXPECT_EQ(count(l, "Error loading the scenery package:"), 1);
	EXPECT_NE(l.find(scenery_alert(pkg)), std::string::npos);
}

TEST_F(Library, RegionsBelongToTheFileThatDefinesThem)
{
	library("Custom Scenery/A/", "REGION_DEFINE home\nREGION_RECT 0 0 0 0\nREGION home\nEXPORT v/a.obj a.obj\n");
	library("Custom Scenery/B/", "REGION home\nEXPORT v/b.obj b.obj\nREGION_RECT 0 0 0 0\n");
	DSF_ScanSceneryFolder();
	ASSERT_EQ(entries("v/a.obj").size(), 1u);
	ASSERT_EQ(entries("v/b.obj").size(), 1u);
	EXPECT_NE(entries("v/a.obj")[0]->region, nullptr);
	EXPECT_EQ(entries("v/b.obj")[0]->region, nullptr);
	std::string l = log();
	size_t b = l.find("***Error with scenery file \"Custom Scenery/B/library.txt\" (");
	ASSERT_NE(b, std::string::npos) << l;
	EXPECT_EQ(l.find("  REGION home - region unknown.  Ingoring\n"), l.find("\n", b) + 1) << l;
	EXPECT_NE(l.find("  REGION_RECT command used but no region has been defined.\n"), std::string::npos);
	EXPECT_EQ(count(l, "***Error with scenery file \"Custom Scenery/A/"), 0);
	EXPECT_EQ(package_problems, std::vector<int>({0, 1}));
}

TEST_F(Library, ListsKeepPriorityOrderWithBackupsBehind)
{
	library("Custom Scenery/p0/", "EXPORT v/x.obj p0.obj\nEXPORT_BACKUP v/y.obj p0.obj\n");
	library("Custom Scenery/p1/", "EXPORT_BACKUP v/x.obj p1.obj\n");
	library("Custom Scenery/p2/", "EXPORT_BACKUP v/x.obj p2.obj\nEXPORT v/y.obj p2.obj\n");
	library("Custom Scenery/p3/", "EXPORT v/x.obj p3.obj\nEXPORT_EXTEND v/x.obj p3b.obj\n");
	DSF_ScanSceneryFolder();
	std::vector<std::string> paths;
	for (const lib_entry* e : entries("v/x.obj")) paths.push_back(e->path);
	EXPECT_EQ(paths, std::vector<std::string>({"p0.obj", "p3.obj", "p3b.obj", "p2.obj", "p1.obj"}));
	paths.clear();
	for (const lib_entry* e : entries("v/y.obj")) paths.push_back(e->path);
	EXPECT_EQ(paths, std::vector<std::string>({"p2.obj", "p0.obj"}));	// a backup head gives way

	// registered by hand: the new entry's own flags do not decide its place
	DSF_RegisterEntry("v/y.obj", new lib_entry{nullptr, nullptr, 3, lib_flag_backup | 1, "hand.obj"});
	paths.clear();
	for (const lib_entry* e : entries("v/y.obj")) paths.push_back(e->path);
	EXPECT_EQ(paths, std::vector<std::string>({"p2.obj", "hand.obj", "p0.obj"}));
	DSF_RegisterEntry("v/new.obj", new lib_entry{(lib_entry*)&paths, nullptr, 1, 1, "n.obj"});
	ASSERT_EQ(entries("v/new.obj").size(), 1u);
	EXPECT_EQ(entries("v/new.obj")[0]->next, nullptr);
}
