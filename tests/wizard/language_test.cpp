// The language files: every text the program shows has a translation in each,
// with the same placeholders, label marks, plural forms and blanks, in clean
// UTF-8 of one script a word, and the files load through the translation service.
#include "wizard_support.h"
#include "main_prompts.h"
#include "main_status.h"
#include "utils.h"
#include "MACIBM_shell.h"
#include "UTL_translate.h"
#include <dirent.h>
#include <map>
#include <set>
#include <vector>

static const char* const kLanguages[5] = {"French", "German", "Russian", "Italian", "Spanish"};

static std::string language_path(const char* lang)
{
	return std::string(VANTOR_SOURCE_DIR) + "/Resources/" + lang + ".txt";
}

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
		if (at > 0 && (ident_char(src[at - 1]) || src[at - 1] == ':')) continue;
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

// The literals inside the braces of the array declared by `decl` in `src`.
static void array_literals(const std::string& src, const std::string& decl, std::set<std::string>& out)
{
	for (size_t at = src.find(decl); at != std::string::npos; at = src.find(decl, at + 1)) {
		size_t i = src.find('{', at), end = src.find("};", at);
		if (i == std::string::npos || end == std::string::npos) return;
		while (i < end) {
			if (src[i] == '"') out.insert(read_literal(src, i));
			else ++i;
		}
	}
}

static void source_files(const std::string& folder, std::vector<std::string>& out)
{
	DIR* d = opendir(folder.c_str());
	if (!d) return;
	while (dirent* ent = readdir(d)) {
		std::string name = ent->d_name;
		if (name == "." || name == "..") continue;
		std::string path = folder + "/" + name;
		if (ent->d_type == DT_DIR) source_files(path, out);
		else if (name.size() > 4 && name.compare(name.size() - 4, 4, ".cpp") == 0) out.push_back(path);
	}
	closedir(d);
}

// Singular and plural texts of every plural lookup in the program.
static std::set<std::pair<std::string, std::string>> plural_pairs;

// Every text the program passes to the translation service: literal arguments of
// the lookups (and of the helpers that look their argument up), the screens' step
// names and result texts, the engine prompt's words, the windows' titles and the
// sentences of the error codes.
static std::set<std::string> program_texts()
{
	std::set<std::string> keys;
	std::vector<std::string> files;
	source_files(std::string(VANTOR_SOURCE_DIR) + "/Installer-f", files);
	source_files(std::string(VANTOR_SOURCE_DIR) + "/RUderur", files);
	for (const std::string& f : files) {
		std::string src = wz_read(f);
		std::vector<std::vector<std::string>> calls;
		call_literals(src, "UTL_translate_string", calls);
		if (src.find("std::string T(const char*") != std::string::npos) call_literals(src, "T", calls);
		if (src.find("auto tr = ") != std::string::npos) call_literals(src, "tr", calls);
		for (auto& c : calls)
			if (!c.empty() && !c[0].empty()) keys.insert(c[0]);
		calls.clear();
		call_literals(src, "dvd_pick_copy", calls);
		for (auto& c : calls)
			if (c.size() > 1 && !c[1].empty()) keys.insert(c[1]);
		calls.clear();
		call_literals(src, "dvd_run_progress", calls);
		for (auto& c : calls)
			for (size_t a = 2; a < c.size(); ++a)
				if (!c[a].empty()) keys.insert(c[a]);
		calls.clear();
		call_literals(src, "UTL_translate_plural", calls);
		call_literals(src, "UTL_translate_plural_genitive", calls);
		call_literals(src, "plural_count", calls);	// a count with its unit's two forms
		for (auto& c : calls)
			if (c.size() >= 3 && !c[1].empty() && !c[2].empty()) {
				keys.insert(c[1]);
				keys.insert(c[2]);
				plural_pairs.insert({c[1], c[2]});
			}
		array_literals(src, "static const err_msg kErrMsgs[", keys);	// error_str's sentences
		if (f.find("/Installer-f/main_") != std::string::npos) {
			array_literals(src, "static const char* const names[", keys);
			array_literals(src, "static const dvd_run_flow dvd_flows[", keys);	// the disc flows' titles and lines
			if (src.find("T(words[") != std::string::npos) array_literals(src, "static const char* const words[", keys);
		}
	}
	for (int del = 0; del < 2; ++del) {
		const select_alert_texts& w = select_alert_words(del);
		keys.insert(w.heading);
		keys.insert(w.question);
		for (const char* b : w.buttons) keys.insert(b);
	}
	for (int id = 0; id < 1000; ++id)
		if (const MACIBM_wind_spec* w = MACIBM_find_wind(id))
			if (w->title && *w->title) keys.insert(w->title);
	return keys;
}

// STRING (and GENITIVE) entries of a language file, as the service reads them.
static void read_entries(const std::string& path, std::map<std::string, std::string>& plain,
                         std::map<std::string, std::string>& genitive)
{
	std::string body = wz_read(path);
	const std::string header = "A\n900 version\nTRANSLATION\n";
	ASSERT_EQ(body.compare(0, header.size(), header), 0) << path;
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
			// a keyword the service would read in a form this reader skips
			EXPECT_TRUE(line.find("STRING") == std::string::npos && line.find("GENITIVE") == std::string::npos)
			    << path << ": " << line;
			continue;
		}
		size_t sep = line.find("====");
		ASSERT_NE(sep, std::string::npos) << path << ": " << line;
		std::string k = line.substr(0, sep), t = line.substr(sep + 4);
		str_unescape(k);
		str_unescape(t);
		EXPECT_EQ(into->count(k), 0u) << path << " repeats " << k;
		into->emplace(k, t);
	}
}

static std::multiset<int> placeholders(const std::string& s)
{
	std::vector<int> n;
	UTL_string_check(s, n);
	return std::multiset<int>(n.begin(), n.end());
}

// s without its placeholders (their labels hold colons and Latin words).
static std::string without_placeholders(const std::string& s)
{
	std::string out;
	size_t pos = 0;
	for (;;) {
		size_t open = s.find('%', pos);
		size_t colon = open == std::string::npos ? open : s.find(':', open);
		size_t close = colon == std::string::npos ? colon : s.find('%', colon);
		if (close == std::string::npos || open + 1 >= s.size() || !isdigit((unsigned char)s[open + 1])) {
			if (open == std::string::npos) break;
			out += s.substr(pos, open + 1 - pos);
			pos = open + 1;
			continue;
		}
		out += s.substr(pos, open - pos) + "%";
		pos = close + 1;
	}
	return out + s.substr(pos);
}

// Code points of s, or false when s is not well-formed UTF-8.
static bool decode_utf8(const std::string& s, std::vector<unsigned>& out)
{
	for (size_t i = 0; i < s.size();) {
		unsigned char c = s[i];
		int extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
		if (extra < 0 || i + extra >= s.size() + (extra == 0)) return false;
		unsigned cp = extra == 0 ? c : extra == 1 ? c & 0x1F : extra == 2 ? c & 0x0F : c & 0x07;
		for (int k = 1; k <= extra; ++k) {
			unsigned char d = s[i + k];
			if ((d & 0xC0) != 0x80) return false;
			cp = cp << 6 | (d & 0x3F);
		}
		static const unsigned least[4] = {0, 0x80, 0x800, 0x10000};
		if (cp < least[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
		out.push_back(cp);
		i += extra + 1;
	}
	return true;
}

static bool latin_letter(unsigned cp) { return (cp < 0x80 && isalpha((int)cp)) || (cp >= 0xC0 && cp < 0x250 && cp != 0xD7 && cp != 0xF7); }
static bool cyrillic_letter(unsigned cp) { return cp >= 0x400 && cp < 0x530; }

// The label marks of the widget labels: the leading "|" and "-", every "|" and "{".
static std::string label_marks(const std::string& s)
{
	std::string lead = s.substr(0, s.find_first_not_of("|-"));
	return lead + "/" + std::to_string(wz_count(s, "|")) + "/" + std::to_string(wz_count(s, "{"));
}

TEST(LanguageFiles, EveryProgramTextIsTranslated)
{
	std::set<std::string> keys = program_texts();
	ASSERT_GT(keys.size(), 150u);	// the scan found the screens' texts
	ASSERT_GE(plural_pairs.size(), 5u);
	for (const char* lang : kLanguages) {
		std::map<std::string, std::string> plain, genitive;
		read_entries(language_path(lang), plain, genitive);
		for (const std::string& k : keys)
			if (!plain.count(k)) ADD_FAILURE() << lang << " has no translation of: " << k;
		// the plural rule of each language finds a form for every count
		for (auto& p : plural_pairs) {
			if (std::string(lang) == "Russian") {
				EXPECT_EQ(genitive.count(p.second), 1u) << lang << " lacks the form for 2 to 4 of: " << p.second;
			}
		}
		for (auto& g : genitive) {
			bool is_plural = false;
			for (auto& p : plural_pairs) is_plural |= p.second == g.first;
			EXPECT_TRUE(is_plural) << lang << " genitive of a text no count picks: " << g.first;
			EXPECT_EQ(plain.count(g.first), 1u) << lang << " genitive without plural: " << g.first;
		}
		if (std::string(lang) != "Russian") {
			EXPECT_TRUE(genitive.empty()) << lang;
		}
	}
}

// A text that tells the user to click a button names it as its picture reads,
// in every language.
TEST(LanguageFiles, TextsNameTheButtonsAsTheirPicturesRead)
{
	// the bottom row's words in French, German, Russian, Italian and Spanish, as the art draws them
	const std::map<std::string, std::vector<std::string>> buttons = {
	    {"Back", {"Retour", "Zurück", "Назад", "Indietro", "Atrás"}},
	    {"Next", {"Suivant", "Weiter", "Далее", "Avanti", "Siguiente"}},
	    {"Quit", {"Quitter", "Beenden", "Выход", "Esci", "Salir"}},
	    {"Prefs", {"Préférences", "Optionen", "Настройки", "Preferenze", "Preferencias"}}};
	std::vector<std::pair<std::string, std::string>> named;	// a text and the button it names
	for (const std::string& k : program_texts()) {
		for (size_t at = k.find("lick "); at != std::string::npos; at = k.find("lick ", at + 1)) {
			size_t end = at + 5;
			while (end < k.size() && isalpha((unsigned char)k[end])) ++end;
			const std::string word = k.substr(at + 5, end - at - 5);
			if (word.empty() || !isupper((unsigned char)word[0])) continue;	// "click on the map"
			EXPECT_EQ(buttons.count(word), 1u) << "no button reads " << word << ": " << k;
			named.push_back({k, word});
		}
		for (size_t at = k.find("Prefs"); at != std::string::npos; at = k.find("Prefs", at + 1))
			if ((at == 0 || !isalpha((unsigned char)k[at - 1])) && (at + 5 == k.size() || !isalpha((unsigned char)k[at + 5])))
				named.push_back({k, "Prefs"});
	}
	ASSERT_GE(named.size(), 5u);
	for (int i = 0; i < 5; ++i) {
		std::map<std::string, std::string> plain, genitive;
		read_entries(language_path(kLanguages[i]), plain, genitive);
		for (const auto& [k, word] : named)
			if (buttons.count(word)) {
				EXPECT_NE(plain[k].find(buttons.at(word)[i]), std::string::npos)
					<< kLanguages[i] << " does not name " << word << " as its button reads: " << plain[k];
			}
	}
}

TEST(LanguageFiles, EntriesKeepTheirPlaceholdersMarksAndBlanks)
{
	for (const char* lang : kLanguages) {
		std::map<std::string, std::string> plain, genitive;
		read_entries(language_path(lang), plain, genitive);
		ASSERT_GT(plain.size(), 150u) << lang;
		for (auto* dict : {&plain, &genitive})
			for (auto& e : *dict) {
				const std::string &k = e.first, &t = e.second;
				// the service drops a translation shorter than two bytes
				EXPECT_GE(t.size(), 2u) << lang << ": " << k;
				EXPECT_NE(t.find_first_not_of(" "), std::string::npos) << lang << ": " << k;
				EXPECT_EQ(placeholders(t), placeholders(k)) << lang << ": " << k;
				// a "%%" after a placeholder is a percent sign the translation keeps
				EXPECT_EQ(wz_count(t, "%%"), wz_count(k, "%%")) << lang << ": " << k;
				EXPECT_EQ(wz_count(t, "\n"), wz_count(k, "\n")) << lang << ": " << k;
				EXPECT_EQ(label_marks(t), label_marks(k)) << lang << ": " << k;
				// texts are joined to names and values at their blanks
				EXPECT_EQ(UTL_count_leading(t), UTL_count_leading(k)) << lang << ": " << k;
				EXPECT_EQ(UTL_count_trailing(t), UTL_count_trailing(k)) << lang << ": " << k;
			}
	}
}

TEST(LanguageFiles, CleanTextOfOneScriptAWord)
{
	for (const char* lang : kLanguages) {
		std::map<std::string, std::string> plain, genitive;
		read_entries(language_path(lang), plain, genitive);
		const bool cyrillic = std::string(lang) == "Russian";
		for (auto* dict : {&plain, &genitive})
			for (auto& e : *dict) {
				std::vector<unsigned> cps;
				if (!decode_utf8(e.second, cps)) {
					ADD_FAILURE() << lang << " translation is not UTF-8: " << e.first;
					continue;
				}
				int script = 0;	// of the letters run so far: 1 Latin, 2 Cyrillic, 3 both
				for (unsigned cp : cps) {
					// only line ends the key has; no tabs, CR, other controls,
					// replacement characters or invisible marks
					bool bad = (cp < 0x20 && cp != '\n') || (cp >= 0x7F && cp < 0xA0) || cp == 0xFFFD ||
					           (cp >= 0x200B && cp <= 0x200F) || cp == 0xFEFF || cp == 0xAD;
					EXPECT_FALSE(bad) << lang << ": U+" << std::hex << cp << std::dec << " in " << e.first;
					if (latin_letter(cp)) script |= 1;
					else if (cyrillic_letter(cp)) script |= 2;
					else if (cp != 0x301) {
						EXPECT_NE(script, 3) << lang << ": a word mixes Latin and Cyrillic letters in " << e.second;
						script = 0;
					}
					if (!cyrillic) {
						EXPECT_FALSE(cyrillic_letter(cp)) << lang << ": Cyrillic in " << e.second;
					}
				}
				EXPECT_NE(script, 3) << lang << ": a word mixes Latin and Cyrillic letters in " << e.second;
			}
	}
}

TEST(LanguageFiles, EachLanguageQuotesAndPunctuatesItsOwnWay)
{
	const std::string nbsp = "\xC2\xA0", nnbsp = "\xE2\x80\xAF";
	// opening and closing quotation marks of each language
	const std::map<std::string, std::pair<std::string, std::string>> quotes = {
	    {"French", {"\xC2\xAB" + nbsp, nbsp + "\xC2\xBB"}},
	    {"German", {"\xE2\x80\x9E", "\xE2\x80\x9C"}},
	    {"Russian", {"\xC2\xAB", "\xC2\xBB"}},
	    {"Italian", {"\xC2\xAB", "\xC2\xBB"}},
	    {"Spanish", {"\xC2\xAB", "\xC2\xBB"}}};
	for (const char* lang : kLanguages) {
		std::map<std::string, std::string> plain, genitive;
		read_entries(language_path(lang), plain, genitive);
		const auto& q = quotes.at(lang);
		for (auto& e : plain) {
			const std::string t = without_placeholders(e.second);
			// a quoted name: the key's quotes become the language's own marks
			EXPECT_EQ(wz_count(t, q.first + "%"), wz_count(e.first, "'%")) << lang << ": " << e.second;
			EXPECT_EQ(wz_count(t, "%" + q.second), wz_count(e.first, "%'")) << lang << ": " << e.second;
			EXPECT_EQ(wz_count(t, q.first), wz_count(t, q.second)) << lang << ": " << e.second;
			int marks = 0;
			for (const char* m : {"\xC2\xAB", "\xC2\xBB", "\xE2\x80\x9E", "\xE2\x80\x9C", "\xE2\x80\x9D"}) marks += wz_count(t, m);
			EXPECT_EQ(marks, 2 * wz_count(t, q.first)) << lang << " mixes quotation marks: " << e.second;
			EXPECT_EQ(t.find('"'), std::string::npos) << lang << ": " << e.second;
			// a blank-surrounded hyphen is a dash
			EXPECT_EQ(t.find(" - "), std::string::npos) << lang << ": " << e.second;
			if (std::string(lang) != "French") continue;
			// a line never breaks before the French high punctuation
			for (size_t i = 0; i < t.size(); ++i) {
				if (!strchr(":;!?", t[i]) && t.compare(i, 2, "\xC2\xBB") != 0) continue;
				const bool spaced = (i >= 2 && t.compare(i - 2, 2, nbsp) == 0) || (i >= 3 && t.compare(i - 3, 3, nnbsp) == 0);
				EXPECT_TRUE(spaced) << "French: no no-break space before the mark at " << i << " of " << e.second;
			}
		}
	}
}

TEST(LanguageFiles, LoadThroughTheService)
{
	for (int lang = 1; lang <= 5; ++lang) {
		UTL_translate_load_file(lang, language_path(kLanguages[lang - 1]));
		EXPECT_NE(UTL_translate_string("Welcome", 0), "Welcome") << kLanguages[lang - 1];
		EXPECT_NE(UTL_translate_string("Fly Vantor 9 Now", 0), "Fly Vantor 9 Now");
		std::string two = UTL_string_sub(UTL_translate_plural(2, "%1:seconds% second", "%1:seconds% seconds"), "2");
		EXPECT_EQ(two.compare(0, 2, "2 "), 0) << two;
	}
	UTL_translate_load_file(3, language_path("Russian"));
	EXPECT_EQ(UTL_string_sub(UTL_translate_plural(1, "%1:minutes% minute", "%1:minutes% minutes"), "1"), "1 минута");
	EXPECT_EQ(UTL_string_sub(UTL_translate_plural(3, "%1:minutes% minute", "%1:minutes% minutes"), "3"), "3 минуты");
	EXPECT_EQ(UTL_string_sub(UTL_translate_plural(7, "%1:minutes% minute", "%1:minutes% minutes"), "7"), "7 минут");
	EXPECT_EQ(UTL_string_sub(UTL_translate_plural(4, "I need to install approximately %1:count% file to repair %2:path%.",
	                                              "I need to install approximately %1:count% files to repair %2:path%."),
	                         "4", "/v"),
	          "Для восстановления /v нужно установить примерно 4 файла.");
	UTL_translate_load_file(1, language_path("French"));
	EXPECT_EQ(UTL_string_sub(UTL_translate_plural(0, "%1:hours% hour", "%1:hours% hours"), "0"), "0 heure");

	// durations after a preposition ("около" takes the genitive), sizes in the
	// language's own units and decimal mark, rates and counts with their digits
	// grouped and their unit's form
	enum { dur, dur_after, size, rate, full };
	static const struct {
		int lang;		// 0 English, 1 French, 2 German, 3 Russian, 4 Italian, 5 Spanish
		int kind;
		float value;	// seconds, kB or kB/s
		const char* want;
	} forms[] = {
	    {3, dur_after, 1, "1 секунды"}, {3, dur_after, 5, "5 секунд"}, {3, dur_after, 3, "3 секунд"},
	    {3, dur_after, 11, "11 секунд"}, {3, dur_after, 21, "21 секунды"}, {3, dur, 1, "1 секунда"},
	    {3, dur, 3, "3 секунды"}, {3, dur_after, 1260, "21 минуты"}, {3, dur_after, 7200, "2 часов"},
	    {3, dur_after, 75600, "21 часа"}, {1, dur_after, 1, "1 seconde"}, {2, dur_after, 3, "3 Sekunden"},
	    {1, size, 2000000, "1,9 Go"}, {1, size, 1024000, "1000 Mo"}, {1, size, 0, "0 Ko"},
	    {3, size, 2000000, "1,9 ГБ"}, {3, size, 5000, "5 МБ"}, {3, size, 1024, "1024 КБ"},
	    {2, size, 2000000, "1,9 GB"}, {4, size, 3000000, "2,9 GB"}, {5, size, 2000, "2 MB"},
	    {0, rate, 38856.7f, "38,856 kilobytes/second"}, {0, rate, 1234567, "1,234,567 kilobytes/second"},
	    {0, rate, 999, "999 kilobytes/second"}, {0, rate, 1000, "1,000 kilobytes/second"},
	    {1, rate, 38856, "38\u202f856 kilooctets/seconde"}, {2, rate, 38856, "38.856 Kilobyte/Sekunde"},
	    {3, rate, 38856, "38\u202f856 килобайт/с"}, {5, rate, 1001002, "1.001.002 kilobytes/segundo"},
	    {0, dur, 36000000, "10,000 hours"},
	    {0, full, 1024, "The disk that holds this folder is full: about 1 megabyte more free space is needed there."},
	    {0, full, 1536000, "The disk that holds this folder is full: about 1,500 megabytes more free space is needed there."},
	    {3, full, 1024, "Диск, на котором находится эта папка, заполнен: там нужно ещё около 1 мегабайта свободного места."},
	    {3, full, 21504, "Диск, на котором находится эта папка, заполнен: там нужно ещё около 21 мегабайта свободного места."},
	    {3, full, 3072, "Диск, на котором находится эта папка, заполнен: там нужно ещё около 3 мегабайт свободного места."},
	    {1, full, 1024, "Le disque qui contient ce dossier est plein\u00a0: il y faut encore environ 1 mégaoctet d'espace libre."},
	    {1, full, 2048, "Le disque qui contient ce dossier est plein\u00a0: il y faut encore environ 2 mégaoctets d'espace libre."},
	    {5, full, 1024, "El disco que contiene esta carpeta está lleno: se necesita allí aproximadamente 1 megabyte más de "
	                    "espacio libre."},
	    {0, full, 0, "The disk that holds this folder is full."},
	};
	for (const auto& f : forms) {
		if (f.lang) UTL_translate_load_file(f.lang, language_path(kLanguages[f.lang - 1]));
		else UTL_translate_clear();
		const std::string got = f.kind == size   ? size_string(f.value)
		                        : f.kind == rate ? rate_str(f.value)
		                        : f.kind == full ? grab_full_disk_text(f.value)
		                                         : time_str(f.value, f.kind == dur_after);
		EXPECT_EQ(got, f.want) << f.lang;
	}
	UTL_translate_clear();
	EXPECT_EQ(UTL_translate_string("Welcome", 0), "Welcome");
}
