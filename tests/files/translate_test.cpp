#include "files_support.h"
#include "UTL_cmdline.h"
#include "UTL_debug.h"
#include "UTL_translate.h"
#include "UTL_log.h"

static const std::string kFrench = VANTOR_SOURCE_DIR "/tests/files/data/French.txt";

TEST(Translate, FrenchFileWithPlaceholdersAndPlurals)
{
	UTL_translate_clear();
	EXPECT_EQ(UTL_translate_string("Cancel", 0), "Cancel");
	UTL_translate_load_file(1, kFrench);
	EXPECT_EQ(UTL_translate_string("Cancel", 0), "Annuler");	// the first entry wins
	EXPECT_EQ(UTL_translate_string("Two\nlines", 0), "Deux\nlignes");
	EXPECT_EQ(UTL_translate_string(" Padded", 0), "Rembourré");
	EXPECT_EQ(UTL_translate_string("Padded", 0), "Padded");
	EXPECT_EQ(UTL_translate_string("Yes", 0), "Si");
	EXPECT_EQ(UTL_translate_string("No", 0), "No");
	EXPECT_EQ(UTL_translate_string("Maybe", 0), "Maybe");
	EXPECT_EQ(UTL_translate_string("a", 0), "b====c");
	EXPECT_EQ(UTL_translate_string("foo", 0), "foo");

	std::string f = UTL_translate_string("Scanning %1:number% of %2:total% files.", 0);
	EXPECT_EQ(UTL_string_sub(f, "3", "10"), "Analyse du fichier 3 sur 10.");
	EXPECT_EQ(UTL_string_sub(UTL_translate_string("%1:rate% kilobytes/second", 0), "12"), "12 kilo-octets/seconde");

	// French: one or less is singular
	EXPECT_EQ(UTL_translate_plural(0, "file", "files"), "fichier");
	EXPECT_EQ(UTL_translate_plural(1, "file", "files"), "fichier");
	EXPECT_EQ(UTL_translate_plural(-3, "file", "files"), "fichier");
	EXPECT_EQ(UTL_translate_plural(2, "file", "files"), "fichiers");

	// Russian rules on the same entries: the genitive form for 3 and 22, not 13 or 25
	UTL_translate_load_file(3, kFrench);
	EXPECT_EQ(UTL_translate_plural(3, "file", "files"), "fichiers-g");
	EXPECT_EQ(UTL_translate_plural(22, "file", "files"), "fichiers-g");
	EXPECT_EQ(UTL_translate_plural(13, "file", "files"), "fichiers");
	EXPECT_EQ(UTL_translate_plural(25, "file", "files"), "fichiers");
	EXPECT_EQ(UTL_translate_plural(21, "file", "files"), "fichiers");
	EXPECT_EQ(UTL_translate_plural(1, "file", "files"), "fichier");
	// German rules: zero is plural
	UTL_translate_load_file(2, kFrench);
	EXPECT_EQ(UTL_translate_plural(0, "file", "files"), "fichiers");
	UTL_translate_clear();
}

TEST(Translate, WrongHeadersLoadNothingAndTheResourceIsFound)
{
	scratch_dir d;
	std::string body = "STRING Cancel====Annuler\n";
	write_file(d.path + "v840.txt", "I\n840 version\nTRANSLATION\n" + body);
	write_file(d.path + "inst.txt", "I\n900 version\nINSTALLER\n" + body);
	for (const char* f : {"v840.txt", "inst.txt", "missing.txt"}) {
		UTL_translate_load_file(1, d.path + f);
		EXPECT_EQ(UTL_translate_string("Cancel", 0), "Cancel") << f;
	}
	// the language's own resource, when the resource store finds ours first
	in_folder here(d.path);
	sh("mkdir -p '" + d.path + "Resources'");
	write_file(d.path + "Resources/French.txt", read_file(kFrench));
	if (UTL_resource_get_file("French.txt") == d.path + "Resources/French.txt") {
		UTL_translate_load(1);
		EXPECT_EQ(UTL_translate_string("Cancel", 0), "Annuler");
	}
	UTL_translate_load(0);
	EXPECT_EQ(UTL_translate_string("Cancel", 0), "Cancel");
}

TEST(Translate, MissingTextsAreLoggedOncePerLoad)
{
	scratch_dir d;
	UTL_cmdline::add_one("--missing_strings", "");
	xer.close();
	xer.clear();
	xer.open(d.path + "log.txt");
	UTL_translate_clear();
	UTL_translate_string("Quit", 0);
	UTL_translate_load_file(1, kFrench);
	UTL_translate_string("Quit", 0);
	UTL_translate_string("Quit", 0);
	UTL_translate_string("Line\none", 0);
	UTL_translate_load_file(1, kFrench);
	UTL_translate_string("Quit", 0);
	xer.close();
	EXPECT_EQ(read_file(d.path + "log.txt"), "STRING Quit====Quit\nSTRING Line\\none====Line\\none\nSTRING Quit====Quit\n");
	UTL_translate_clear();
}

TEST(Translate, PlaceholderRules)
{
	EXPECT_EQ(UTL_string_sub("%1:a% and %3:c%", "x", "y"), "x and %3:c%");
	EXPECT_EQ(UTL_string_sub("%1:a%%2:b%", "%2:b%", "z"), "%2:b%z");
	EXPECT_EQ(UTL_string_sub("100% done: %1:n%", "7"), "100% done: 7");
	EXPECT_EQ(UTL_string_sub("%6:f%%5:e%", "1", "2", "3", "4", "5", "6"), "65");
	std::vector<int> n;
	UTL_string_check("%2:b% then %1:a% and %2:x% 100%", n);
	EXPECT_EQ(n, (std::vector<int>{2, 1, 2}));
	std::string s = "a\\rb\\nc\\x";
	str_unescape(s);
	EXPECT_EQ(s, "a\rb\nc\\x");
	EXPECT_EQ(UTL_count_leading("  a "), 2);
	EXPECT_EQ(UTL_count_trailing("  a "), 1);
	EXPECT_EQ(UTL_count_trailing("   "), 3);
	EXPECT_EQ(UTL_count_leading(""), 0);
}

TEST(Translate, DefaultLanguageFromOptionThenSystem)
{
	for (const char* v : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) unsetenv(v);
	EXPECT_EQ(UTL_get_default_language(), -1);
	setenv("LANG", "fr_FR.UTF-8", 1);
	EXPECT_EQ(UTL_get_default_language(), 1);
	setenv("LANGUAGE", "pt:de_AT", 1);
	EXPECT_EQ(UTL_get_default_language(), 2);
	setenv("LANGUAGE", "pt_BR", 1);
	setenv("LC_ALL", "C", 1);
	EXPECT_EQ(UTL_get_default_language(), 1);
	UTL_cmdline::add_one("--lang", "ru");
	EXPECT_EQ(UTL_get_default_language(), 3);
	UTL_cmdline::add_one("--lang", "pt");
	EXPECT_EQ(UTL_get_default_language(), 1);
	std::vector<int> all;
	UTL_lang_get_languages(all);
	EXPECT_EQ(all.size(), 6u);
	EXPECT_EQ(UTL_lang_get_folder(1), "French/");
	EXPECT_EQ(UTL_lang_get_button(2), "|Deutsch");
}
