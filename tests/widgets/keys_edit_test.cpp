// The binding editor's changes: new bindings have no key, and a key given to one
// binding is taken from the binding that had it with the same modifiers.
#include "keys.h"
#include "UTL_cmnd.h"
#include <gtest/gtest.h>

TEST(KeyEditor, NewBindingsHaveNoKeyAndAKeyRunsOneCommand)
{
	keys.bindings.clear();
	EXPECT_EQ(keys.add_binding(), 0);
	EXPECT_EQ(keys.add_binding(), 1);
	EXPECT_EQ(keys.bindings[0].vkey, 0);
	EXPECT_EQ(keys.bindings[0].cmnd, cmnd_nothing);	// no command of that name

	keys.bindings[1].cmnd = cmnd_quit;
	keys.assign_key(0, 'A', zenk_ShiftFlag | zenk_DownFlag);
	EXPECT_EQ(keys.bindings[0].vkey, 'A');
	EXPECT_EQ(keys.bindings[0].flags, zenk_ShiftFlag);	// the press bit is no modifier

	keys.assign_key(1, 'A', zenk_ShiftFlag);
	EXPECT_EQ(keys.bindings[0].vkey, 0);
	EXPECT_EQ(keys.bindings[0].flags, 0);
	EXPECT_EQ(keys.key_bound_to('A', zenk_ShiftFlag), cmnd_quit);

	keys.assign_key(0, 'A', 0);	// other modifiers: both keep their key
	EXPECT_EQ(keys.bindings[1].vkey, 'A');
	EXPECT_EQ(keys.key_bound_to('A', 0), cmnd_nothing);
	EXPECT_EQ(keys.bindings[0].vkey, 'A');

	keys.assign_key(2, 'B', 0);	// no such row
	keys.assign_key(-1, 'B', 0);
	EXPECT_EQ(keys.bindings.size(), 2u);
	EXPECT_EQ(keys.key_bound_to('B', 0), 0);
	keys.bindings.clear();
}
