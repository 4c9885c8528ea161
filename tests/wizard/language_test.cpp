// The language files: every text the wizard shows has a translation in each,
// with the same placeholders, and the files load through the translation service.
#include "wizard_support.h"
#include "main_prompts.h"
#include "UTL_translate.h"
#include <dirent.h>
#include <map>
#include <set>
#include <vector>

static const char* const kLanguages[5] = {"French", "German", "Russian", "Italian", "Spanish"};

static bool ident_char(char c) { return isalnum((unsigned char)c) || c == '_'; }

// The C string literal at s[i] (which is '"'), unescaped; i moves past it.
static std::string read_literal(const std::string& s, size_t& i)
{
	std::string out;
	for (++i; i < s.size() && s[i] != '"'; ++i) {
		if (s[i] == '\\' && i + 1 < s.size()) {
			char c = s[++i];
			out += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
		} else {
			out += s[i];
		}
	}
	++i;
	return out;
}

// The literal arguments (adjacent literals joined) of every call of `fn` in `src`,
// by argument index; a non-literal argument gives no text.
static void call_literals(const std::string& src, const std::string& fn, std::vector<std::vector<std::string>>& calls)
{
	for (size_t at = src.find(fn + "("); at != std::string::npos; at = src.find(fn + "(", at + 1)) {
		if (at > 0 && ident_char(src[at - 1])) continue;
		size_t i = at + fn.size() + 1;
		int depth = 1;
		std::vector<std::string> args(1);
		std::vector<bool> literal(1, true);
		bool any = false;
		while (i < src.size() && depth > 0) {
			char c = src[i];
			if (c == '"') {
				std::string lit = read_literal(src, i);
				if (depth == 1) {
					args.back() += lit;
					any = true;
				}
				continue;
			}
			if (c == '\'') {
				i += src[i + 1] == '\\' ? 4 : 3;
				continue;
			}
			if (c == '(') ++depth;
			else if (c == ')') --depth;
			else if (c == ',' && depth == 1) {
				if (!any) literal.back() = false;
				args.emplace_back();
				literal.push_back(true);
				any = false;
			} else if (depth == 1 && !isspace((unsigned char)c)) {
				literal.back() = false;
			}
			++i;
		}
		if (!any) literal.back() = false;
		for (size_t a = 0; a < args.size(); ++a)
			if (!literal[a]) args[a].clear();
		calls.push_back(args);
	}
}

static std::set<std::string> wizard_texts()
{
	std::set<std::string> keys;
	std::string folder = std::string(VANTOR_SOURCE_DIR) + "/Installer-f/";
	DIR* d = opendir(folder.c_str());
	if (!d) return keys;
	while (dirent* ent = readdir(d)) {
		std::string name = ent->d_name;
		if (name.compare(0, 5, "main_") != 0 || name.size() < 4 || name.compare(name.size() - 4, 4, ".cpp") != 0) continue;
		std::string src = wz_read(folder + name);
		std::vector<std::vector<std::string>> calls;
		call_literals(src, "UTL_translate_string", calls);
		call_literals(src, "T", calls);
		for (auto& c : calls)
			if (!c.empty() && !c[0].empty()) keys.insert(c[0]);
		calls.clear();
		call_literals(src, "UTL_translate_plural", calls);
		for (auto& c : calls)
			for (size_t a = 1; a < c.size(); ++a)
				if (!c[a].empty()) keys.insert(c[a]);
	}
	closedir(d);
	for (int del = 0; del < 2; ++del) {
		const select_alert_texts& w = select_alert_words(del);
		keys.insert(w.heading);
		keys.insert(w.question);
		for (const char* b : w.buttons) keys.insert(b);
	}
	for (const char* step : {"Welcome", "License", "Check Servers", "Pick Destination", "Install", "Finish",
	                         "Search for Updates", "Check Disk Space", "Install Updates"})
		keys.insert(step);
	return keys;
}

// STRING (and GENITIVE) entries of a language file, as the service reads them.
static void read_entries(const std::string& path, std::map<std::string, std::string>& plain,
                         std::map<std::string, std::string>& genitive)
{
	std::string body = wz_read(path);
	size_t pos = 0;
	while (pos < body.size()) {
		size_t eol = body.find('\n', pos);
		if (eol == std::string::npos) eol = body.size();
		std::string line = body.substr(pos, eol - pos);
		pos = eol + 1;
		std::map<std::string, std::string>* into = nullptr;
		if (line.compare(0, 7, "STRING ") == 0) {
			into = &plain;
			line.erase(0, 7);
		} else if (line.compare(0, 9, "GENITIVE ") == 0) {
			into = &genitive;
			line.erase(0, 9);
		} else {
			continue;
		}
		size_t sep = line.find("====");
		ASSERT_NE(sep, std::string::npos) << path << ": " << line;
		std::string k = line.substr(0, sep), t = line.substr(sep + 4);
		str_unescape(k);
		str_unescape(t);
		EXPECT_EQ(into->count(k), 0u) << path << " repeats " << k;
		(*into)[k] = t;
	}
}

static std::multiset<int> placeholders(const std::string& s)
{
	std::vector<int> n;
	UTL_string_check(s, n);
	return std::multiset<int>(n.begin(), n.end());
}

TEST(LanguageFiles, EveryWizardTextIsTranslated)
{
	std::set<std::string> keys = wizard_texts();
	ASSERT_GT(keys.size(), 80u);	// the scan found the screens' texts
	for (const char* lang : kLanguages) {
		std::string path = std::string(VANTOR_SOURCE_DIR) + "/Resources/" + lang + ".txt";
		std::map<std::string, std::string> plain, genitive;
		read_entries(path, plain, genitive);
		for (const std::string& k : keys) {
			auto it = plain.find(k);
			if (it == plain.end()) {
				ADD_FAILURE() << lang << " has no translation of: " << k;
				continue;
			}
			EXPECT_EQ(placeholders(it->second), placeholders(k)) << lang << ": " << k;
			// a "%%" after a placeholder is a percent sign the translation keeps
			EXPECT_EQ(wz_count(it->second, "%%"), wz_count(k, "%%")) << lang << ": " << k;
			EXPECT_EQ(wz_count(it->second, "\n"), wz_count(k, "\n")) << lang << ": " << k;
			EXPECT_EQ(k[0] == '|', it->second[0] == '|') << lang << ": " << k;
		}
		for (auto& g : genitive) {
			EXPECT_EQ(plain.count(g.first), 1u) << lang << " genitive without plural: " << g.first;
			EXPECT_EQ(placeholders(g.second), placeholders(g.first));
		}
		if (std::string(lang) == "Russian") EXPECT_GE(genitive.size(), 4u);
		else EXPECT_TRUE(genitive.empty());
	}
}

TEST(LanguageFiles, LoadThroughTheService)
{
	for (int lang = 1; lang <= 5; ++lang) {
		std::string path = std::string(VANTOR_SOURCE_DIR) + "/Resources/" + kLanguages[lang - 1] + ".txt";
		UTL_translate_load_file(lang, path);
		EXPECT_NE(UTL_translate_string("Welcome", 0), "Welcome") << kLanguages[lang - 1];
		EXPECT_NE(UTL_translate_string("Fly Vantor 9 Now", 0), "Fly Vantor 9 Now");
		std::string two = UTL_string_sub(UTL_translate_plural(2, "%1:seconds% second", "%1:seconds% seconds"), "2");
		EXPECT_EQ(two.compare(0, 2, "2 "), 0) << two;
	}
	UTL_translate_load_file(3, std::string(VANTOR_SOURCE_DIR) + "/Resources/Russian.txt");
	EXPECT_EQ(UTL_string_sub(UTL_translate_plural(1, "%1:minutes% minute", "%1:minutes% minutes"), "1"), "1 минута");
	EXPECT_EQ(UTL_string_sub(UTL_translate_plural(3, "%1:minutes% minute", "%1:minutes% minutes"), "3"), "3 минуты");
	EXPECT_EQ(UTL_string_sub(UTL_translate_plural(7, "%1:minutes% minute", "%1:minutes% minutes"), "7"), "7 минут");
	UTL_translate_load_file(1, std::string(VANTOR_SOURCE_DIR) + "/Resources/French.txt");
	EXPECT_EQ(UTL_string_sub(UTL_translate_plural(0, "%1:hours% hour", "%1:hours% hours"), "0"), "0 heure");
	UTL_translate_clear();
	EXPECT_EQ(UTL_translate_string("Welcome", 0), "Welcome");
}
