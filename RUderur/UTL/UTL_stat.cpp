#include "UTL_stat.h"

// Plain pointers and ints are zero before any initialiser runs, so units that
// register from their own static initialisers need nothing of this one.
static UTL_stat* waiting;
static int       stat_initialized;

std::map<UTL_stat_type, std::set<UTL_stat*>>& UTL_stat_all()
{
	static std::map<UTL_stat_type, std::set<UTL_stat*>> all_stats;
	return all_stats;
}

UTL_stat* UTL_stat_waiting() { return waiting; }

static void register_stat(UTL_stat* s)
{
	if (stat_initialized) {
		UTL_stat_all()[s->type].insert(s);
	} else {
		s->next = waiting;
		waiting = s;
	}
}

UTL_stat::UTL_stat(const char* n, UTL_stat_type t, float initial)
	: value(initial), type(t), next(nullptr), value_ptr(&value), name(n)
{
	register_stat(this);
}

UTL_stat::UTL_stat(float* var, const char* n, UTL_stat_type t)
	: value(0), type(t), next(nullptr), value_ptr(var), name(n)
{
	register_stat(this);
}

// Statistics live for the whole run; nothing is unregistered.
UTL_stat::~UTL_stat() {}

void UTL_stat::init_stats()
{
	for (UTL_stat* s = waiting; s; s = s->next) UTL_stat_all()[s->type].insert(s);
	stat_initialized = 1;
}

void UTL_stat::publish() { UTL_stat_all()[type].insert(this); }

void UTL_stat::reset_stats(UTL_stat_type t)
{
	for (UTL_stat* s : UTL_stat_all()[t]) s->value = 0;
}

static UTL_remote_cmd* cmd_list;
static int free_id = 1;		// constant-initialised: ready before any registration
static int inited;

UTL_remote_cmd::UTL_remote_cmd(const char* t, void (*f)()) : next(cmd_list), fn(f), title(t), id(free_id++)
{
	cmd_list = this;
}

UTL_remote_cmd::~UTL_remote_cmd() {}

void UTL_remote_cmd::invoke(void*, int want)
{
	for (UTL_remote_cmd* c = cmd_list; c; c = c->next)
		if (c->id == want) {
			c->fn();
			return;
		}
}

void invoke_wrap(void* ref, int id) { UTL_remote_cmd::invoke(ref, id); }
void UTL_remote_cmd::init_remote_cmds() { inited = 1; }
void UTL_remote_cmd::publish() {}
UTL_remote_cmd* UTL_remote_cmd_list() { return cmd_list; }

void UTL_profiler_init() {}
void UTL_profiler_start(const char*) {}
void UTL_profiler_stop() {}
