#ifndef UTL_TRANSLATE_H
#define UTL_TRANSLATE_H
// The translation service: every visible text is looked up by its English text.
#include <string>
#include <vector>

std::string UTL_translate_string(const std::string& text, int dictionary);
std::string UTL_translate_plural(int n, const std::string& singular, const std::string& plural);
std::string UTL_string_sub(const std::string& format, const std::string& v1, const std::string& v2 = "",
                           const std::string& v3 = "", const std::string& v4 = "");
void UTL_translate_clear();
void UTL_translate_load(int language);
int  UTL_get_default_language();
void UTL_lang_get_languages(std::vector<int>& out);
std::string UTL_lang_get_folder(int language);
std::string UTL_lang_get_button(int language);

#endif
