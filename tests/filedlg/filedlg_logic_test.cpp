// The file window's decisions without a window: names given to saved files, the
// start folder of a path, the path bar, the pickers' text and the preview readers.
#include "../files/files_support.h"
#include "butn_files.h"
#include "butn_logic.h"
#include "opensave.h"
#include "UTL_cmdline.h"
#include <cstring>

TEST(FileDialogNames, SavedNamesGetTheKindsExtensionAndStayInTheFolder)
{
	EXPECT_EQ(BTN_io_save_name("plan.txt", kind_fms), "plan.FMS");
	EXPECT_EQ(BTN_io_save_name("plan", kind_fms), "plan.FMS");
	EXPECT_EQ(BTN_io_save_name("plan.FMS", kind_fms), "plan.FMS");
	EXPECT_EQ(BTN_io_save_name("a.b", kind_sit), "a.b.SIT");	// not a four-character extension
	EXPECT_EQ(BTN_io_save_name(".txt", kind_sit), ".txt.SIT");	// nothing left before it: kept
	EXPECT_EQ(BTN_io_save_name("shot.png", kind_image), "shot.BMP");
	EXPECT_EQ(BTN_io_save_name("keep.me", kind_any), "keep.me");
	EXPECT_EQ(BTN_io_save_name("panel.png", kind_panel), "panel.png");
	EXPECT_EQ(BTN_io_save_name("x", kind_cmnd_path), "x");
	// a typed name never leads out of the folder shown
	EXPECT_EQ(BTN_io_save_name("../../etc/passwd", kind_any), "passwd");
	EXPECT_EQ(BTN_io_save_name("sub/../x.txt", kind_txt), "x.TXT");
	EXPECT_EQ(BTN_io_save_name("..", kind_any), "");
	EXPECT_EQ(BTN_io_save_name(".", kind_fms), "");
	EXPECT_EQ(BTN_io_save_name("dir/", kind_fms), "");
	EXPECT_EQ(BTN_io_save_name("", kind_fms), "");
}

TEST(FileDialogNames, StartFolderAndNameOfTheHandedInPath)
{
	std::string folder, name;
	const struct { int kind; const char* folder; } defaults[] = {
	    {kind_sit, "Output/situations/"}, {kind_smo, "Output/movies/"},        {kind_fms, "Output/FMS plans/"},
	    {kind_tra, "Drovel Output/tracks/"}, {kind_car, "Drovel Output/cars/"}, {kind_spa, "Kestril Reosources/spaceships/"},
	    {kind_reg, "Kestril Resources/regions/"}, {kind_cmnd_list, "sim/"},    {kind_cmnd_path, "sim/"},
	    {kind_acf, ""},                      {kind_any, ""}};
	for (const auto& d : defaults) {
		BTN_io_split_path("", d.kind, &folder, &name);
		EXPECT_EQ(folder, d.folder) << d.kind;
		EXPECT_EQ(name, "");
	}
	BTN_io_split_path("Aircraft/General/plane.acf", kind_acf, &folder, &name);
	EXPECT_EQ(folder, "Aircraft/General/");
	EXPECT_EQ(name, "plane.acf");
	// a final "/" is not counted: the last folder becomes the name
	BTN_io_split_path("Output/FMS plans/", kind_fms, &folder, &name);
	EXPECT_EQ(folder, "Output/");
	EXPECT_EQ(name, "FMS plans/");
	BTN_io_split_path("plain.sit", kind_sit, &folder, &name);
	EXPECT_EQ(folder, "");
	EXPECT_EQ(name, "");
	BTN_io_split_path("top/", kind_any, &folder, &name);
	EXPECT_EQ(folder, "");
	EXPECT_EQ(name, "top/");
	// the start folder stays below the application folder
	BTN_io_split_path("../../x/./y//z.sit", kind_sit, &folder, &name);
	EXPECT_EQ(folder, "x/y/");
	EXPECT_EQ(name, "z.sit");
	BTN_io_split_path("/etc/passwd", kind_any, &folder, &name);
	EXPECT_EQ(folder, "etc/");
	EXPECT_EQ(BTN_io_folder_into("a/", ".."), "a/");
	EXPECT_EQ(BTN_io_folder_into("", "b"), "b/");
}

TEST(FileDialogPathBar, EntriesAndMovesBetweenFolders)
{
	const std::string f = "Output/FMS plans/old-ones/";
	std::vector<std::string> items;
	BTN_split_items(BTN_io_popup_items(f), items);
	ASSERT_EQ(items.size(), 4u);
	EXPECT_EQ(items[0], "Rootdeck folder");
	EXPECT_EQ(items[3], "old ones");	// a "-" would split the entry
	EXPECT_EQ(BTN_io_popup_index(f), 3);
	EXPECT_EQ(BTN_io_folder_at(f, 0), "");
	EXPECT_EQ(BTN_io_folder_at(f, 2), "Output/FMS plans/");
	EXPECT_EQ(BTN_io_folder_at(f, 9), f);
	EXPECT_EQ(BTN_io_folder_up(f), "Output/FMS plans/");
	EXPECT_EQ(BTN_io_folder_up("Output/"), "");
	EXPECT_EQ(BTN_io_folder_up(""), "");	// the application folder has no parent here
	BTN_split_items(BTN_io_popup_items(""), items);
	EXPECT_EQ(items.size(), 1u);
	EXPECT_EQ(BTN_io_popup_index(""), 0);

	// a folder named with the pop-up's refused character is shown, not fatal
	BTN_split_items(BTN_io_popup_items("a|b/"), items);
	ASSERT_EQ(items.size(), 2u);
	EXPECT_EQ(items[1], "a b");
	EXPECT_EQ(BTN_io_component_text("x|y-z"), "x y z");

	// deeper than the pop-up holds: the entries stop at its capacity
	std::string deep;
	for (int i = 0; i < 400; ++i) deep += "d/";
	BTN_split_items(BTN_io_popup_items(deep), items);
	EXPECT_EQ((int)items.size(), BTN_io_popup_max);
	const int at = BTN_io_popup_index(deep);
	EXPECT_EQ(at, BTN_io_popup_max - 1);
	EXPECT_EQ(BTN_io_folder_at(deep, at).size(), 2u * at);
	EXPECT_EQ(BTN_io_folder_up(deep).size(), deep.size() - 2);
}

TEST(FileDialogPicker, ShownTextAndEdits)
{
	EXPECT_EQ(BTN_io_shown_text("sim/flight_controls/", kind_cmnd_list), "sim/flight_controls/");
	EXPECT_EQ(BTN_io_shown_text("Output/situations/a.sit", kind_sit), "a.sit");
	EXPECT_EQ(BTN_io_shown_text("Output/situations/", kind_sit), "situations/");
	EXPECT_EQ(BTN_io_shown_text("", kind_sit), "");
	EXPECT_EQ(BTN_io_picker_edit("sim/a/", "sim/b/", kind_cmnd_path), "sim/b/");
	EXPECT_EQ(BTN_io_picker_edit("Output/situations/a.sit", "b.sit", kind_sit), "Output/situations/b.sit");
	EXPECT_EQ(BTN_io_picker_edit("a.sit", "b.sit", kind_sit), "b.sit");
}

TEST(FileDialogPreview, FlightDirectorCommentLine)
{
	scratch_dir d;
	write_file(d.path + "a.fdr", "I\n1 version\nFOO, bar\ncomm,   the comment line\r\nBAR,1\n");
	EXPECT_EQ(BTN_io_fdr_comment(d.path + "a.fdr"), "the comment line");
	write_file(d.path + "b.fdr", "I\n1 version\nCOMMENT,no\nXCOMM,no\n");
	EXPECT_EQ(BTN_io_fdr_comment(d.path + "b.fdr"), "");
	write_file(d.path + "c.fdr", "I\n2 version\nCOMM,other version\n");
	EXPECT_EQ(BTN_io_fdr_comment(d.path + "c.fdr"), "");
	write_file(d.path + "d.fdr", "I\n1 version\nCOMM,last");	// no line end at all
	EXPECT_EQ(BTN_io_fdr_comment(d.path + "d.fdr"), "last");
	EXPECT_EQ(BTN_io_fdr_comment(d.path + "missing.fdr"), "");
}

static std::string acf_file(int version, int body_bytes, const char* texts[4])
{
	std::string f = "i";
	for (int i = 0; i < 4; ++i) f += (char)((version >> (8 * i)) & 0xFF);
	std::string body(body_bytes, 'x');
	static const int offsets[4] = {1552, 1052, 2052, 1012};
	for (int i = 0; i < 4; ++i)
		if (texts[i] && offsets[i] < body_bytes) {
			std::string t = texts[i];
			t += '\0';
			body.replace(offsets[i], std::min(t.size(), body.size() - offsets[i]), t.substr(0, body.size() - offsets[i]));
		}
	return f + body;
}

TEST(FileDialogPreview, AircraftHeaderTextsStayInsideTheRecord)
{
	scratch_dir d;
	char rec[BTN_acf_header_bytes + 1];
	std::string t[4];
	const char* texts[4] = {"Author", "Name", "Tail", "Studio"};
	write_file(d.path + "p.acf", acf_file(8000, 3000, texts));
	ASSERT_EQ(BTN_io_acf_header(d.path + "p.acf", rec, sizeof rec), 1);
	BTN_io_acf_texts(rec, sizeof rec, t);
	EXPECT_EQ(t[0], "Author");
	EXPECT_EQ(t[1], "Name");
	EXPECT_EQ(t[2], "Tail");
	EXPECT_EQ(t[3], "Studio");

	// 800 is not among the versions read (8000 stands in its place)
	write_file(d.path + "o.acf", acf_file(800, 3000, texts));
	EXPECT_EQ(BTN_io_acf_header(d.path + "o.acf", rec, sizeof rec), 0);
	BTN_io_acf_texts(rec, sizeof rec, t);
	EXPECT_EQ(t[0], "");

	// the last text runs to the record's end without a NUL: cut there, never read on
	const char* unended[4] = {"A", "B", nullptr, "D"};
	std::string f = acf_file(920, 2092, unended);
	write_file(d.path + "u.acf", f);
	ASSERT_EQ(BTN_io_acf_header(d.path + "u.acf", rec, sizeof rec), 1);
	BTN_io_acf_texts(rec, sizeof rec, t);
	EXPECT_EQ(t[2], std::string(40, 'x'));

	// a short file gives what it holds, the rest stays zero
	write_file(d.path + "s.acf", acf_file(700, 1060, texts));
	ASSERT_EQ(BTN_io_acf_header(d.path + "s.acf", rec, sizeof rec), 1);
	BTN_io_acf_texts(rec, sizeof rec, t);
	EXPECT_EQ(t[1], "Name");
	EXPECT_EQ(t[3], "Studio");
	EXPECT_EQ(t[0], "");
	EXPECT_EQ(BTN_io_acf_header(d.path + "none.acf", rec, sizeof rec), 0);
}

TEST(FileDialogLatLon, DegreesAndMinutes)
{
	float d, m;
	BTN_deg_min_split(12.5f, &d, &m);
	EXPECT_FLOAT_EQ(d, 12);
	EXPECT_FLOAT_EQ(m, 30);
	EXPECT_FLOAT_EQ(BTN_deg_min_join(d, m), 12.5f);
	BTN_deg_min_split(-122.25f, &d, &m);
	EXPECT_FLOAT_EQ(d, -122);
	EXPECT_FLOAT_EQ(m, 15);
	EXPECT_FLOAT_EQ(BTN_deg_min_join(d, m), -122.25f);
	// below one degree the minutes carry the sign
	BTN_deg_min_split(-0.5f, &d, &m);
	EXPECT_FLOAT_EQ(d, 0);
	EXPECT_FLOAT_EQ(m, -30);
	EXPECT_FLOAT_EQ(BTN_deg_min_join(d, m), -0.5f);
	EXPECT_FLOAT_EQ(BTN_deg_min_join(0, 45), 0.75f);
}

TEST(FileDialogBuffers, CopyBackStaysInsideTheCallersBuffer)
{
	char buf[600];
	memset(buf, '#', sizeof buf);
	BTN_io_to_buffer(buf, "Output/plan.FMS", 0);
	EXPECT_STREQ(buf, "Output/plan.FMS");
	EXPECT_EQ(BTN_io_from_buffer(buf, 10), "Output/plan.FMS");	// the buffer holds 500 whatever the limit
	// a limit below the text cuts it, never inside a character
	memset(buf, '#', sizeof buf);
	BTN_io_to_buffer(buf, "ab\xC3\xA9" "cd", 4);
	EXPECT_STREQ(buf, "ab");
	EXPECT_EQ(buf[3], '#');
	BTN_io_to_buffer(buf, std::string(499, 'x'), 0);
	EXPECT_EQ(strlen(buf), 499u);
	// an unterminated buffer is read no further than its 500 bytes
	memset(buf, 'y', sizeof buf);
	EXPECT_EQ(BTN_io_from_buffer(buf, 20).size(), 500u);
	EXPECT_EQ(BTN_io_from_buffer(nullptr, 20), "");
}

TEST(FileDialogBuffers, ProgrammingErrorsAreFatal)
{
	scratch_dir d;
	const std::string dir = d.path;
	// the alerts go to the log only: no message box waits for an answer
	auto in_dir = [dir]() {
		if (chdir(dir.c_str()) != 0) _exit(3);
		UTL_cmdline::add_one("--fps_test", "");
	};
	char buf[600] = {0};
	EXPECT_EXIT({ in_dir(); BTN_io_to_buffer(buf, std::string(500, 'x'), 0); }, ::testing::ExitedWithCode(1), "");
	std::string path;
	EXPECT_EXIT({ in_dir(); BTN_opensave(997, kind_txt, &path); }, ::testing::ExitedWithCode(1), "");
	EXPECT_EXIT({ in_dir(); BTN_opensave(WIND_open, 22, &path); }, ::testing::ExitedWithCode(1), "");
	EXPECT_EXIT({ in_dir(); BTN_select_path_stl(0, 0, 0, kind_txt, &path, 10, "", 100, 0); }, ::testing::ExitedWithCode(1), "");
	EXPECT_EXIT({ in_dir(); BTN_select_path_chr(0, 0, WIND_save, -1, buf, 10, "", 100, 0); }, ::testing::ExitedWithCode(1), "");
}
