#include "UTL_translate.h"
#include "UTL_cmdline.h"
#include "UTL_log.h"
#include "xmap.h"
#include <cstdio>
#include <cstdlib>
#include <climits>
#include <set>
#include <unordered_map>

struct LangInfo {
	const char* button;
	const char* folder;
	const char* resource_file;
	const char* bundle_path;
	const char* iso_code;
	int         numeric_code;
	int         plural_mode;
};

static const LangInfo kLangInfo[6] = {
	{"|English", "English/", nullptr, nullptr, "en", 9, 1},
	{"|Français", "French/", "RESOURCE:French.txt", "Resources/text/French.txt", "fr", 12, 0},
	{"|Deutsch", "German/", "RESOURCE:German.txt", "Resources/text/German.txt", "de", 7, 1},
	{"|Русский", "Russian/", "RESOURCE:Russian.txt", "Resources/text/Russian.txt", "ru", 32, 2},
	{"|Italiano", "Italian/", "RESOURCE:Italian.txt", "Resources/text/Italian.txt", "it", 16, 1},
	{"|Español", "Spanish/", "RESOURCE:Spanish.txt", "Resources/text/Spanish.txt", "es", 10, 1},
};

typedef std::unordered_map<std::string, std::string> dict_t;
static dict_t                dictionary[2] = {dict_t(100), dict_t(100)};
static std::set<std::string> logged;
static int                   has_translation = 0;
static int                   log_missing = 0;
static int                   plural_mode = 1;

void UTL_lang_get_languages(std::vector<int>& out)
{
	static std::vector<int> all = {0, 1, 2, 3, 4, 5};
	out = all;
}

std::string UTL_lang_get_folder(int language) { return kLangInfo[language].folder; }
std::string UTL_lang_get_button(int language) { return kLangInfo[language].button; }

void UTL_system_languages(std::vector<std::string>& out)
{
	out.clear();
	std::vector<std::string> raw;
	const char* language = getenv("LANGUAGE");
	if (language) {
		std::string all = language;
		size_t start = 0;
		while (start <= all.size()) {
			size_t colon = all.find(':', start);
			if (colon == std::string::npos) colon = all.size();
			raw.push_back(all.substr(start, colon - start));
			start = colon + 1;
		}
	}
	for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
		const char* v = getenv(var);
		if (v) raw.push_back(v);
	}
	for (const std::string& r : raw) {
		std::string code = r.substr(0, r.find_first_of("_.@-"));
		if (code.empty() || code == "C" || code == "POSIX") continue;
		out.push_back(code);
	}
}

int UTL_get_default_language()
{
	std::vector<int> langs;
	UTL_lang_get_languages(langs);
	if (langs.empty()) return -1;
	if (langs.size() == 1) return langs[0];
	if (UTL_cmdline::has_option("--lang")) {
		std::string want = UTL_cmdline::get_option("--lang");
		for (int l : langs)
			if (want == kLangInfo[l].iso_code) return l;
	}
	std::vector<std::string> sys;
	UTL_system_languages(sys);
	for (const std::string& code : sys)
		for (int l : langs)
			if (code == kLangInfo[l].iso_code) return l;
	return -1;
}

void str_unescape(std::string& s)
{
	for (size_t p = 0; (p = s.find("\\r", p)) != std::string::npos; ++p) s.replace(p, 2, "\r");
	for (size_t p = 0; (p = s.find("\\n", p)) != std::string::npos; ++p) s.replace(p, 2, "\n");
}

void UTL_translate_clear()
{
	dictionary[0].clear();
	dictionary[1].clear();
	logged.clear();
	has_translation = 0;
	log_missing = 0;
	plural_mode = 1;
}

static inline bool is_blank(char c) { return c == ' ' || c == '\t'; }
static inline bool is_eol(char c) { return c == '\n' || c == '\r' || c == 0; }

void UTL_translate_load_file(int language, const std::string& path)
{
	UTL_translate_clear();
	plural_mode = kLangInfo[language].plural_mode;
	xmap_class x(path);
	if (!x.begin) return;
	const int versions[] = {900, 0};
	if (x.check_file(file_type_txt, versions, "TRANSLATION", nullptr) != 900) return;
	const char* p = x.cursor;
	const char* e = x.end;
	while (p < e) {
		while (p < e && is_blank(*p)) ++p;
		int which = -1;
		if (e - p > 6 && std::string(p, 6) == "STRING" && is_blank(p[6])) { which = 0; p += 7; }
		else if (e - p > 8 && std::string(p, 8) == "GENITIVE" && is_blank(p[8])) { which = 1; p += 9; }
		const char* s = p;
		while (p < e && !is_eol(*p)) ++p;
		if (which >= 0) {
			std::string entry(s, p - s);
			size_t sep = entry.find("====");
			if (sep != std::string::npos && entry.size() - sep - 4 >= 2) {
				std::string key = entry.substr(0, sep), value = entry.substr(sep + 4);
				str_unescape(key);
				str_unescape(value);
				dictionary[which].emplace(key, value);	// the first entry for a key wins
			}
		}
		while (p < e && (is_eol(*p) || is_blank(*p))) ++p;
	}
	if (plural_mode == 2)
		for (const auto& g : dictionary[1])
			if (!dictionary[0].count(g.first))
				xer << "WARNING: language file line " << g.first << "====" << g.second
				    << " is provided in genitive but not plural case.\n\n";
	has_translation = 1;
	log_missing = UTL_cmdline::has_option("--missing_strings") ? 1 : 0;
}

void UTL_translate_load(int language)
{
	if (language < 1 || language > 5) {
		UTL_translate_clear();
		return;
	}
	UTL_translate_load_file(language, kLangInfo[language].resource_file);
}

std::string UTL_translate_string(const std::string& text, int which)
{
	if (!has_translation) return text;
	auto it = dictionary[which ? 1 : 0].find(text);
	if (it != dictionary[which ? 1 : 0].end()) return it->second;
	if (log_missing && !logged.count(text)) {
		std::string c = text;
		for (size_t p = 0; (p = c.find('\r', p)) != std::string::npos; p += 2) c.replace(p, 1, "\\r");
		for (size_t p = 0; (p = c.find('\n', p)) != std::string::npos; p += 2) c.replace(p, 1, "\\n");
		xer << "STRING " << c << "====" << c << "\n";
		logged.insert(text);
	}
	return text;
}

std::string UTL_translate_plural(int n, const std::string& singular, const std::string& plural)
{
	if (plural_mode == 0) return UTL_translate_string(n <= 1 ? singular : plural, 0);
	if (plural_mode == 2) {
		if (n == 1) return UTL_translate_string(singular, 0);
		int d = n % 10, dd = n % 100;
		if (d >= 2 && d <= 4 && !(dd >= 10 && dd <= 20) && dictionary[1].count(plural))
			return UTL_translate_string(plural, 1);
		return UTL_translate_string(plural, 0);
	}
	return UTL_translate_string(n == 1 ? singular : plural, 0);
}

std::string UTL_translate_plural_genitive(int n, const std::string& singular, const std::string& plural)
{
	if (plural_mode != 2) return UTL_translate_plural(n, singular, plural);
	// the genitive singular is the form for 2 to 4; every other count takes
	// the genitive plural, which is the form for 5 and up
	int d = n % 10, dd = n % 100;
	if (d == 1 && dd != 11 && dictionary[1].count(plural)) return UTL_translate_string(plural, 1);
	return UTL_translate_string(plural, 0);
}

std::string UTL_translate_count(long long n)
{
	unsigned long long a = n < 0 ? 0ULL - (unsigned long long)n : (unsigned long long)n;
	std::string out = std::to_string(a);
	if (a >= 1000) {
		char low[8];
		snprintf(low, sizeof low, "%03u", (unsigned)(a % 1000));
		out = UTL_string_sub(UTL_translate_string("%1:thousands%,%2:units%", 0), UTL_translate_count((long long)(a / 1000)),
		                     low);
	}
	return n < 0 ? "-" + out : out;
}

// The next placeholder from pos: its opening and closing "%" and its number
// (blanks and a sign allowed, 0 without digits). pos moves past the opening "%".
static bool next_placeholder(const std::string& s, size_t& pos, size_t& open, size_t& close, long& n)
{
	for (;;) {
		open = s.find('%', pos);
		if (open == std::string::npos) return false;
		pos = open + 1;
		size_t colon = s.find(':', open);
		if (colon == std::string::npos) continue;
		close = s.find('%', colon);
		if (close == std::string::npos) continue;
		n = strtol(s.c_str() + open + 1, nullptr, 10);
		if (n > INT_MAX || n < INT_MIN) n = 0;
		return true;
	}
}

std::string UTL_string_sub_x(const std::string& format, int count, const std::string** args)
{
	std::string r = format;
	size_t pos = 0, open, close;
	long n;
	while (next_placeholder(r, pos, open, close, n))
		if (n >= 1 && n <= count) {
			r.replace(open, close - open + 1, *args[n - 1]);
			pos = open + args[n - 1]->size();
		}
	return r;
}

std::string UTL_string_sub(const std::string& f, const std::string& v1)
{
	const std::string* a[] = {&v1};
	return UTL_string_sub_x(f, 1, a);
}
std::string UTL_string_sub(const std::string& f, const std::string& v1, const std::string& v2)
{
	const std::string* a[] = {&v1, &v2};
	return UTL_string_sub_x(f, 2, a);
}
std::string UTL_string_sub(const std::string& f, const std::string& v1, const std::string& v2, const std::string& v3)
{
	const std::string* a[] = {&v1, &v2, &v3};
	return UTL_string_sub_x(f, 3, a);
}
std::string UTL_string_sub(const std::string& f, const std::string& v1, const std::string& v2, const std::string& v3,
                           const std::string& v4)
{
	const std::string* a[] = {&v1, &v2, &v3, &v4};
	return UTL_string_sub_x(f, 4, a);
}
std::string UTL_string_sub(const std::string& f, const std::string& v1, const std::string& v2, const std::string& v3,
                           const std::string& v4, const std::string& v5)
{
	const std::string* a[] = {&v1, &v2, &v3, &v4, &v5};
	return UTL_string_sub_x(f, 5, a);
}
std::string UTL_string_sub(const std::string& f, const std::string& v1, const std::string& v2, const std::string& v3,
                           const std::string& v4, const std::string& v5, const std::string& v6)
{
	const std::string* a[] = {&v1, &v2, &v3, &v4, &v5, &v6};
	return UTL_string_sub_x(f, 6, a);
}

void UTL_string_check(const std::string& text, std::vector<int>& numbers)
{
	size_t pos = 0, open, close;
	long n;
	while (next_placeholder(text, pos, open, close, n))
		if (n > 0) {
			numbers.push_back((int)n);
			pos = close + 1;
		}
}

int UTL_count_leading(const std::string& s)
{
	size_t i = 0;
	while (i < s.size() && s[i] == ' ') ++i;
	return (int)i;
}

int UTL_count_trailing(const std::string& s)
{
	size_t i = 0;
	while (i < s.size() && s[s.size() - 1 - i] == ' ') ++i;
	return (int)i;
}
