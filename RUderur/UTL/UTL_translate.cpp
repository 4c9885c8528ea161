// Placeholder until the translation service lands: every text stays English.
#include "UTL_translate.h"

std::string UTL_translate_string(const std::string& text, int) { return text; }
std::string UTL_translate_plural(int n, const std::string& s, const std::string& p) { return n <= 1 ? s : p; }
std::string UTL_string_sub(const std::string& f, const std::string&, const std::string&, const std::string&, const std::string&) { return f; }
void UTL_translate_clear() {}
void UTL_translate_load(int) {}
int  UTL_get_default_language() { return 0; }
void UTL_lang_get_languages(std::vector<int>& out) { out = {0, 1, 2, 3, 4, 5}; }
std::string UTL_lang_get_folder(int) { return "English/"; }
std::string UTL_lang_get_button(int) { return "|English"; }
