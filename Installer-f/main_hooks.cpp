// The application's hooks the shell calls.
#include "main_wizard.h"
#include "MACIBM_shell.h"

void APP_handlemenu(int) {}

void APP_install_hooks()
{
	MACIBM_app_hooks.update = APP_update;
	MACIBM_app_hooks.handlemenu = APP_handlemenu;
}
