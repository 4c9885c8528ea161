#include "library_support.h"
#include <climits>
#include <map>

static std::vector<std::string> variants(int lon, int lat, const std::string& path)
{
	std::vector<std::string> out = {"stale"};
	DSF_LookupLibraryResourceMultiple(lon, lat, path, out);
	return out;
}

TEST_F(Library, PackageBoundExclusiveAndRegionWalks)
{
	// package 0 .. 3
	library("Custom Scenery/a/",
	        "EXPORT v/next.obj a_x.obj\n"
	        "EXPORT_BACKUP v/next.obj a_z.obj\n"
	        "EXPORT v/bound.obj a.obj\n"
	        "EXPORT_EXTEND v/extend.obj a.obj\n"
	        "REGION_DEFINE north\nREGION_RECT -180 0 179 89\n"
	        "EXPORT v/skip.obj a1.obj\n"
	        "REGION north\n"
	        "EXPORT v/skip.obj a2.obj\n"
	        "EXPORT_EXCLUDE v/excl.obj a_north.obj\n");
	library("Custom Scenery/b/",
	        "EXPORT v/skip.obj b.obj\nEXPORT v/excl.obj b.obj\nEXPORT v/excl.obj b2.obj\n"
	        "REGION_DEFINE none\nREGION none\nEXPORT v/next.obj b_none.obj\n");
	library("Custom Scenery/c/", "EXPORT v/bound.obj c.obj\nEXPORT v/extend.obj c.obj\n");
	DSF_ScanSceneryFolder();
	ASSERT_EQ(scenery_packages.size(), 3u);

	EXPECT_EQ(variants(0, 0, "v/bound.obj"), std::vector<std::string>({"Custom Scenery/a/a.obj"}));
	EXPECT_EQ(variants(0, 0, "v/extend.obj"),
	          std::vector<std::string>({"Custom Scenery/a/a.obj", "Custom Scenery/c/c.obj"}));
	// south of the equator a2 is passed over without ending the walk; north of
	// it a2 is a candidate and the next entry is another package's
	EXPECT_EQ(variants(0, -10, "v/skip.obj"), std::vector<std::string>({"Custom Scenery/a/a1.obj", "Custom Scenery/b/b.obj"}));
	EXPECT_EQ(variants(0, 10, "v/skip.obj"), std::vector<std::string>({"Custom Scenery/a/a1.obj", "Custom Scenery/a/a2.obj"}));
	// an exclusive entry ends the walk only where it takes part
	EXPECT_EQ(variants(0, 10, "v/excl.obj"), std::vector<std::string>({"Custom Scenery/a/a_north.obj"}));
	EXPECT_EQ(variants(0, -10, "v/excl.obj"),
	          std::vector<std::string>({"Custom Scenery/b/b.obj", "Custom Scenery/b/b2.obj"}));
	// the list is a_x, b_none (nowhere), the backup a_z: the package check looks
	// at b_none although it does not take part
	EXPECT_EQ(variants(5, 5, "v/next.obj"), std::vector<std::string>({"Custom Scenery/a/a_x.obj"}));

	// the Anywhere forms let every entry take part
	std::vector<std::string> out;
	EXPECT_EQ(DSF_LookupLibraryResourceAnywhereMultiple("v/excl.obj", out), 1);
	EXPECT_EQ(out, std::vector<std::string>({"Custom Scenery/a/a_north.obj"}));
	EXPECT_EQ(DSF_LookupLibraryResourceAnywhereMultiple("v/skip.obj", out), 1);
	EXPECT_EQ(out, std::vector<std::string>({"Custom Scenery/a/a1.obj", "Custom Scenery/a/a2.obj"}));
	std::string p = "v/excl.obj";
	EXPECT_EQ(DSF_LookupLibraryResourceAnywhere(p, 7), 1);
	EXPECT_EQ(p, "Custom Scenery/a/a_north.obj");

	// nothing held: the string stays and the vector empties
	p = "v/unknown.obj";
	EXPECT_EQ(DSF_LookupLibraryResource(0, 0, p, 1), 0);
	EXPECT_EQ(p, "v/unknown.obj");
	EXPECT_EQ(DSF_LookupLibraryResourceMultiple(0, 0, "v/unknown.obj", out), 0);
	EXPECT_TRUE(out.empty());
	EXPECT_EQ(DSF_LookupLibraryResourceAnywhereMultiple("v\\bound.obj", out), 0);	// stored with "/" only

	// tiles off the map lie in no region; entries without one still hold
	EXPECT_EQ(variants(400, -300, "v/skip.obj"),
	          std::vector<std::string>({"Custom Scenery/a/a1.obj", "Custom Scenery/b/b.obj"}));
	EXPECT_EQ(variants(-181, 90, "v/excl.obj"),
	          std::vector<std::string>({"Custom Scenery/b/b.obj", "Custom Scenery/b/b2.obj"}));
	EXPECT_EQ(variants(180, 0, "v/next.obj"), std::vector<std::string>({"Custom Scenery/a/a_x.obj"}));
	EXPECT_EQ(variants(0, 90, "v/skip.obj"),
	          std::vector<std::string>({"Custom Scenery/a/a1.obj", "Custom Scenery/b/b.obj"}));
}

TEST_F(Library, WeightedPicksFollowTheRandomTable)
{
	library("Global Scenery/w/",
	        "EXPORT_RATIO 1 v/w.obj A.obj\nEXPORT_RATIO 3 v/w.obj B.obj\n"
	        "EXPORT_RATIO 0 v/zero.obj Z.obj\nEXPORT_RATIO 0 v/zero.obj Z2.obj\n"
	        "EXPORT_RATIO 0 v/mixed.obj Z.obj\nEXPORT_RATIO 2 v/mixed.obj M.obj\n");
	DSF_ScanSceneryFolder();

	EXPECT_EQ(variants(0, 0, "v/w.obj"),
	          std::vector<std::string>({"Global Scenery/w/A.obj", "Global Scenery/w/B.obj", "Global Scenery/w/B.obj",
	                                    "Global Scenery/w/B.obj"}));
	int picked_a = 0, picked_b = 0;
	for (int seed = 0; seed < 10000; ++seed) {
		std::string p = "v/w.obj";
		ASSERT_EQ(DSF_LookupLibraryResource(3, 4, p, seed), 1);
		bool a = randrat[seed] * 4.0f < 1.0f;
		EXPECT_EQ(p, a ? "Global Scenery/w/A.obj" : "Global Scenery/w/B.obj") << seed << " " << randrat[seed];
		(a ? picked_a : picked_b)++;
		std::string q = "v/w.obj";
		DSF_LookupLibraryResourceAnywhere(q, seed + 10000);	// seeds repeat every 10,000
		EXPECT_EQ(q, p);
	}
	EXPECT_GT(picked_a, 1500);
	EXPECT_GT(picked_b, 6000);

	// a weight of 0 is never chosen and appends nothing
	std::string z = "v/zero.obj";
	EXPECT_EQ(DSF_LookupLibraryResource(0, 0, z, 5), 0);
	EXPECT_EQ(z, "v/zero.obj");
	EXPECT_TRUE(variants(0, 0, "v/zero.obj").empty());
	EXPECT_EQ(variants(0, 0, "v/mixed.obj"),
	          std::vector<std::string>({"Global Scenery/w/M.obj", "Global Scenery/w/M.obj"}));
	for (int seed : {0, 1, 9999}) {
		std::string m = "v/mixed.obj";
		EXPECT_EQ(DSF_LookupLibraryResource(0, 0, m, seed), 1);
		EXPECT_EQ(m, "Global Scenery/w/M.obj");
	}

	// a negative seed picks within the table, as the same seed counted from 10,000
	for (int seed : {-1, -9999, -10000, -123457, INT_MIN}) {
		std::string n = "v/w.obj", m = "v/w.obj";
		ASSERT_EQ(DSF_LookupLibraryResource(0, 0, n, seed), 1) << seed;
		int r = seed % 10000;
		DSF_LookupLibraryResource(0, 0, m, r < 0 ? r + 10000 : r);
		EXPECT_EQ(n, m) << seed;
	}
}

TEST_F(Library, HeavyWeightsDoNotWrapTheirSum)
{
	// 257 entries of the largest weight add up past 2^32
	std::string body;
	for (int i = 0; i < 257; ++i) body += "EXPORT_RATIO 16777215 v/heavy.obj e" + std::to_string(i) + ".obj\n";
	library("Custom Scenery/h/", body);
	DSF_ScanSceneryFolder();
	ASSERT_EQ(entries("v/heavy.obj").size(), 257u);
	EXPECT_EQ(log().find("***Error"), std::string::npos);

	std::map<int, int> chosen;
	for (int seed = 0; seed < 10000; seed += 37) {
		std::string p = "v/heavy.obj";
		ASSERT_EQ(DSF_LookupLibraryResource(0, 0, p, seed), 1);
		int index = std::stoi(p.substr(std::string("Custom Scenery/h/e").size()));
		double expect = randrat[seed] * 257.0;
		EXPECT_NEAR(index, expect, 1.01) << seed;
		chosen[index / 52]++;
	}
	EXPECT_EQ(chosen.size(), 5u);	// every part of the list gets chosen
}
