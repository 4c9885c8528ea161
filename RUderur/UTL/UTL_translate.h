#ifndef UTL_TRANSLATE_H
#define UTL_TRANSLATE_H
// The translation service: every visible text is looked up by its English text.
#include <string>
#include <vector>

std::string UTL_translate_string(const std::string& text, int dictionary);
std::string UTL_translate_plural(int n, const std::string& singular, const std::string& plural);
// The form of a count that a preposition governing the genitive stands before
// (Russian "около 1 секунды", "около 5 секунд"); in languages without that
// case, the form UTL_translate_plural gives.
std::string UTL_translate_plural_genitive(int n, const std::string& singular, const std::string& plural);

// n in decimal, its digits in groups of three as the interface language
// writes them ("38,856"; "38 856" in French).
std::string UTL_translate_count(long long n);

// Fills placeholders %N:label% with the N-th argument.
std::string UTL_string_sub_x(const std::string& format, int count, const std::string** args);
std::string UTL_string_sub(const std::string& format, const std::string& v1);
std::string UTL_string_sub(const std::string& format, const std::string& v1, const std::string& v2);
std::string UTL_string_sub(const std::string& format, const std::string& v1, const std::string& v2,
                           const std::string& v3);
std::string UTL_string_sub(const std::string& format, const std::string& v1, const std::string& v2,
                           const std::string& v3, const std::string& v4);
std::string UTL_string_sub(const std::string& format, const std::string& v1, const std::string& v2,
                           const std::string& v3, const std::string& v4, const std::string& v5);
std::string UTL_string_sub(const std::string& format, const std::string& v1, const std::string& v2,
                           const std::string& v3, const std::string& v4, const std::string& v5,
                           const std::string& v6);
void UTL_string_check(const std::string& text, std::vector<int>& numbers);

void UTL_translate_clear();
void UTL_translate_load(int language);
// Loads a language file from a path of the caller's (the same file format).
void UTL_translate_load_file(int language, const std::string& path);
int  UTL_get_default_language();
void UTL_lang_get_languages(std::vector<int>& out);
std::string UTL_lang_get_folder(int language);
std::string UTL_lang_get_button(int language);

void str_unescape(std::string& s);
int  UTL_count_leading(const std::string& s);
int  UTL_count_trailing(const std::string& s);

// The system's preferred languages, most wanted first, cut to their codes
// ("fr_FR.UTF-8" gives "fr"), from LANGUAGE, LC_ALL, LC_MESSAGES and LANG.
void UTL_system_languages(std::vector<std::string>& out);

#endif
