#ifndef UTL_STAT_H
#define UTL_STAT_H
// Named statistics, remote debugging commands and the profiler entry points.
// Both registries take entries from static initialisers of any unit.
#include <map>
#include <set>

enum UTL_stat_type {
	stat_memory = 0,
	stat_per_frame = 2,
	stat_debug_flag = 4
};

class UTL_stat {
public:
	float         value;
	UTL_stat_type type;
	UTL_stat*     next;		// link of the waiting list
	float*        value_ptr;	// &value, or an outside float
	const char*   name;		// not copied

	UTL_stat(const char* name, UTL_stat_type type, float initial);
	UTL_stat(float* var, const char* name, UTL_stat_type type);
	~UTL_stat();

	static void init_stats();
	void publish();
	static void reset_stats(UTL_stat_type type);
};

// The published statistics by type; filled by init_stats and publish.
std::map<UTL_stat_type, std::set<UTL_stat*>>& UTL_stat_all();
UTL_stat* UTL_stat_waiting();		// head of the list built before init_stats, newest first

class UTL_remote_cmd {
public:
	UTL_remote_cmd* next;
	void          (*fn)();
	const char*     title;	// not copied
	int             id;

	UTL_remote_cmd(const char* title, void (*fn)());
	~UTL_remote_cmd();

	static void invoke(void* ref, int id);
	static void init_remote_cmds();
	void publish();
};
void invoke_wrap(void* ref, int id);
UTL_remote_cmd* UTL_remote_cmd_list();	// head of the command list, newest first

void UTL_profiler_init();
void UTL_profiler_start(const char* label);
void UTL_profiler_stop();

#endif
