// The binding editor's changes to the binding list.
#include "keys.h"
#include "UTL_cmnd.h"

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
