// The per-frame hook: the wizard draws here. Until it does, the frame shows
// the background colour.
#include "MACIBM_shell.h"
#include "oglp.h"

void APP_update()
{
	OGL_plot_back_col();
}
