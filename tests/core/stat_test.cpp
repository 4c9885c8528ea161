#include <gtest/gtest.h>
#include "UTL_stat.h"
#include <cstring>

static UTL_stat early_stat("test/early", stat_debug_flag, 2.0f);	// built before init_stats

TEST(Stat, WaitingListThenRegistry)
{
	EXPECT_EQ(early_stat.value_ptr, &early_stat.value);
	EXPECT_FLOAT_EQ(early_stat.value, 2.0f);
	UTL_stat::init_stats();
	auto& all = UTL_stat_all();
	EXPECT_EQ(all[stat_debug_flag].count(&early_stat), 1u);
	static float outside = 7;
	static UTL_stat late(&outside, "test/late", stat_per_frame);	// after: found at once
	EXPECT_EQ(all[stat_per_frame].count(&late), 1u);
	late.publish();
	EXPECT_EQ(all[stat_per_frame].count(&late), 1u);
	late.value = 3;
	UTL_stat::reset_stats(stat_per_frame);
	EXPECT_EQ(late.value, 0);
	EXPECT_EQ(outside, 7);	// an outside float is left alone
	early_stat.value = 1;
	UTL_stat::reset_stats(stat_debug_flag);
	EXPECT_EQ(early_stat.value, 0);
	size_t types = all.size();
	all.erase((UTL_stat_type)1);
	UTL_stat::reset_stats((UTL_stat_type)1);	// an empty set for the type, nothing else
	EXPECT_TRUE(all[(UTL_stat_type)1].empty());
	EXPECT_GE(all.size(), types);
}

static int ran;
static void bump() { ++ran; }

TEST(Stat, RemoteCommands)
{
	int lowest = 1 << 30;
	bool dump_found = false;
	for (UTL_remote_cmd* c = UTL_remote_cmd_list(); c; c = c->next) {
		if (c->id < lowest) lowest = c->id;
		if (strcmp(c->title, "Dump Memory Info") == 0) dump_found = true;
	}
	EXPECT_EQ(lowest, 1);
	EXPECT_TRUE(dump_found);
	// commands stay registered for the run, so they live as long
	static UTL_remote_cmd mine("Bump", bump);
	EXPECT_EQ(UTL_remote_cmd_list(), &mine);
	ran = 0;
	UTL_remote_cmd::invoke(nullptr, 0);
	UTL_remote_cmd::invoke(nullptr, mine.id + 1);
	EXPECT_EQ(ran, 0);
	UTL_remote_cmd::invoke(nullptr, mine.id);
	invoke_wrap(nullptr, mine.id);
	EXPECT_EQ(ran, 2);
	static UTL_remote_cmd second("Bump again", bump);
	EXPECT_EQ(second.id, mine.id + 1);
	EXPECT_EQ(second.next, &mine);
}
