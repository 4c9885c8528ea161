// The binding editor's changes to the binding list, and the system encoding's
// characters as code points.
#include "keys.h"
#include "UTL_cmnd.h"
#include "hl_utf.h"
#include <iconv.h>
#include <langinfo.h>

int keys_class::add_binding()
{
	key_binding b = {0, 0, cmnd.get_cmnd_by_name("sim/operation/none"), 0};
	bindings.push_back(b);
	return (int)bindings.size() - 1;
}

void keys_class::assign_key(int index, int vkey, int flags)
{
	if (index < 0 || index >= (int)bindings.size()) return;
	flags &= 7;	// the press and release bits are no modifiers
	// one key and modifier set runs one command
	for (int i = 0; i < (int)bindings.size(); ++i)
		if (i != index && bindings[i].vkey == vkey && bindings[i].flags == flags) bindings[i].vkey = bindings[i].flags = 0;
	bindings[index].vkey = vkey;
	bindings[index].flags = flags;
}

int keys_class::script_to_utf32(int ch)
{
	const int fallback = (ch >= 0 && ch < 128) ? ch : 0;
	if (ch < 0 || ch > 255) return fallback;
	iconv_t cv = iconv_open("UTF-8", nl_langinfo(CODESET));
	if (cv == (iconv_t)-1) return fallback;
	char in[1] = {(char)ch}, out[8] = {0};
	char *ip = in, *op = out;
	size_t il = 1, ol = sizeof out - 1;
	const size_t r = iconv(cv, &ip, &il, &op, &ol);
	iconv_close(cv);
	const int len = (int)(op - out);
	if (r == (size_t)-1 || il != 0 || len < 1 || len > 6) return fallback;
	int pos = 0;
	const unsigned int cp = utf8_decode(out, len, &pos);
	return pos == len ? (int)cp : fallback;
}
