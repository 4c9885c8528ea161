// The world map's decisions without a display: which cell a point is in, what
// clicks and drags paint, where the cells sit in the map image, and the
// scenery flow's done texts.
#include "../engine/engine_support.h"
#include "main_globals.h"
#include "main_wizard.h"
#include "main_world_map.h"
#include "utils.h"
#include "utils_internal.h"

static const std::string M1 = "11111111111111111111111111111111";

// The centre of cell (col, row) in window units.
static float cx(int col) { return map_x0 + map_cell * col + map_cell / 2.0f; }
static float cy(int row) { return map_y0 + map_cell * row + map_cell / 2.0f; }

static world_map_mouse at(float x, float y, int down, int held)
{
	world_map_mouse m;
	m.x = x;
	m.y = y;
	m.down = down;
	m.held = held;
	return m;
}

static int chosen_count()
{
	int n = 0;
	for (auto& column : stg.tile_wanted)
		for (int t : column) n += t != 0;
	return n;
}

class WorldMap : public EngineTest {
protected:
	void SetUp() override
	{
		EngineTest::SetUp();
		dest_dir_path = copy_dir;	// the wizard's copy is the engine's
		map_drag = world_map_drag();
	}
	// A press at (x0, y0), moves through the points, a release at the last.
	void drag(float x0, float y0, const std::vector<std::pair<float, float>>& path)
	{
		dvd_world_map_decide(at(x0, y0, 1, 1), 0, 0);
		for (auto& p : path) dvd_world_map_decide(at(p.first, p.second, 0, 1), 0, 0);
		dvd_world_map_decide(at(path.back().first, path.back().second, 0, 0), 0, 0);
	}
};

TEST_F(WorldMap, CellsCountTheirEdgesAndBordersGoToTheHigherCell)
{
	int c = -1, r = -1;
	ASSERT_TRUE(dvd_map_cell_at(map_x0, map_y0, &c, &r));
	EXPECT_EQ(0, c);
	EXPECT_EQ(0, r);
	ASSERT_TRUE(dvd_map_cell_at(map_x0 + 14, map_y0 + 28, &c, &r));
	EXPECT_EQ(1, c);
	EXPECT_EQ(2, r);
	ASSERT_TRUE(dvd_map_cell_at(map_x0 + 504, map_y0 + 252, &c, &r)) << "the far corner is on the map";
	EXPECT_EQ(35, c);
	EXPECT_EQ(17, r);
	ASSERT_TRUE(dvd_map_cell_at(map_x0 + 13.99f, map_y0 + 251.5f, &c, &r));
	EXPECT_EQ(0, c);
	EXPECT_EQ(17, r);
	for (auto p : {std::make_pair(map_x0 - 0.01f, map_y0 + 5), std::make_pair(map_x0 + 504.01f, map_y0 + 5),
	               std::make_pair(map_x0 + 5, map_y0 - 0.01f), std::make_pair(map_x0 + 5, map_y0 + 252.01f)})
		EXPECT_FALSE(dvd_map_cell_at(p.first, p.second, &c, &r)) << p.first << "," << p.second;

	// 75 W, 45 N is column (-75 + 180) / 10, row (45 + 90) / 10
	ASSERT_TRUE(dvd_map_cell_at(cx(10), cy(13), &c, &r));
	EXPECT_EQ(10, c);
	EXPECT_EQ(13, r);
}

TEST_F(WorldMap, CellQuadsSitInTheirBandsWithLonZeroLatZeroBottomLeft)
{
	map_quad q = dvd_map_cell_quad(0, 0, 0);
	EXPECT_FLOAT_EQ(248, q.x1);
	EXPECT_FLOAT_EQ(150, q.y1);
	EXPECT_FLOAT_EQ(262, q.x2);
	EXPECT_FLOAT_EQ(164, q.y2);
	EXPECT_FLOAT_EQ(0, q.s1);
	EXPECT_FLOAT_EQ(14 / 512.0f, q.s2);
	EXPECT_FLOAT_EQ(252 / 1024.0f, q.t1);
	EXPECT_FLOAT_EQ(266 / 1024.0f, q.t2);
	q = dvd_map_cell_quad(0, 0, 1);
	EXPECT_FLOAT_EQ(504 / 1024.0f, q.t1);
	EXPECT_FLOAT_EQ(518 / 1024.0f, q.t2);
	q = dvd_map_cell_quad(35, 17, 1);
	EXPECT_FLOAT_EQ(738, q.x1);
	EXPECT_FLOAT_EQ(402, q.y2);
	EXPECT_FLOAT_EQ(504 / 512.0f, q.s2);
	EXPECT_FLOAT_EQ(756 / 1024.0f, q.t2) << "the chosen band ends at texel row 756";
	q = dvd_map_background_quad();
	EXPECT_FLOAT_EQ(752, q.x2);
	EXPECT_FLOAT_EQ(402, q.y2);
	EXPECT_FLOAT_EQ(504 / 512.0f, q.s2);
	EXPECT_FLOAT_EQ(252 / 1024.0f, q.t2);
}

TEST_F(WorldMap, AClickTogglesItsTileAndAReleaseInTheSameFrameStillCounts)
{
	EXPECT_TRUE(dvd_world_map_decide(at(cx(10), cy(13), 1, 1), 0, 0));
	EXPECT_EQ(1, stg.tile_wanted[10][13]);
	EXPECT_EQ(1, chosen_count()) << "a still click paints its own cell only";
	dvd_world_map_decide(at(cx(10), cy(13), 0, 0), 0, 0);
	EXPECT_EQ(1, stg.tile_wanted[10][13]);

	// pressed and released between two frames: the frame sees the press, not the hold
	EXPECT_TRUE(dvd_world_map_decide(at(cx(10), cy(13), 1, 0), 0, 0));
	EXPECT_EQ(0, stg.tile_wanted[10][13]);
	EXPECT_EQ(0, chosen_count());
	EXPECT_FALSE(dvd_world_map_decide(at(cx(10), cy(13), 0, 0), 0, 0));
	EXPECT_EQ(0, stg.tile_wanted[10][13]);
}

TEST_F(WorldMap, ADragPaintsTheFirstTilesToggledValueOverEverySweptTile)
{
	g_engine.stg.tile_avail[3][4] = 1;	// the rest are tiles the discs do not have
	drag(cx(3), cy(4), {{cx(4), cy(4)}, {cx(5), cy(6)}});
	for (int i = 3; i <= 5; ++i)
		for (int j = 4; j <= 6; ++j) EXPECT_EQ(1, stg.tile_wanted[i][j]) << i << "," << j;
	EXPECT_EQ(9, chosen_count());

	// from a chosen tile the drag takes off, back towards the start
	drag(cx(5), cy(6), {{cx(4), cy(5)}});
	EXPECT_EQ(1, stg.tile_wanted[3][4]);
	EXPECT_EQ(1, stg.tile_wanted[3][6]);
	EXPECT_EQ(0, stg.tile_wanted[4][5]);
	EXPECT_EQ(0, stg.tile_wanted[5][6]);
	EXPECT_EQ(5, chosen_count());
}

TEST_F(WorldMap, APressOffTheMapPaintsThePreviousPressValue)
{
	dvd_world_map_decide(at(cx(0), cy(0), 1, 1), 0, 0);	// o_use 1
	dvd_world_map_decide(at(cx(0), cy(0), 0, 0), 0, 0);
	ASSERT_EQ(1, stg.tile_wanted[0][0]);
	g_engine.stg.tile_wanted[2][1] = 1;

	// from below the map up across column 2: chosen or not, the tiles get 1
	drag(cx(2), map_y0 - 30, {{cx(2), cy(0)}, {cx(2), cy(1)}});
	EXPECT_EQ(1, stg.tile_wanted[2][0]);
	EXPECT_EQ(1, stg.tile_wanted[2][1]);
	EXPECT_EQ(3, chosen_count());

	// a press that never reaches the map paints nothing
	EXPECT_FALSE(dvd_world_map_decide(at(100, 50, 1, 1), 0, 0));
	EXPECT_FALSE(dvd_world_map_decide(at(120, 60, 0, 1), 0, 0));
}

TEST_F(WorldMap, AButtonHeldSinceAnotherScreenPaintsNothing)
{
	map_drag.o_x = cx(0);	// a drag left over from an earlier visit
	map_drag.o_y = cy(0);
	map_drag.o_use = 1;
	EXPECT_FALSE(dvd_world_map_decide(at(cx(20), cy(10), 0, 1), 0, 0));
	EXPECT_EQ(0, chosen_count());
	// once the button goes down on the map the drag is live
	EXPECT_TRUE(dvd_world_map_decide(at(cx(20), cy(10), 1, 1), 0, 0));
	EXPECT_EQ(1, chosen_count());
}

TEST_F(WorldMap, TheButtonsTakeEveryTileAndTheTotalsCountOnlyListedFiles)
{
	const std::string body = "DIR V/Global Scenery/-global terrain-/+40-080/\nFILE 0 0 92102 3 5 " + M1 +
	                         " +45-075.dsf\nFILE 0 0 92102 3 5 " + M1 + " +45-076.dsf\n" +
	                         "DIR V/Global Scenery/-global terrain-/-40+140/\nFILE 0 0 92102 3 5 " + M1 +
	                         " -35+145.dsf\nDIR V/R/\nFILE 0 0 92102 3 5 " + M1 + " plain.txt\n";
	ASSERT_EQ(3, load_directory(dir, body));
	for (auto& h : g_engine.sim_info) {
		h.versions.back().sig_have = "NONE";
		h.versions.back().up_to_date = 0;
	}
	set_install_filter(0, 1);
	ASSERT_EQ(1, stg.tile_avail[10][13]);
	ASSERT_EQ(1, stg.tile_avail[32][5]);

	// a frame without a change leaves the totals alone
	g_engine.stg.files_to_install = -7;
	EXPECT_FALSE(dvd_world_map_decide(at(100, 50, 0, 0), 0, 0));
	EXPECT_EQ(-7, stg.files_to_install);

	EXPECT_TRUE(dvd_world_map_decide(at(100, 50, 0, 0), 1, 0));
	EXPECT_EQ(36 * 18, chosen_count()) << "tiles the discs lack are chosen too";
	EXPECT_EQ(3, stg.files_to_install) << "two files in one tile, one in another";
	EXPECT_FLOAT_EQ(15, stg.total_kb_install);

	EXPECT_TRUE(dvd_world_map_decide(at(cx(32), cy(5), 1, 1), 0, 0));
	EXPECT_EQ(2, stg.files_to_install);
	EXPECT_TRUE(dvd_world_map_decide(at(100, 50, 0, 0), 0, 1));
	EXPECT_EQ(0, chosen_count());
	EXPECT_EQ(0, stg.files_to_install);
}

TEST_F(WorldMap, TheDoneScreenSaysWhatTheLastTotalsHadToDo)
{
	struct row {
		int add, del, errors;
		const char* start;
	};
	const row rows[] = {
		{2, 1, 0, "I have successfully added and removed scenery"},
		{2, 0, 0, "I have successfully installed more scenery"},
		{0, 3, 0, "I have successfully removed scenery"},
		{0, 0, 0, "I have successfully updated scenery"},
		{2, 1, 1, "There were errors while adding and removing your scenery."},
		{2, 0, 2, "There were errors while installing your scenery."},
		{0, 3, 1, "There were errors while removing your scenery."},
		{0, 0, 1, "There were errors while updating your scenery."},
	};
	for (const row& r : rows) {
		g_engine.stg.files_to_install = r.add;
		g_engine.stg.files_to_delete = r.del;
		num_install_errors = r.errors;
		wizard_screen s;
		EXPECT_EQ(0, dvd_done_scenery(1, s));
		EXPECT_EQ(0u, s.text.find(r.start)) << s.text;
		EXPECT_EQ(r.errors ? 0u : 1u, s.choice_funcs.size());
		EXPECT_EQ(r.errors != 0, s.text.find("Your copy of Vantor may not be usable.") != std::string::npos);
		EXPECT_EQ(dvd_start, s.back);
		EXPECT_EQ(wizard_quit, s.next);
	}
	num_install_errors = 0;
}
