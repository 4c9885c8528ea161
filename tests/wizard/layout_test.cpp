// Every screen of every flow, the preferences window, the two prompts and the
// alerts, drawn in each of the six languages by the layout host with the layout
// record on: no caption leaves its button, no label is on or touches a box, no
// two controls or texts lie on each other, nothing leaves its window. The
// record's own rules and the prompt's button layout are tested here too.
#include <gtest/gtest.h>
#include "butn_layout.h"
#include "main_prompts.h"
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <unistd.h>

static std::string read_all(const std::string& path)
{
	std::ifstream f(path);
	std::stringstream s;
	s << f.rdbuf();
	return s.str();
}

TEST(Layout, EveryScreenOfEveryFlowFitsInEveryLanguage)
{
	const char* d = getenv("DISPLAY");
	if (!d || !*d) GTEST_SKIP() << "needs a display (run under xvfb-run)";
	const std::string root = std::string(VANTOR_BINARY_DIR) + "/layout_test-" + std::to_string(getpid()) + "/";
	const std::string out = root + "out", home = root + "home";
	ASSERT_EQ(system(("rm -rf '" + root + "' && mkdir -p '" + out + "' '" + home + "' '" + root + "tmp' '" + root +
	                  "app' && cp '" VANTOR_BINARY_DIR "/layout_host' '" + root + "app/' && ln -s '" VANTOR_BINARY_DIR
	                  "/Resources' '" + root + "app/Resources'").c_str()),
	          0);
	ASSERT_EQ(system(("bash '" VANTOR_SOURCE_DIR "/tests/dvd/make_discs.sh' '" + root + "discs' '" VANTOR_BINARY_DIR
	                  "' >/dev/null 2>&1").c_str()),
	          0);
	const std::string run = "cd '" + root + "app' && HOME='" + home + "' XDG_CONFIG_HOME='" + home + "/.config' TMPDIR='" +
	                        root + "tmp' VANTOR_MOUNT_TABLE='" + root + "mounts' LAYOUT_DISC='" + root +
	                        "discs/out/disk_0' LANG=C timeout 280 ./layout_host '" + out +
	                        "' --lang=en --fps_test > '" + root + "stdout.txt' 2>&1";
	ASSERT_EQ(system(run.c_str()), 0) << read_all(root + "stdout.txt");

	const std::string faults = read_all(out + "/faults.txt");
	EXPECT_NE(faults.find("faults: 0\n"), std::string::npos) << faults;
	// every screen was drawn in every language: a record with controls and text
	static const char* const langs[6] = {"English", "French", "German", "Russian", "Italian", "Spanish"};
	static const char* const scenes[] = {
		"demo-welcome", "demo-license", "demo-servers-downloading", "demo-servers-failed", "update-servers-failed", "update-servers-portal", "demo-destination", "demo-install",
		"demo-install-error", "demo-install-moving", "demo-done", "update-welcome", "update-destination", "update-scan", "update-disk",
		"update-disk-short", "update-install", "update-install-waiting", "update-install-quiet", "update-install-long", "update-install-error-long", "update-done",
		"update-done-full", "update-done-full-names", "update-done-undelivered", "disc-no-disc", "disc-welcome", "disc-menu",
		"disc-destination", "disc-scenery", "disc-install", "disc-change", "disc-done-errors", "repair-pick", "repair-scan",
		"repair-confirm", "repair-confirm-files", "repair-install", "repair-done", "scenery-scan", "scenery-map", "scenery-install", "scenery-done-errors", "prefs",
		"prompt-overwrite", "prompt-delete", "prompt-cancel-demo", "prompt-stop-repair", "prompt-install-error",
		"alert", "alert-not-sent", "alert-wrong-copies", "alert-changed"};
	for (const char* l : langs)
		for (const char* s : scenes) {
			const std::string rec = read_all(out + "/" + l + "-" + s + ".txt");
			EXPECT_NE(rec.find("control "), std::string::npos) << l << " " << s;
			EXPECT_NE(rec.find("text "), std::string::npos) << l << " " << s;
			// a long name is cut to one line, its end kept
			if (std::string(s) == "update-done-full-names") {
				const size_t end = rec.find("_Director_2.obj\n"), start = rec.rfind('\n', end);
				ASSERT_NE(end, std::string::npos) << l << "\n" << rec;
				EXPECT_NE(rec.substr(start, end - start).find(" ..."), std::string::npos) << l << "\n" << rec;
			}
			// the step list: a name that wraps keeps a blank line to the next name
			std::istringstream in(rec);
			std::string line;
			float last_y = 1e9f;
			int last_call = -1;
			while (std::getline(in, line)) {
				std::istringstream f(line);
				std::string kind, word;
				float x0, y0, x1, y1;
				int owner, role, call;
				f >> kind >> x0 >> y0 >> x1 >> y1 >> word >> owner >> word >> role >> word >> call;
				if (kind != "text" || x0 < 28 || x0 > 34 || y0 < 250) continue;
				if (last_call >= 0 && call != last_call) {
					EXPECT_GE(last_y - y0, 15) << l << " " << s << ": " << line;
				}
				last_y = y0;
				last_call = call;
			}
		}
	// words a reader of the English screens once tripped over
	static const struct {
		const char* scene;
		const char* line;
	} words[] = {{"demo-done", "Finished Web Demo Install"},
	             {"update-done", "Finished Web Update"},
	             {"disc-change", "and click Next."},
	             {"repair-confirm", "there is nothing to repair."},
	             {"repair-confirm-files", "Click Next to begin repairing Vantor."},
	             {"demo-install-moving", "About 60 seconds left in the install"},
	             {"repair-done", "click Back to return to the main menu."},
	             {"disc-done-errors", "You can click Back and use the repair"},
	             {"demo-servers-failed", "The proxy proxy.example.net:8080 refused the connection. Please check the proxy "
	                                     "settings under Prefs."},
	             {"demo-servers-failed", "seconds, or click Next to try again now."},
	             {"update-servers-failed", "could not get an answer from mirror-two.tarrowfield.example: 502 Bad Gateway."},
	             {"update-servers-portal", "perhaps this network asks you to sign in first"},
	             {"demo-install-error", "mirror-two.tarrowfield.example answered with an error: 503 Service Unavailable."},
	             {"update-done-undelivered", "this copy could not take it: A folder on the way is a link"}};
	for (const auto& w : words) {
		const std::string rec = read_all(out + "/English-" + w.scene + ".txt");
		// where a sentence wraps depends on the copy's path, so read each call's lines as one text
		std::map<int, std::string> said;
		std::istringstream in(rec);
		std::string line;
		while (std::getline(in, line)) {
			const size_t at = line.find(" call ");
			if (line.compare(0, 5, "text ") != 0 || at == std::string::npos) continue;
			const size_t text_at = line.find(' ', at + 6);
			if (text_at == std::string::npos) continue;
			std::string& s = said[atoi(line.c_str() + at + 6)];
			s += (s.empty() ? "" : " ") + line.substr(text_at + 1);
		}
		bool found = false;
		for (const auto& c : said) found = found || c.second.find(w.line) != std::string::npos;
		EXPECT_TRUE(found) << w.scene << ": " << w.line << "\n" << rec;
		EXPECT_EQ(rec.find("approximately 0 "), std::string::npos) << w.scene;
	}
	if (!HasFailure()) system(("rm -rf '" + root + "'").c_str());
}

static BTN_layout_item control(float x0, float y0, float x1, float y1)
{
	return {1, "button", {x0, y0, x1, y1}, -1, layout_free, 0, {}};
}
static BTN_layout_item text(const char* s, float x0, float y0, float x1, float y1, int owner, int role, int call)
{
	return {0, s, {x0, y0, x1, y1}, owner, role, call, {}};
}

TEST(LayoutRecord, FaultsAReaderSees)
{
	// a clean frame: a caption inside its button, a label clear of its box, wrapped lines 10 apart
	std::vector<BTN_layout_item> ok = {control(100, 40, 200, 64), text("OK", 140, 46, 160, 56, 0, layout_inside, 1),
	                                   control(300, 40, 318, 58), text("Label", 240, 44, 295, 54, 2, layout_beside, 2),
	                                   text("line one", 20, 200, 300, 211, -1, layout_free, 3),
	                                   text("line two", 20, 190, 300, 202, -1, layout_free, 4)};
	EXPECT_TRUE(BTN_layout_faults(ok, 800, 600).empty());

	auto faults_of = [&](std::vector<BTN_layout_item> v) { return BTN_layout_faults(v, 800, 600); };
	auto has = [](const std::vector<std::string>& f, const char* what) {
		for (const std::string& s : f)
			if (s.find(what) != std::string::npos) return true;
		return false;
	};
	// a caption wider than its button
	EXPECT_TRUE(has(faults_of({control(100, 40, 200, 64), text("WIDE", 90, 46, 210, 56, 0, layout_inside, 1)}),
	                "leaves its button"));
	// a label one unit from its box
	EXPECT_TRUE(has(faults_of({control(300, 40, 318, 58), text("Label", 240, 44, 299, 54, 0, layout_beside, 1)}),
	                "touches its button"));
	// two controls on each other, a text on another control, texts on texts, a text off the window
	EXPECT_TRUE(has(faults_of({control(0, 0, 50, 20), control(40, 10, 90, 30)}), "overlaps"));
	EXPECT_TRUE(has(faults_of({control(0, 0, 50, 20), text("free", 10, 5, 30, 15, -1, layout_free, 1)}), "is on button"));
	EXPECT_TRUE(has(faults_of({text("a", 10, 10, 60, 20, -1, layout_free, 1), text("b", 50, 12, 90, 22, -1, layout_free, 2)}),
	                "is on text"));
	EXPECT_TRUE(has(faults_of({text("cut", -12, 10, 60, 20, -1, layout_free, 1)}), "leaves the window"));
	// a button across a panel's drawn edge; a button and text wholly inside it or below it are not
	const BTN_layout_item panel = {2, "panel", {1, 21, 419, 226}, -1, layout_free, 0, {}};
	EXPECT_TRUE(has(faults_of({panel, control(170, 6, 250, 30)}), "lies across the edge of panel"));
	EXPECT_TRUE(faults_of({panel, control(170, 40, 250, 64), text("in", 20, 100, 60, 110, -1, layout_free, 1),
	                       control(170, -20, 250, 4)})
	                .size() == 1);	// only the last leaves the window
	// wrapped lines of one block are a pitch apart, but their ink may not meet: a low line on the capital below
	BTN_layout_item up = text("part_18", 10, 10, 60, 21, -1, layout_free, 1), down = text("Next", 10, 0, 60, 11, -1, layout_free, 1);
	up.ink = {{20, 10, 20}, {21, 11, 20}};
	down.ink = {{19, 2, 10}, {20, 2, 10}};
	EXPECT_TRUE(has(faults_of({up, down}), "runs into"));
	down.ink[1].hi = 9;	// a row apart
	EXPECT_TRUE(faults_of({up, down}).empty());
	// text cut to its field by a scissor is not measured; lines of one call are laid out together
	EXPECT_TRUE(faults_of({control(0, 0, 50, 20), text("long field text", -5, 5, 400, 15, 0, layout_clipped, 1)}).empty());
	EXPECT_TRUE(faults_of({text("a", 10, 10, 60, 20, -1, layout_free, 1), text("b", 50, 12, 90, 22, -1, layout_free, 1)}).empty());
}

TEST(PromptLayout, ButtonsAreSizedToTheirCaptions)
{
	auto check = [](const float w[5], float left, float right, int rows) {
		select_alert_button b[5];
		select_alert_layout(w, left, right, b);
		const int answers[5] = {select_act, select_keep, select_act_dir, select_keep_dir, select_cancel};
		float low = 1e9f, high = -1e9f;
		for (int i = 0; i < 5; ++i) {
			EXPECT_EQ(b[i].answer, answers[i]);
			EXPECT_GE(b[i].width, w[i] + 21) << i;
			EXPECT_GE(b[i].x - b[i].width / 2, left) << i;
			EXPECT_LE(b[i].x + b[i].width / 2, right) << i;
			low = std::min(low, b[i].y);
			high = std::max(high, b[i].y);
			for (int j = 0; j < i; ++j) {
				bool apart = b[i].y != b[j].y || b[i].x - b[i].width / 2 >= b[j].x + b[j].width / 2 ||
				             b[j].x - b[j].width / 2 >= b[i].x + b[i].width / 2;
				EXPECT_TRUE(apart) << i << " on " << j;
			}
		}
		EXPECT_EQ((int)((high - low) / 25 + 1.5f), rows);
	};
	const float english[5] = {150, 120, 290, 260, 190};	// three columns fit: two rows
	check(english, 10, 740, 2);
	const float spanish[5] = {210, 190, 380, 360, 200};	// too wide: cancel gets a row of its own
	check(spanish, 10, 740, 3);
}
