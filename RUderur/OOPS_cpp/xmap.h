#ifndef XMAP_H
#define XMAP_H
// Read-only mapped files with a typed header, and the writer of typed files (ouf).
#include <fstream>
#include <string>

enum { file_type_bin = 10000, file_type_txt = 10001 };

extern int mapped_files_open;
extern std::ofstream ouf;	// the typed-file writer's one stream: one file at a time, main thread

// Opens ouf on path and writes the header; 1 when the stream is good.
int ouf_open(std::string path, int type, int version, std::string notice);

class xmap_class {
public:
	int         swap_bytes;
	std::string path;
	int         io_mode;
	const char* begin;
	const char* cursor;
	const char* end;
	int         fd;

	explicit xmap_class(const std::string& path = "");
	~xmap_class();
	xmap_class(const xmap_class&) = delete;
	xmap_class& operator=(const xmap_class&) = delete;

	const char* retry(const std::string& path);
	int  check_file(int type, const int* versions, const char* name, std::string* rest);
	// 1 when the file opens as a typed text file does, whatever its version
	// and keyword: the letter "A" or "I" alone on its line, then a number.
	int  has_text_header();
	void read_n_rev(void* destination, long length);
	int  io_file_open(int mode, std::string path, int* versions, int type);
	void io_file_close();

	int  TXT_str_scan_match(const char* word, int eol_ok);
	void TXT_str_scan_eoln(std::string* out);
	void TXT_str_scan_space(std::string* out);
	int  TXT_int_scan();
	void TXT_xer_line();

private:
	void release();
	void skip_blanks();
	void skip_line_ends_and_blanks();
};

void TXT_xer_line_wrap(xmap_class* x);

#endif
