// A fetched or copied archive unpacked into the copy: the rules a listed file
// is held to, applied by the one disk writer whatever the archive's format.
#include "utils_internal.h"
#include "p7z_utils.h"
#include "zip_utils.h"

// The most a listed file may unpack to: its listed size is truncated to whole
// kilobytes; a little more is allowed, and the signature judges the rest.
static uint64_t listed_unpack_limit(float listed_kb)
{
	uint64_t listed = listed_kb > 0 ? (uint64_t)listed_kb * 1000 : 0;
	return listed + listed / 64 + (64 << 10);
}

int UTIL_unpack(const std::string& folder, const std::string& archive, const std::string& destination, float listed_kb,
                const std::string& signature, std::string* written, file_identity* identity, const std::string* bytes,
                const std::atomic<int>* stop, std::atomic<int64_t>* progress)
{
	// a listed file: only its own entry is written, only inside the copy, and
	// no further than its listed size
	std::string dir = destination.substr(0, destination.rfind('/') + 1);
	unpack_rules rules;
	rules.entry = destination.substr(dir.size());
	if (listed_kb >= 0) rules.max_bytes = listed_unpack_limit(listed_kb);
	rules.max_entries = UTIL_release_archive_entries;
	rules.md5 = signature;
	// the copy's folder bounds every destination: one outside it is refused
	rules.root = folder;
	if (written) written->clear();
	rules.signature = written;
	rules.identity = identity;
	rules.stop = stop;
	rules.progress = progress;
	int err = bytes ? zip_bytes_to_file(*bytes, archive, dir, nullptr, 0, &rules)
	          : archive.size() > 3 && archive.compare(archive.size() - 3, 3, ".7z") == 0
	              ? p7z_to_file(archive, dir, nullptr, 0, &rules)
	              : zip_to_file(archive, dir, nullptr, 0, &rules);
	if (!err && written && written->empty()) *written = "NONE";
	return err;
}
